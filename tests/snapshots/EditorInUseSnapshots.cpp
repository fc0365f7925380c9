#include "SnapshotScenes.h"

#include "editor/PluginEditor.h"
#include "support/gui/GuiTestBench.h"

namespace gui = testing_support::gui;

/** Reaches the editor's controls for the review images of the editor in use. */
class VarneTEditorInUseTestAccess
{
public:
    explicit VarneTEditorInUseTestAccess (VarneTAudioProcessorEditor& e) : editor (e) {}
    VarneTAudioProcessorEditor& editor;

    juce::Component& popupHost() { return editor.popupHost; }
    tolmek::EditorScaling& scaling() { return *editor.editorScaling; }
    juce::Slider& densitySlider() { return editor.densitySlider; }
    juce::Slider& velocitySlider() { return editor.velocitySlider; }
    juce::Button& projectsButton() { return editor.projectsButton; }
    juce::Rectangle<int> inspectorCard() const { return editor.inspectorCard; }
    juce::Rectangle<int> sequenceCard() const { return editor.sequenceCard; }
    void selectNote (int index)
    {
        editor.timeline.selectedIndex = index;
        editor.canvasSelectionChanged();
    }
    void renamePattern (int index, const juce::String& typed)
    {
        editor.patternTileDoubleClicked (index);
        editor.patternRenameField.setText (typed, juce::dontSendNotification);
    }
    void showHelp() { editor.showHelp(); }
};

namespace
{
using Access = VarneTEditorInUseTestAccess;

/** The editor at its default size in a window, with the real pointer parked outside it. */
struct ShownEditor
{
    explicit ShownEditor (std::function<void (VarneT::Project&)> prepare = {})
    {
        processor.getTelemetryClient().markWelcomeSeen();
        if (prepare)
        {
            auto project = processor.getProjectCopy();
            prepare (project);
            processor.applyProjectEdit (project, false);
        }
        editor = std::make_unique<VarneTAudioProcessorEditor> (processor);
        editor->setSize (1360, 820);
        window = std::make_unique<gui::DesktopWindow> (*editor, juce::Point<int> { 0, 0 });
        gui::input::moveTo ({ 1500, 1000 });
        gui::flushMessages();
    }

    ~ShownEditor()
    {
        juce::PopupMenu::dismissAllActiveMenus();
        gui::flushMessages();
        window.reset();
        processor.editorBeingDeleted (editor.get());
    }

    /** The editor's pixels in an area, doubled so that small texts can be read. */
    juce::Image area (juce::Rectangle<int> r) { return gui::snapshotOf (*editor, 2.0f).getClippedImage (r * 2).createCopy(); }

    VarneTAudioProcessor processor;
    std::unique_ptr<VarneTAudioProcessorEditor> editor;
    std::unique_ptr<gui::DesktopWindow> window;
};
} // namespace

// The UI-size menu as it opens from the bottom line, in the editor's theme.
VARNET_SNAPSHOTS (editorUiSizeMenu)
{
    ShownEditor shown;
    Access access (*shown.editor);
    gui::input::moveToCentreOf (access.scaling());
    gui::input::click();
    auto& host = access.popupHost();
    if (! gui::pumpUntil ([&] { return host.getNumChildComponents() > 0 && host.getChildComponent (0)->isShowing(); }))
        std::fprintf (stderr, "editorUiSizeMenu: the menu did not open\n");
    gui::flushMessages();
    out.write ("editor_ui_size_menu.png", *shown.editor);
}

// A performance slider under the real pointer shows its value bubble in words ("50%").
VARNET_SNAPSHOTS (editorSliderBubble)
{
    ShownEditor shown ([] (VarneT::Project& p) { p.sections[0].sequence[0].modifiers.density = 0.5; });
    Access access (*shown.editor);
    gui::input::moveToCentreOf (access.densitySlider());
    gui::pumpUntil ([&] { return access.densitySlider().isMouseOver(); });
    gui::flushMessages();
    out.write ("editor_slider_bubble_hover.png", shown.area (access.inspectorCard()));
}

// The Selected Note inspector: the Register knob reads "+1 octave", the Velocity bubble "mf  80".
VARNET_SNAPSHOTS (editorSelectedNoteTexts)
{
    ShownEditor shown ([] (VarneT::Project& p)
    {
        auto& note = p.sections[0].sequence[0].notes[0];
        note.target.index = 0;
        note.octave = 1;
        note.velocity = 80;
    });
    Access access (*shown.editor);
    access.selectNote (0);
    gui::input::moveToCentreOf (access.velocitySlider());
    gui::pumpUntil ([&] { return access.velocitySlider().isMouseOver(); });
    gui::flushMessages();
    out.write ("editor_selected_note_texts.png", shown.area (access.inspectorCard()));
}

// The rename field open over a Pattern tile that repeats seven times: it covers the tile's repeat
// button and takes the typing.
VARNET_SNAPSHOTS (editorRenameField)
{
    ShownEditor shown ([] (VarneT::Project& p)
    {
        auto& sequence = p.sections[0].sequence;
        sequence.push_back (sequence[0]);
        sequence[1].name = "Chorus Lift";
        for (auto& note : sequence[1].notes)
            note.id += "-b";
        sequence[1].repeatCount = 7;
    });
    Access access (*shown.editor);
    access.renamePattern (1, "Chorus Lift (long)");
    gui::flushMessages();
    out.write ("editor_rename_field.png", shown.area (access.sequenceCard()));
}

// The help overlay with the help the plug-in ships.
VARNET_SNAPSHOTS (editorHelpContent)
{
    ShownEditor shown;
    Access access (*shown.editor);
    access.showHelp();
    gui::flushMessages();
    out.write ("editor_help.png", *shown.editor);
}

// A control that took the keyboard focus draws its focus ring.
VARNET_SNAPSHOTS (editorFocusRing)
{
    ShownEditor shown;
    Access access (*shown.editor);
    access.projectsButton().grabKeyboardFocus();
    gui::pumpUntil ([&] { return access.projectsButton().hasKeyboardFocus (false); });
    gui::flushMessages();
    out.write ("editor_focus_ring.png", shown.area ({ 1000, 0, 360, 50 }));
}
