#include "plugin/ProjectCompiler.h"

#include "CompilerFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

using namespace VarneT;
using namespace compiler_fixtures;

namespace
{
std::shared_ptr<const CompiledProject> compileOrFail (const Project& project)
{
    std::shared_ptr<const CompiledProject> compiled;
    const auto error = compileProject (project, compiled);
    EXPECT_TRUE (error.isEmpty()) << error;
    return compiled;
}

/** Compiles a one-note Pattern and returns the note. */
CompiledNote compileSingleNote (const Pattern& pattern)
{
    const auto compiled = compileOrFail (makeProject ({ pattern }));
    if (compiled == nullptr || compiled->sections.empty() || compiled->sections[0].notes.size() != 1)
    {
        ADD_FAILURE() << "expected exactly one compiled note";
        return {};
    }
    return compiled->sections[0].notes[0];
}

Pattern patternWithEvents (int notes, int pedals, int repeats)
{
    auto pattern = makePattern (4.0);
    for (int i = 0; i < notes; ++i)
        addNote (pattern, "n" + juce::String (i), 4.0 * i / std::max (notes, 1), 0.25);
    for (int i = 0; i < pedals; ++i)
        addPedal (pattern, "p" + juce::String (i), 4.0 * i / std::max (pedals, 1));
    pattern.repeatCount = repeats;
    return pattern;
}
} // namespace

TEST (CompilerHash, KnownVectors)
{
    struct Case { const char* id; std::uint32_t seed; std::uint32_t expected; };
    const Case cases[] = {
        { "", 0, 0x811c9dc5u },
        { "a", 0, 0xe40c292cu },
        { "foobar", 0, 0xbf9cf968u },
        { "a", 1, 0xe50c2abfu },
        { "n1", 7, 0x8c38f0afu },
        { "n1", 0xffffffffu, 0x75c71277u },
        { "\xc3\xa9", 0, 0x1e9de8c1u }, // hashed over UTF-8 bytes
    };

    for (const auto& c : cases)
        EXPECT_EQ (noteDrawHash (juce::String::fromUTF8 (c.id), c.seed), c.expected) << c.id << " seed " << c.seed;

    EXPECT_EQ (scrambleDraw (0x811c9dc5u), 1176675959u);
    EXPECT_EQ (scrambleDraw (0x8c38f0afu), 3615911577u);
}

TEST (CompilerLimits, ExactlyTheCeilingCompilesAndOneMoreIsRefused)
{
    auto full = makeProject ({ patternWithEvents (2048, 0, 4) }, 4);
    const auto compiled = compileOrFail (full);
    ASSERT_NE (compiled, nullptr);
    EXPECT_EQ (compiled->sections[0].notes.size(), 32768u);

    auto withPedal = makeProject ({ patternWithEvents (2047, 1, 4) }, 4);
    EXPECT_NE (compileOrFail (withPedal), nullptr);

    // Per-Pattern event counts stay legal; the repeats push the Section over.
    struct Case { int extraNotes; int extraPedals; };
    for (const auto& c : { Case { 1, 0 }, Case { 0, 1 } })
    {
        auto over = full;
        over.sections[0].sequence.push_back (patternWithEvents (c.extraNotes, c.extraPedals, 1));
        auto kept = compiled;
        EXPECT_EQ (compileProject (over, kept), "Repeated section exceeds 32768 events; reduce its repeat counts or notes");
        EXPECT_EQ (kept, compiled) << "the previous compiled project stays in force";
    }
}

TEST (CompilerLimits, InvalidProjectsAreRefusedWithTheValidationText)
{
    auto valid = makeProject ({ patternWithEvents (4, 0, 1) });
    const auto previous = compileOrFail (valid);

    struct Case { const char* what; std::function<void (Project&)> change; const char* expected; };
    const Case cases[] = {
        { "channel", [] (Project& p) { p.midiChannel = 17; }, "$.midiChannel: must be between 1 and 16" },
        { "no Section", [] (Project& p) { p.sections.clear(); }, "$.sections: must contain 1 to 64 sections" },
        // One event over the per-Pattern limit is caught before the Section's event count.
        { "2049 events in a Pattern", [] (Project& p) { p.sections[0].sequence = { patternWithEvents (2048, 1, 4) }; p.sections[0].repeatCount = 4; },
          "$.sections[0].sequence[0]: contains more than 2048 events" },
    };

    for (const auto& c : cases)
    {
        auto project = valid;
        c.change (project);
        auto kept = previous;
        EXPECT_EQ (compileProject (project, kept), c.expected) << c.what;
        EXPECT_EQ (kept, previous) << c.what;
    }
}

TEST (CompilerLimits, EveryOverfullSectionIsRefusedNotJustTheFirst)
{
    auto project = makeProject ({ patternWithEvents (4, 0, 1) });
    Section big;
    big.name = "Big";
    big.sequence = { patternWithEvents (2048, 0, 8) };
    big.repeatCount = 3;
    project.sections.push_back (big);

    std::shared_ptr<const CompiledProject> compiled;
    EXPECT_FALSE (compileProject (project, compiled).isEmpty());
    EXPECT_EQ (compiled, nullptr);
}

TEST (CompilerTiming, QuantizationSwingAndPatternEnd)
{
    struct Case { Quantization quantization; double swing; double start; double expected; };
    const Case cases[] = {
        { Quantization::eighth, 0.0, 0.49, 0.5 },
        { Quantization::eighth, 0.0, 0.25, 0.5 },    // halves away from zero
        { Quantization::free, 0.0, 0.49, 0.49 },
        { Quantization::quarter, 0.0, 3.9, 3.999 },  // onto the end, pulled back inside
        { Quantization::sixteenth, 0.0, 0.3, 0.25 },
        { Quantization::thirtySecond, 0.0, 0.19, 0.25 },
        { Quantization::sixteenth, 0.5, 0.5, 0.58 },
        { Quantization::sixteenth, 0.5, 1.0, 1.0 },
        { Quantization::sixteenth, 0.5, 0.75, 0.83 },
        { Quantization::sixteenth, 0.5, 0.25, 0.25 }, // first eighth of the beat is not swung
        { Quantization::free, 1.0, 1.5, 1.66 },
        { Quantization::free, 1.0, 3.95, 3.999 },     // swung past the end
    };

    for (const auto& c : cases)
    {
        auto pattern = makePattern (4.0, c.quantization);
        pattern.modifiers.swing = c.swing;
        addNote (pattern, "n", c.start);
        EXPECT_NEAR (compileSingleNote (pattern).startBeat, c.expected, 1e-12)
            << quantizationToString (c.quantization) << " swing " << c.swing << " start " << c.start;
    }
}

TEST (CompilerTiming, HumanizeIsBoundedAndRepeatsOnEveryPass)
{
    auto pattern = makePattern (4.0);
    pattern.modifiers.humanize = 1.0;
    pattern.modifiers.variationSeed = 7;
    addNote (pattern, "n1", 2.0);
    for (int i = 0; i < 200; ++i)
        addNote (pattern, "x" + juce::String (i), 2.0);
    pattern.repeatCount = 2;

    const auto compiled = compileOrFail (makeProject ({ pattern }, 2));
    ASSERT_NE (compiled, nullptr);
    const auto& notes = compiled->sections[0].notes;
    ASSERT_EQ (notes.size(), 4u * 201u);

    double lowest = 1.0, highest = -1.0;
    for (const auto& note : notes)
    {
        const auto offset = note.startBeat - std::floor (note.startBeat / 4.0) * 4.0 - 2.0;
        EXPECT_LE (std::abs (offset), 0.04 + 1e-12);
        lowest = std::min (lowest, offset);
        highest = std::max (highest, offset);
    }
    EXPECT_LT (lowest, -0.03);
    EXPECT_GT (highest, 0.03);

    // The draw of "n1" with seed 7 puts it 0.0273516 beat late, on all four passes.
    int found = 0;
    for (const auto& note : notes)
        if (note.hash == noteDrawHash ("n1", 7))
        {
            EXPECT_NEAR (note.startBeat - 4.0 * found - 2.0, 0.027351601605152622, 1e-12);
            ++found;
        }
    EXPECT_EQ (found, 4);
}

TEST (CompilerTiming, HumanizeNeverLeavesThePass)
{
    // "a" with seed 0 draws early (-0.019 beat at full humanize), so a note at 0 is held at the pass start.
    auto pattern = makePattern (1.0);
    pattern.modifiers.humanize = 1.0;
    pattern.modifiers.variationSeed = 0;
    addNote (pattern, "a", 0.0);
    pattern.repeatCount = 2;

    const auto compiled = compileOrFail (makeProject ({ pattern }));
    ASSERT_NE (compiled, nullptr);
    ASSERT_EQ (compiled->sections[0].notes.size(), 2u);
    EXPECT_EQ (compiled->sections[0].notes[0].startBeat, 0.0);
    EXPECT_EQ (compiled->sections[0].notes[1].startBeat, 1.0);
}

TEST (CompilerNoteValues, OctaveClamp)
{
    struct Case { int registerOffset; int octave; int expected; };
    const Case cases[] = { { 3, 4, 6 }, { -3, -4, -6 }, { 2, 1, 3 }, { 0, -4, -4 }, { -3, 2, -1 } };

    for (const auto& c : cases)
    {
        auto pattern = makePattern();
        pattern.modifiers.registerOffset = c.registerOffset;
        addNote (pattern, "n", 0.0).octave = c.octave;
        EXPECT_EQ (compileSingleNote (pattern).octave, c.expected) << c.registerOffset << " + " << c.octave;
    }
}

TEST (CompilerNoteValues, Probability)
{
    struct Case { double importance; double density; double chance; double expected; };
    const Case cases[] = {
        { 1.0, 1.0, 1.0, 1.0 },     // 1.35 limited to 1
        { 0.0, 0.0, 1.0, 0.0 },
        { 0.0, 0.0, 0.3, 0.0 },
        { 0.5, 0.5, 0.5, 0.3375 },
        { 1.0, 0.0, 0.5, 0.175 },
        { 0.2, 1.0, 0.0, 0.0 },
    };

    for (const auto& c : cases)
    {
        auto pattern = makePattern();
        pattern.modifiers.density = c.density;
        auto& note = addNote (pattern, "n", 0.0);
        note.importance = c.importance;
        note.chance = c.chance;
        EXPECT_NEAR (compileSingleNote (pattern).probability, c.expected, 1e-12)
            << c.importance << " " << c.density << " " << c.chance;
    }
}

TEST (CompilerNoteValues, CarriesTargetDurationVelocityAndHash)
{
    auto pattern = makePattern();
    pattern.modifiers.variationSeed = 99;
    auto& note = addNote (pattern, "voiced", 1.0, 1.5);
    note.velocity = 33;
    note.target = { TargetBasis::scale, -5, 70, 2 };

    const auto compiled = compileSingleNote (pattern);
    EXPECT_EQ (compiled.durationBeats, 1.5);
    EXPECT_EQ (compiled.velocity, 33);
    EXPECT_EQ (compiled.target.basis, TargetBasis::scale);
    EXPECT_EQ (compiled.target.index, -5);
    EXPECT_EQ (compiled.target.fixedMidiNote, 70);
    EXPECT_EQ (compiled.target.chromaticOffset, 2);
    EXPECT_EQ (compiled.hash, noteDrawHash ("voiced", 99));
}

TEST (CompilerSections, HashesFollowIdAndSeed)
{
    auto first = makePattern (2.0);
    addNote (first, "a", 0.0);
    addNote (first, "b", 1.0);
    auto reseeded = first;
    reseeded.modifiers.variationSeed = 2;

    const auto compiled = compileOrFail (makeProject ({ first, reseeded, first }));
    ASSERT_NE (compiled, nullptr);
    const auto& notes = compiled->sections[0].notes;
    ASSERT_EQ (notes.size(), 6u);
    EXPECT_NE (notes[0].hash, notes[2].hash);
    EXPECT_NE (notes[1].hash, notes[3].hash);
    EXPECT_EQ (notes[0].hash, notes[4].hash);
    EXPECT_EQ (notes[1].hash, notes[5].hash);
}

TEST (CompilerSections, LengthChannelAndLayoutOfPasses)
{
    auto four = makePattern (4.0);
    four.repeatCount = 2;
    addNote (four, "a", 1.0);
    addPedal (four, "p", 0.49);
    auto two = makePattern (2.0, Quantization::eighth);
    addNote (two, "b", 0.0);

    auto project = makeProject ({ four, two }, 3);
    project.midiChannel = 11;
    const auto compiled = compileOrFail (project);
    ASSERT_NE (compiled, nullptr);
    const auto& section = compiled->sections[0];

    EXPECT_EQ (section.lengthBeats, 30.0);
    EXPECT_EQ (section.midiChannel, 11);

    std::vector<double> noteStarts, pedalStarts;
    for (const auto& note : section.notes)
        noteStarts.push_back (note.startBeat);
    for (const auto& pedal : section.pedalEvents)
        pedalStarts.push_back (pedal.startBeat);

    EXPECT_EQ (noteStarts, (std::vector<double> { 1, 5, 8, 11, 15, 18, 21, 25, 28 }));
    // Pedal events keep their stored start: no quantization, no clamp.
    EXPECT_EQ (pedalStarts, (std::vector<double> { 0.49, 4.49, 10.49, 14.49, 20.49, 24.49 }));
}

TEST (CompilerSections, SortsByStartAndKeepsStoredOrderOfEqualStarts)
{
    auto pattern = makePattern (4.0);
    addNote (pattern, "late", 3.0);
    addNote (pattern, "tie-1", 1.0);
    addNote (pattern, "early", 0.0);
    addNote (pattern, "tie-2", 1.0);
    addNote (pattern, "tie-3", 1.0);
    addPedal (pattern, "p-late", 2.0);
    addPedal (pattern, "p-early", 1.0, 0.5, 10);

    const auto compiled = compileOrFail (makeProject ({ pattern }));
    ASSERT_NE (compiled, nullptr);
    const auto& section = compiled->sections[0];

    std::vector<std::uint32_t> hashes;
    for (const auto& note : section.notes)
        hashes.push_back (note.hash);
    const auto h = [] (const char* id) { return noteDrawHash (id, 1); };
    EXPECT_EQ (hashes, (std::vector<std::uint32_t> { h ("early"), h ("tie-1"), h ("tie-2"), h ("tie-3"), h ("late") }));

    ASSERT_EQ (section.pedalEvents.size(), 2u);
    EXPECT_EQ (section.pedalEvents[0].value, 10);
    EXPECT_EQ (section.pedalEvents[1].startBeat, 2.0);
}

TEST (CompilerSections, OneCompiledSectionPerSectionInOrder)
{
    auto project = makeProject ({ patternWithEvents (1, 0, 1) });
    for (int i = 2; i <= 3; ++i)
    {
        Section section;
        section.name = "Section " + juce::String (i);
        section.sequence = { patternWithEvents (i, 0, 1) };
        project.sections.push_back (section);
    }

    const auto compiled = compileOrFail (project);
    ASSERT_NE (compiled, nullptr);
    ASSERT_EQ (compiled->sections.size(), 3u);
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ (compiled->sections[i].notes.size(), i + 1);
}
