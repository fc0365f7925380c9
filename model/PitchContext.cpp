#include "model/PitchContext.h"

#include "model/Scales.h"

#include <algorithm>
#include <cstdint>

namespace VarneT
{
namespace
{
constexpr int pitchClassOf (int note) noexcept
{
    return ((note % 12) + 12) % 12;
}

int clampToMidi (std::int64_t note) noexcept
{
    return static_cast<int> (std::clamp<std::int64_t> (note, 0, 127));
}

PitchContext contextFromChordParts (int rootPitchClass, int bassPitchClass, bool isRest,
                                     const int* intervals, int intervalCount,
                                     const ProjectScale& scale) noexcept
{
    PitchContext context;
    if (isRest)
        return context;

    context.referenceNote = rootPitchClass + 48;

    if (bassPitchClass >= 0 && bassPitchClass != rootPitchClass)
        context.inputNotes[context.inputCount++] = bassPitchClass + 36;

    for (int i = 0; i < intervalCount && context.chordCount < maxPitchContextNotes; ++i)
        context.chordNotes[context.chordCount++] = context.referenceNote + intervals[i];

    for (int i = 0; i < context.chordCount && context.inputCount < maxPitchContextNotes; ++i)
        context.inputNotes[context.inputCount++] = context.chordNotes[i];

    fillScaleNotes (context, context.referenceNote, scale, true);
    return context;
}

// Root-position shapes that the root guess tries, in order of preference.
constexpr int triadTemplates[][3] = { { 0, 4, 7 }, { 0, 3, 7 }, { 0, 3, 6 }, { 0, 4, 8 }, { 0, 5, 7 } };
} // namespace

void fillScaleNotes (PitchContext& context, int startNote, const ProjectScale& scale, bool fill16) noexcept
{
    const auto intervals = findScaleIntervalList (scale.name);
    if (intervals.empty())
    {
        context.scaleCount = 0;
        return;
    }

    const auto degrees = intervals.count;
    const auto count = fill16 ? maxPitchContextNotes : std::min (degrees, maxPitchContextNotes);
    const auto root = pitchClassOf (scale.root);
    auto note = startNote - 1;
    auto notePitchClass = pitchClassOf (note);
    auto degree = 0;

    // Pitch classes are tracked alongside the running note, keeping divisions out of the loop.
    for (int i = 0; i < count; ++i)
    {
        auto wanted = root + intervals[degree];
        if (wanted >= 12)
            wanted -= 12;
        if (++degree == degrees)
            degree = 0;

        auto rise = wanted - notePitchClass - 1;
        if (rise < 0)
            rise += 12;

        note += rise + 1;
        notePitchClass = wanted;
        context.scaleNotes[i] = note;
    }

    context.scaleCount = count;
}

PitchContext pitchContextFromScale (const ProjectScale& scale) noexcept
{
    PitchContext context;
    context.referenceNote = scale.root + 48;
    fillScaleNotes (context, context.referenceNote, scale, false);

    std::copy_n (context.scaleNotes, context.scaleCount, context.chordNotes);
    std::copy_n (context.scaleNotes, context.scaleCount, context.inputNotes);
    context.chordCount = context.scaleCount;
    context.inputCount = context.scaleCount;
    return context;
}

PitchContext pitchContextFromChord (const ParsedChord& chord, const ProjectScale& scale) noexcept
{
    return contextFromChordParts (chord.rootPitchClass, chord.bassPitchClass, chord.isRest,
                                  chord.intervals.data(), static_cast<int> (chord.intervals.size()), scale);
}

PitchContext pitchContextFromChord (const ChordSymbolView& chord, const ProjectScale& scale) noexcept
{
    return contextFromChordParts (chord.rootPitchClass, chord.bassPitchClass, chord.isRest,
                                  chord.intervals.values, chord.intervals.count, scale);
}

int guessChordRoot (const int* notes, int count) noexcept
{
    if (notes == nullptr || count < 1)
        return 0;

    // A note scores +3 inside the template and -1 outside, so only the number of notes per pitch
    // class matters. The counts are repeated once so that root + interval needs no wrap.
    int notesPerPitchClass[24] {};
    for (int i = 0; i < count; ++i)
        ++notesPerPitchClass[pitchClassOf (notes[i])];
    std::copy_n (notesPerPitchClass, 12, notesPerPitchClass + 12);

    const auto lowest = pitchClassOf (notes[0]);
    auto best = -1;
    auto result = lowest;
    auto triedRoots = 0u;

    for (int i = 0; i < count; ++i)
    {
        // A repeated pitch class scores as before and can never win a tie.
        const auto root = pitchClassOf (notes[i]);
        if ((triedRoots & (1u << root)) != 0)
            continue;
        triedRoots |= 1u << root;

        for (const auto& triad : triadTemplates)
        {
            const auto inside = notesPerPitchClass[root + triad[0]] + notesPerPitchClass[root + triad[1]]
                              + notesPerPitchClass[root + triad[2]];
            const auto score = 3 * inside - (count - inside) + (root == lowest ? 1 : 0);
            if (score > best)
            {
                best = score;
                result = root;
            }
        }
    }

    return result;
}

PitchContext pitchContextFromHeldNotes (const int* notes, int count, const ProjectScale& scale) noexcept
{
    PitchContext context;
    const auto n = notes == nullptr ? 0 : std::clamp (count, 0, maxPitchContextNotes);
    if (n == 0)
        return context;

    std::copy_n (notes, n, context.inputNotes);
    context.inputCount = n;

    const auto lowest = notes[0];
    const auto k = pitchClassOf (guessChordRoot (notes, n) - pitchClassOf (lowest));
    context.referenceNote = k <= 6 ? lowest + k : lowest + k - 12;

    int raised[maxPitchContextNotes];
    for (int i = 0; i < n; ++i)
    {
        const auto below = context.referenceNote - notes[i];
        raised[i] = below > 0 ? notes[i] + 12 * ((below + 11) / 12) : notes[i];
    }

    auto collected = 0;
    for (int i = 0; i < n; ++i)
        context.chordNotes[collected++] = raised[i];
    for (int i = 0; i < n && collected < maxPitchContextNotes; ++i)
        context.chordNotes[collected++] = raised[i] + 12;

    std::sort (context.chordNotes, context.chordNotes + collected);
    context.chordCount = collected;

    fillScaleNotes (context, context.referenceNote, scale, true);
    return context;
}

PitchContext pitchContextForProject (const Project& project, const int* heldNotes, int heldCount,
                                     bool auditionEnabled) noexcept
{
    if (project.pitchSource == PitchSource::scale)
        return pitchContextFromScale (project.scale);

    if (heldNotes != nullptr && heldCount > 0)
        return pitchContextFromHeldNotes (heldNotes, heldCount, project.scale);

    if (auditionEnabled)
    {
        ChordSymbolView chord;
        if (parseChordSymbol (utf8View (project.previewChord), chord) != ChordParseError::none)
            return {};

        return pitchContextFromChord (chord, project.scale);
    }

    return {};
}

int resolveTargetPitch (const NoteTarget& target, int octave, const PitchContext& context) noexcept
{
    const int* table = nullptr;
    int count = 0;

    switch (target.basis)
    {
        case TargetBasis::fixed:
            return clampToMidi (std::int64_t { target.fixedMidiNote } + 12 * std::int64_t { octave }
                                + target.chromaticOffset);
        case TargetBasis::chord: table = context.chordNotes; count = context.chordCount; break;
        case TargetBasis::scale: table = context.scaleNotes; count = context.scaleCount; break;
        case TargetBasis::input: table = context.inputNotes; count = context.inputCount; break;
        default: return -1;
    }

    if (count < 1)
        return -1;

    count = std::min (count, maxPitchContextNotes);
    const auto index = std::int64_t { target.index };
    auto octaves = index / count;
    if (index % count != 0 && index < 0)
        --octaves;
    const auto slot = static_cast<int> (index - octaves * count);

    return clampToMidi (table[slot] + 12 * (octaves + octave) + target.chromaticOffset);
}

} // namespace VarneT
