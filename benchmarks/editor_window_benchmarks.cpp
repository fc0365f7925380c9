// The editor's cost to open and to repaint at the default size, with the software renderer, and
// the cost of an edit made in it: one value change of a slider drag, one committed note drag.

#include "editor/PluginEditor.h"
#include "model/DefaultProject.h"
#include "model/ProjectJson.h"
#include "model/ProjectValidation.h"
#include "support/TemporaryHome.h"

#include <benchmark/benchmark.h>

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
} // namespace
