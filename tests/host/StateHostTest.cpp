// The plug-in's state as a host saves and restores it with its document, through the built bundle.

#include "support/PlaybackHostSupport.h"

using namespace host_test;

namespace
{
/** The notes of the first beats of playback from the start of the active Section. */
std::vector<Row> firstBeats (juce::AudioPluginInstance& plugin, int beats = 4)
{
    probe::RenderSession session (plugin, rate, 512);
    return notesOf (rowsOf (session.run (beats * samplesPerBeat).output));
}

/** A project unlike the default one: renamed, two Sections, other velocities, the second active. */
juce::var keeperDocument (const juce::var& defaultDocument)
{
    auto document = withSections (defaultDocument, { "Verse", "Chorus" });
    setProperty (document["identity"], "name", "Keeper");
    setProperty (document, "activeSectionIndex", 1);
    return document;
}

/** Valid, but one Section holds far more events than the compiler takes. */
juce::String overCompileLimitText (const juce::var& defaultDocument)
{
    auto document = copyOf (defaultDocument);
    auto section = arrayOf (document["sections"])[0];
    setProperty (section, "repeatCount", 8);
    auto pattern = arrayOf (section["sequence"])[0];
    setProperty (pattern, "repeatCount", 8);

    auto& notes = arrayOf (pattern["notes"]);
    const auto first = notes[0];
    for (int i = 0; notes.size() < 600; ++i)
    {
        auto note = copyOf (first);
        setProperty (note, "id", "extra-" + juce::String (i));
        notes.add (note);
    }

    return juce::JSON::toString (document, true);
}
} // namespace

TEST_F (BundleTest, StateSavedByOneInstanceRestoresInAnother)
{
    auto first = load();
    auto second = load();
    ASSERT_NE (first, nullptr);
    ASSERT_NE (second, nullptr);

    // Clean: one line of JSON without a baseline; the second instance then saves the same bytes
    // and plays the same notes.
    setStateDocument (*first, keeperDocument (stateDocument (*first)));
    const auto clean = probe::getPluginState (*first);
    ASSERT_GT (clean.getSize(), 100u);
    EXPECT_FALSE (clean.toString().containsChar ('\n'));
    EXPECT_FALSE (clean.toString().contains ("editBaseline"));
    EXPECT_EQ (stateDocument (*first)["identity"]["name"], juce::var ("Keeper"));

    probe::setPluginState (*second, clean.getData(), clean.getSize());
    EXPECT_EQ (probe::getPluginState (*second), clean);
    const auto played = firstBeats (*second);
    EXPECT_EQ (noteOns (played).front().value, markerVelocity (1)) << "the active Section is restored";
    EXPECT_EQ (played, firstBeats (*first));

    // Dirty: a state whose baseline differs keeps it, and passes it on.
    auto dirtyDocument = stateDocument (*first);
    auto baseline = stateDocument (*first);
    setProperty (baseline["identity"], "name", "Before the edit");
    setProperty (dirtyDocument, "editBaseline", baseline);
    setStateDocument (*first, dirtyDocument);

    const auto dirty = probe::getPluginState (*first);
    const auto dirtyText = dirty.toString();
    EXPECT_TRUE (dirtyText.endsWith (", \"editBaseline\": " + juce::JSON::toString (baseline, true) + "}")) << dirtyText;
    EXPECT_TRUE (dirtyText.startsWith (clean.toString().dropLastCharacters (1))) << "the project itself is unchanged";

    probe::setPluginState (*second, dirty.getData(), dirty.getSize());
    EXPECT_EQ (probe::getPluginState (*second), dirty);

    // A baseline equal to the project, apart from the selection, is no baseline: clean again.
    auto sameBaseline = stateDocument (*first);
    setProperty (sameBaseline, "activeSectionIndex", 0);
    auto cleanAgain = juce::JSON::parse (clean.toString());
    setProperty (cleanAgain, "editBaseline", sameBaseline);
    setStateDocument (*second, cleanAgain);
    EXPECT_EQ (probe::getPluginState (*second), clean);
}

TEST_F (BundleTest, BadStatesLeaveThePreviousProjectPlaying)
{
    auto plugin = load();
    ASSERT_NE (plugin, nullptr);
    const auto defaultDocument = stateDocument (*plugin);
    setStateDocument (*plugin, keeperDocument (defaultDocument));
    const auto before = probe::getPluginState (*plugin);
    const auto playedBefore = firstBeats (*plugin);
    ASSERT_EQ (noteOns (playedBefore).front().value, markerVelocity (1));

    auto invalidProject = copyOf (defaultDocument);
    setProperty (invalidProject, "midiChannel", 17);

    const struct
    {
        const char* name;
        std::string bytes;
    } badStates[] = {
        { "empty", "" },
        { "invalid UTF-8", "\xff\xfe\x80{}" },
        { "not JSON", "not json" },
        { "a JSON array", "[1,2,3]" },
        { "a JSON number", "42" },
        { "an empty object", "{}" },
        { "an invalid project", juce::JSON::toString (invalidProject, true).toStdString() },
        { "a project over the compile limit", overCompileLimitText (defaultDocument).toStdString() },
    };

    for (const auto& bad : badStates)
    {
        SCOPED_TRACE (bad.name);
        probe::setPluginState (*plugin, bad.bytes.data(), bad.bytes.size());
        EXPECT_EQ (probe::getPluginState (*plugin), before);
        EXPECT_EQ (firstBeats (*plugin), playedBefore);
    }
}

TEST_F (BundleTest, ABrokenBaselineCostsOnlyTheDirtyMarker)
{
    auto plugin = load();
    ASSERT_NE (plugin, nullptr);
    const auto defaultDocument = stateDocument (*plugin);

    for (const auto& broken : { juce::var ("broken"), juce::var (42), juce::var (new juce::DynamicObject()) })
    {
        SCOPED_TRACE (juce::JSON::toString (broken, true));
        auto document = keeperDocument (defaultDocument);
        const auto project = juce::JSON::toString (document, true);
        setProperty (document, "editBaseline", broken);
        setStateDocument (*plugin, document);

        // The project loads and is its own baseline: the state carries no baseline.
        EXPECT_EQ (stateText (*plugin), project);
        EXPECT_EQ (noteOns (firstBeats (*plugin)).front().value, markerVelocity (1));
    }
}

TEST_F (BundleTest, GeneratedNameSuffixesAreDroppedOnLoad)
{
    auto plugin = load();
    ASSERT_NE (plugin, nullptr);
    const auto generated = stateDocument (*plugin)["identity"]["name"].toString();
    EXPECT_EQ (generated.removeCharacters (" ").length() + 1, generated.length()) << "two words: " << generated;
    EXPECT_NE (generated, "Main");

    const struct
    {
        const char* stored;
        const char* loaded;
    } names[] = { { "Quiet Otter 3F2A", "Quiet Otter" }, { "Quiet Otter 3f2a", "Quiet Otter 3f2a" },
                  { "Quiet Otters 3F2A", "Quiet Otters 3F2A" }, { "Night Sky Owl 12AB", "Night Sky Owl 12AB" } };

    for (const auto& n : names)
    {
        auto document = stateDocument (*plugin);
        setProperty (document["identity"], "name", n.stored);
        setStateDocument (*plugin, document);
        EXPECT_EQ (stateDocument (*plugin)["identity"]["name"].toString(), n.loaded);
    }
}
