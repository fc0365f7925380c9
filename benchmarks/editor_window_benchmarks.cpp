// The editor's cost to open and to repaint at the default size, with the software renderer.

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
