#include "model/ProjectJson.h"
#include "model/ProjectValidation.h"

#include "support/ProjectJsonSamples.h"

#include <gtest/gtest.h>

using namespace VarneT;

namespace
{
juce::File dataFile (const juce::String& name)
{
    return juce::File (VARNET_TEST_DATA_DIR).getChildFile ("project-json").getChildFile (name);
}

juce::String fixtureText (const juce::String& name)
{
    const auto file = dataFile (name);
    EXPECT_TRUE (file.existsAsFile()) << name;
    return file.loadFileAsString();
}

juce::var parsed (const juce::String& text)
{
    juce::var result;
    EXPECT_TRUE (parseJsonText (text, result).wasOk());
    return result;
}

Project read (const juce::String& text)
{
    Project project;
    EXPECT_EQ (projectFromJsonText (text, project), "");
    return project;
}

juce::String withUnixNewlines (const juce::String& text)
{
    return text.replace ("\r\n", "\n");
}

// Every text of a project in writer order, to compare what the text escapes hide.
juce::StringArray textsOf (const Project& p)
{
    juce::StringArray texts { p.identityName, p.scale.name, p.previewChord };
    for (const auto& section : p.sections)
    {
        texts.add (section.name);
        for (const auto& pattern : section.sequence)
        {
            texts.addArray (juce::StringArray { pattern.name, pattern.category });
            for (const auto& voice : pattern.voices)
                texts.add (voice.name);
            for (const auto& note : pattern.notes)
                texts.add (note.id);
            for (const auto& event : pattern.pedal)
                texts.add (event.id);
        }
    }
    return texts;
}

// "$.a.b[2].c" -> the value's parent and the last step.
struct Step
{
    juce::var parent;
    juce::String key;
    int index = -1;
};

Step locate (juce::var root, const juce::String& path)
{
    juce::StringArray tokens;
    tokens.addTokens (path.fromFirstOccurrenceOf ("$", false, false).replace ("[", ".[").substring (1), ".", {});

    Step step { root, {}, -1 };
    for (int i = 0; i < tokens.size(); ++i)
    {
        if (i > 0)
            step.parent = step.index >= 0 ? step.parent[step.index] : step.parent[juce::Identifier (step.key)];

        const auto& token = tokens[i];
        step.index = token.startsWith ("[") ? token.substring (1).getIntValue() : -1;
        step.key = step.index >= 0 ? juce::String() : token;
    }
    return step;
}

// A bad document: a literal text, or a fixture with one text replacement, one value set or one
// value removed.
juce::String caseText (const juce::var& row)
{
    if (row.hasProperty ("text"))
        return row["text"].toString();

    const auto base = fixtureText (row["base"].toString());

    if (row.hasProperty ("replace"))
    {
        const auto from = row["replace"][0].toString();
        EXPECT_EQ (base.indexOf (from), base.lastIndexOf (from)) << "ambiguous replacement " << from;
        return base.replace (from, row["replace"][1].toString());
    }

    auto document = parsed (base);
    const bool removing = row.hasProperty ("remove");
    const auto step = locate (document, row[removing ? "remove" : "set"].toString());

    if (step.index >= 0)
        step.parent.getArray()->set (step.index, row["value"]);
    else if (removing)
        step.parent.getDynamicObject()->removeProperty (step.key);
    else
        step.parent.getDynamicObject()->setProperty (step.key, row["value"]);

    return juce::JSON::toString (document);
}
} // namespace

TEST (ProjectJson, EveryVersionReadsAndUpgradesToTheSameProject)
{
    struct Row
    {
        const char* file;
        PitchSource pitchSource;
        SectionPlaybackMode mode;
    };

    const Row rows[] = {
        { "v1.json", PitchSource::chordInput, SectionPlaybackMode::loopSection },
        { "v2.json", PitchSource::scale, SectionPlaybackMode::loopSection },
        { "v3.json", PitchSource::scale, SectionPlaybackMode::advanceSections },
        { "v4.json", PitchSource::scale, SectionPlaybackMode::advanceSections },
        { "v5.json", PitchSource::scale, SectionPlaybackMode::advanceSections },
        { "v6.json", PitchSource::scale, SectionPlaybackMode::advanceSections },
        { "v7.json", PitchSource::scale, SectionPlaybackMode::advanceSections },
    };

    auto reference = read (fixtureText ("v7.json"));

    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.file);
        const auto project = read (fixtureText (row.file));
        EXPECT_EQ (project.version, 7);
        EXPECT_EQ (project.pitchSource, row.pitchSource);
        EXPECT_EQ (project.sectionPlaybackMode, row.mode);
        EXPECT_EQ (project.identityName, juce::String (juce::CharPointer_UTF8 ("Keys \xc3\xa9 \xf0\x9f\x8e\xb9")));

        reference.pitchSource = row.pitchSource;
        reference.sectionPlaybackMode = row.mode;
        EXPECT_EQ (projectToJsonText (project), projectToJsonText (reference));
    }
}

TEST (ProjectJson, WriterKeepsKeyOrderKindsAndOmitsRepeatCountsOfOne)
{
    const auto text = withUnixNewlines (projectToJsonText (read (fixtureText ("v7.json"))));

    // VARNET_UPDATE_GOLDEN=1 rewrites the expected text; review the difference before committing.
    if (juce::SystemStats::getEnvironmentVariable ("VARNET_UPDATE_GOLDEN", {}).isNotEmpty())
        dataFile ("written-v7.json").replaceWithText (text, false, false, "\n");

    EXPECT_EQ (text, fixtureText ("written-v7.json"));
}

TEST (ProjectJson, WriterSpellsAValueOutsideAnEnumerationAsEmptyTextThatNoReaderAccepts)
{
    auto project = project_samples::defaultLikeProject();
    project.sections[0].sequence[0].quantization = (Quantization) 9;

    const auto document = projectToVar (project);
    EXPECT_EQ (document["sections"][0]["sequence"][0]["quantization"].toString(), "");

    Project target;
    EXPECT_EQ (projectFromVar (document, target), "$.sections[0].sequence[0].quantization: unknown quantization");
}

TEST (ProjectJson, BadDocumentsFailWithTheirPathAndMessageAndLeaveTheProjectAlone)
{
    const auto rows = parsed (fixtureText ("bad-documents.json"));
    ASSERT_GT (rows.size(), 50);

    const auto untouched = project_samples::defaultLikeProject();
    const auto untouchedText = projectToJsonText (untouched);

    for (const auto& row : *rows.getArray())
    {
        SCOPED_TRACE (row["case"].toString().toStdString());
        auto project = untouched;
        const auto expected = row["expected"].toString();

        EXPECT_EQ (projectFromJsonText (caseText (row), project), expected);

        if (expected.isEmpty())
            EXPECT_NE (projectToJsonText (project), untouchedText);
        else
            EXPECT_EQ (projectToJsonText (project), untouchedText);
    }
}

TEST (ProjectJson, WriteReadWriteGivesTheSameTextForManyRandomProjects)
{
    std::vector<Project> projects { project_samples::defaultLikeProject() };
    juce::Random random (20240611);
    for (int i = 0; i < 300; ++i)
        projects.push_back (project_samples::randomProject (random));

    for (size_t i = 0; i < projects.size(); ++i)
    {
        SCOPED_TRACE ("project " + std::to_string (i));
        const auto& original = projects[i];
        ASSERT_EQ (validateProject (original), "");

        const auto text = projectToJsonText (original);
        Project fromText, fromOneLine;
        ASSERT_EQ (projectFromJsonText (text, fromText), "");
        ASSERT_EQ (projectFromJsonText (juce::JSON::toString (projectToVar (original), true), fromOneLine), "");

        EXPECT_EQ (projectToJsonText (fromText), text);
        EXPECT_EQ (projectToJsonText (fromOneLine), text);
        EXPECT_EQ (textsOf (fromText), textsOf (original));
        EXPECT_EQ (fromText.sections.back().sequence.back().modifiers.variationSeed,
                   original.sections.back().sequence.back().modifiers.variationSeed);
    }
}

TEST (ProjectJson, ParsedTextMatchesJuceExceptWhereJuceWouldWrapOrOverrun)
{
    struct Row
    {
        const char* text;
        const char* expected; // the parsed value written on one line, or the error message
    };

    const Row rows[] = {
        { "[1, -2.5, 9223372036854775807, -9223372036854775807]", "[1, -2.5, 9223372036854775807, -9223372036854775807]" },
        { "[00000000000000000000000000042]", "[42]" },
        { "[18446744073709551617]", "[1.844674407370955e19]" },
        { "[-9223372036854775808]", "[-9.22337203685477e18]" },
        { "[000099999999999999999999.5e-4]", "[1.0e16]" },
        { "[1e99999999999, -1e99999999999, 1e-99999999999]", "[null, null, 0.0]" },
        { "[\"\\ud83c\\udfb9 \\u00e9\", \"\\udfb9\\ud83c\"]", "[\"\\ud83c\\udfb9 \\u00e9\", \"\\udfb9\\ud83c\"]" },
        { "{\"a\": [1, 2}", "1:12: error: Expected ',' or ']'" },
        { "[18446744073709551617, }", "1:24: error: Syntax error" },
        { "[-x]", "1:2: error: Syntax error" },
        { "[1, - ]", "1:5: error: Syntax error" },
        { "[-", "1:2: error: Syntax error" },
        { "[\"-\", - 3]", "[\"-\", -3]" },
    };

    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.text);
        juce::var value;
        const auto result = parseJsonText (row.text, value);
        EXPECT_EQ (result.wasOk() ? juce::JSON::toString (value, true) : result.getErrorMessage(), row.expected);
    }
}

TEST (ProjectJson, NestingBeyondTheLimitIsASyntaxErrorNotARecursionWithoutEnd)
{
    juce::var value;
    const auto deepest = juce::String::repeatedString ("[", maxJsonNesting) + juce::String::repeatedString ("]", maxJsonNesting);
    EXPECT_TRUE (parseJsonText (deepest, value).wasOk());

    const auto tooDeep = juce::String::repeatedString ("[", 1000000);
    const auto result = parseJsonText (tooDeep, value);
    EXPECT_EQ (result.getErrorMessage(), "1:" + juce::String (maxJsonNesting + 1) + ": error: Syntax error");
}

TEST (ProjectJson, NonBmpCharactersSurviveTheOneLineTextOfThePluginState)
{
    auto project = project_samples::defaultLikeProject();
    project.identityName = juce::String (juce::CharPointer_UTF8 ("Piano \xf0\x9f\x8e\xb9"));

    const auto oneLine = juce::JSON::toString (projectToVar (project), true);
    EXPECT_TRUE (oneLine.contains ("\\ud83c\\udfb9"));
    EXPECT_EQ (read (oneLine).identityName, project.identityName);
}
