#include "plugin/ServiceConfigs.h"

#ifndef VARNET_SERVICE_BASE_URL
 #define VARNET_SERVICE_BASE_URL "https://service.invalid"
#endif

namespace VarneT
{
namespace
{
const char* const productId = "varne-t";
const char* const productName = "Varne-T";
const char* const productVersion = "1.3.6";
const char* const settingsKey = "TOLMEK/VarneT";
} // namespace

juce::String serviceBaseUrl()
{
    auto base = juce::String (VARNET_SERVICE_BASE_URL).trim();

    while (base.endsWithChar ('/'))
        base = base.dropLastCharacters (1);

    return base;
}

juce::String pluginFormatName (juce::AudioProcessor::WrapperType wrapperType)
{
    switch (wrapperType)
    {
        case juce::AudioProcessor::wrapperType_VST:        return "vst";
        case juce::AudioProcessor::wrapperType_VST3:       return "vst3";
        case juce::AudioProcessor::wrapperType_AudioUnit:  return "au";
        case juce::AudioProcessor::wrapperType_AudioUnitv3: return "auv3";
        case juce::AudioProcessor::wrapperType_AAX:        return "aax";
        case juce::AudioProcessor::wrapperType_Standalone: return "standalone";
        case juce::AudioProcessor::wrapperType_Unity:      return "unity";
        case juce::AudioProcessor::wrapperType_LV2:        return "lv2";
        case juce::AudioProcessor::wrapperType_Undefined:
        default:                                           return "unknown";
    }
}

juce::String describeHost (juce::AudioProcessor::WrapperType wrapperType, const tolmek::TelemetryHostContext& hostContext)
{
    if (wrapperType == juce::AudioProcessor::wrapperType_Standalone)
        return "Standalone";

    if (wrapperType == juce::AudioProcessor::wrapperType_VST3)
    {
        auto name = hostContext.getHostName();

        if (name.isNotEmpty())
            return name;
    }

    return juce::PluginHostType().getHostDescription();
}

tolmek::TelemetryClient::Config makeTelemetryConfig (juce::AudioProcessor::WrapperType wrapperType,
                                                     tolmek::TelemetryHostContext& hostContext)
{
    tolmek::TelemetryClient::Config config;
    config.productId = productId;
    config.productName = productName;
    config.version = productVersion;
    config.heartbeatUrl = serviceBaseUrl() + "/api/telemetry/heartbeat";
    config.settingsKey = settingsKey;
    config.pluginFormat = pluginFormatName (wrapperType);
    config.defaultHostName = "Unknown";
    config.hostNameProvider = [wrapperType, &hostContext] { return describeHost (wrapperType, hostContext); };
    config.consentVersion = "2026-07-10";
    config.welcomeVersion = "2026-08-26";
    config.internalBuild = false;
    config.startDelayMs = 15000;
    config.timeoutMs = 10000;
    return config;
}

tolmek::UpdateChecker::Config makeUpdateCheckerConfig()
{
    tolmek::UpdateChecker::Config config;
    config.productId = productId;
    config.productName = productName;
    config.version = productVersion;
    config.updateUrl = serviceBaseUrl() + "/api/updates/varne-t.json";
    config.settingsKey = settingsKey;
    return config;
}

} // namespace VarneT
