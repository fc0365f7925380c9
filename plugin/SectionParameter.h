#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <atomic>

class VarneTAudioProcessor;

/** The most Sections a valid project holds. */
inline constexpr int maxSectionsOnHostGrid = 64;

/** The host's choice of the playing Section: one step per Section, then Auto-Advance. */
class SectionParameter final : public juce::RangedAudioParameter
{
public:
    explicit SectionParameter (VarneTAudioProcessor&);

    float indexToValue (int index) const;
    int valueToIndex (float v) const;

    float getValue() const override { return value.load (std::memory_order_relaxed); }
    void setValue (float newValue) override { value.store (juce::jlimit (0.0f, 1.0f, newValue), std::memory_order_relaxed); }
    float getDefaultValue() const override { return 0.0f; }
    int getNumSteps() const override;
    bool isDiscrete() const override { return true; }

    juce::String getText (float v, int) const override;
    float getValueForText (const juce::String& text) const override;
    juce::StringArray getAllValueStrings() const override;
    const juce::NormalisableRange<float>& getNormalisableRange() const override;

private:
    juce::String sectionText (int index) const;

    VarneTAudioProcessor& processor;
    std::atomic<float> value { 0.0f };
};
