#include "SnapshotScenes.h"

#include "kit/EditorScaling.h"
#include "kit/HelpDialog.h"
#include "kit/PopupMenuPlacement.h"
#include "kit/TelemetryClient.h"
#include "kit/WelcomeDialog.h"
#include "kit/support/ScaledEditor.h"
#include "support/gui/GuiTestBench.h"

namespace gui = testing_support::gui;

namespace
{
/** Something busy beneath the dialogs, so that their backdrops show. */
class EditorStandIn : public juce::Component
{
public:
    void paint (juce::Graphics& g) override
    {
        g.fillAll (juce::Colour (0xff1e2030));
        g.setColour (juce::Colour (0xff363a4f));

        for (int x = 0; x < getWidth(); x += 40)
            g.drawVerticalLine (x, 0.0f, (float) getHeight());

        for (int y = 0; y < getHeight(); y += 40)
            g.drawHorizontalLine (y, 0.0f, (float) getWidth());

        g.setColour (juce::Colour (0xffcad3f5));
        g.setFont (18.0f);
        g.drawText ("Varne-T", 16, 8, 200, 30, juce::Justification::centredLeft);
    }
};

tolmek::HelpContent helpContent()
{
    tolmek::HelpContent content;
    content.productName = "Varne-T";
    content.version = "1.3.6";
    content.guideUrl = "https://tolmek.com/varne-t/guide";
    content.sections.push_back ({ "Getting started",
                                  "Place Varne-T before an instrument on a MIDI track. Play a chord and the active "
                                  "Section's patterns follow it.",
                                  { { "Ctrl+Z", "Undo" }, { "Ctrl+Shift+Z", "Redo" }, { "Ctrl+D", "Duplicate the selected note" },
                                    { "Delete / Backspace", "Delete the selected note" } } });
    content.sections.push_back ({ "Timeline", "Drag a note to move it; drag its right edge to change its length.", {} });
    content.mcpText = "An assistant on this computer can read and change this instance's project through Tolmek MCP.";
    content.noticesText = "VST is a registered trademark of Steinberg Media Technologies GmbH.";
    return content;
}

void writeHelp (snapshots::Output& out, const juce::String& fileName, int width, int height, bool withUpdate)
{
    EditorStandIn editor;
    editor.setSize (width, height);
    tolmek::HelpDialog help (helpContent());
    editor.addChildComponent (help);
    help.setMcpInstanceId ("4f6c1d2e-9a1b-4c3d-8e7f-0a1b2c3d4e5f");
    help.setTelemetryEnabled (true);

    if (withUpdate)
        help.setUpdateInfo ("1.4.0", "https://tolmek.com/download/varne-t");

    help.show();
    out.write (fileName, editor);
}
} // namespace

VARNET_SNAPSHOTS (helpDialog)
{
    writeHelp (out, "help.png", 1360, 820, false);
    writeHelp (out, "help-narrow.png", 400, 300, false);
    writeHelp (out, "help-update.png", 1360, 820, true);
}

VARNET_SNAPSHOTS (welcomeDialog)
{
    tolmek::TelemetryClient::Config config;
    config.productName = "Varne-T";
    tolmek::TelemetryClient telemetry (config);

    EditorStandIn editor;
    editor.setSize (1360, 820);
    tolmek::WelcomeDialog welcome (telemetry, { "Varne-T adapts authored performances. MIDI only. Place it before an "
                                                "instrument. Use ? for details.",
                                                "https://tolmek.com/terms" });
    editor.addAndMakeVisible (welcome);
    welcome.setBounds (editor.getLocalBounds());
    out.write ("welcome.png", editor);
}

// The UI-size menu open below its button, placed inside the editor.
VARNET_SNAPSHOTS (scaleMenu)
{
    kit_test::SilentProcessor processor;
    kit_test::ScaledEditor editor (processor);
    juce::ComponentBoundsConstrainer constrainer;
    tolmek::EditorScaling::Config config;
    config.logicalWidth = 600;
    config.logicalHeight = 360;
    config.minWidth = 400;
    config.minHeight = 300;
    tolmek::EditorScaling scaling (editor, constrainer, {}, config);
    tolmek::PopupMenuPlacement::Host host;
    host.setInterceptsMouseClicks (false, true);

    editor.scaling = &scaling;
    editor.onResized = [&] { scaling.setBounds (editor.getWidth() - 96, 12, 84, 26); };
    editor.addAndMakeVisible (scaling);
    editor.addAndMakeVisible (host);
    scaling.activate();
    scaling.setScale (1.15);

    gui::DesktopWindow window (editor, { 0, 0 });
    scaling.showScaleMenu();
    gui::pumpUntil ([&host] { return host.getNumChildComponents() > 0 && host.getChildComponent (0)->isShowing(); });
    gui::flushMessages();

    out.write ("scale-menu.png", editor);
    juce::PopupMenu::dismissAllActiveMenus();
    gui::flushMessages();
}
