#pragma once

#include "kit/TelemetryClient.h"
#include "kit/TelemetryHostContext.h"
#include "kit/UpdateChecker.h"

#include <juce_audio_processors/juce_audio_processors.h>

namespace VarneT
{

/** The maker's web service address this build talks to, without a trailing "/". */
juce::String serviceBaseUrl();

/** "vst3", "au", "standalone" and so on; "unknown" for anything else. */
juce::String pluginFormatName (juce::AudioProcessor::WrapperType wrapperType);

/** The host name the heartbeat reports for this wrapper type. */
juce::String describeHost (juce::AudioProcessor::WrapperType wrapperType, const tolmek::TelemetryHostContext& hostContext);

/** The host context must outlive the telemetry client that gets this configuration. */
tolmek::TelemetryClient::Config makeTelemetryConfig (juce::AudioProcessor::WrapperType wrapperType,
                                                     tolmek::TelemetryHostContext& hostContext);

tolmek::UpdateChecker::Config makeUpdateCheckerConfig();

} // namespace VarneT
