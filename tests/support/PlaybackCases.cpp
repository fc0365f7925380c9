#include "support/PlaybackCases.h"

#include "support/ProbeHost.h"
#include "support/ProjectDocuments.h"
#include "plugin/PluginProcessor.h"

#include <gtest/gtest.h>

#include <limits>

namespace testing_support
{
namespace
{
constexpr double rate = 48000.0;
constexpr juce::int64 samplesPerBeat = 24000; // at 120 bpm and 48 kHz
constexpr juce::int64 passSamples = 4 * samplesPerBeat;

juce::AudioPluginInstance& instanceOf (juce::AudioProcessor& processor)
{
    return dynamic_cast<juce::AudioPluginInstance&> (processor);
}

juce::AudioProcessorParameter* parameterNamed (juce::AudioProcessor& processor, const juce::String& name)
{
    for (auto* parameter : processor.getParameters())
        if (parameter->getName (128) == name)
            return parameter;
    return nullptr;
}
} // namespace

PlaybackDriver inProcessDriver()
{
    return {
        [] (double, int) -> std::unique_ptr<juce::AudioProcessor> { return std::make_unique<VarneTAudioProcessor>(); },
        [] (juce::AudioProcessor& processor)
        {
            juce::MemoryBlock block;
            processor.getStateInformation (block);
            return block.toString();
        },
        [] (juce::AudioProcessor& processor, const juce::String& text)
        { processor.setStateInformation (text.toRawUTF8(), (int) text.getNumBytesAsUTF8()); },
    };
}

PlaybackDriver bundleDriver (const juce::File& bundle)
{
    return {
        [bundle] (double sampleRate, int blockSize) -> std::unique_ptr<juce::AudioProcessor>
        {
            juce::String error;
            auto loaded = probe::loadBundle (bundle, sampleRate, blockSize, error);
            EXPECT_TRUE (loaded.has_value()) << error;
            return loaded.has_value() ? std::move (loaded->instance) : nullptr;
        },
        [] (juce::AudioProcessor& processor) { return probe::getPluginState (instanceOf (processor)).toString(); },
        [] (juce::AudioProcessor& processor, const juce::String& text)
        { probe::setPluginState (instanceOf (processor), text.toRawUTF8(), text.getNumBytesAsUTF8()); },
    };
}

//==============================================================================
const std::vector<Row> defaultProjectPass {
    { 0, 'c', 64, 0 },      { 0, 'n', 36, 100 },    { 8400, 'f', 36, 0 },   { 12000, 'n', 50, 84 },
    { 20400, 'f', 50, 0 },  { 24000, 'n', 52, 90 }, { 32400, 'f', 52, 0 },  { 36000, 'n', 53, 80 },
    { 44400, 'f', 53, 0 },  { 48000, 'n', 36, 96 }, { 56400, 'f', 36, 0 },  { 60000, 'n', 52, 86 },
    { 68400, 'f', 52, 0 },  { 72000, 'n', 50, 92 }, { 80400, 'f', 50, 0 },  { 84000, 'n', 55, 78 },
    { 96000, 'f', 55, 0 },
};

std::vector<Row> defaultProjectStream (int passes)
{
    std::vector<Row> rows;
    for (int p = 0; p < passes; ++p)
        for (auto row : defaultProjectPass)
        {
            row.sample += p * passSamples;
            rows.push_back (row);
        }

    rows.push_back ({ passes * passSamples, 'c', 64, 0 });
    rows.push_back ({ passes * passSamples, 'n', 36, 100 });
    return rows;
}

void expectDefaultProjectGoldenStream (const PlaybackDriver& driver)
{
    const auto expected = defaultProjectStream (2);

    for (const int blockSize : { 1, 2, 3, 7, 32, 64, 100, 441, 480, 512, 1000, 1024, 2048, 4096 })
    {
        SCOPED_TRACE (blockSize);
        auto processor = driver.create (rate, blockSize);
        ASSERT_NE (processor, nullptr);

        probe::RenderSession session (*processor, rate, blockSize);
        const auto rows = rowsOf (session.run (2 * passSamples + 100).output);
        expectStartsWith (rows, expected, 0);
        EXPECT_EQ (rows.size(), expected.size()) << describe (rows);
    }
}

void expectBadHostPositionsPlayOnTheOwnClock (const PlaybackDriver& driver)
{
    const double positions[] = { std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                                 std::numeric_limits<double>::quiet_NaN(), 1.0e300, -1.0e300, 1.0e15, 9.0e15 };

    enum class Setup { defaultProject, autoAdvanceParameter, threeSectionsLooping, threeSectionsAutoAdvance };
    const struct
    {
        Setup setup;
        const char* name;
    } setups[] = { { Setup::defaultProject, "the default project" },
                   { Setup::autoAdvanceParameter, "the default project, Auto-Advance chosen with the Section parameter" },
                   { Setup::threeSectionsLooping, "three Sections, looping" },
                   { Setup::threeSectionsAutoAdvance, "three Sections in Auto-Advance" } };

    for (const auto& s : setups)
    {
        auto processor = driver.create (rate, 512);
        ASSERT_NE (processor, nullptr);

        if (s.setup == Setup::autoAdvanceParameter)
        {
            auto* section = parameterNamed (*processor, "Section");
            ASSERT_NE (section, nullptr);
            section->setValue (1.0f);
        }
        else if (s.setup != Setup::defaultProject)
        {
            const auto document = juce::JSON::parse (driver.stateText (*processor));
            const auto sections = withSections (document, { "A", "B", "C" }, s.setup == Setup::threeSectionsAutoAdvance);
            driver.setStateText (*processor, juce::JSON::toString (sections, true));
        }

        for (const auto position : positions)
        {
            SCOPED_TRACE (juce::String (position) + ", " + s.name);
            probe::Transport transport;
            transport.ppqPosition = position;
            probe::RenderSession session (*processor, rate, 512, transport);

            // Only the blocks run on another thread: a host prepares on the message thread.
            std::vector<Row> rows;
            finishesWithin (std::chrono::seconds (30), [&] { rows = rowsOf (session.run ((juce::int64) rate).output); });

            // An unusable position plays on the plug-in's own clock: four notes in two beats.
            EXPECT_GE (noteOns (rows).size(), 4u) << describe (rows);
            expectBalanced (rows, false);
        }
    }
}

//==============================================================================
const std::vector<SectionTextCase> sectionTexts {
    { 0.0f, "Intro" },  { 1.0f / 3.0f, "Verse" }, { 2.0f / 3.0f, "Chorus" }, { 1.0f, "Auto-Advance" },
    { 0.5f, "Chorus" }, { 1.0f / 6.0f, "Intro" },
};

const std::vector<SectionParsingCase> sectionParsing {
    { "verse", 1.0f / 3.0f }, { " auto-advance ", 1.0f }, { "CHORUS", 2.0f / 3.0f }, { "3", 2.0f / 3.0f },
    { "0", 0.0f },            { "Bridge", 0.0f },         { "+2 bars", 1.0f / 3.0f }, { "99", 1.0f },
    { "-1", 0.0f },
};

} // namespace testing_support
