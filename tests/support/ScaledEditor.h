#pragma once

// A bare processor and editor for exercising the kit's editor scaling without the plug-in.

#include "kit/EditorScaling.h"

namespace kit_test
{

class SilentProcessor : public juce::AudioProcessor
{
public:
    SilentProcessor() : juce::AudioProcessor (BusesProperties()) {}
    const juce::String getName() const override { return "Silent"; }
    void prepareToPlay (double, int) override {}
    void releaseResources() override {}
    using juce::AudioProcessor::processBlock;
    void processBlock (juce::AudioBuffer<float>&, juce::MidiBuffer&) override {}
    double getTailLengthSeconds() const override { return 0.0; }
    bool acceptsMidi() const override { return true; }
    bool producesMidi() const override { return true; }
    juce::AudioProcessorEditor* createEditor() override { return nullptr; }
    bool hasEditor() const override { return false; }
    int getNumPrograms() override { return 1; }
    int getCurrentProgram() override { return 0; }
    void setCurrentProgram (int) override {}
    const juce::String getProgramName (int) override { return {}; }
    void changeProgramName (int, const juce::String&) override {}
    void getStateInformation (juce::MemoryBlock&) override {}
    void setStateInformation (const void*, int) override {}
};

/** An editor that reports outside size changes to its scaling, as a plug-in editor does. */
class ScaledEditor : public juce::AudioProcessorEditor
{
public:
    explicit ScaledEditor (juce::AudioProcessor& p) : juce::AudioProcessorEditor (p) { setSize (100, 100); }

    void resized() override
    {
        if (scaling != nullptr)
            scaling->editorResized();

        if (onResized)
            onResized();
    }

    void paint (juce::Graphics& g) override { g.fillAll (juce::Colour (0xff1e2030)); }

    tolmek::EditorScaling* scaling = nullptr;
    std::function<void()> onResized;
};

/** Stands in a display of the given user area for every editor while it lives (an empty area sets
    no limit); the editor's real display counts again afterwards. */
class ScopedUserArea
{
public:
    explicit ScopedUserArea (juce::Rectangle<int> area)
        : ScopedUserArea ([area] (const juce::Component&) { return area; }) {}

    explicit ScopedUserArea (tolmek::EditorScaling::UserAreaProvider provider)
    {
        tolmek::EditorScaling::setUserAreaProvider (std::move (provider));
    }

    ~ScopedUserArea() { tolmek::EditorScaling::setUserAreaProvider ({}); }

    /** Larger than every window the editors reach at their largest scale and logical size. */
    static juce::Rectangle<int> unlimited() { return { 0, 0, 8192, 8192 }; }
};

} // namespace kit_test
