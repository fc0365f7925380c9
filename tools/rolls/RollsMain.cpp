// Draws every built-in performance as a piano roll against one chord into a PNG sheet, and writes
// each as a Standard MIDI File, so that the dictionary can be looked at and listened to.

#include "model/BuiltInPerformances.h"
#include "model/ChordSymbols.h"
#include "model/PitchContext.h"

#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_graphics/juce_graphics.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <iostream>

namespace
{
using namespace VarneT;

struct Options
{
    juce::String chord { "Cmaj7" };
    ProjectScale scale;
    juce::File outputFolder { juce::File::getCurrentWorkingDirectory().getChildFile ("rolls") };
    std::vector<int> only; // positions counted from 1; empty: all
};

constexpr int ticksPerQuarter = 960;
constexpr int cellWidth = 420;
constexpr int cellHeight = 250;
constexpr int columns = 4;
constexpr int sheetMargin = 16;

const juce::Colour voiceColours[] { juce::Colour (0xff4fa3e0), juce::Colour (0xffe07b39), juce::Colour (0xff5cc46a),
                                    juce::Colour (0xffd8c24a), juce::Colour (0xffc75ad0), juce::Colour (0xff4ed6cf),
                                    juce::Colour (0xffe0566b), juce::Colour (0xffa0a8ff) };

const char* const noteNames[] { "C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B" };

juce::String noteText (int midiNote) // middle C (60) is "C3"
{
    return juce::String (noteNames[midiNote % 12]) + juce::String (midiNote / 12 - 2);
}

struct ResolvedNote
{
    const NoteEvent* note;
    int pitch;
};

std::vector<ResolvedNote> resolve (const Pattern& pattern, const PitchContext& context)
{
    std::vector<ResolvedNote> resolved;
    for (const auto& note : pattern.notes)
        if (const auto pitch = resolveTargetPitch (note.target, note.octave, context); pitch >= 0)
            resolved.push_back ({ &note, pitch });
    return resolved;
}

// Long performances take a whole row of the sheet.
int cellsFor (const Pattern& pattern) { return pattern.lengthBeats > 8.0 ? columns : 1; }

void drawPanel (juce::Graphics& g, juce::Rectangle<float> area, int position, const Pattern& pattern,
                const PitchContext& context)
{
    g.setColour (juce::Colour (0xff1d2026));
    g.fillRoundedRectangle (area, 6.0f);

    auto inner = area.reduced (8.0f);
    auto title = inner.removeFromTop (18.0f);
    g.setColour (juce::Colours::white);
    g.setFont (juce::Font (14.0f, juce::Font::bold));
    g.drawText (juce::String (position) + ". " + pattern.name, title, juce::Justification::centredLeft);

    auto caption = inner.removeFromTop (15.0f);
    g.setColour (juce::Colour (0xff9aa3b0));
    g.setFont (juce::Font (11.5f));
    g.drawText (pattern.category + "  |  " + juce::String (pattern.lengthBeats, 1) + " beats  |  "
                    + juce::String ((int) pattern.notes.size()) + " notes, " + juce::String ((int) pattern.voices.size())
                    + " voices" + (pattern.pedal.empty() ? juce::String() : ", " + juce::String ((int) pattern.pedal.size()) + " pedal"),
                caption, juce::Justification::centredLeft);

    const auto notes = resolve (pattern, context);
    if (notes.empty())
        return;

    int low = 127, high = 0;
    for (const auto& n : notes)
    {
        low = juce::jmin (low, n.pitch);
        high = juce::jmax (high, n.pitch);
    }
    low = juce::jmax (0, low - 1);
    high = juce::jmin (127, high + 1);

    auto pedalLane = inner.removeFromBottom (6.0f);
    inner.removeFromBottom (2.0f);
    auto keys = inner.removeFromLeft (30.0f);
    const auto rowHeight = inner.getHeight() / (float) (high - low + 1);
    const auto beatWidth = inner.getWidth() / (float) pattern.lengthBeats;
    const auto yOf = [&] (int pitch) { return inner.getBottom() - (float) (pitch - low + 1) * rowHeight; };

    for (int pitch = low; pitch <= high; ++pitch)
    {
        const auto black = juce::MidiMessage::isMidiNoteBlack (pitch);
        g.setColour (black ? juce::Colour (0xff23272e) : juce::Colour (0xff2a2f37));
        g.fillRect (inner.getX(), yOf (pitch), inner.getWidth(), rowHeight);
        if (pitch % 12 == 0 || pitch == low + 1 || pitch == high - 1)
        {
            g.setColour (juce::Colour (0xff9aa3b0));
            g.setFont (juce::Font (juce::jlimit (7.0f, 10.0f, rowHeight + 1.0f)));
            g.drawText (noteText (pitch), keys.withY (yOf (pitch) - 3.0f).withHeight (rowHeight + 6.0f),
                        juce::Justification::centredRight);
        }
    }

    for (int beat = 0; beat <= (int) std::ceil (pattern.lengthBeats); ++beat)
    {
        const auto x = inner.getX() + (float) beat * beatWidth;
        g.setColour (beat % 4 == 0 ? juce::Colour (0xff59606b) : juce::Colour (0xff373c45));
        g.drawVerticalLine ((int) x, inner.getY(), inner.getBottom());
    }

    for (const auto& n : notes)
    {
        const auto& note = *n.note;
        const auto end = juce::jmin (note.startBeat + note.durationBeats, pattern.lengthBeats);
        juce::Rectangle<float> box (inner.getX() + (float) note.startBeat * beatWidth, yOf (n.pitch),
                                    juce::jmax (2.0f, (float) (end - note.startBeat) * beatWidth - 1.0f), juce::jmax (1.5f, rowHeight - 0.5f));
        const auto colour = voiceColours[(size_t) juce::jlimit (0, 7, note.voiceId)];
        g.setColour (colour.withAlpha (0.35f + 0.65f * (float) note.velocity / 127.0f * (float) note.chance));
        g.fillRect (box);
    }

    g.setColour (juce::Colour (0xffd8c24a).withAlpha (0.8f));
    for (const auto& event : pattern.pedal)
    {
        const auto end = juce::jmin (event.startBeat + event.durationBeats, pattern.lengthBeats);
        g.fillRect (pedalLane.getX() + 30.0f + (float) event.startBeat * beatWidth, pedalLane.getY(),
                    (float) (end - event.startBeat) * beatWidth, pedalLane.getHeight() * (float) event.value / 127.0f);
    }
}

struct Entry
{
    int position; // counted from 1
    const Pattern* pattern;
};

juce::Image drawSheet (const std::vector<Entry>& list, const PitchContext& context, const juce::String& heading)
{
    // Flow the panels: short performances one cell each, long ones a whole row.
    std::vector<juce::Rectangle<int>> cells;
    int column = 0, row = 0;
    for (const auto& entry : list)
    {
        const auto span = cellsFor (*entry.pattern);
        if (column + span > columns)
        {
            column = 0;
            ++row;
        }
        cells.push_back ({ sheetMargin + column * cellWidth, 50 + row * cellHeight, span * cellWidth, cellHeight });
        column += span;
    }

    juce::Image sheet (juce::Image::RGB, 2 * sheetMargin + columns * cellWidth, 50 + (row + 1) * cellHeight + sheetMargin, true);
    juce::Graphics g (sheet);
    g.fillAll (juce::Colour (0xff121418));
    g.setColour (juce::Colours::white);
    g.setFont (juce::Font (20.0f, juce::Font::bold));
    g.drawText (heading, sheetMargin, 10, sheet.getWidth() - 2 * sheetMargin, 30, juce::Justification::centredLeft);

    for (size_t i = 0; i < list.size(); ++i)
        drawPanel (g, cells[i].toFloat().reduced (5.0f), list[i].position, *list[i].pattern, context);

    return sheet;
}

juce::MidiFile toMidiFile (const Pattern& pattern, const PitchContext& context, double bpm)
{
    juce::MidiMessageSequence track;
    track.addEvent (juce::MidiMessage::textMetaEvent (3, pattern.name));
    track.addEvent (juce::MidiMessage::tempoMetaEvent ((int) std::lround (60000000.0 / bpm)));
    track.addEvent (juce::MidiMessage::timeSignatureMetaEvent (4, 4));

    const auto ticks = [] (double beats) { return std::round (beats * ticksPerQuarter); };
    for (const auto& n : resolve (pattern, context))
    {
        track.addEvent (juce::MidiMessage::noteOn (1, n.pitch, (juce::uint8) n.note->velocity), ticks (n.note->startBeat));
        track.addEvent (juce::MidiMessage::noteOff (1, n.pitch), ticks (n.note->startBeat + n.note->durationBeats));
    }
    for (const auto& event : pattern.pedal)
    {
        track.addEvent (juce::MidiMessage::controllerEvent (1, 64, event.value), ticks (event.startBeat));
        track.addEvent (juce::MidiMessage::controllerEvent (1, 64, 0), ticks (event.startBeat + event.durationBeats));
    }
    track.addEvent (juce::MidiMessage::endOfTrack(), ticks (pattern.lengthBeats));
    track.sort();
    track.updateMatchedPairs();

    juce::MidiFile file;
    file.setTicksPerQuarterNote (ticksPerQuarter);
    file.addTrack (track);
    return file;
}

bool writeAtomically (const juce::File& target, const std::function<bool (juce::OutputStream&)>& write)
{
    juce::TemporaryFile temporary (target);
    {
        juce::FileOutputStream stream (temporary.getFile());
        if (! stream.openedOk() || ! write (stream))
            return false;
        stream.flush();
        if (stream.getStatus().failed())
            return false;
    }
    return temporary.overwriteTargetFileWithTemporary();
}

int usage()
{
    std::cerr << "usage: varnet-rolls [--chord SYMBOL] [--scale-root 0..11] [--scale NAME] [--out FOLDER] [--only 3,25,...]\n";
    return 2;
}

int run (const juce::StringArray& args)
{
    Options options;
    for (int i = 1; i < args.size(); ++i)
    {
        const auto& arg = args[i];
        if (i + 1 >= args.size())
            return usage();
        const auto value = args[++i];
        if (arg == "--chord")
            options.chord = value;
        else if (arg == "--scale-root")
            options.scale.root = value.getIntValue();
        else if (arg == "--scale")
            options.scale.name = value;
        else if (arg == "--only")
            for (const auto& position : juce::StringArray::fromTokens (value, ",", ""))
                options.only.push_back (position.getIntValue());
        else if (arg == "--out")
            options.outputFolder = juce::File::getCurrentWorkingDirectory().getChildFile (value);
        else
            return usage();
    }

    ParsedChord chord;
    if (const auto error = parseChordSymbol (options.chord, chord); error.isNotEmpty() || chord.isRest)
    {
        std::cerr << "cannot use chord '" << options.chord << "': " << (error.isNotEmpty() ? error : "a rest") << "\n";
        return 1;
    }
    const auto context = pitchContextFromChord (chord, options.scale);

    const auto midiFolder = options.outputFolder.getChildFile ("midi");
    if (! midiFolder.createDirectory())
    {
        std::cerr << "cannot create " << midiFolder.getFullPathName() << "\n";
        return 1;
    }

    std::vector<Entry> list;
    for (size_t i = 0; i < builtInPerformances().size(); ++i)
        if (options.only.empty() || std::find (options.only.begin(), options.only.end(), (int) i + 1) != options.only.end())
            list.push_back ({ (int) i + 1, &builtInPerformances()[i] });
    const auto heading = "Built-in performances against " + options.chord + " (" + noteNames[options.scale.root % 12] + " "
                         + options.scale.name + " scale degrees), one colour per voice, pedal in yellow";
    const auto sheet = drawSheet (list, context, heading);
    const auto sheetFile = options.outputFolder.getChildFile ("performances.png");
    if (! writeAtomically (sheetFile, [&] (juce::OutputStream& out) { return juce::PNGImageFormat().writeImageToStream (sheet, out); }))
    {
        std::cerr << "cannot write " << sheetFile.getFullPathName() << "\n";
        return 1;
    }

    for (const auto& [position, pattern] : list)
    {
        const auto name = juce::String (position).paddedLeft ('0', 2) + " " + juce::File::createLegalFileName (pattern->name) + ".mid";
        const auto file = midiFolder.getChildFile (name);
        auto midi = toMidiFile (*pattern, context, 100.0);
        if (! writeAtomically (file, [&] (juce::OutputStream& out) { return midi.writeTo (out, 1); }))
        {
            std::cerr << "cannot write " << file.getFullPathName() << "\n";
            return 1;
        }
    }

    std::cout << "wrote " << sheetFile.getFullPathName() << " and " << list.size() << " MIDI files in "
              << midiFolder.getFullPathName() << "\n";
    return 0;
}
} // namespace

int main (int argc, char* argv[])
{
    juce::ScopedJuceInitialiser_GUI juce;
    return run (juce::StringArray (argv, argc));
}
