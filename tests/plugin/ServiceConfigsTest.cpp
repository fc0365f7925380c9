#include "plugin/ServiceConfigs.h"

#include <pluginterfaces/vst/ivsthostapplication.h>

#include <gtest/gtest.h>

#include <cstring>

using WrapperType = juce::AudioProcessor::WrapperType;

namespace
{
/** A host that names itself "Host A". */
struct NamedHost : Steinberg::Vst::IHostApplication
{
    Steinberg::tresult PLUGIN_API getName (Steinberg::Vst::String128 out) override
    {
        const char16_t name[] = u"Host A";
        std::memcpy (out, name, sizeof (name));
        return Steinberg::kResultOk;
    }

    Steinberg::tresult PLUGIN_API createInstance (Steinberg::TUID, Steinberg::TUID, void** obj) override
    {
        *obj = nullptr;
        return Steinberg::kNotImplemented;
    }

    Steinberg::tresult PLUGIN_API queryInterface (const Steinberg::TUID wanted, void** obj) override
    {
        *obj = Steinberg::FUnknownPrivate::iidEqual (wanted, Steinberg::Vst::IHostApplication_iid) ? this : nullptr;
        return *obj != nullptr ? Steinberg::kResultOk : Steinberg::kNoInterface;
    }

    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }
};
} // namespace

TEST (ServiceConfigs, TelemetryConfiguration)
{
    tolmek::TelemetryHostContext hostContext;
    const auto config = VarneT::makeTelemetryConfig (juce::AudioProcessor::wrapperType_VST3, hostContext);

    EXPECT_EQ (config.productId, "varne-t");
    EXPECT_EQ (config.productName, "Varne-T");
    EXPECT_EQ (config.version, "1.3.6");
    EXPECT_EQ (config.heartbeatUrl, juce::String (VARNET_SERVICE_BASE_URL) + "/api/telemetry/heartbeat");
    EXPECT_EQ (config.settingsKey, "TOLMEK/VarneT");
    EXPECT_EQ (config.pluginFormat, "vst3");
    EXPECT_EQ (config.defaultHostName, "Unknown");
    EXPECT_TRUE (config.hostNameProvider != nullptr);
    EXPECT_EQ (config.consentVersion, "2026-07-10");
    EXPECT_EQ (config.welcomeVersion, "2026-08-26");
    EXPECT_FALSE (config.internalBuild);
    EXPECT_EQ (config.startDelayMs, 15000);
    EXPECT_EQ (config.timeoutMs, 10000);
}

TEST (ServiceConfigs, UpdateCheckerConfiguration)
{
    const auto config = VarneT::makeUpdateCheckerConfig();
    EXPECT_EQ (config.productId, "varne-t");
    EXPECT_EQ (config.productName, "Varne-T");
    EXPECT_EQ (config.version, "1.3.6");
    EXPECT_EQ (config.updateUrl, juce::String (VARNET_SERVICE_BASE_URL) + "/api/updates/varne-t.json");
    EXPECT_EQ (config.settingsKey, "TOLMEK/VarneT");
}

TEST (ServiceConfigs, PluginFormatWords)
{
    struct Row { WrapperType type; const char* word; };
    const Row rows[] = {
        { juce::AudioProcessor::wrapperType_VST, "vst" },         { juce::AudioProcessor::wrapperType_VST3, "vst3" },
        { juce::AudioProcessor::wrapperType_AudioUnit, "au" },    { juce::AudioProcessor::wrapperType_AudioUnitv3, "auv3" },
        { juce::AudioProcessor::wrapperType_AAX, "aax" },         { juce::AudioProcessor::wrapperType_Standalone, "standalone" },
        { juce::AudioProcessor::wrapperType_Unity, "unity" },     { juce::AudioProcessor::wrapperType_LV2, "lv2" },
        { juce::AudioProcessor::wrapperType_Undefined, "unknown" },
    };

    tolmek::TelemetryHostContext hostContext;

    for (const auto& row : rows)
        EXPECT_EQ (VarneT::makeTelemetryConfig (row.type, hostContext).pluginFormat, row.word);
}

TEST (ServiceConfigs, HostNameProviderFollowsTheWrapper)
{
    tolmek::TelemetryHostContext hostContext;
    const auto frameworkName = juce::PluginHostType().getHostDescription();

    // No host has named itself, so a VST3 falls back to the framework's description.
    EXPECT_EQ (VarneT::makeTelemetryConfig (juce::AudioProcessor::wrapperType_VST3, hostContext).hostNameProvider(), frameworkName);
    EXPECT_EQ (VarneT::makeTelemetryConfig (juce::AudioProcessor::wrapperType_Standalone, hostContext).hostNameProvider(), "Standalone");
    EXPECT_EQ (VarneT::makeTelemetryConfig (juce::AudioProcessor::wrapperType_AudioUnit, hostContext).hostNameProvider(), frameworkName);
}

TEST (ServiceConfigs, NamedVst3HostIsReported)
{
    tolmek::TelemetryHostContext hostContext;
    const auto vst3 = VarneT::makeTelemetryConfig (juce::AudioProcessor::wrapperType_VST3, hostContext);
    const auto audioUnit = VarneT::makeTelemetryConfig (juce::AudioProcessor::wrapperType_AudioUnit, hostContext);

    NamedHost host;
    hostContext.setIHostApplication (&host);

    EXPECT_EQ (vst3.hostNameProvider(), "Host A") << "the provider reads the context when asked";
    EXPECT_EQ (audioUnit.hostNameProvider(), juce::PluginHostType().getHostDescription());
}
