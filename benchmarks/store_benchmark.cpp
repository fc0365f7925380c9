// The project store: one edit (validate, undo step, compile, publish) and the plug-in state
// saved and restored, for a typical project and for one just under the 4 MB document limit.

#include "model/DefaultProject.h"
#include "model/ProjectJson.h"
#include "model/ProjectValidation.h"
#include "plugin/PluginProcessor.h"
#include "support/BenchmarkProjects.h"
#include "support/AllocationCounter.h"
#include "support/TemporaryHome.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <vector>

using namespace VarneT;

namespace
{
Project projectOf (int sectionCount, int notesPerPattern)
{
    auto project = testing_support::projectOfSize (sectionCount, notesPerPattern);
    project.identityName = "Bench";
    return project;
}


/** 64 Sections with as many notes as the 4 MB of JSON text allow. */
Project largestProject()
{
    int low = 1, high = maxPatternEvents;
    while (low < high)
    {
        const auto middle = (low + high + 1) / 2;
        if (projectJsonTextBytes (projectOf (64, middle)) <= maxProjectJsonBytes)
            low = middle;
        else
            high = middle - 1;
    }
    return projectOf (64, low);
}

/** 0: the default project; 1: a typical song, 4 Sections of 4 Patterns of 8 notes; 2: a large
    song, 8 Sections of 4 Patterns of 16 notes; 3: the largest project. */
Project projectFor (int size)
{
    switch (size)
    {
        case 0:  return makeDefaultProject();
        case 1:  return projectOf (4, 8);
        case 2:  return projectOf (8, 16);
        default: return largestProject();
    }
}

const std::vector<int64_t> sizes { 0, 1, 2, 3 };

void reportProject (benchmark::State& state, const Project& project, std::size_t allocationsBefore)
{
    state.counters["jsonKB"] = (double) projectJsonTextBytes (project) / 1024.0;
    state.counters["allocs/iter"] = benchmark::Counter ((double) (testing_support::allocationCount() - allocationsBefore),
                                                        benchmark::Counter::kAvgIterations);
}

// One edit of one note's velocity, as the editor makes it: validation, the undoable action,
// compile and publish. args: project size (see projectFor), undoable
void BM_ProjectEdit (benchmark::State& state)
{
    testing_support::isolateUserFolders();
    auto project = projectFor ((int) state.range (0));
    const auto undoable = state.range (1) != 0;

    VarneTAudioProcessor processor;
    if (const auto error = processor.applyProjectEdit (project, false); error.isNotEmpty())
    {
        state.SkipWithError (error.toRawUTF8());
        return;
    }

    int velocity = 1;
    const auto before = testing_support::allocationCount();
    for (auto _ : state)
    {
        state.PauseTiming();
        project.sections.back().sequence.back().notes.back().velocity = 1 + velocity++ % 127;
        processor.getUndoManager().beginNewTransaction();
        state.ResumeTiming();

        if (const auto error = processor.applyProjectEdit (project, undoable); error.isNotEmpty())
            state.SkipWithError (error.toRawUTF8());
    }

    reportProject (state, project, before);
}
BENCHMARK (BM_ProjectEdit)
    ->ArgNames ({ "size", "undoable" })
    ->ArgsProduct ({ sizes, { 0, 1 } })
    ->Unit (benchmark::kMillisecond);

// One Pattern replaced, as a slider drag or a note-drag commit makes it: always an undo step.
// args: project size
void BM_ReplacePattern (benchmark::State& state)
{
    testing_support::isolateUserFolders();
    const auto project = projectFor ((int) state.range (0));

    VarneTAudioProcessor processor;
    if (const auto error = processor.applyProjectEdit (project, false); error.isNotEmpty())
    {
        state.SkipWithError (error.toRawUTF8());
        return;
    }

    const auto sectionIndex = (int) project.sections.size() - 1;
    const auto patternIndex = (int) project.sections.back().sequence.size() - 1;
    auto pattern = project.sections.back().sequence.back();
    int velocity = 1;
    const auto before = testing_support::allocationCount();
    for (auto _ : state)
    {
        state.PauseTiming();
        pattern.notes.back().velocity = 1 + velocity++ % 127;
        processor.getUndoManager().beginNewTransaction();
        state.ResumeTiming();

        if (const auto error = processor.replacePattern (pattern, sectionIndex, patternIndex); error.isNotEmpty())
            state.SkipWithError (error.toRawUTF8());
    }

    reportProject (state, project, before);
}
BENCHMARK (BM_ReplacePattern)->ArgNames ({ "size" })->ArgsProduct ({ sizes })->Unit (benchmark::kMillisecond);

// getStateInformation. args: project size, dirty (the baseline travels too)
void BM_StateSave (benchmark::State& state)
{
    testing_support::isolateUserFolders();
    auto project = projectFor ((int) state.range (0));

    VarneTAudioProcessor processor;
    processor.applyProjectEdit (project, false);
    processor.markProjectClean();
    if (state.range (1) != 0)
    {
        project.sections[0].sequence[0].notes[0].velocity = 1;
        processor.applyProjectEdit (project, false);
    }

    juce::MemoryBlock block;
    const auto before = testing_support::allocationCount();
    for (auto _ : state)
    {
        processor.getStateInformation (block);
        benchmark::DoNotOptimize (block.getData());
    }

    reportProject (state, project, before);
    state.counters["stateKB"] = (double) block.getSize() / 1024.0;
}
BENCHMARK (BM_StateSave)->ArgNames ({ "size", "dirty" })->ArgsProduct ({ sizes, { 0, 1 } })->Unit (benchmark::kMillisecond);

// setStateInformation of a saved state into another instance: parse, read, validate, compile,
// publish. args: project size, dirty
void BM_StateRestore (benchmark::State& state)
{
    testing_support::isolateUserFolders();
    auto project = projectFor ((int) state.range (0));

    juce::MemoryBlock saved;
    {
        VarneTAudioProcessor source;
        source.applyProjectEdit (project, false);
        source.markProjectClean();
        if (state.range (1) != 0)
        {
            project.sections[0].sequence[0].notes[0].velocity = 1;
            source.applyProjectEdit (project, false);
        }
        source.getStateInformation (saved);
    }

    VarneTAudioProcessor processor;
    const auto before = testing_support::allocationCount();
    for (auto _ : state)
        processor.setStateInformation (saved.getData(), (int) saved.getSize());

    if (processor.getNumSections() != (int) project.sections.size())
        state.SkipWithError ("the state was not restored");

    reportProject (state, project, before);
    state.counters["stateKB"] = (double) saved.getSize() / 1024.0;
}
BENCHMARK (BM_StateRestore)->ArgNames ({ "size", "dirty" })->ArgsProduct ({ sizes, { 0, 1 } })->Unit (benchmark::kMillisecond);
} // namespace
