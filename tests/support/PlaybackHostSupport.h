#pragma once

// Helpers for the tests that drive the built bundle through the probe host: a private HOME,
// loading, the project document the plug-in stores as its state, and MIDI rows to compare.

#include "support/MidiRows.h"
#include "support/ProbeHost.h"
#include "support/TemporaryHome.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <future>
#include <map>

namespace host_test
{

inline const juce::File& bundle()
{
    static const juce::File file { VARNET_VST3_BUNDLE };
    return file;
}

constexpr double rate = 48000.0;
constexpr juce::int64 samplesPerBeat = 24000; // at 120 bpm and 48 kHz

/** Every test gets fresh HOME and TMPDIR folders: the plug-in keeps its settings and its
    instance folder there. */
class BundleTest : public ::testing::Test
{
protected:
    void SetUp() override { home = std::make_unique<testing_support::TemporaryHome> (testing_support::TemporaryHome::TemporaryFolder::inside); }
    void TearDown() override { home.reset(); }

    /** A new instance of the bundle's plug-in; fails the test when it cannot be loaded. */
    static std::unique_ptr<juce::AudioPluginInstance> load (double sampleRate = rate, int blockSize = 512)
    {
        juce::String error;
        auto loaded = probe::loadBundle (bundle(), sampleRate, blockSize, error);
        EXPECT_TRUE (loaded.has_value()) << error;
        return loaded.has_value() ? std::move (loaded->instance) : nullptr;
    }

private:
    std::unique_ptr<testing_support::TemporaryHome> home;
};

//==============================================================================
// The project document in the plug-in's state.

inline juce::var copyOf (const juce::var& value)
{
    return juce::JSON::parse (juce::JSON::toString (value, true));
}

inline juce::String stateText (juce::AudioPluginInstance& plugin)
{
    return probe::getPluginState (plugin).toString();
}

inline juce::var stateDocument (juce::AudioPluginInstance& plugin)
{
    return juce::JSON::parse (stateText (plugin));
}

inline void setStateText (juce::AudioPluginInstance& plugin, const juce::String& text)
{
    probe::setPluginState (plugin, text.toRawUTF8(), text.getNumBytesAsUTF8());
}

inline void setStateDocument (juce::AudioPluginInstance& plugin, const juce::var& document)
{
    setStateText (plugin, juce::JSON::toString (document, true));
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

//==============================================================================
// MIDI rows.

using testing_support::Row;
using testing_support::rowsOf;
using testing_support::describe;
using testing_support::notesOf;
using testing_support::noteOns;
using testing_support::expectBalanced;
using testing_support::finishesWithin;

inline void expectStartsWith (const std::vector<Row>& actual, const std::vector<Row>& expected, juce::int64 tolerance)
{
    ASSERT_GE (actual.size(), expected.size()) << describe (actual);
    for (size_t i = 0; i < expected.size(); ++i)
    {
        const auto& a = actual[i];
        const auto& e = expected[i];
        EXPECT_TRUE (std::abs (a.sample - e.sample) <= tolerance && a.kind == e.kind && a.number == e.number && a.value == e.value)
            << "row " << i << ": " << describe ({ a }) << "expected " << describe ({ e }) << "in\n" << describe (actual);
    }
}

/** The Section parameter, the plug-in's one parameter beside the wrapper's bypass. */
inline juce::AudioProcessorParameter* sectionParameterOf (juce::AudioPluginInstance& plugin)
{
    const auto own = probe::ownParameters (plugin);
    EXPECT_EQ (own.size(), 2u);
    for (auto* parameter : own)
        if (parameter->getName (128) == "Section")
            return parameter;

    ADD_FAILURE() << "no parameter named Section";
    return nullptr;
}

} // namespace host_test
