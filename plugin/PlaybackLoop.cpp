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

void VarneTAudioProcessor::processBlock (juce::AudioBuffer<float>& audio, juce::MidiBuffer& midi)
{
    audio.clear();

    const VarneT::AudioReadEpoch::ScopedRead reading (audioReadEpoch);
    const auto* projectPointer = currentProject.loadForAudio();
    const auto* compiledPointer = compiledProject.loadForAudio();

    if (projectPointer == nullptr || compiledPointer == nullptr || compiledPointer->sections.empty())
    {
        midi.clear();
        return;
    }

    const auto& project = *projectPointer;
    const auto& compiled = *compiledPointer;
    const auto n = (int) compiled.sections.size();
    const auto numSamples = audio.getNumSamples();
    const auto lastSample = std::max (numSamples - 1, 0);
    const auto channel = project.midiChannel;

    // Capture the input; it is consumed, never passed through.
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

    midi.clear();

    // Requests from the message thread.
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

    const auto transport = readTransport();
    telemetryClient.addPlayedSamples (numSamples, transport.playing);

    const auto groupWindow = std::max (1, (int) std::lround (std::max (currentSampleRate, 1.0) * 0.001));
    const auto e = sectionChoice (n, project);
    const auto activeSection = VarneT::clampSectionIndex (project.activeSectionIndex, n);

    if (! transport.playing)
    {
        for (int first = 0; first < eventCount;)
        {
            const auto end = nextInputGroupEnd (first, eventCount, groupWindow);
            updateHeldNotes (first, end);
            first = end;
        }

        if (transportWasRunning)
            releaseAll (midi, channel, 0);

        transportWasRunning = false;
        sectionCursor.reset (activeSection, n, project.sectionPlaybackMode == VarneT::SectionPlaybackMode::advanceSections);
        queuedSectionRequest.store (-1);
        lastSectionChoice = e;
        generating.store (false, std::memory_order_relaxed);
        lastBlockEndBeat = 0.0;
        publishIdleDisplay();
        return;
    }

    const auto bps = transport.tempo / (std::max (currentSampleRate, 1.0) * 60.0);
    const auto a = transport.hasPosition ? transport.position : lastBlockEndBeat;
    const auto c = a + numSamples * bps;

    const auto reseek = reseekRequested.exchange (false);
    const auto resync = ! transportWasRunning
                        || (transport.hasPosition && std::abs (a - lastBlockEndBeat) > std::max (2.0 * (c - a), 0.01))
                        || reseek;

    bool chosenByPosition = false;

    // Set when the pass began less than a sample before the block and no block has played its
    // first events yet: the first span then reaches back to the pass start.
    bool fromPassStart = false;

    if (e >= n && transport.hasPosition)
    {
        double total = 0.0;
        bool lengthsUsable = true;

        for (const auto& section : compiled.sections)
        {
            const auto length = sectionLength (section);
            lengthsUsable = lengthsUsable && std::isfinite (length);
            total += length;
        }

        if (lengthsUsable && std::isfinite (total) && total > 0.0)
        {
            auto w = std::fmod (a, total);
            if (w < 0.0)
                w += total;

            int chosen = n - 1;
            double cumulativeStart = 0.0;

            for (int i = 0; i < n; ++i)
            {
                const auto end = cumulativeStart + sectionLength (compiled.sections[(size_t) i]);
                if (end > w)
                {
                    chosen = i;
                    break;
                }

                if (i < n - 1)
                    cumulativeStart = end;
            }

            const auto t = a - w + cumulativeStart;

            // A pass that ended inside the previous block anchored the Section on a whole sample;
            // the same start seen from the loop arithmetic differs by a fraction of a sample.
            const auto tolerance = std::max (1.0e-9, 1.5 * bps);
            const auto changed = chosen != sectionCursor.current || std::abs (sectionStartBeat - t) > tolerance;

            if (resync || changed)
            {
                releaseAll (midi, channel, 0);
                fromPassStart = a - t > 0.0 && a - t < bps;
            }

            sectionCursor.reset (chosen, n, true);
            sectionStartBeat = t;
            lastSectionChoice = e;
            queuedSectionRequest.store (-1);
            playbackModeRequest.store (-1);
            chosenByPosition = true;
        }
    }

    if (! chosenByPosition)
    {
        if (resync)
        {
            releaseAll (midi, channel, 0);
            sectionCursor.reset (e < n ? e : activeSection, n, e >= n);
            sectionStartBeat = a;
            lastSectionChoice = e;
            queuedSectionRequest.store (-1);
        }
        else
        {
            const auto m = playbackModeRequest.exchange (-1);
            const auto q = queuedSectionRequest.exchange (-1);

            if (m >= 0)
            {
                sectionCursor.advance = m != 0;
                lastSectionChoice = e;
            }

            if (q >= 0)
            {
                sectionCursor.pending = VarneT::clampSectionIndex (q, n);
                lastSectionChoice = e;
            }
            else if (m < 0 && e != lastSectionChoice)
            {
                if (e < n)
                {
                    sectionCursor.current = VarneT::clampSectionIndex (e, n);
                    sectionCursor.pending = -1;
                    sectionCursor.advance = false;
                    sectionStartBeat = a;
                    releaseAll (midi, channel, 0);
                }
                else
                {
                    sectionCursor.advance = true;
                }

                lastSectionChoice = e;
            }
        }

        // Catch up with passes that ended at or before the block's start. Every pass end releases
        // what sounds, also when the Section repeats: a note held over would otherwise keep the
        // previous pass's end beat. A gap of many passes is bounded so that the block finishes.
        bool passEnded = false;
        for (int passes = 0; sectionCursor.current >= 0; ++passes)
        {
            const auto length = sectionLength (compiled.sections[(size_t) sectionCursor.current]);
            if (sectionStartBeat + length > a)
                break;

            if (passes >= 4096 || sectionStartBeat + length == sectionStartBeat)
            {
                sectionStartBeat = a;
                break;
            }

            sectionStartBeat += length;
            sectionCursor.next (n);
            passEnded = true;
        }

        if (passEnded)
        {
            releaseAll (midi, channel, 0);
            fromPassStart = a - sectionStartBeat > 0.0 && a - sectionStartBeat < bps;
        }
    }

    transportWasRunning = true;

    if (numSamples > 0 && sectionCursor.current >= 0)
    {
        int segmentStart = 0, renderedUpTo = 0, nextEvent = 0;
        auto segmentBeat = a - sectionStartBeat;

        // Each pass end moves at least one sample on, or is one of a bounded run of passes
        // shorter than a sample.
        for (int shortPasses = 0;;)
        {
            const auto i = sectionCursor.current;
            const auto& section = compiled.sections[(size_t) i];
            const auto passEnd = sectionStartBeat + sectionLength (section);
            auto u = numSamples;

            if (c - 1.0e-9 > passEnd)
                u = juce::jlimit (0, numSamples, (int) std::ceil ((passEnd - a) / bps - 1.0e-9));

            while (nextEvent < eventCount && inputEvents[(size_t) nextEvent].sampleOffset < u)
            {
                const auto f = inputEvents[(size_t) nextEvent].sampleOffset;
                const auto end = nextInputGroupEnd (nextEvent, eventCount, groupWindow);

                if (renderedUpTo < f)
                {
                    renderSpan (project, section, fromPassStart, segmentBeat, segmentStart, renderedUpTo, f, bps, midi);
                    fromPassStart = false;
                }

                const auto wasGenerating = generatingNow (project);
                updateHeldNotes (nextEvent, end);

                if (wasGenerating && ! generatingNow (project))
                    releaseAll (midi, channel, f);

                renderedUpTo = std::max (renderedUpTo, f);
                nextEvent = end;
            }

            renderSpan (project, section, fromPassStart, segmentBeat, segmentStart, renderedUpTo, u, bps, midi);
            fromPassStart = false;
            renderedUpTo = std::max (renderedUpTo, u);

            if (u >= numSamples)
                break;

            shortPasses = u == segmentStart ? shortPasses + 1 : 0;

            releaseAll (midi, channel, u);
            sectionCursor.next (n);
            // The next pass starts exactly where this one ended, so that passes keep to the host's
            // beat grid; its events from that beat on start at sample u.
            sectionStartBeat = passEnd;
            segmentStart = u;
            segmentBeat = std::max (0.0, a + u * bps - passEnd);
            fromPassStart = segmentBeat > 0.0;

            if (shortPasses > 64)
            {
                // Passes far shorter than a sample: let the rest of the block run on in the
                // current pass instead of spinning through them.
                sectionStartBeat = c;
                renderSpan (project, compiled.sections[(size_t) sectionCursor.current], false, 0.0, u,
                            renderedUpTo, numSamples, 0.0, midi);
                break;
            }
        }

        // Input that arrived after the last pass end of the block.
        for (int first = nextEvent; first < eventCount;)
        {
            const auto end = nextInputGroupEnd (first, eventCount, groupWindow);
            updateHeldNotes (first, end);
            first = end;
        }
    }

    lastBlockEndBeat = c;
    generating.store (generatingNow (project), std::memory_order_relaxed);
    publishDisplay (project, c);
}
