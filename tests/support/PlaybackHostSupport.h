#pragma once

// Helpers for the tests that drive the built bundle through the probe host: a private HOME,
// loading, the project document the plug-in stores as its state, and MIDI rows to compare.

#include "support/MidiRows.h"
#include "support/ProjectDocuments.h"
#include "support/ProbeHost.h"
#include "support/TemporaryHome.h"

#include <gtest/gtest.h>

#include <memory>

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

using testing_support::arrayOf;
using testing_support::copyOf;
using testing_support::forEachNote;
using testing_support::markerVelocity;
using testing_support::sectionNames;
using testing_support::setProperty;
using testing_support::withSections;

//==============================================================================
// MIDI rows.

using testing_support::Row;
using testing_support::rowsOf;
using testing_support::describe;
using testing_support::notesOf;
using testing_support::noteOns;
using testing_support::expectBalanced;
using testing_support::expectStartsWith;
using testing_support::finishesWithin;

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
