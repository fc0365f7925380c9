#include "SnapshotScenes.h"

#include "editor/PluginEditor.h"
#include "support/gui/GuiTestBench.h"

namespace gui = testing_support::gui;

/** Opens the editor's menus as a click would. */
class VarneTEditorActionsTestAccess
{
public:
    static void openPatternOptions (VarneTAudioProcessorEditor& e) { e.showPatternOptionsMenu(); }
    static void openSectionTileMenu (VarneTAudioProcessorEditor& e) { e.showSectionTileMenu (0); }
    static void openPatternTileMenu (VarneTAudioProcessorEditor& e) { e.showPatternTileMenu (0); }
    static juce::Component& popupHost (VarneTAudioProcessorEditor& e) { return e.popupHost; }
};

// Each of the editor's context menus open over the editor at the default size.
VARNET_SNAPSHOTS (editorMenusOpen)
{
    using Access = VarneTEditorActionsTestAccess;
    const std::pair<void (*) (VarneTAudioProcessorEditor&), const char*> menus[] {
        { &Access::openPatternOptions, "pattern_options" },
        { &Access::openSectionTileMenu, "section_tile" },
        { &Access::openPatternTileMenu, "pattern_tile" },
    };

    for (auto [open, name] : menus)
    {
        VarneTAudioProcessor processor;
        processor.getTelemetryClient().markWelcomeSeen();
        {
            VarneTAudioProcessorEditor editor (processor);
            editor.setSize (1360, 820);
            gui::DesktopWindow window (editor);
            gui::flushMessages();

            open (editor);
            auto& host = Access::popupHost (editor);
            if (! gui::pumpUntil ([&] { return host.getNumChildComponents() > 0 && host.getChildComponent (0)->isShowing(); }))
                std::fprintf (stderr, "editorMenusOpen: the %s menu did not open\n", name);
            gui::flushMessages();
            out.write ("editor_menu_" + juce::String (name) + ".png", editor);

            juce::PopupMenu::dismissAllActiveMenus();
            gui::pumpUntil ([&] { return host.getNumChildComponents() == 0; });
            processor.editorBeingDeleted (&editor);
        }
    }
}
