// Compiled once per binary with the address that binary talks to (see varnet_add_service_address).

#include "plugin/ServiceConfigs.h"

namespace VarneT
{

juce::String serviceBaseUrl()
{
    auto base = juce::String (VARNET_SERVICE_BASE_URL).trim();

    while (base.endsWithChar ('/'))
        base = base.dropLastCharacters (1);

    return base;
}

} // namespace VarneT
