// The editor's cost to open and to repaint at the default size, with the software renderer, the
// cost of an edit made in it (one value change of a slider drag, one committed note drag), and the
// message thread's share of a core while an open editor on the display follows playback.

#include "editor/PluginEditor.h"
#include "model/DefaultProject.h"
#include "model/ProjectJson.h"
#include "model/ProjectValidation.h"
#include "support/TemporaryHome.h"
#include "support/gui/GuiTestBench.h"
#include "support/gui/XDisplay.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <thread>

namespace
{
/** 64 Sections of 16 Patterns each: the default Pattern with as many of its notes as keep the
    project within the 4 MB that a project may take. */
VarneT::Project largeProject()
{
    const auto defaults = VarneT::makeDefaultProject();

    for (auto notes = defaults.sections[0].sequence[0].notes.size(); ; --notes)
    {
        auto project = defaults;
        auto section = project.sections[0];
        auto pattern = section.sequence[0];
        pattern.notes.resize (notes);
        section.sequence.assign (16, pattern);

        project.sections.clear();
        for (int i = 0; i < 64; ++i)
        {
            section.name = "Section " + juce::String (i + 1);
            project.sections.push_back (section);
        }

        if (notes == 0 || VarneT::projectJsonTextBytes (project) <= VarneT::maxProjectJsonBytes)
            return project;
    }
}

void paintOnce (juce::Component& editor, juce::Image& canvas)
{
    juce::Graphics g (canvas);
    editor.paintEntireComponent (g, true);
}

void BM_EditorOpenAndFirstPaint (benchmark::State& state)
{
    testing_support::isolateUserFolders();
    VarneTAudioProcessor processor;
    processor.getTelemetryClient().markWelcomeSeen();
    if (state.range (0) == 1)
        if (const auto error = processor.commitProject (largeProject()); error.isNotEmpty())
            state.SkipWithError (error.toRawUTF8());

    juce::Image canvas (juce::Image::ARGB, 1360, 820, true, juce::SoftwareImageType());

    for (auto _ : state)
    {
        auto editor = std::make_unique<VarneTAudioProcessorEditor> (processor);
        editor->setSize (1360, 820);
        paintOnce (*editor, canvas);
        processor.editorBeingDeleted (editor.get());
        editor.reset();
    }
}
BENCHMARK (BM_EditorOpenAndFirstPaint)->ArgNames ({ "large" })->Arg (0)->Arg (1)->Unit (benchmark::kMillisecond);

void BM_EditorFullRepaint (benchmark::State& state)
{
    testing_support::isolateUserFolders();
    VarneTAudioProcessor processor;
    processor.getTelemetryClient().markWelcomeSeen();
    auto editor = std::make_unique<VarneTAudioProcessorEditor> (processor);
    editor->setSize (1360, 820);
    juce::Image canvas (juce::Image::ARGB, 1360, 820, true, juce::SoftwareImageType());
    paintOnce (*editor, canvas);

    for (auto _ : state)
        paintOnce (*editor, canvas);

    processor.editorBeingDeleted (editor.get());
}
BENCHMARK (BM_EditorFullRepaint)->Unit (benchmark::kMillisecond);
} // namespace

/** Reaches the controls a user drags. */
class VarneTEditorActionsTestAccess
{
public:
    explicit VarneTEditorActionsTestAccess (VarneTAudioProcessorEditor& e) : editor (e) {}

    void selectFirstNote()
    {
        editor.timeline.selectedIndex = 0;
        editor.canvasSelectionChanged();
    }
    // Each edit is followed by the refresh that the processor's change broadcast brings.
    void dragVelocityTo (int v)
    {
        editor.velocitySlider.setValue (v, juce::sendNotificationSync);
        editor.refreshFromProcessor();
    }
    void commitNoteDragTo (double beat)
    {
        editor.canvasBeginEdit();
        editor.timeline.pattern.notes[0].startBeat = beat;
        editor.canvasEditCommitted();
        editor.refreshFromProcessor();
    }

private:
    VarneTAudioProcessorEditor& editor;
};

//==============================================================================
// The live editor: its timer tick, a full refresh and the dictionary's rows.

class VarneTLiveEditorTestAccess
{
public:
    static void tick (VarneTAudioProcessorEditor& e) { e.timerCallback(); }
    static void refresh (VarneTAudioProcessorEditor& e) { e.refreshFromProcessor(); }
    static int rows (VarneTAudioProcessorEditor& e) { return e.getNumRows(); }
    static double playheadBeat (VarneTAudioProcessorEditor& e) { return e.timeline.playheadBeat; }
    static float sectionProgress (VarneTAudioProcessorEditor& e) { return e.sectionStrip.getProgress(); }
    static int playingSectionTile (VarneTAudioProcessorEditor& e) { return e.sectionStrip.getPlayingIndex(); }
    static void paintDictionary (VarneTAudioProcessorEditor& e, juce::Graphics& g, int width, int height)
    {
        for (int row = 0; row < e.getNumRows(); ++row)
        {
            juce::Graphics::ScopedSaveState state (g);
            g.setOrigin (0, row * height);
            g.reduceClipRegion (0, 0, width, height); // as the list clips each row
            e.paintListBoxItem (row, g, width, height, row == 3);
        }
    }
};

namespace
{
/** The default project grown by copies of its Pattern, four to a Section and up to sixteen once
    there are 64 Sections, until its text holds about `bytes`. */
VarneT::Project songOfAbout (size_t bytes)
{
    auto project = VarneT::makeDefaultProject();
    if (bytes == 0)
        return project;

    const auto pattern = project.sections[0].sequence[0];
    const auto base = (std::int64_t) VarneT::projectJsonTextBytes (project);
    project.sections[0].sequence.push_back (pattern);
    const auto perPattern = std::max<std::int64_t> (1, (std::int64_t) VarneT::projectJsonTextBytes (project) - base);
    project.sections[0].sequence.pop_back();

    auto patterns = std::max<std::int64_t> (0, ((std::int64_t) bytes - base) / perPattern);
    const auto perSection = patterns > 64 * 4 ? 16 : 4;
    auto section = project.sections[0];
    for (auto* s = &project.sections[0]; patterns > 0; --patterns)
    {
        if ((int) s->sequence.size() >= perSection)
        {
            if (project.sections.size() >= 64)
                break;
            section.name = "Section " + juce::String (project.sections.size() + 1);
            section.sequence = { pattern };
            project.sections.push_back (section);
            s = &project.sections.back();
            continue;
        }
        s->sequence.push_back (pattern);
        s->sequence.back().name = "Pattern " + juce::String (s->sequence.size());
    }
    while (VarneT::projectJsonTextBytes (project) > VarneT::maxProjectJsonBytes)
        project.sections.back().sequence.pop_back();
    return project;
}

struct EditingBench
{
    explicit EditingBench (benchmark::State& state)
    {
        testing_support::isolateUserFolders();
        processor.getTelemetryClient().markWelcomeSeen();
        const auto project = songOfAbout ((size_t) state.range (0) * 1024);
        if (const auto error = processor.commitProject (project); error.isNotEmpty())
            state.SkipWithError (error.toRawUTF8());
        state.counters["json_kb"] = (double) VarneT::projectJsonTextBytes (project) / 1024.0;
        editor = std::make_unique<VarneTAudioProcessorEditor> (processor);
        editor->setSize (1360, 820);
        access = std::make_unique<VarneTEditorActionsTestAccess> (*editor);
        access->selectFirstNote();
    }

    ~EditingBench() { processor.editorBeingDeleted (editor.get()); }

    VarneTAudioProcessor processor;
    std::unique_ptr<VarneTAudioProcessorEditor> editor;
    std::unique_ptr<VarneTEditorActionsTestAccess> access;
};

void BM_EditorSliderValueChange (benchmark::State& state)
{
    EditingBench bench (state);
    bench.processor.getUndoManager().beginNewTransaction();
    int v = 40;
    for (auto _ : state)
        bench.access->dragVelocityTo (v = v == 40 ? 41 : 40);

    const auto project = bench.processor.getProjectCopy();
    if (project.sections[(size_t) project.clampedActiveSectionIndex()].sequence[0].notes[0].velocity != v)
        state.SkipWithError ("the drag did not reach the project");
}
BENCHMARK (BM_EditorSliderValueChange)->ArgNames ({ "kb" })->Arg (0)->Arg (72)->Arg (260)->Arg (4000)->Unit (benchmark::kMillisecond);

void BM_EditorNoteDragCommit (benchmark::State& state)
{
    EditingBench bench (state);
    double beat = 0.0;
    for (auto _ : state)
        bench.access->commitNoteDragTo (beat = beat == 0.0 ? 0.5 : 0.0);

    const auto project = bench.processor.getProjectCopy();
    if (project.sections[(size_t) project.clampedActiveSectionIndex()].sequence[0].notes[0].startBeat != beat)
        state.SkipWithError ("the drag did not reach the project");
}
BENCHMARK (BM_EditorNoteDragCommit)->ArgNames ({ "kb" })->Arg (0)->Arg (72)->Arg (260)->Arg (4000)->Unit (benchmark::kMillisecond);

struct OpenEditor
{
    explicit OpenEditor (bool large)
    {
        testing_support::isolateUserFolders();
        processor.getTelemetryClient().markWelcomeSeen();
        if (large)
            processor.commitProject (largeProject());
        editor = std::make_unique<VarneTAudioProcessorEditor> (processor);
        editor->setSize (1360, 820);
    }
    ~OpenEditor() { processor.editorBeingDeleted (editor.get()); }

    VarneTAudioProcessor processor;
    std::unique_ptr<VarneTAudioProcessorEditor> editor;
};

void BM_EditorTimerTickIdle (benchmark::State& state)
{
    OpenEditor open (false);
    VarneTLiveEditorTestAccess::tick (*open.editor);
    for (auto _ : state)
        VarneTLiveEditorTestAccess::tick (*open.editor);
}
BENCHMARK (BM_EditorTimerTickIdle)->Unit (benchmark::kMicrosecond);

void BM_EditorRefreshLargeProject (benchmark::State& state)
{
    OpenEditor open (true);
    for (auto _ : state)
        VarneTLiveEditorTestAccess::refresh (*open.editor);
}
BENCHMARK (BM_EditorRefreshLargeProject)->Unit (benchmark::kMillisecond);

void BM_DictionaryPaintAllRows (benchmark::State& state)
{
    OpenEditor open (false);
    const int width = 260, height = 58;
    juce::Image canvas (juce::Image::ARGB, width, height * VarneTLiveEditorTestAccess::rows (*open.editor), true, juce::SoftwareImageType());
    for (auto _ : state)
    {
        juce::Graphics g (canvas);
        VarneTLiveEditorTestAccess::paintDictionary (*open.editor, g, width, height);
    }
}
BENCHMARK (BM_DictionaryPaintAllRows)->Unit (benchmark::kMillisecond);

//==============================================================================
// An open editor following playback: the audio thread plays the default project in real time
// while the message loop runs the editor's timer and the window's paints. Run under
// xvfb-run -a -s "-screen 0 1920x1200x24". Target: msg_cpu_pct at most 5 (% of one core).
//
// Measured on the shared build machine (load about 2), Release: msg_cpu_pct 2.0 to 2.4, 20 paints
// per second of about 16 thousand pixels each (the playing tiles, the playhead strips, the labels).

double threadCpuSeconds()
{
    timespec t {};
    clock_gettime (CLOCK_THREAD_CPUTIME_ID, &t);
    return (double) t.tv_sec + (double) t.tv_nsec * 1.0e-9;
}

/** A host window around the editor that counts the paints the window makes and the pixels they
    cover, and the playhead positions they show. */
class PaintCountingWindow final : public juce::Component
{
public:
    explicit PaintCountingWindow (VarneTAudioProcessorEditor& e) : editor (e)
    {
        setOpaque (true);
        addAndMakeVisible (editor);
        setBounds (40, 40, editor.getWidth(), editor.getHeight());
    }

    ~PaintCountingWindow() override
    {
        removeChildComponent (&editor);
        removeFromDesktop();
    }

    void paintOverChildren (juce::Graphics& g) override
    {
        const auto countingStart = threadCpuSeconds();
        ++paints;
        pixels += paintedPixels (g, g.getClipBounds());
        const auto beat = VarneTLiveEditorTestAccess::playheadBeat (editor);
        if (beat >= 0.0 && beat != lastPaintedBeat)
            ++playheadMoves;
        lastPaintedBeat = beat;
        countingSeconds += threadCpuSeconds() - countingStart;
    }

    /** The pixels of an area that the paint's clip region covers, to 8 pixels: the region is a
        list of rectangles whose bounds can be far larger than the region itself. */
    static double paintedPixels (juce::Graphics& g, juce::Rectangle<int> area)
    {
        if (area.isEmpty() || ! g.clipRegionIntersects (area))
            return 0.0;
        if (area.getWidth() <= 8 && area.getHeight() <= 8)
            return (double) area.getWidth() * area.getHeight();
        const auto halves = area.getWidth() >= area.getHeight()
                              ? std::pair { area.withWidth (area.getWidth() / 2), area.withTrimmedLeft (area.getWidth() / 2) }
                              : std::pair { area.withHeight (area.getHeight() / 2), area.withTrimmedTop (area.getHeight() / 2) };
        return paintedPixels (g, halves.first) + paintedPixels (g, halves.second);
    }

    void resetCounts() noexcept
    {
        paints = playheadMoves = 0;
        pixels = countingSeconds = 0.0;
    }

    VarneTAudioProcessorEditor& editor;
    int paints = 0, playheadMoves = 0;
    double pixels = 0.0, lastPaintedBeat = -1.0;
    double countingSeconds = 0.0; // the counting's own CPU time, left out of the figure
};

/** The host's transport: playing at 120 BPM, its position following the samples played. */
struct RealTimeHead final : juce::AudioPlayHead
{
    static constexpr double bpm = 120.0;
    double ppq = 0.0;

    juce::Optional<PositionInfo> getPosition() const override
    {
        PositionInfo info;
        info.setBpm (bpm);
        info.setIsPlaying (true);
        info.setPpqPosition (ppq);
        info.setTimeInSeconds (ppq * 60.0 / bpm);
        return info;
    }
};

/** Calls processBlock in blocks paced to real time, a chord held on the input from the first block. */
class RealTimeAudioThread
{
public:
    static constexpr double sampleRate = 48000.0;
    static constexpr int blockSize = 512;

    explicit RealTimeAudioThread (VarneTAudioProcessor& p) : processor (p)
    {
        processor.setPlayHead (&head);
        processor.prepareToPlay (sampleRate, blockSize);
        thread = std::thread ([this] { run(); });
    }

    ~RealTimeAudioThread()
    {
        running = false;
        thread.join();
        processor.setPlayHead (nullptr);
        processor.releaseResources();
    }

    std::atomic<juce::int64> blocks { 0 };

private:
    void run()
    {
        juce::AudioBuffer<float> audio (2, blockSize);
        juce::MidiBuffer midi;
        midi.ensureSize (1 << 16);
        const auto blockTime = std::chrono::duration<double> (blockSize / sampleRate);
        const auto start = std::chrono::steady_clock::now();

        for (juce::int64 block = 0; running.load(); ++block)
        {
            midi.clear();
            if (block == 0)
                for (const auto note : { 48, 52, 55, 59 })
                    midi.addEvent (juce::MidiMessage::noteOn (1, note, (juce::uint8) 100), 0);

            head.ppq = (double) block * blockSize / sampleRate * RealTimeHead::bpm / 60.0;
            audio.clear();
            processor.processBlock (audio, midi);
            blocks = block + 1;

            std::this_thread::sleep_until (start + std::chrono::duration_cast<std::chrono::steady_clock::duration> (blockTime * (double) (block + 1)));
        }
    }

    VarneTAudioProcessor& processor;
    RealTimeHead head;
    std::atomic<bool> running { true };
    std::thread thread;
};

void BM_EditorFollowingPlayback (benchmark::State& state)
{
    namespace gui = testing_support::gui;
    if (! gui::XDisplay::open())
    {
        state.SkipWithError ("needs an X display: run under xvfb-run");
        return;
    }

    testing_support::isolateUserFolders();
    VarneTAudioProcessor processor;
    processor.getTelemetryClient().markWelcomeSeen();

    auto editor = std::make_unique<VarneTAudioProcessorEditor> (processor);
    editor->setSize (1360, 820);

    {
        PaintCountingWindow window (*editor);
        window.addToDesktop (0);
        window.setVisible (true);
        // The pointer rests outside the window: no hover follows it.
        gui::input::warpMainMouseSource ({ 1900, 1180 });

        const auto started = gui::pumpUntil ([&] { return gui::isViewableOnScreen (window) && window.paints > 0; });
        RealTimeAudioThread audio (processor);
        if (! started || ! gui::pumpUntil ([&] { return processor.isGenerating() && processor.getHeldChordName().isNotEmpty(); }))
        {
            state.SkipWithError ("the editor did not open on the display, or playback did not start");
        }
        else
        {
            // One second to settle: the held chord shown, the playhead running.
            juce::MessageManager::getInstance()->runDispatchLoopUntil (1000);
            const auto blocksBefore = audio.blocks.load();
            const auto progressBefore = VarneTLiveEditorTestAccess::sectionProgress (*editor);
            double seconds = 0.0, cpu = 0.0;

            for (auto _ : state)
            {
                window.resetCounts();
                const auto wallStart = std::chrono::steady_clock::now();
                const auto cpuStart = threadCpuSeconds();
                juce::MessageManager::getInstance()->runDispatchLoopUntil ((int) state.range (0) * 1000);
                cpu = threadCpuSeconds() - cpuStart - window.countingSeconds;
                seconds = std::chrono::duration<double> (std::chrono::steady_clock::now() - wallStart).count();
                state.SetIterationTime (seconds);
            }

            const auto playedSeconds = (double) (audio.blocks.load() - blocksBefore) * RealTimeAudioThread::blockSize / RealTimeAudioThread::sampleRate;
            state.counters["msg_cpu_pct"] = 100.0 * cpu / seconds;
            state.counters["paints_per_s"] = window.paints / seconds;
            state.counters["painted_kpx_per_s"] = window.pixels / 1000.0 / seconds;
            state.counters["playhead_moves"] = window.playheadMoves;
            state.counters["audio_realtime_pct"] = 100.0 * playedSeconds / seconds;

            // Without the playhead moving on screen and the strip's progress changing the figure
            // would measure an idle editor.
            const auto followed = window.playheadMoves >= 5 * (int) state.range (0)
                               && VarneTLiveEditorTestAccess::playingSectionTile (*editor) == 0
                               && VarneTLiveEditorTestAccess::sectionProgress (*editor) != progressBefore;
            if (! followed)
                state.SkipWithError ("the editor did not follow playback");
        }
    }

    processor.editorBeingDeleted (editor.get());
}
BENCHMARK (BM_EditorFollowingPlayback)->ArgNames ({ "seconds" })->Arg (10)->Iterations (1)->UseManualTime()->Unit (benchmark::kMillisecond);
} // namespace
