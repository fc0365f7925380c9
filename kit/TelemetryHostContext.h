#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

namespace tolmek
{

/** Captures the host application's name from the IHostApplication that a VST3 host hands over. */
class TelemetryHostContext : public juce::VST3ClientExtensions
{
public:
    TelemetryHostContext() = default;
    ~TelemetryHostContext() override;

    /** Any thread; host may be null. Reads IHostApplication::getName and keeps its sanitised form. */
    void setIHostApplication (Steinberg::FUnknown* host) override;

    /** The sanitised host name; empty when none was given or it was rejected. Any thread. */
    juce::String getHostName() const;

    /** Keeps only safe characters, trims punctuation at the ends and cuts to 64 characters;
        names holding path separators or line breaks, and "Unknown", give an empty text.
    */
    static juce::String sanitiseHostName (const juce::String& name);

private:
    juce::CriticalSection lock;
    juce::String hostName;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TelemetryHostContext)
};

} // namespace tolmek
