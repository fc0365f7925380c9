// The real-time engine: one call per host block, on the audio thread. It takes no lock,
// allocates nothing and never frees a project.

#include "plugin/PluginProcessor.h"

#include "model/PitchContext.h"

#include <cmath>

namespace
{
// Beyond this many beats the timeline arithmetic loses whole samples; such positions are
// treated as absent rather than letting the Section timeline stall.
constexpr double largestUsablePosition = 4.0e12;

constexpr double minimumSectionLength = 0.0001;

double sectionLength (const VarneT::CompiledSection& section) noexcept
{
    return std::max (section.lengthBeats, minimumSectionLength);
}

void addController (juce::MidiBuffer& midi, int channel, int controller, int sample)
{
    midi.addEvent (juce::MidiMessage::controllerEvent (juce::jlimit (1, 16, channel), controller, 0), sample);
}
} // namespace

VarneTAudioProcessor::Transport VarneTAudioProcessor::readTransport() const
{
    Transport transport;

    if (auto* head = getPlayHead())
    {
        if (const auto position = head->getPosition())
        {
            if (const auto bpm = position->getBpm(); bpm.hasValue() && std::isfinite (*bpm))
                transport.tempo = juce::jlimit (20.0, 400.0, *bpm);

            transport.playing = position->getIsPlaying();

            if (const auto ppq = position->getPpqPosition();
                ppq.hasValue() && std::isfinite (*ppq) && std::abs (*ppq) < largestUsablePosition)
            {
                transport.hasPosition = true;
                transport.position = *ppq;
            }
        }
    }

    return transport;
}

bool VarneTAudioProcessor::generatingNow (const VarneT::Project& project) const noexcept
{
    return project.pitchSource == VarneT::PitchSource::scale || heldNotes.anyHeld() || auditionEnabled.load();
}

void VarneTAudioProcessor::updateHeldNotes (int firstEvent, int endEvent) noexcept
{
    heldNotes.update (inputEvents.data() + firstEvent, inputEvents.data() + endEvent);
}

int VarneTAudioProcessor::nextInputGroupEnd (int firstEvent, int eventCount, int groupWindow) const noexcept
{
    const auto limit = inputEvents[(size_t) firstEvent].sampleOffset + groupWindow;
    auto end = firstEvent + 1;

    while (end < eventCount && inputEvents[(size_t) end].sampleOffset <= limit)
        ++end;

    return end;
}

void VarneTAudioProcessor::releaseAll (juce::MidiBuffer& midi, int channel, int sample) noexcept
{
    noteTracker.releaseAll (midi, channel, sample);
}

int VarneTAudioProcessor::sectionChoice (int compiledSectionCount, const VarneT::Project& project) const noexcept
{
    if (sectionParameter != nullptr)
    {
        const auto n = compiledSectionCount;
        const auto value = sectionParameterValue();
        return n <= 0 ? 0 : juce::jlimit (0, n, (int) std::nearbyint ((float) n * value));
    }

    return VarneT::clampSectionIndex (project.activeSectionIndex, (int) project.sections.size());
}

void VarneTAudioProcessor::renderSpan (const VarneT::Project& project, const VarneT::CompiledSection& section,
                                       bool fromPassStart, double sectionBeatAtSegmentStart, int segmentStartSample,
                                       int fromSample, int toSample, double beatsPerSample, juce::MidiBuffer& midi) noexcept
{
    if (fromSample >= toSample || ! generatingNow (project))
        return;

    auto spanStart = sectionBeatAtSegmentStart + (fromSample - segmentStartSample) * beatsPerSample;
    auto spanEnd = spanStart;

    if (beatsPerSample > 0.0)
        spanEnd = std::min (spanStart + (toSample - fromSample) * beatsPerSample, section.lengthBeats);

    // A pass that began a fraction of a sample before this span has its first events here.
    if (fromPassStart)
        spanStart = 0.0;

    const auto context = VarneT::pitchContextForProject (project, heldNotes.notes(), heldNotes.count(),
                                                         auditionEnabled.load());

    noteTracker.renderSection (section, spanStart, spanEnd, toSample - fromSample, context, midi, fromSample);
}

void VarneTAudioProcessor::publishIdleDisplay() noexcept
{
    playingSection.store (-1, std::memory_order_relaxed);
    sectionProgress.store (0.0f, std::memory_order_relaxed);
    playingPattern.store (-1, std::memory_order_relaxed);
    patternBeat.store (0.0, std::memory_order_relaxed);
    patternProgress.store (0.0f, std::memory_order_relaxed);
}

void VarneTAudioProcessor::publishDisplay (const VarneT::Project& project, double blockEndBeat) noexcept
{
    const auto index = sectionCursor.current;
    playingSection.store (index, std::memory_order_relaxed);

    float progress = 0.0f, passProgress = 0.0f;
    int pattern = -1;
    double beat = 0.0;

    if (juce::isPositiveAndBelow (index, (int) project.sections.size()))
    {
        const auto& section = project.sections[(size_t) index];

        double passLength = 0.0;
        for (const auto& p : section.sequence)
            passLength += p.repeatCount * p.lengthBeats;

        const auto length = section.repeatCount * passLength;
        const auto d = std::max (blockEndBeat - sectionStartBeat, 0.0);

        if (! section.sequence.empty() && length > 0.0 && std::isfinite (d) && std::isfinite (length))
        {
            auto pos = std::fmod (d, length);
            if (pos < 0.0)
                pos += length;

            const auto passStart = pos - std::fmod (pos, length / section.repeatCount);
            auto cumulativeStart = passStart;
            pattern = (int) section.sequence.size() - 1;

            for (size_t i = 0; i < section.sequence.size(); ++i)
            {
                const auto& p = section.sequence[i];
                const auto cumulativeEnd = cumulativeStart + p.repeatCount * p.lengthBeats;

                if (cumulativeEnd > pos || i + 1 == section.sequence.size())
                {
                    pattern = (int) i;
                    break;
                }

                cumulativeStart = cumulativeEnd;
            }

            const auto& playing = section.sequence[(size_t) pattern];
            beat = std::fmod (std::max (pos - cumulativeStart, 0.0), playing.lengthBeats);
            progress = juce::jlimit (0.0f, 1.0f, (float) (pos / length));
            passProgress = playing.lengthBeats > 0.0 ? juce::jlimit (0.0f, 1.0f, (float) (beat / playing.lengthBeats)) : 0.0f;
        }
    }

    sectionProgress.store (progress, std::memory_order_relaxed);
    playingPattern.store (pattern, std::memory_order_relaxed);
    patternBeat.store (beat, std::memory_order_relaxed);
    patternProgress.store (passProgress, std::memory_order_relaxed);
}

//==============================================================================
int VarneTAudioProcessor::captureInput (const juce::MidiBuffer& midi, int numSamples) noexcept
{
    const auto lastSample = std::max (numSamples - 1, 0);
    int eventCount = 0;

    for (const auto metadata : midi)
    {
        if (eventCount >= (int) inputEvents.size())
            break;

        const auto* data = metadata.data;
        if (metadata.numBytes < 1)
            continue;

        const auto status = data[0] & 0xF0;
        const auto eventChannel = (data[0] & 0x0F) + 1;
        const auto note = metadata.numBytes > 1 ? (int) data[1] : 0;
        const auto velocity = metadata.numBytes > 2 ? (int) data[2] : 0;
        int kind = -1;

        if (status == 0xB0 && metadata.numBytes > 1 && (note == 123 || note == 120))
            kind = VarneT::InputEvent::allNotesOff;
        else if (status == 0x80 || (status == 0x90 && velocity == 0))
            kind = VarneT::InputEvent::noteOff;
        else if (status == 0x90)
            kind = VarneT::InputEvent::noteOn;

        if (kind < 0)
            continue;

        inputEvents[(size_t) eventCount++] = { juce::jlimit (0, lastSample, metadata.samplePosition),
                                                kind == VarneT::InputEvent::allNotesOff ? 0 : note, eventChannel, kind };
    }

    return eventCount;
}

void VarneTAudioProcessor::serveNoteRequests (juce::MidiBuffer& midi, int channel) noexcept
{
    // Both requests are taken at every block; a panic includes the release.
    const auto panic = panicRequested.exchange (false);
    const auto release = releaseNotesRequested.exchange (false);

    if (panic)
    {
        releaseAll (midi, channel, 0);
        addController (midi, channel, 123, 0);
        addController (midi, channel, 120, 0);
    }
    else if (release)
    {
        releaseAll (midi, channel, 0);
    }
}

void VarneTAudioProcessor::applyInputGroups (int firstEvent, int eventCount, int groupWindow) noexcept
{
    for (int first = firstEvent; first < eventCount;)
    {
        const auto end = nextInputGroupEnd (first, eventCount, groupWindow);
        updateHeldNotes (first, end);
        first = end;
    }
}

void VarneTAudioProcessor::playStoppedBlock (const Block& block) noexcept
{
    applyInputGroups (0, block.inputEventCount, block.groupWindow);

    if (transportWasRunning)
        releaseAll (block.midi, block.channel, 0);

    transportWasRunning = false;
    sectionCursor.reset (block.activeSection, block.sectionCount,
                         block.project.sectionPlaybackMode == VarneT::SectionPlaybackMode::advanceSections);
    queuedSectionRequest.store (-1);
    lastSectionChoice = block.sectionChoice;
    generating.store (false, std::memory_order_relaxed);
    lastBlockEndBeat = 0.0;
    publishIdleDisplay();
}

bool VarneTAudioProcessor::chooseSectionByPosition (Block& block) noexcept
{
    const auto& compiledSections = block.compiled.sections;
    double loopLength = 0.0;
    bool lengthsUsable = true;

    for (const auto& section : compiledSections)
    {
        const auto length = sectionLength (section);
        lengthsUsable = lengthsUsable && std::isfinite (length);
        loopLength += length;
    }

    if (! lengthsUsable || ! std::isfinite (loopLength) || loopLength <= 0.0)
        return false;

    auto positionInLoop = std::fmod (block.startBeat, loopLength);
    if (positionInLoop < 0.0)
        positionInLoop += loopLength;

    const auto n = block.sectionCount;
    int chosen = n - 1;
    double chosenStartInLoop = 0.0;

    for (int i = 0; i < n; ++i)
    {
        const auto end = chosenStartInLoop + sectionLength (compiledSections[(size_t) i]);
        if (end > positionInLoop)
        {
            chosen = i;
            break;
        }

        if (i < n - 1)
            chosenStartInLoop = end;
    }

    const auto chosenStartBeat = block.startBeat - positionInLoop + chosenStartInLoop;

    // A pass that ended inside the previous block anchored the Section on a whole sample;
    // the same start seen from the loop arithmetic differs by a fraction of a sample.
    const auto tolerance = std::max (1.0e-9, 1.5 * block.beatsPerSample);
    const auto changed = chosen != sectionCursor.current || std::abs (sectionStartBeat - chosenStartBeat) > tolerance;

    if (block.resynchronises || changed)
    {
        releaseAll (block.midi, block.channel, 0);
        const auto intoPass = block.startBeat - chosenStartBeat;
        block.fromPassStart = intoPass > 0.0 && intoPass < block.beatsPerSample;
    }

    sectionCursor.reset (chosen, n, true);
    sectionStartBeat = chosenStartBeat;
    lastSectionChoice = block.sectionChoice;
    queuedSectionRequest.store (-1);
    playbackModeRequest.store (-1);
    return true;
}

void VarneTAudioProcessor::resynchroniseSection (const Block& block) noexcept
{
    releaseAll (block.midi, block.channel, 0);
    sectionCursor.reset (block.autoAdvanceSelected() ? block.activeSection : block.sectionChoice, block.sectionCount,
                         block.autoAdvanceSelected());
    sectionStartBeat = block.startBeat;
    lastSectionChoice = block.sectionChoice;
    queuedSectionRequest.store (-1);
}

void VarneTAudioProcessor::serveSectionRequests (const Block& block) noexcept
{
    const auto n = block.sectionCount;
    const auto modeRequest = playbackModeRequest.exchange (-1);
    const auto queuedSection = queuedSectionRequest.exchange (-1);

    if (modeRequest >= 0)
    {
        sectionCursor.advance = modeRequest != 0;
        lastSectionChoice = block.sectionChoice;
    }

    if (queuedSection >= 0)
    {
        sectionCursor.pending = VarneT::clampSectionIndex (queuedSection, n);
        lastSectionChoice = block.sectionChoice;
    }
    else if (modeRequest < 0 && block.sectionChoice != lastSectionChoice)
    {
        // The host or the editor moved the Section parameter; a mode switch served in the same
        // block absorbs it.
        if (block.autoAdvanceSelected())
        {
            sectionCursor.advance = true;
        }
        else
        {
            sectionCursor.current = VarneT::clampSectionIndex (block.sectionChoice, n);
            sectionCursor.pending = -1;
            sectionCursor.advance = false;
            sectionStartBeat = block.startBeat;
            releaseAll (block.midi, block.channel, 0);
        }

        lastSectionChoice = block.sectionChoice;
    }
}

void VarneTAudioProcessor::catchUpWithEndedPasses (Block& block) noexcept
{
    // Every pass end releases what sounds, also when the Section repeats: a note held over would
    // otherwise keep the previous pass's end beat. A gap of many passes is bounded so that the
    // block finishes.
    bool passEnded = false;
    for (int passes = 0; sectionCursor.current >= 0; ++passes)
    {
        const auto length = sectionLength (block.compiled.sections[(size_t) sectionCursor.current]);
        if (sectionStartBeat + length > block.startBeat)
            break;

        if (passes >= 4096 || sectionStartBeat + length == sectionStartBeat)
        {
            sectionStartBeat = block.startBeat;
            break;
        }

        sectionStartBeat += length;
        sectionCursor.next (block.sectionCount);
        passEnded = true;
    }

    if (passEnded)
    {
        releaseAll (block.midi, block.channel, 0);
        const auto intoPass = block.startBeat - sectionStartBeat;
        block.fromPassStart = intoPass > 0.0 && intoPass < block.beatsPerSample;
    }
}

int VarneTAudioProcessor::passEndSample (const Block& block, double passEndBeat) const noexcept
{
    if (block.endBeat - 1.0e-9 > passEndBeat)
        return juce::jlimit (0, block.numSamples,
                             (int) std::ceil ((passEndBeat - block.startBeat) / block.beatsPerSample - 1.0e-9));

    return block.numSamples;
}

void VarneTAudioProcessor::renderPasses (Block& block) noexcept
{
    const auto& project = block.project;
    const auto bps = block.beatsPerSample;
    int segmentStart = 0, renderedUpTo = 0, nextEvent = 0;
    auto segmentBeat = block.startBeat - sectionStartBeat;

    // Each pass end moves at least one sample on, or is one of a bounded run of passes
    // shorter than a sample.
    for (int shortPasses = 0;;)
    {
        const auto& section = block.compiled.sections[(size_t) sectionCursor.current];
        const auto passEndBeat = sectionStartBeat + sectionLength (section);
        const auto segmentEnd = passEndSample (block, passEndBeat);

        while (nextEvent < block.inputEventCount && inputEvents[(size_t) nextEvent].sampleOffset < segmentEnd)
        {
            const auto groupSample = inputEvents[(size_t) nextEvent].sampleOffset;
            const auto groupEnd = nextInputGroupEnd (nextEvent, block.inputEventCount, block.groupWindow);

            // Notes before the group keep the held notes in force before it.
            if (renderedUpTo < groupSample)
            {
                renderSpan (project, section, block.fromPassStart, segmentBeat, segmentStart, renderedUpTo, groupSample, bps, block.midi);
                block.fromPassStart = false;
            }

            const auto wasGenerating = generatingNow (project);
            updateHeldNotes (nextEvent, groupEnd);

            if (wasGenerating && ! generatingNow (project))
                releaseAll (block.midi, block.channel, groupSample);

            renderedUpTo = std::max (renderedUpTo, groupSample);
            nextEvent = groupEnd;
        }

        renderSpan (project, section, block.fromPassStart, segmentBeat, segmentStart, renderedUpTo, segmentEnd, bps, block.midi);
        block.fromPassStart = false;
        renderedUpTo = std::max (renderedUpTo, segmentEnd);

        if (segmentEnd >= block.numSamples)
            break;

        shortPasses = segmentEnd == segmentStart ? shortPasses + 1 : 0;

        releaseAll (block.midi, block.channel, segmentEnd);
        sectionCursor.next (block.sectionCount);
        // The next pass starts exactly where this one ended, so that passes keep to the host's
        // beat grid; its events from that beat on start at sample segmentEnd.
        sectionStartBeat = passEndBeat;
        segmentStart = segmentEnd;
        segmentBeat = std::max (0.0, block.startBeat + segmentEnd * bps - passEndBeat);
        block.fromPassStart = segmentBeat > 0.0;

        if (shortPasses > 64)
        {
            // Passes far shorter than a sample: let the rest of the block run on in the
            // current pass instead of spinning through them.
            sectionStartBeat = block.endBeat;
            renderSpan (project, block.compiled.sections[(size_t) sectionCursor.current], false, 0.0, segmentEnd,
                        renderedUpTo, block.numSamples, 0.0, block.midi);
            break;
        }
    }

    // Input that arrived after the last pass end of the block.
    applyInputGroups (nextEvent, block.inputEventCount, block.groupWindow);
}

void VarneTAudioProcessor::playPlayingBlock (Block& block, const Transport& transport) noexcept
{
    block.beatsPerSample = transport.tempo / (std::max (currentSampleRate, 1.0) * 60.0);
    // Without a host position the previous block's end goes on, so that playback still advances.
    block.startBeat = transport.hasPosition ? transport.position : lastBlockEndBeat;
    block.endBeat = block.startBeat + block.numSamples * block.beatsPerSample;

    const auto reseek = reseekRequested.exchange (false);
    const auto hostJumped = transport.hasPosition
                            && std::abs (block.startBeat - lastBlockEndBeat)
                                   > std::max (2.0 * (block.endBeat - block.startBeat), 0.01);
    block.resynchronises = ! transportWasRunning || hostJumped || reseek;

    const auto chosenByPosition = block.autoAdvanceSelected() && transport.hasPosition && chooseSectionByPosition (block);

    if (! chosenByPosition)
    {
        if (block.resynchronises)
            resynchroniseSection (block);
        else
            serveSectionRequests (block);

        catchUpWithEndedPasses (block);
    }

    transportWasRunning = true;

    if (block.numSamples > 0 && sectionCursor.current >= 0)
        renderPasses (block);

    lastBlockEndBeat = block.endBeat;
    generating.store (generatingNow (block.project), std::memory_order_relaxed);
    publishDisplay (block.project, block.endBeat);
}

void VarneTAudioProcessor::processBlock (juce::AudioBuffer<float>& audio, juce::MidiBuffer& midi)
{
    audio.clear();

    const VarneT::AudioReadEpoch::ScopedRead reading (audioReadEpoch);
    const auto* project = currentProject.loadForAudio();
    const auto* compiled = compiledProject.loadForAudio();

    if (project == nullptr || compiled == nullptr || compiled->sections.empty())
    {
        midi.clear();
        return;
    }

    const auto numSamples = audio.getNumSamples();

    // The input is consumed, never passed through.
    const auto inputEventCount = captureInput (midi, numSamples);
    midi.clear();

    serveNoteRequests (midi, project->midiChannel);

    const auto transport = readTransport();
    telemetryClient.addPlayedSamples (numSamples, transport.playing);

    const auto sectionCount = (int) compiled->sections.size();

    Block block { *project, *compiled, midi };
    block.sectionCount = sectionCount;
    block.numSamples = numSamples;
    block.channel = project->midiChannel;
    block.inputEventCount = inputEventCount;
    block.groupWindow = std::max (1, (int) std::lround (std::max (currentSampleRate, 1.0) * 0.001));
    block.sectionChoice = sectionChoice (sectionCount, *project);
    block.activeSection = VarneT::clampSectionIndex (project->activeSectionIndex, sectionCount);

    if (transport.playing)
        playPlayingBlock (block, transport);
    else
        playStoppedBlock (block);
}
