// The editor's cost to open and to repaint at the default size, with the software renderer.

#include "editor/PluginEditor.h"
#include "model/DefaultProject.h"
#include "support/BenchmarkAllocations.h"

#include <benchmark/benchmark.h>

namespace
{
/** 64 Sections of 16 Patterns each, every Pattern the default one. */
VarneT::Project largeProject()
{
    auto project = VarneT::makeDefaultProject();
    auto section = project.sections[0];
    const auto pattern = section.sequence[0];
    section.sequence.assign (16, pattern);

    project.sections.clear();
    for (int i = 0; i < 64; ++i)
    {
        section.name = "Section " + juce::String (i + 1);
        project.sections.push_back (section);
    }
    return project;
}

void paintOnce (juce::Component& editor, juce::Image& canvas)
{
    juce::Graphics g (canvas);
    editor.paintEntireComponent (g, true);
}

void BM_EditorOpenAndFirstPaint (benchmark::State& state)
{
    bench::isolateUserFolders();
    VarneTAudioProcessor processor;
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
    bench::isolateUserFolders();
    VarneTAudioProcessor processor;
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
