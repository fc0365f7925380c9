#include "plugin/SectionParameter.h"

#include "plugin/PluginProcessor.h"

#include <cmath>
#include <cstdlib>

SectionParameter::SectionParameter (VarneTAudioProcessor& p)
    : juce::RangedAudioParameter (juce::ParameterID { "activeSection", 1 }, "Section"), processor (p)
{
}

float SectionParameter::indexToValue (int index) const
{
    const auto n = processor.getNumSections();
    return n <= 0 ? 0.0f : (float) juce::jlimit (0, n, index) / (float) n;
}

int SectionParameter::valueToIndex (float v) const
{
    const auto n = processor.getNumSections();
    return n <= 0 ? 0 : juce::jlimit (0, n, (int) std::nearbyint ((float) n * v));
}

int SectionParameter::getNumSteps() const
{
    // JUCE's VST3 wrapper reads the step count once, when the host builds its parameter list,
    // and never again; a VST3 host keeps that grid whatever Sections follow. It gets the grid of
    // the largest project instead, on which every Section of any project and Auto-Advance have
    // a step (a grid value k/64 reads back as round(n * k/64), which reaches 0..n for n <= 64).
    if (processor.wrapperType == juce::AudioProcessor::wrapperType_VST3)
        return maxSectionsOnHostGrid + 1;

    return juce::jmax (processor.getNumSections() + 1, 1);
}

juce::String SectionParameter::getText (float v, int) const
{
    const auto n = processor.getNumSections();
    const auto i = valueToIndex (v);
    return i == n ? juce::String ("Auto-Advance") : sectionText (i);
}

float SectionParameter::getValueForText (const juce::String& text) const
{
    const auto t = text.trim();
    const auto n = processor.getNumSections();

    if (t.equalsIgnoreCase ("Auto-Advance"))
        return indexToValue (n);

    for (int i = 0; i < n; ++i)
        if (processor.getSectionName (i).equalsIgnoreCase (t))
            return indexToValue (i);

    const auto number = std::atoi (t.toRawUTF8());
    return number > 0 ? indexToValue (number - 1) : 0.0f;
}

juce::StringArray SectionParameter::getAllValueStrings() const
{
    juce::StringArray texts;
    for (int i = 0; i < processor.getNumSections(); ++i)
        texts.add (sectionText (i));

    texts.add ("Auto-Advance");
    return texts;
}

const juce::NormalisableRange<float>& SectionParameter::getNormalisableRange() const
{
    static const juce::NormalisableRange<float> range;
    return range;
}

juce::String SectionParameter::sectionText (int index) const
{
    const auto sectionName = processor.getSectionName (index);
    return sectionName.isEmpty() ? "Section " + juce::String (index + 1) : sectionName;
}
