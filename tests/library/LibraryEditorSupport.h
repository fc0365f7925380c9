#pragma once

// The real editor on the display for the library's tests: the Projects button, the overlays the
// editor owns and the pointer that drives them.

#include "LibraryTestSupport.h"

#include "editor/PluginEditor.h"
#include "support/ProcessRunner.h"
#include "support/gui/GuiTestBench.h"

namespace library_test
{
namespace gui = testing_support::gui;

inline bool clickOn (juce::Component& c) { return gui::input::moveToCentreOf (c) && gui::input::click(); }

inline const juce::String bullet = juce::String (juce::CharPointer_UTF8 (" \xe2\x80\xa2"));

/** An editor as a host shows it, on the display, with nothing covering it. */
struct OpenEditor
{
    explicit OpenEditor (VarneTAudioProcessor& p) : processor (p)
    {
        processor.getTelemetryClient().markWelcomeSeen();
        editor = std::make_unique<VarneTAudioProcessorEditor> (processor);
        editor->setSize (1360, 820);
        window = std::make_unique<gui::DesktopWindow> (*editor, juce::Point<int> { 0, 0 });

        projects = gui::findIn<juce::TextButton> (*editor, [] (juce::TextButton& b) { return b.getButtonText().startsWith ("Projects"); });
        library = gui::findIn<ProjectLibraryOverlay> (*editor);
        dirty = gui::findIn<ProjectDirtyOverlay> (*editor);
        statusLine = gui::findIn<juce::Label> (*editor, [] (juce::Label& l) { return l.getName() == "Help dock"; });
        timeline = gui::findIn<VarneTTimelineCanvas> (*editor);
    }

    ~OpenEditor()
    {
        window.reset();
        processor.editorBeingDeleted (editor.get());
        editor.reset();
    }

    bool complete() const { return projects && library && dirty && statusLine && timeline; }

    /** Shift-click (or Ctrl-click) on the first note: a real velocity edit through the timeline. */
    bool editFirstNoteWithPointer()
    {
        if (timeline->pattern.notes.empty())
            return false;
        const auto modifier = timeline->pattern.notes[0].velocity == 127 ? "ctrl" : "shift";
        const auto centre = timeline->localPointToGlobal (timeline->noteBounds (0).getCentre().toInt());
        return gui::input::moveTo (centre)
               && testing_support::runProcess ({ "xdotool", "keydown", modifier, "click", "1", "keyup", modifier }, 20000).exitCode == 0;
    }

    VarneTAudioProcessor& processor;
    std::unique_ptr<VarneTAudioProcessorEditor> editor;
    std::unique_ptr<gui::DesktopWindow> window;
    juce::TextButton* projects = nullptr;
    ProjectLibraryOverlay* library = nullptr;
    ProjectDirtyOverlay* dirty = nullptr;
    juce::Label* statusLine = nullptr;
    VarneTTimelineCanvas* timeline = nullptr;
};
} // namespace library_test
