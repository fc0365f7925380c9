// The project JSON overlay: opening it on a project (writing the text into the text editor),
// applying the text back, and one keystroke in it, for a typical and a near-4 MB project.

#include "editor/ProjectJsonOverlay.h"
#include "editor/VarneTTheme.h"
#include "editor/actions/ProjectJsonApply.h"
#include "model/ProjectJson.h"
#include "model/ProjectValidation.h"
#include "plugin/PluginProcessor.h"

#include "support/ProjectJsonSamples.h"

#include <benchmark/benchmark.h>

namespace
{
const VarneT::Project& sampleProject (int which)
{
    static const auto typical = []
    {
        juce::Random random (7);
        return project_samples::randomProject (random, 2, 4, 48);
    }();
    static const auto nearLimit = project_samples::largeProject (VarneT::maxProjectJsonBytes);
    return which == 0 ? typical : nearLimit;
}

/** The overlay over an editor-sized parent, on a processor holding the sample project. */
struct Bench
{
    explicit Bench (int which)
    {
        parent.setLookAndFeel (&theme);
        parent.setSize (1360, 820);
        parent.addChildComponent (overlay);
        if (processor.commitProject (sampleProject (which)).isNotEmpty())
            std::abort();
    }

    ~Bench() { parent.setLookAndFeel (nullptr); }

    VarneTTheme::LookAndFeel theme;
    VarneTAudioProcessor processor;
    juce::Component parent;
    ProjectJsonOverlay overlay;
};

void label (benchmark::State& state, const juce::String& text)
{
    state.SetLabel (state.range (0) == 0 ? "typical" : "near 4 MB");
    state.counters["bytes"] = (double) text.getNumBytesAsUTF8();
}

// What the "{}" button does: the project's text written and put into the overlay.
void OpenOverlay (benchmark::State& state)
{
    Bench bench ((int) state.range (0));
    juce::String text;

    for (auto _ : state)
    {
        text = VarneT::projectToJsonText (bench.processor.getProjectCopy());
        bench.overlay.open (text);
    }

    label (state, text);
}

// Apply: size check, parse, read, validate, write the normalised document, validate and apply it
// as an undoable edit, and mark it saved. Two texts alternate so that every apply is a change.
void ApplyText (benchmark::State& state)
{
    Bench bench ((int) state.range (0));
    auto other = sampleProject ((int) state.range (0));
    other.identityName = "Other";
    const juce::String texts[] { VarneT::projectToJsonText (other), VarneT::projectToJsonText (sampleProject ((int) state.range (0))) };
    size_t next = 0;

    for (auto _ : state)
    {
        if (VarneT::applyEditedProjectJson (bench.processor, texts[next]).isNotEmpty())
            state.SkipWithError ("apply failed");
        next = 1 - next;
    }

    label (state, texts[0]);
}

// One typed character in the middle of the opened text.
void TypeOneCharacter (benchmark::State& state)
{
    Bench bench ((int) state.range (0));
    const auto text = VarneT::projectToJsonText (bench.processor.getProjectCopy());
    bench.overlay.open (text);
    bench.overlay.editor.setCaretPosition (text.length() / 2);

    for (auto _ : state)
    {
        bench.overlay.editor.insertTextAtCaret ("1");
        bench.overlay.editor.moveCaretLeft (false, true);
        bench.overlay.editor.insertTextAtCaret ({});
    }

    label (state, text);
}
} // namespace

BENCHMARK (OpenOverlay)->Arg (0)->Arg (1)->Unit (benchmark::kMillisecond)->Iterations (5);
BENCHMARK (ApplyText)->Arg (0)->Arg (1)->Unit (benchmark::kMillisecond)->Iterations (6);
BENCHMARK (TypeOneCharacter)->Arg (0)->Arg (1)->Unit (benchmark::kMillisecond)->Iterations (20);
