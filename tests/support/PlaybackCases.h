#pragma once

// Playback cases that hold at both boundaries: the processor driven in this process and the built
// bundle loaded by a VST3 host. One copy of each case's data, run through either driver.

#include "support/MidiRows.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <functional>
#include <memory>
#include <vector>

namespace testing_support
{

/** Where a test plays the plug-in. */
struct PlaybackDriver
{
    std::function<std::unique_ptr<juce::AudioProcessor> (double sampleRate, int blockSize)> create;
    std::function<juce::String (juce::AudioProcessor&)> stateText;
    std::function<void (juce::AudioProcessor&, const juce::String&)> setStateText;
};

/** A new processor in this process. */
PlaybackDriver inProcessDriver();

/** A new instance of the bundle's plug-in, loaded by JUCE's VST3 host. */
PlaybackDriver bundleDriver (const juce::File& bundle);

//==============================================================================
/** One pass of the default project ("Lantern Ostinato" from C major), from its start release to
    the note-off of its last note, at 120 bpm and 48 kHz. */
extern const std::vector<Row> defaultProjectPass;

/** The default project's stream over whole passes, with the release and the first note of the next. */
std::vector<Row> defaultProjectStream (int passes);

/** The default project plays its golden stream for two passes at every block size. */
void expectDefaultProjectGoldenStream (const PlaybackDriver&);

/** Infinite, undefined and huge host positions neither hang the audio thread nor stop playback:
    the plug-in plays on its own clock, looping or in Auto-Advance. */
void expectBadHostPositionsPlayOnTheOwnClock (const PlaybackDriver&);

//==============================================================================
/** What the Section parameter reads for a value, in a project of Sections "Intro", "Verse" and
    "Chorus"; and the value it takes for a typed text. */
struct SectionTextCase
{
    float value;
    const char* text;
};

struct SectionParsingCase
{
    const char* text;
    float value;
};

extern const std::vector<SectionTextCase> sectionTexts;
extern const std::vector<SectionParsingCase> sectionParsing;

} // namespace testing_support
