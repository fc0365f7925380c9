#pragma once

// Project documents as JSON values, for tests that shape the state a host hands the plug-in.

#include <juce_core/juce_core.h>

namespace testing_support
{

inline juce::var copyOf (const juce::var& value)
{
    return juce::JSON::parse (juce::JSON::toString (value, true));
}

inline juce::Array<juce::var>& arrayOf (const juce::var& value)
{
    auto* array = value.getArray();
    jassert (array != nullptr);
    return *array;
}

inline void setProperty (const juce::var& object, const juce::Identifier& key, const juce::var& value)
{
    object.getDynamicObject()->setProperty (key, value);
}

/** Every note of a Section. */
template <typename Function>
void forEachNote (const juce::var& section, Function&& function)
{
    for (auto& pattern : arrayOf (section["sequence"]))
        for (auto& note : arrayOf (pattern["notes"]))
            function (note);
}

/** The velocity that marks Section i's notes in the projects below. */
inline int markerVelocity (int sectionIndex) { return sectionIndex + 1; }

/** The document with one copy of its first Section per name, each Section's notes at its
    marker velocity, so that the output shows which Section plays. */
inline juce::var withSections (const juce::var& document, const juce::StringArray& names, bool autoAdvance = false)
{
    auto result = copyOf (document);
    const auto first = copyOf (arrayOf (result["sections"])[0]);
    auto& sections = arrayOf (result["sections"]);
    sections.clear();

    for (int i = 0; i < names.size(); ++i)
    {
        auto section = copyOf (first);
        setProperty (section, "name", names[i]);
        forEachNote (section, [i] (const juce::var& note) { setProperty (note, "velocity", markerVelocity (i)); });
        sections.add (section);
    }

    setProperty (result, "sectionPlaybackMode", autoAdvance ? "advanceSections" : "loopSection");
    setProperty (result, "activeSectionIndex", 0);
    return result;
}

inline juce::StringArray sectionNames (int count)
{
    juce::StringArray names;
    for (int i = 0; i < count; ++i)
        names.add ("Part " + juce::String (i + 1));
    return names;
}

} // namespace testing_support
