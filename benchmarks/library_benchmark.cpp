// The project library: listing a library of 1,000 typical projects and opening the overlay on it,
// and saving and loading a project just under the 4 MB document limit.

#include "editor/library/ProjectLibrary.h"
#include "editor/library/ProjectLibraryController.h"
#include "editor/library/ProjectLibraryOverlay.h"
#include "model/DefaultProject.h"
#include "model/ProjectJson.h"
#include "model/ProjectValidation.h"
#include "plugin/PluginProcessor.h"
#include "support/BenchmarkProjects.h"
#include "support/TemporaryHome.h"

#include <benchmark/benchmark.h>
#include <juce_cryptography/juce_cryptography.h>

#include <cmath>

using namespace VarneT;

namespace
{
Project projectOf (int sectionCount, int notesPerPattern)
{
    auto project = testing_support::projectOfSize (sectionCount, notesPerPattern);
    return project;
}

juce::String fileTextOf (const Project& project, const juce::String& name)
{
    return projectFileText (juce::Uuid().toDashedString(), name, "bench", juce::Time::getCurrentTime().toISO8601 (true),
                            projectToVar (project));
}

/** The largest n for which the measure of projectOf (sections, n) stays within the limit. */
template <typename Measure>
int largestNotes (int sections, std::size_t limit, Measure measure)
{
    int low = 1, high = maxPatternEvents;
    while (low < high)
    {
        const auto middle = (low + high + 1) / 2;
        if (measure (projectOf (sections, middle)) <= limit)
            low = middle;
        else
            high = middle - 1;
    }
    return low;
}

/** A library folder of 1,000 files of about 72 KB each, written once. */
const juce::File& thousandProjectLibrary()
{
    static const auto folder = []
    {
        testing_support::isolateUserFolders();
        const auto typical = projectOf (4, largestNotes (4, 72 * 1024, [] (const Project& p)
                                                         { return (std::size_t) fileTextOf (p, "Take 1000").getNumBytesAsUTF8(); }));
        const auto library = projectLibraryFolder();
        library.createDirectory();
        for (int i = 1; i <= 1000; ++i)
            writeFileAtomically (library.getChildFile ("Take " + juce::String (i) + ".json"), fileTextOf (typical, "Take " + juce::String (i)));
        return library;
    }();
    return folder;
}

/** Gives every library file a new modification time, so that the next listing reads them all. */
void touchLibrary (const juce::File& folder)
{
    static juce::int64 stampMs = juce::Time::currentTimeMillis() - 1000000000;
    stampMs += 1000;
    for (const auto& file : listProjectFiles (folder))
        file.setLastModificationTime (juce::Time (stampMs));
}

// args: warm (1: the files were listed before and did not change)
void BM_ListLibrary (benchmark::State& state)
{
    const auto& folder = thousandProjectLibrary();
    const auto warm = state.range (0) != 0;
    buildLibraryEntries (listProjectFiles (folder));
    std::size_t count = 0;
    for (auto _ : state)
    {
        if (! warm)
        {
            state.PauseTiming();
            touchLibrary (folder);
            state.ResumeTiming();
        }
        auto entries = buildLibraryEntries (listProjectFiles (folder));
        count = entries.size();
        benchmark::DoNotOptimize (entries);
    }
    state.counters["files"] = (double) count;
    state.counters["fileKB"] = (double) folder.getChildFile ("Take 1.json").getSize() / 1024.0;
}
BENCHMARK (BM_ListLibrary)->ArgName ("warm")->Arg (0)->Arg (1)->Unit (benchmark::kMillisecond)->UseRealTime();

// What the Projects button does: check the project, list the library, fill and show the overlay.
// Time: how long the message thread is blocked; shownMs: until the overlay is shown with its rows.
// args: library (0 changed since last listed, 1 listed before, 2 changed, then read in the
// background while the editor opened)
void BM_OpenLibraryOverlay (benchmark::State& state)
{
    const auto& folder = thousandProjectLibrary();
    const auto mode = state.range (0);
    VarneTAudioProcessor processor;
    juce::Component parent;
    parent.setSize (1000, 700);
    ProjectLibraryOverlay overlay;
    parent.addChildComponent (overlay);
    buildLibraryEntries (listProjectFiles (folder));

    double shownMs = 0.0;
    for (auto _ : state)
    {
        state.PauseTiming();
        overlay.setVisible (false);
        if (mode != 1)
            touchLibrary (folder);
        auto controller = std::make_unique<ProjectLibraryController> (processor, &overlay, nullptr, ProjectLibraryController::EditorHooks {});
        while (mode == 2 && controller->isListingInProgress())
            juce::MessageManager::getInstance()->runDispatchLoopUntil (1);
        const auto start = juce::Time::getMillisecondCounterHiRes();
        state.ResumeTiming();

        controller->showProjectLibrary();

        state.PauseTiming();
        while (! overlay.isVisible())
            juce::MessageManager::getInstance()->runDispatchLoopUntil (1);
        shownMs = juce::jmax (shownMs, juce::Time::getMillisecondCounterHiRes() - start);
        controller.reset();
        state.ResumeTiming();
    }
    state.counters["rows"] = (double) overlay.getNumRows();
    state.counters["shownMs"] = shownMs;
}
// Fixed iterations: the paused waits are long while the measured part is short.
BENCHMARK (BM_OpenLibraryOverlay)->ArgName ("library")->Arg (0)->Arg (1)->Arg (2)->Iterations (3)->Unit (benchmark::kMillisecond)->UseRealTime();

Project largestProject()
{
    return projectOf (64, largestNotes (64, maxProjectJsonBytes, [] (const Project& p) { return projectJsonTextBytes (p); }));
}

// args: 0 save (overwriting the same file), 1 load
void BM_LargestProjectFile (benchmark::State& state)
{
    testing_support::isolateUserFolders();
    const auto project = largestProject();
    VarneTAudioProcessor processor;
    if (const auto error = processor.applyProjectEdit (project, false); error.isNotEmpty())
    {
        state.SkipWithError (error.toRawUTF8());
        return;
    }

    ProjectLibraryController controller (processor, nullptr, nullptr, {});
    const auto target = projectLibraryFolder().getChildFile ("Largest.json");
    target.deleteFile();
    if (const auto error = controller.saveProjectToLibrary ("Largest", "", target, true); error.isNotEmpty())
    {
        state.SkipWithError (error.toRawUTF8());
        return;
    }

    const auto save = state.range (0) == 0;
    for (auto _ : state)
    {
        const auto ok = save ? controller.saveProjectToLibrary ("Largest", "", target, true).isEmpty()
                             : controller.loadProjectFromLibrary (target);
        if (! ok)
            state.SkipWithError ("library operation failed");
    }
    state.counters["fileMB"] = (double) target.getSize() / (1024.0 * 1024.0);
    state.counters["jsonMB"] = (double) projectJsonTextBytes (project) / (1024.0 * 1024.0);
}
BENCHMARK (BM_LargestProjectFile)->ArgName ("load")->Arg (0)->Arg (1)->Unit (benchmark::kMillisecond)->UseRealTime();
} // namespace
