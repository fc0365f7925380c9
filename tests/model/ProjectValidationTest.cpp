#include "model/ProjectJson.h"
#include "model/ProjectValidation.h"

#include "support/ProjectJsonSamples.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>

using namespace VarneT;

namespace
{
const juce::String trimmedMessage = "must be trimmed, non-empty, and at most 256 bytes";

juce::String repeated (const char* utf8, int times)
{
    return juce::String::repeatedString (juce::String (juce::CharPointer_UTF8 (utf8)), times);
}

// Makes the project's multi-line text exactly `bytes` long by growing one note id.
Project projectOfSize (size_t bytes)
{
    auto project = project_samples::defaultLikeProject();
    auto& id = project.sections[0].sequence[0].notes[0].id;
    const auto base = projectJsonTextBytes (project);
    id += juce::String::repeatedString ("x", (int) (bytes - base));
    return project;
}
} // namespace

TEST (ProjectValidation, DefaultConstructedPartsFailAtTheirFirstCheck)
{
    Project project;
    EXPECT_EQ (validateProject (project), "$.sections: must contain 1 to 64 sections");

    project.sections.emplace_back();
    EXPECT_EQ (validateProject (project), "$.sections[0].sequence: must contain 1 to 16 patterns");

    EXPECT_EQ (validatePattern (Pattern(), "P"), "P.name: " + trimmedMessage);
    EXPECT_EQ (validateProject (project_samples::defaultLikeProject()), "");
}

TEST (ProjectValidation, AVersionOtherThanSevenFailsBeforeAnythingElse)
{
    Project project;
    project.version = 6;
    project.identityName = " ";
    project.midiChannel = 99;
    EXPECT_EQ (validateProject (project), "$.version: must be 7");
}

TEST (ProjectValidation, TrimmedTextsAreLimitedTo256Utf8Bytes)
{
    struct Field
    {
        const char* path;
        std::function<juce::String&(Project&)> text;
    };

    const Field fields[] = {
        { "$.identity.name", [] (Project& p) -> juce::String& { return p.identityName; } },
        { "$.sections[0].name", [] (Project& p) -> juce::String& { return p.sections[0].name; } },
        { "$.sections[0].sequence[0].name", [] (Project& p) -> juce::String& { return p.sections[0].sequence[0].name; } },
        { "$.sections[0].sequence[0].category", [] (Project& p) -> juce::String& { return p.sections[0].sequence[0].category; } },
    };

    struct Value
    {
        juce::String text;
        bool valid;
    };

    const Value values[] = {
        { repeated ("a", 256), true },
        { repeated ("a", 257), false },
        { repeated ("\xc3\xa9", 128), true },
        { repeated ("\xc3\xa9", 129), false },
        { "Main ", false },
        { "\tMain", false },
        { "", false },
        { "a  b", true },
    };

    for (const auto& field : fields)
    {
        for (const auto& value : values)
        {
            SCOPED_TRACE (juce::String (field.path) + " = '" + value.text + "'");
            auto project = project_samples::defaultLikeProject();
            field.text (project) = value.text;
            EXPECT_EQ (validateProject (project), value.valid ? juce::String() : juce::String (field.path) + ": " + trimmedMessage);
        }
    }
}

TEST (ProjectValidation, NotesAndPedalEventsTogetherAreLimitedTo2048)
{
    const juce::String path = "$.sections[0].sequence[0]";
    auto pattern = project_samples::smallPattern ("Dense", maxPatternEvents);
    EXPECT_EQ (validatePattern (pattern, path), "");

    pattern.pedal.push_back ({ "pedal", 0.0, 1.0, 127 });
    EXPECT_EQ (validatePattern (pattern, path), path + ": contains more than 2048 events");

    pattern.pedal.clear();
    pattern.notes.push_back (pattern.notes.front());
    pattern.notes.back().id = "extra";
    EXPECT_EQ (validatePattern (pattern, path), path + ": contains more than 2048 events");
}

TEST (ProjectValidation, RangesHoldAtTheirEdgesAndNanFailsEveryRange)
{
    const auto nan = std::numeric_limits<double>::quiet_NaN();

    struct Row
    {
        const char* name;
        std::function<void (Pattern&)> edit;
        const char* expected;
    };

    const Row rows[] = {
        { "start 0", [] (Pattern& p) { p.notes[0].startBeat = 0.0; }, "" },
        { "start just inside", [] (Pattern& p) { p.notes[0].startBeat = 3.999999999999; }, "" },
        { "start that the text would round to the end", [] (Pattern& p) { p.notes[0].startBeat = std::nextafter (4.0, 0.0); },
          "P.notes[0].startBeat: must be inside the performance" },
        { "start at the end", [] (Pattern& p) { p.notes[0].startBeat = 4.0; }, "P.notes[0].startBeat: must be inside the performance" },
        { "duration 256 past the end", [] (Pattern& p) { p.notes[0].durationBeats = 256.0; }, "" },
        { "length 256", [] (Pattern& p) { p.lengthBeats = 256.0; }, "" },
        { "length NaN", [nan] (Pattern& p) { p.lengthBeats = nan; }, "P.lengthBeats: must be in (0, 256]" },
        { "start NaN", [nan] (Pattern& p) { p.notes[1].startBeat = nan; }, "P.notes[1].startBeat: must be inside the performance" },
        { "chance NaN", [nan] (Pattern& p) { p.notes[1].chance = nan; }, "P.notes[1].chance: must be between 0 and 1" },
        { "swing NaN", [nan] (Pattern& p) { p.modifiers.swing = nan; }, "P.modifiers.swing: must be between 0 and 1" },
        { "voice id -1", [] (Pattern& p) { p.voices[0].id = -1; }, "P.voices[0].id: must be between 0 and 7" },
        { "voice id 3 with voices 0 1 2", [] (Pattern& p) { p.voices = { { 0, "a" }, { 1, "b" }, { 2, "c" } }; p.notes[2].voiceId = 3; },
          "P.notes[2].voiceId: does not reference a voice" },
        { "ninth voice", [] (Pattern& p) { p.voices.resize (9, { 0, "v" }); }, "P.voices: must contain 1 to 8 voices" },
        { "seed beyond 31 bits", [] (Pattern& p) { p.modifiers.variationSeed = 4294967295u; }, "" },
        { "pedal reusing a note id", [] (Pattern& p) { p.pedal.push_back ({ "n3", 0.0, 1.0, 0 }); }, "P.pedal[0].id: must be non-empty and unique" },
        { "notes are checked before pedal events", [] (Pattern& p) { p.pedal.push_back ({ "", 0.0, 1.0, 0 }); p.notes[3].velocity = 0; },
          "P.notes[3].velocity: must be between 1 and 127" },
    };

    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.name);
        auto pattern = project_samples::smallPattern ("Edges", 4);
        row.edit (pattern);
        EXPECT_EQ (validatePattern (pattern, "P"), row.expected);
    }
}

TEST (ProjectValidation, TheMultiLineTextMayHaveAtMost4MiB)
{
    const auto atLimit = projectOfSize (maxProjectJsonBytes);
    const auto overLimit = projectOfSize (maxProjectJsonBytes + 1);
    const auto text = projectToJsonText (overLimit);

    ASSERT_EQ ((size_t) projectToJsonText (atLimit).getNumBytesAsUTF8(), maxProjectJsonBytes);
    ASSERT_EQ ((size_t) text.getNumBytesAsUTF8(), maxProjectJsonBytes + 1);
    EXPECT_LT ((size_t) juce::JSON::toString (projectToVar (overLimit), true).getNumBytesAsUTF8(), maxProjectJsonBytes);

    EXPECT_EQ (validateProject (atLimit), "");
    EXPECT_EQ (validateProject (overLimit), "Project JSON exceeds the 4 MB limit");

    Project target;
    EXPECT_EQ (projectFromJsonText (projectToJsonText (atLimit), target), "");
    EXPECT_EQ (projectFromJsonText (text, target), "Project JSON exceeds the 4 MB limit");

    // Non-ASCII characters are written as six-byte escapes, and the size counts them so.
    auto escaped = projectOfSize (maxProjectJsonBytes - 5);
    escaped.sections[0].sequence[0].notes[0].id = escaped.sections[0].sequence[0].notes[0].id.dropLastCharacters (1)
                                                  + juce::String (juce::CharPointer_UTF8 ("\xc3\xa9"));
    EXPECT_EQ (projectJsonTextBytes (escaped), maxProjectJsonBytes);
}
