// The Section parameter as a VST3 host sees and uses it, through the built bundle.

#include "support/PlaybackCases.h"
#include "support/PlaybackHostSupport.h"

using namespace host_test;

namespace
{
/** The first value on the host's step grid that reads as the text; -1 when no step does. A host
    that honours the step count offers only these values. */
float gridValueFor (juce::AudioProcessorParameter& parameter, const juce::String& text)
{
    const auto steps = parameter.getNumSteps();
    for (int k = 0; k < steps; ++k)
    {
        const auto value = steps > 1 ? (float) k / (float) (steps - 1) : 0.0f;
        if (parameter.getText (value, 128) == text)
            return value;
    }
    return -1.0f;
}

std::vector<Row> playFromStart (juce::AudioPluginInstance& plugin, juce::int64 samples)
{
    probe::RenderSession session (plugin, rate, 512);
    return rowsOf (session.run (samples).output);
}
} // namespace

TEST_F (BundleTest, SectionParameterNameTextsAndParsing)
{
    auto plugin = load();
    ASSERT_NE (plugin, nullptr);
    auto* parameter = sectionParameterOf (*plugin);
    ASSERT_NE (parameter, nullptr);
    setStateDocument (*plugin, withSections (stateDocument (*plugin), { "Intro", "Verse", "Chorus" }));

    EXPECT_EQ (parameter->getName (128), "Section");
    EXPECT_TRUE (parameter->isAutomatable());
    EXPECT_TRUE (parameter->isDiscrete());
    EXPECT_EQ (parameter->getDefaultValue(), 0.0f);

    for (const auto& t : testing_support::sectionTexts)
        EXPECT_EQ (parameter->getText (t.value, 128), t.text) << t.value;

    for (const auto& p : testing_support::sectionParsing)
        EXPECT_FLOAT_EQ (parameter->getValueForText (p.text), p.value) << p.text;

    // Texts follow the project: a renamed Section reads by its new name.
    setStateDocument (*plugin, withSections (stateDocument (*plugin), { "Intro", "Bridge", "Chorus" }));
    EXPECT_EQ (parameter->getText (1.0f / 3.0f, 128), "Bridge");
    EXPECT_FLOAT_EQ (parameter->getValueForText ("bridge"), 1.0f / 3.0f);
}

TEST_F (BundleTest, ChoosingASectionFromTheHostChangesWhatPlays)
{
    auto plugin = load (rate, 500);
    ASSERT_NE (plugin, nullptr);
    auto* parameter = sectionParameterOf (*plugin);
    ASSERT_NE (parameter, nullptr);
    setStateDocument (*plugin, withSections (stateDocument (*plugin), { "Intro", "Verse", "Chorus" }));

    const auto chorus = gridValueFor (*parameter, "Chorus");
    const auto autoAdvance = gridValueFor (*parameter, "Auto-Advance");
    ASSERT_GE (chorus, 0.0f);
    ASSERT_GE (autoAdvance, 0.0f);

    // Chorus from beat 1 (a jump: it starts there); Auto-Advance from beat 2, which then follows
    // the host position through the loop of the three 4-beat Sections.
    const auto script = [&] (juce::int64 blockStart, probe::Transport&)
    {
        if (blockStart == samplesPerBeat)
            parameter->setValue (chorus);
        if (blockStart == 2 * samplesPerBeat)
            parameter->setValue (autoAdvance);
    };

    probe::RenderSession session (*plugin, rate, 500);
    const auto rows = rowsOf (session.run (10 * samplesPerBeat, {}, script).output);

    const struct
    {
        juce::int64 fromBeat, toBeat;
        int section;
    } expected[] = { { 0, 1, 0 }, { 1, 2, 2 }, { 2, 4, 0 }, { 4, 8, 1 }, { 8, 10, 2 } };

    for (const auto& e : expected)
    {
        SCOPED_TRACE ("beats " + juce::String (e.fromBeat) + " to " + juce::String (e.toBeat));
        int notes = 0;
        for (const auto& on : noteOns (rows))
            if (on.sample >= e.fromBeat * samplesPerBeat && on.sample < e.toBeat * samplesPerBeat)
            {
                EXPECT_EQ (on.value, markerVelocity (e.section)) << describe ({ on });
                ++notes;
            }
        EXPECT_GE (notes, 2) << describe (rows);
    }

    // The jump starts Chorus at its first note, right at the block where the host chose it.
    const auto at = std::find (rows.begin(), rows.end(), Row { samplesPerBeat, 'n', 36, markerVelocity (2) });
    EXPECT_NE (at, rows.end()) << describe (rows);
    expectBalanced (rows, false);
}

// JUCE's VST3 wrapper reads a discrete parameter's step count once, when the host builds its
// parameter list, so the host's step grid never follows the number of Sections. Every Section and
// Auto-Advance must still be on it, whatever the project the host loads or grows to.
TEST_F (BundleTest, EverySectionAndAutoAdvanceAreOnTheHostsStepGrid)
{
    auto plugin = load();
    ASSERT_NE (plugin, nullptr);
    auto* parameter = sectionParameterOf (*plugin);
    ASSERT_NE (parameter, nullptr);
    const auto defaultDocument = stateDocument (*plugin);

    for (const int count : { 1, 2, 3, 7, 8, 20, 33, 63, 64 })
    {
        SCOPED_TRACE (juce::String (count) + " Sections");
        const auto names = sectionNames (count);
        setStateDocument (*plugin, withSections (defaultDocument, names));
        ASSERT_EQ (arrayOf (stateDocument (*plugin)["sections"]).size(), count);
        EXPECT_TRUE (parameter->isDiscrete());

        for (const auto& name : names)
            EXPECT_GE (gridValueFor (*parameter, name), 0.0f) << name << " is not on the host's grid of "
                                                              << parameter->getNumSteps() << " steps";
        EXPECT_GE (gridValueFor (*parameter, "Auto-Advance"), 0.0f);

        // A host that snaps a typed name to its grid still lands on that Section.
        for (const auto& name : names)
        {
            const auto steps = parameter->getNumSteps();
            const auto typed = parameter->getValueForText (name);
            const auto snapped = steps > 1 ? std::round (typed * (float) (steps - 1)) / (float) (steps - 1) : 0.0f;
            EXPECT_EQ (parameter->getText (snapped, 128), name);
        }

        // Choosing from the grid plays that Section.
        for (const int index : { 0, count / 2, count - 1 })
        {
            parameter->setValue (gridValueFor (*parameter, names[index]));
            const auto ons = noteOns (playFromStart (*plugin, samplesPerBeat));
            ASSERT_FALSE (ons.empty());
            EXPECT_EQ (ons.front().value, markerVelocity (index)) << names[index];
        }
    }
}
