#pragma once

#include "model/JuceCore.h"

namespace VarneT::project_json
{
// Property names, made once per call so that objects are built and searched by pooled
// identifiers instead of looking every name up in the string pool.
struct Keys
{
    const juce::Identifier version { "version" }, identity { "identity" }, name { "name" }, role { "role" },
        instrument { "instrument" }, midiChannel { "midiChannel" }, pitchSource { "pitchSource" },
        notePlaybackMode { "notePlaybackMode" }, scale { "scale" }, root { "root" }, previewChord { "previewChord" },
        sectionPlaybackMode { "sectionPlaybackMode" }, activeSectionIndex { "activeSectionIndex" },
        sections { "sections" }, repeatCount { "repeatCount" }, sequence { "sequence" }, category { "category" },
        lengthBeats { "lengthBeats" }, quantization { "quantization" }, voices { "voices" }, notes { "notes" },
        pedal { "pedal" }, modifiers { "modifiers" }, id { "id" }, startBeat { "startBeat" },
        durationBeats { "durationBeats" }, voiceId { "voiceId" }, velocity { "velocity" }, chance { "chance" },
        importance { "importance" }, octave { "octave" }, target { "target" }, basis { "basis" }, index { "index" },
        fixedMidiNote { "fixedMidiNote" }, chromaticOffset { "chromaticOffset" }, value { "value" },
        swing { "swing" }, density { "density" }, registerOffset { "registerOffset" }, spread { "spread" },
        humanize { "humanize" }, variationSeed { "variationSeed" };
};

} // namespace VarneT::project_json
