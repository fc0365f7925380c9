#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

class VarneTAudioProcessor : public juce::AudioProcessor,
                             public juce::ChangeBroadcaster,
                             public juce::VST3ClientExtensions
{
public:
    VarneTAudioProcessor();
    ~VarneTAudioProcessor() override;

    const juce::String getName() const override;

    void prepareToPlay (double sampleRate, int maximumExpectedSamplesPerBlock) override;
    void releaseResources() override;
    void processBlock (juce::AudioBuffer<float>&, juce::MidiBuffer&) override;
    using juce::AudioProcessor::processBlock;

    double getTailLengthSeconds() const override;
    bool acceptsMidi() const override;
    bool producesMidi() const override;
    bool isMidiEffect() const override;

    juce::AudioProcessorEditor* createEditor() override;
    bool hasEditor() const override;

    int getNumPrograms() override;
    int getCurrentProgram() override;
    void setCurrentProgram (int) override;
    const juce::String getProgramName (int) override;
    void changeProgramName (int, const juce::String&) override;

    void getStateInformation (juce::MemoryBlock&) override;
    void setStateInformation (const void* data, int sizeInBytes) override;

    double getCurrentSampleRate() const noexcept { return currentSampleRate; }

private:
    static BusesProperties makeBusesProperties();

    double currentSampleRate = 44100.0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VarneTAudioProcessor)
};
