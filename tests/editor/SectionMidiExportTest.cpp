// The Section MIDI button and its menu on the real display: right press, real drag, Copy read
// back from the X clipboard, Save to Disk through a scripted dialog, and the export's error line.

#include "editor/SectionMidiDragButton.h"
#include "editor/SectionMidiExportActions.h"
#include "kit/X11FileClipboard.h"
#include "plugin/PluginProcessor.h"
#include "plugin/SectionMidiExport.h"
#include "support/MidoReader.h"
#include "support/gui/GuiTestBench.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace gui = testing_support::gui;

namespace
{
VarneT::Project bridgeProject()
{
    VarneT::Pattern pattern;
    pattern.name = "Pattern";
    pattern.category = "Test";
    pattern.voices.push_back ({ 0, "Voice" });
    VarneT::NoteEvent note;
    note.id = "n";
    note.durationBeats = 1.0;
    pattern.notes.push_back (note);

    VarneT::Project project;
    project.identityName = "Test";
    VarneT::Section section;
    section.name = "Bridge";
    section.sequence.push_back (pattern);
    project.sections.push_back (section);
    return project;
}

/** An editor stand-in: a component with a status line. */
struct Editor final : juce::Component
{
    juce::StringArray statuses, errors;
    SectionMidiExportActions::StatusLine statusLine()
    {
        return { [this] (const juce::String& s) { statuses.add (s); }, [this] (const juce::String& e) { errors.add ("ERROR - " + e); } };
    }
};

juce::String xclipRead (const char* target)
{
    return testing_support::runProcess ({ "xclip", "-selection", "clipboard", "-t", target, "-o" }, 20000).output;
}
} // namespace

TEST (SectionMidiDragButton, RightPressAsksForTheMenuAndALeftDragStartsOneNativeDrag)
{
    SectionMidiDragButton button;
    button.setSize (60, 40);
    gui::DesktopWindow window (button, { 200, 200 });

    juce::TemporaryFile midi (".bin");
    ASSERT_TRUE (midi.getFile().replaceWithText ("MThd"));
    int made = 0, rightClicks = 0;
    juce::StringArray statuses;
    button.createMidiFile = [&] { ++made; return midi.getFile(); };
    button.onRightClick = [&] { ++rightClicks; };
    button.onStatusMessage = [&] (const juce::String& s) { statuses.add (s); };

    ASSERT_TRUE (gui::input::moveToCentreOf (button));
    ASSERT_TRUE (gui::input::click (3));
    ASSERT_TRUE (gui::pumpUntil ([&] { return rightClicks == 1; }));
    EXPECT_EQ (made, 0);

    const auto centre = gui::DesktopWindow::screenBoundsOf (button).getCentre();

    // During a native drag the pointer belongs to JUCE's grab: plain xdotool moves, and waits on
    // what the button reports rather than on the mouse source's position.
    auto xdotool = [] (juce::StringArray args)
    {
        args.insert (0, "xdotool");
        return testing_support::runProcess (args, 20000).exitCode == 0;
    };
    auto at = [] (int v) { return juce::String (v); };

    for (int drag = 1; drag <= 2; ++drag)
    {
        ASSERT_TRUE (gui::input::moveTo (centre));
        ASSERT_TRUE (gui::input::press (1));
        for (int step = 1; statuses.size() < drag; ++step)
        {
            ASSERT_LT (step, 100) << "no drag started; made " << made;
            ASSERT_TRUE (xdotool ({ "mousemove", at (centre.x + 5 + step), at (centre.y + 2) }));
            gui::pumpUntil ([&] { return statuses.size() == drag; }, 500);
        }
        EXPECT_EQ (statuses[drag - 1], "Active Section MIDI drag started");

        // Dropped on the bare desktop: the drag ends and the next gesture may drag again.
        ASSERT_TRUE (xdotool ({ "mousemove", "1500", "1000" }));
        ASSERT_TRUE (xdotool ({ "mousemove", "1510", "1010" }));
        ASSERT_TRUE (xdotool ({ "mouseup", "1" }));
        ASSERT_TRUE (gui::pumpUntil ([] { return ! tolmek::FileDragController::isNativeDragActive(); }));
        ASSERT_TRUE (gui::pumpUntil ([] { return ! juce::ModifierKeys::currentModifiers.isAnyMouseButtonDown(); }));
        EXPECT_EQ (made, drag);
    }

    EXPECT_EQ (rightClicks, 1);
}

TEST (SectionMidiExportActions, MenuItemsAndDismissal)
{
    const auto entries = gui::walkMenu (SectionMidiExportActions::buildMenu());
    ASSERT_EQ (entries.size(), 2u);
    EXPECT_EQ (entries[0].text, "Copy");
    EXPECT_EQ (entries[0].id, 1);
    EXPECT_EQ (entries[1].text, "Save to Disk");
    EXPECT_EQ (entries[1].id, 2);

    VarneTAudioProcessor processor;
    Editor editor;
    editor.setSize (300, 200);
    SectionMidiDragButton button;
    button.setBounds (20, 20, 60, 40);
    editor.addAndMakeVisible (button);
    gui::DesktopWindow window (editor, { 300, 300 });
    SectionMidiExportActions actions (processor, editor, editor.statusLine());

    int made = 0;
    button.createMidiFile = [&] { ++made; return actions.exportActiveSectionMidi(); };
    button.onRightClick = [&] { actions.showMenu (button, nullptr); };

    // A real right-click opens the menu and starts no drag; dismissing it does nothing.
    ASSERT_TRUE (gui::input::moveToCentreOf (button));
    ASSERT_TRUE (gui::input::click (3));
    ASSERT_TRUE (gui::pumpUntil ([] { return juce::Component::getCurrentlyModalComponent() != nullptr; }));
    EXPECT_TRUE (juce::PopupMenu::dismissAllActiveMenus());
    ASSERT_TRUE (gui::pumpUntil ([] { return juce::Component::getCurrentlyModalComponent() == nullptr; }));
    ASSERT_TRUE (gui::flushMessages());
    actions.handleMenuResult (0);
    EXPECT_EQ (made, 0);
    EXPECT_FALSE (tolmek::FileDragController::isNativeDragActive());
    EXPECT_TRUE (editor.statuses.isEmpty());
    EXPECT_TRUE (editor.errors.isEmpty());
}

TEST (SectionMidiExportActions, CopyPutsTheExportedFileOnTheClipboard)
{
    VarneTAudioProcessor processor;
    ASSERT_EQ (processor.commitProject (bridgeProject()), "");
    Editor editor;
    SectionMidiExportActions actions (processor, editor, editor.statusLine());

    actions.handleMenuResult (SectionMidiExportActions::copyItem);
    ASSERT_TRUE (gui::pumpUntil ([&] { return editor.statuses.size() == 2; })) << editor.errors.joinIntoString ("\n");
    EXPECT_TRUE (editor.statuses[0].startsWith ("Exported section 'Bridge' (1 Patterns) on "));
    EXPECT_EQ (editor.statuses[1], "Section MIDI file copied to clipboard.");

    const auto uri = xclipRead ("text/uri-list").trimEnd();
    ASSERT_TRUE (uri.startsWith ("file://")) << uri;
    const juce::File copied (juce::URL::removeEscapeChars (uri.fromFirstOccurrenceOf ("file://", false, false)));
    EXPECT_EQ (copied.getFileName(), "Bridge.mid");
    juce::var summary;
    ASSERT_TRUE (testing_support::readWithMido (copied, summary));
    EXPECT_EQ (static_cast<int> (summary["hangingNotes"]), 0);
    EXPECT_EQ (testing_support::midoEvents (summary, "note_on").size(), 1);
    copied.getParentDirectory().deleteRecursively();
    tolmek::shutdownX11FileClipboard();
}

TEST (SectionMidiExportActions, SaveToDiskWritesTheExportedBytes)
{
    VarneTAudioProcessor processor;
    ASSERT_EQ (processor.commitProject (bridgeProject()), "");
    Editor editor;

    juce::File proposed;
    tolmek::MidiFileSaveController::DialogStyle style;
    tolmek::MidiFileSaveController::FileCallback choose;
    tolmek::MidiFileSaveController::Backend backend;
    backend.chooseFileStyled = [&] (juce::Component&, const juce::File& f, const tolmek::MidiFileSaveController::DialogStyle& s,
                                    tolmek::MidiFileSaveController::FileCallback cb)
    {
        proposed = f;
        style = s;
        choose = std::move (cb);
    };
    backend.confirmReplace = [] (juce::Component&, const juce::File&, std::function<void (bool)> answer) { answer (true); };
    backend.dismiss = [] {};

    SectionMidiExportActions actions (processor, editor, editor.statusLine(), backend);
    actions.handleMenuResult (SectionMidiExportActions::saveItem);
    ASSERT_TRUE (choose != nullptr) << editor.errors.joinIntoString ("\n");
    EXPECT_EQ (proposed.getFileName(), "Varne-T-Bridge.mid");
    EXPECT_EQ (style.title, "Varne-T / Bridge / Active section");
    EXPECT_EQ (style.colours[2], juce::Colour (0xff313244));
    EXPECT_EQ (style.colours[9], juce::Colour (0xffcba6f7));

    const auto folder = juce::File::getSpecialLocation (juce::File::tempDirectory).getNonexistentChildFile ("saved", {});
    folder.createDirectory();
    const auto destination = folder.getChildFile ("My Bridge.mid");
    choose (destination);

    ASSERT_EQ (editor.statuses.size(), 2);
    EXPECT_EQ (editor.statuses[1], "Section MIDI saved to " + destination.getFullPathName());

    juce::MemoryBlock saved;
    ASSERT_TRUE (destination.loadFileAsData (saved));
    const auto project = bridgeProject();
    const auto expected = VarneT::sectionMidiFileBytes (project.sections[0], project.midiChannel,
                                                        [] { VarneT::ParsedChord c; VarneT::parseChordSymbol ("Cmaj7", c);
                                                             return VarneT::pitchContextFromChord (c, {}); }());
    EXPECT_EQ (saved, expected);
    juce::var summary;
    ASSERT_TRUE (testing_support::readWithMido (destination, summary));
    EXPECT_EQ (static_cast<int> (summary["type"]), 1);
    folder.deleteRecursively();
}

TEST (SectionMidiExportActions, AnUnwritableTemporaryFolderIsReportedOnce)
{
    VarneTAudioProcessor processor;
    Editor editor;
    SectionMidiExportActions actions (processor, editor, editor.statusLine());

    const juce::String previous (std::getenv ("TMPDIR"));
    juce::TemporaryFile blocker;
    ASSERT_TRUE (blocker.getFile().replaceWithText ("x"));
    setenv ("TMPDIR", blocker.getFile().getFullPathName().toRawUTF8(), 1);
    actions.handleMenuResult (SectionMidiExportActions::copyItem);
    actions.handleMenuResult (SectionMidiExportActions::saveItem);
    previous.isEmpty() ? unsetenv ("TMPDIR") : setenv ("TMPDIR", previous.toRawUTF8(), 1);

    ASSERT_TRUE (gui::flushMessages());
    EXPECT_EQ (editor.errors, juce::StringArray ({ "ERROR - Could not create temporary MIDI directory",
                                                  "ERROR - Could not create temporary MIDI directory" }));
    EXPECT_TRUE (editor.statuses.isEmpty());
}
