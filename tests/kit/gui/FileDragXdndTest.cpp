// Real XDND drags onto another process's window under Xvfb, driven by xdotool: a drop, an
// abandoned drag, and a drop again.

#include "kit/FileDragController.h"
#include "support/ProcessRunner.h"
#include "support/ScratchFile.h"
#include "support/gui/GuiTestBench.h"

#include <gtest/gtest.h>

using tolmek::FileDragController;
using DragResult = FileDragController::Result;
using testing_support::gui::pumpUntil;

namespace
{
/** A small file for the drags, "Verse.bin" in a folder of its own. */
struct Scratch : testing_support::ScratchFile
{
    Scratch() : ScratchFile ("drag", "Verse.bin", "MThd") {}
    const juce::File& midi = file;
};

/** The drop target, a JUCE window in a process of its own (see DropTargetMain.cpp). */
struct DropTargetProcess
{
    juce::File log = juce::File::getSpecialLocation (juce::File::tempDirectory).getNonexistentChildFile ("drop-target", ".log");
    juce::ChildProcess process;

    DropTargetProcess (int x, int y, int w, int h)
    {
        process.start (juce::StringArray { VARNET_DROP_TARGET, juce::String (x), juce::String (y), juce::String (w),
                                           juce::String (h), log.getFullPathName() }, 0);
    }

    ~DropTargetProcess()
    {
        process.kill();
        process.waitForProcessToFinish (5000);
        log.deleteFile();
    }

    juce::StringArray lines() const { return juce::StringArray::fromLines (log.loadFileAsString()); }
    int count (const juce::String& line) const
    {
        int n = 0;
        for (const auto& l : lines())
            n += l == line ? 1 : 0;
        return n;
    }
    juce::StringArray dropped() const
    {
        juce::StringArray files;
        for (const auto& l : lines())
            if (l.startsWith ("dropped "))
                files.add (l.fromFirstOccurrenceOf ("dropped ", false, false));
        return files;
    }
};

struct DragSource final : juce::Component
{
    FileDragController controller;
    juce::File file;
    std::vector<DragResult> results;
    int presses = 0, completions = 0;

    void mouseDown (const juce::MouseEvent& e) override
    {
        ++presses;
        if (e.mods.isLeftButtonDown())
            controller.beginGesture();
    }

    void mouseDrag (const juce::MouseEvent&) override
    {
        const auto result = controller.start (*this, [this] { return file; }, "test", [this] { ++completions; });
        if (result != DragResult::ignored)
            results.push_back (result);
    }

    void paint (juce::Graphics& g) override { g.fillAll (juce::Colours::darkgreen); }
};

void xdotool (juce::StringArray args)
{
    args.insert (0, "xdotool");
    const auto run = testing_support::runProcess (args, 20000);
    ASSERT_EQ (run.exitCode, 0) << args.joinIntoString (" ") << ": " << run.output;
}

juce::String at (int v) { return juce::String (v); }
} // namespace

TEST (FileDragControllerXdnd, DropCancelAndDropAgain)
{
    Scratch scratch;
    DropTargetProcess target (600, 100, 300, 200);
    DragSource source;
    source.file = scratch.midi;
    source.setBounds (100, 100, 200, 120);
    source.addToDesktop (0);
    source.setVisible (true);
    ASSERT_TRUE (pumpUntil ([&] { return source.isShowing() && target.count ("ready") == 1; }));

    auto press = [&]
    {
        const auto before = source.presses;
        // The window may not be mapped yet when the first press comes: press again until it arrives.
        ASSERT_TRUE (pumpUntil ([&]
        {
            xdotool ({ "mousemove", "200", "160" });
            xdotool ({ "mousedown", "1" });
            if (pumpUntil ([&] { return source.presses > before; }, 2000))
                return true;
            xdotool ({ "mouseup", "1" });
            return false;
        }));
        const auto started = source.results.size();
        xdotool ({ "mousemove", "230", "170" });
        ASSERT_TRUE (pumpUntil ([&] { return source.results.size() > started; }));
        ASSERT_EQ (source.results.back(), DragResult::started);
    };

    auto dropOnTarget = [&] (int expectedDrops, int expectedCompletions)
    {
        press();
        // Move over the target until it has answered twice, so the source knows it may drop.
        const auto movesBefore = target.count ("over");
        for (int step = 0; target.count ("over") < movesBefore + 3; ++step)
        {
            ASSERT_LT (step, 200) << "the target never saw the drag";
            const auto seen = target.count ("over");
            xdotool ({ "mousemove", at (700 + step % 50), at (200 + step % 7) });
            pumpUntil ([&] { return target.count ("over") > seen; }, 1000);
        }
        xdotool ({ "mouseup", "1" });
        ASSERT_TRUE (pumpUntil ([&] { return target.dropped().size() == expectedDrops && source.completions == expectedCompletions
                                             && ! FileDragController::isNativeDragActive(); }));
        EXPECT_EQ (target.dropped()[expectedDrops - 1], scratch.midi.getFullPathName());
    };

    dropOnTarget (1, 1);

    // Escape, then release over the bare desktop: JUCE's XDND source ignores the key and ends the
    // drag on release with no target; the completion runs and the guard is free again.
    press();
    xdotool ({ "key", "Escape" });
    xdotool ({ "mousemove", "400", "700" });
    xdotool ({ "mousemove", "410", "710" });
    xdotool ({ "mouseup", "1" });
    ASSERT_TRUE (pumpUntil ([&] { return source.completions == 2 && ! FileDragController::isNativeDragActive(); }));
    EXPECT_EQ (target.dropped().size(), 1);

    dropOnTarget (2, 3);

    source.removeFromDesktop();
}
