#include "kit/TelemetryHostContext.h"

#include <pluginterfaces/base/funknown.h>
#include <pluginterfaces/vst/ivsthostapplication.h>

namespace tolmek
{

TelemetryHostContext::~TelemetryHostContext() = default;

juce::String TelemetryHostContext::sanitiseHostName (const juce::String& name)
{
    if (name.containsAnyOf ("/\\\r\n\t"))
        return {};

    auto result = name.retainCharacters ("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 ._()+-")
                      .trim();

    const juce::String punctuation ("._()+-");
    result = result.trimCharactersAtStart (punctuation).trimCharactersAtEnd (punctuation).trim().substring (0, 64);

    return result.equalsIgnoreCase ("Unknown") ? juce::String() : result;
}

void TelemetryHostContext::setIHostApplication (Steinberg::FUnknown* host)
{
    juce::String name;

    if (host != nullptr)
    {
        Steinberg::Vst::IHostApplication* application = nullptr;

        if (host->queryInterface (Steinberg::Vst::IHostApplication_iid, reinterpret_cast<void**> (&application)) == Steinberg::kResultOk
            && application != nullptr)
        {
            Steinberg::Vst::String128 buffer {};

            if (application->getName (buffer) == Steinberg::kResultOk)
            {
                buffer[127] = 0;
                name = juce::String (juce::CharPointer_UTF16 (reinterpret_cast<const juce::CharPointer_UTF16::CharType*> (buffer)));
            }

            application->release();
        }
    }

    const auto sanitised = sanitiseHostName (name);
    const juce::ScopedLock sl (lock);
    hostName = sanitised;
}

juce::String TelemetryHostContext::getHostName() const
{
    const juce::ScopedLock sl (lock);
    return hostName;
}

} // namespace tolmek
