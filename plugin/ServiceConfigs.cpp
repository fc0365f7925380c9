#include "plugin/ServiceConfigs.h"

#include "VarneTIdentity.h"

namespace VarneT
{

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
    config.productId = identity::productId;
    config.productName = identity::productName;
    config.version = identity::version;
    config.heartbeatUrl = serviceBaseUrl() + "/api/telemetry/heartbeat";
    config.settingsKey = identity::settingsKey;
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
    config.productId = identity::productId;
    config.productName = identity::productName;
    config.version = identity::version;
    config.updateUrl = serviceBaseUrl() + "/api/updates/" + identity::productId + ".json";
    config.settingsKey = identity::settingsKey;
    return config;
}

} // namespace VarneT
