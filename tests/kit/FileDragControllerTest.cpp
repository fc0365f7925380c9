// The file drag controller against a scripted performer: gesture and process rules, completion
// gating, the trace (the real XDND drags are in gui/FileDragXdndTest.cpp).

#include "kit/FileDragController.h"
#include "support/ProcessRunner.h"
#include "support/ScratchFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

using tolmek::FileDragController;
using DragResult = FileDragController::Result;

namespace
{
/** Holds the drags it accepted; dropping it ends them without a completion, as a drag machinery
    that forgets its callbacks would. */
struct ScriptedPerformer
{
    bool accepts = true;
    int calls = 0;
    juce::StringArray files;
    bool canMove = true;
    std::vector<std::function<void()>> running;

    FileDragController::Performer make()
    {
        return [this] (const juce::StringArray& f, bool move, juce::Component*, std::function<void()> onEnded)
        {
            ++calls;
            files = f;
            canMove = move;
            if (accepts)
                running.push_back (std::move (onEnded));
            return accepts;
        };
    }

    void endAll()
    {
        for (auto& end : running)
            end();
    }

    ~ScriptedPerformer() { running.clear(); }
};

/** A small file for the drags, "Verse.bin" in a folder of its own. */
struct Scratch : testing_support::ScratchFile
{
    Scratch() : ScratchFile ("drag", "Verse.bin", "MThd") {}
    const juce::File& midi = file;
};

/** Captures what the process writes to stderr while it lives. */
struct StderrCapture
{
    juce::File file = juce::File::getSpecialLocation (juce::File::tempDirectory).getNonexistentChildFile ("stderr", ".txt");
    int saved = -1;

    StderrCapture()
    {
        std::fflush (stderr);
        saved = dup (2);
        auto* f = std::fopen (file.getFullPathName().toRawUTF8(), "w");
        dup2 (fileno (f), 2);
        std::fclose (f);
    }

    juce::StringArray finish()
    {
        std::fflush (stderr);
        dup2 (saved, 2);
        close (saved);
        auto lines = juce::StringArray::fromLines (file.loadFileAsString());
        lines.removeEmptyStrings();
        file.deleteFile();
        return lines;
    }
};

struct EnvironmentValue
{
    explicit EnvironmentValue (const char* value)
    {
        if (value != nullptr)
            setenv ("TOLMEK_MIDI_DRAG_TRACE", value, 1);
        else
            unsetenv ("TOLMEK_MIDI_DRAG_TRACE");
    }
    ~EnvironmentValue() { unsetenv ("TOLMEK_MIDI_DRAG_TRACE"); }
};
} // namespace

TEST (FileDragController, OneFilePerGestureAndNothingBeforeAPress)
{
    Scratch scratch;
    ScriptedPerformer performer;
    FileDragController controller (performer.make());
    juce::Component source;
    int made = 0, completions = 0;
    auto maker = [&] { ++made; return scratch.midi; };

    EXPECT_EQ (controller.start (source, maker, "t", {}), DragResult::ignored);
    EXPECT_EQ (made, 0);

    controller.beginGesture();
    EXPECT_EQ (controller.start (source, maker, "t", [&] { ++completions; }), DragResult::started);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ (controller.start (source, maker, "t", {}), DragResult::ignored);

    EXPECT_EQ (made, 1);
    EXPECT_EQ (performer.calls, 1);
    EXPECT_EQ (performer.files, juce::StringArray (scratch.midi.getFullPathName()));
    EXPECT_FALSE (performer.canMove);
    EXPECT_TRUE (FileDragController::isNativeDragActive());

    performer.endAll();
    performer.endAll(); // a second end call changes nothing
    EXPECT_EQ (completions, 1);
    EXPECT_FALSE (FileDragController::isNativeDragActive());
}

TEST (FileDragController, OneNativeDragPerProcess)
{
    Scratch scratch;
    ScriptedPerformer first, second;
    FileDragController a (first.make()), b (second.make());
    juce::Component sourceA, sourceB;
    int madeByB = 0;
    auto makerB = [&] { ++madeByB; return scratch.midi; };

    a.beginGesture();
    ASSERT_EQ (a.start (sourceA, [&] { return scratch.midi; }, "a", {}), DragResult::started);

    b.beginGesture();
    EXPECT_EQ (b.start (sourceB, makerB, "b", {}), DragResult::ignored);
    first.endAll();
    EXPECT_EQ (b.start (sourceB, makerB, "b", {}), DragResult::ignored); // that gesture is spent
    EXPECT_EQ (madeByB, 0);

    b.beginGesture();
    EXPECT_EQ (b.start (sourceB, makerB, "b", {}), DragResult::started);
    second.endAll();
}

TEST (FileDragController, InvalidFilesAndRefusedStarts)
{
    Scratch scratch;
    const auto empty = scratch.folder.getChildFile ("empty.bin");
    empty.create();

    const struct { const char* name; std::function<juce::File()> maker; } invalid[] {
        { "no maker", {} },
        { "empty path", [] { return juce::File(); } },
        { "missing", [&] { return scratch.folder.getChildFile ("none.mid"); } },
        { "zero bytes", [&] { return empty; } },
        { "folder", [&] { return scratch.folder; } },
    };

    ScriptedPerformer performer;
    FileDragController controller (performer.make());
    juce::Component source;

    for (const auto& c : invalid)
    {
        controller.beginGesture();
        EXPECT_EQ (controller.start (source, c.maker, "t", {}), DragResult::invalidFile) << c.name;
    }
    EXPECT_EQ (performer.calls, 0);

    performer.accepts = false;
    controller.beginGesture();
    EXPECT_EQ (controller.start (source, [&] { return scratch.midi; }, "t", {}), DragResult::startFailed);
    EXPECT_FALSE (FileDragController::isNativeDragActive());

    performer.accepts = true; // the next press may drag at once
    controller.beginGesture();
    EXPECT_EQ (controller.start (source, [&] { return scratch.midi; }, "t", {}), DragResult::started);
    performer.endAll();
}

TEST (FileDragController, CompletionOnlyForTheSameGestureAndLiveOwners)
{
    Scratch scratch;
    auto file = [&] { return scratch.midi; };

    enum class Then { nothing, newGesture, controllerGone, sourceGone };
    const struct { Then then; int completions; } cases[] {
        { Then::nothing, 1 }, { Then::newGesture, 0 }, { Then::controllerGone, 0 }, { Then::sourceGone, 0 },
    };

    for (const auto& c : cases)
    {
        ScriptedPerformer performer;
        auto controller = std::make_unique<FileDragController> (performer.make());
        auto source = std::make_unique<juce::Component>();
        int completions = 0;

        controller->beginGesture();
        ASSERT_EQ (controller->start (*source, file, "t", [&] { ++completions; }), DragResult::started);

        if (c.then == Then::newGesture)     controller->beginGesture();
        if (c.then == Then::controllerGone) controller.reset();
        if (c.then == Then::sourceGone)     source.reset();

        performer.endAll();
        EXPECT_EQ (completions, c.completions) << static_cast<int> (c.then);
        EXPECT_FALSE (FileDragController::isNativeDragActive());
    }
}

TEST (FileDragController, ADragTheSystemNeverEndsDoesNotBlockTheNextGesture)
{
    Scratch scratch;
    ScriptedPerformer performer, other;
    FileDragController controller (performer.make()), otherInstance (other.make());
    juce::Component source, otherSource;
    auto file = [&] { return scratch.midi; };

    controller.beginGesture();
    ASSERT_EQ (controller.start (source, file, "t", {}), DragResult::started); // never ended

    otherInstance.beginGesture();
    EXPECT_EQ (otherInstance.start (otherSource, file, "o", {}), DragResult::ignored);

    controller.beginGesture();
    EXPECT_EQ (controller.start (source, file, "t", {}), DragResult::started);
    EXPECT_EQ (performer.calls, 2);
    performer.running.back()();
    EXPECT_FALSE (FileDragController::isNativeDragActive());
}

TEST (FileDragController, TraceOnlyWhenTheVariableIsExactlyOne)
{
    Scratch scratch;
    auto file = [&] { return scratch.midi; };

    for (const char* value : { static_cast<const char*> (nullptr), "", "true", "1 ", "0" })
    {
        EnvironmentValue env (value);
        ScriptedPerformer performer;
        FileDragController controller (performer.make());
        juce::Component source;
        StderrCapture capture;
        controller.beginGesture();
        controller.start (source, file, "t", {});
        performer.endAll();
        EXPECT_TRUE (capture.finish().isEmpty()) << (value == nullptr ? "unset" : value);
    }

    EnvironmentValue env ("1");
    ScriptedPerformer performer, other;
    FileDragController controller (performer.make()), otherInstance (other.make());
    juce::Component source;
    StderrCapture capture;

    controller.beginGesture();
    controller.start (source, file, "Varne-T 1.3.6", {});
    otherInstance.beginGesture();
    otherInstance.start (source, file, "Other", {});
    performer.endAll();
    const auto lines = capture.finish();

    const juce::String prefix ("[Tolmek MIDI drag] Varne-T 1.3.6 gesture=1: ");
    ASSERT_EQ (lines.size(), 5) << lines.joinIntoString ("\n");
    EXPECT_TRUE (lines[0].startsWith (prefix + "build=plugin:")) << lines[0];
    EXPECT_TRUE (lines[0].endsWith (" " + juce::SystemStats::getJUCEVersion() + " peer=missing file="
                                    + scratch.midi.getFullPathName() + " bytes=4")) << lines[0];
    EXPECT_EQ (lines[1], prefix + "argument=" + scratch.midi.getFullPathName());
    EXPECT_EQ (lines[2], prefix + "native start=true");
    EXPECT_EQ (lines[3], "[Tolmek MIDI drag] Other gesture=1: ignored: another native drag is active");
    EXPECT_EQ (lines[4], prefix + "native operation ended (import outcome unknown)");
}

TEST (FileDragController, ResultTexts)
{
    const struct { DragResult result; const char* text; } cases[] {
        { DragResult::ignored, "" },
        { DragResult::started, "Active Section MIDI drag started" },
        { DragResult::invalidFile, "Could not create a readable Active Section MIDI file." },
        { DragResult::startFailed, "Could not start Active Section MIDI drag. Try again or use Save to Disk." },
    };

    for (const auto& c : cases)
        EXPECT_EQ (FileDragController::getResultMessage (c.result, "Active Section"), c.text);
}
