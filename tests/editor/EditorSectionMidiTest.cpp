// The editor's Section MIDI button on the real display: a real right-click opens its menu, Copy
// (chosen with the keyboard) puts the exported file on the X clipboard and says so on the status line.

#include "editor/PluginEditor.h"
#include "kit/X11FileClipboard.h"
#include "plugin/SectionMidiExport.h"
#include "support/MidoReader.h"
#include "support/gui/GuiTestBench.h"

#include <gtest/gtest.h>

namespace gui = testing_support::gui;
using gui::findIn;

TEST (EditorSectionMidi, RightClickCopyPutsTheActiveSectionOnTheClipboard)
{
    VarneTAudioProcessor processor;
    processor.getTelemetryClient().markWelcomeSeen();
    auto editor = std::make_unique<VarneTAudioProcessorEditor> (processor);
    editor->setSize (1360, 820);
    auto window = std::make_unique<gui::DesktopWindow> (*editor, juce::Point<int> { 0, 0 });

    auto* button = findIn<VarneTAudioProcessorEditor::SectionMidiDragButton> (*editor);
    auto* statusLine = findIn<juce::Label> (*editor, [] (juce::Label& l) { return l.getName() == "Help dock"; });
    ASSERT_NE (button, nullptr);
    ASSERT_NE (statusLine, nullptr);
    EXPECT_EQ (button->getStyle(), juce::DrawableButton::ImageOnButtonBackground);
    EXPECT_NE (button->getNormalImage(), nullptr);

    ASSERT_TRUE (gui::input::moveToCentreOf (*button));
    ASSERT_TRUE (gui::input::click (3));
    ASSERT_TRUE (gui::pumpUntil ([] { return juce::Component::getCurrentlyModalComponent() != nullptr; }));
    EXPECT_FALSE (tolmek::FileDragController::isNativeDragActive());

    // The first item is "Copy".
    ASSERT_TRUE (gui::input::key ("Down"));
    ASSERT_TRUE (gui::input::key ("Return"));
    ASSERT_TRUE (gui::pumpUntil ([&] { return statusLine->getText() == "Section MIDI file copied to clipboard."; }))
        << statusLine->getText();

    const auto section = processor.getProjectCopy().sections[(size_t) processor.getProjectCopy().clampedActiveSectionIndex()];
    const auto run = testing_support::runProcess ({ "xclip", "-selection", "clipboard", "-t", "text/uri-list", "-o" }, 20000);
    ASSERT_EQ (run.exitCode, 0) << run.output;
    const auto uri = run.output.trimEnd();
    ASSERT_TRUE (uri.startsWith ("file://")) << uri;
    const juce::File copied (juce::URL::removeEscapeChars (uri.fromFirstOccurrenceOf ("file://", false, false)));
    EXPECT_EQ (copied.getFileName(), VarneT::sectionMidiFileName (section.name, processor.getProjectCopy().clampedActiveSectionIndex()));

    juce::var summary;
    ASSERT_TRUE (testing_support::readWithMido (copied, summary));
    EXPECT_EQ (static_cast<int> (summary["hangingNotes"]), 0);
    EXPECT_FALSE (testing_support::midoEvents (summary, "note_on").isEmpty());

    copied.getParentDirectory().deleteRecursively();
    tolmek::shutdownX11FileClipboard();
    window.reset();
    processor.editorBeingDeleted (editor.get());
}
