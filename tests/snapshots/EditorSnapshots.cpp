#include "SnapshotScenes.h"

#include "editor/PluginEditor.h"
#include "support/ScaledEditor.h"
#include "support/gui/GuiTestBench.h"

namespace gui = testing_support::gui;

class VarneTEditorTestAccess
{
public:
    static void selectFirstNote (VarneTAudioProcessorEditor& editor)
    {
        editor.timeline.selectedIndex = 0;
        editor.updateSelectedNoteControls();
    }
};

namespace
{
/** A processor whose user has already answered the first-run question, so that nothing covers the editor. */
struct EditorScene
{
    EditorScene() { processor.getTelemetryClient().markWelcomeSeen(); }

    ~EditorScene()
    {
        if (editor != nullptr)
            processor.editorBeingDeleted (editor.get());
    }

    /** The editor at a logical size and UI scale, sized as the user's choices would leave it. */
    VarneTAudioProcessorEditor& open (int logicalWidth = 1360, int logicalHeight = 820, double scale = 1.0)
    {
        // Every size is drawn, also those larger than the screen the images are made on.
        const kit_test::ScopedUserArea display { kit_test::ScopedUserArea::unlimited() };
        editor = std::make_unique<VarneTAudioProcessorEditor> (processor);
        editor->getEditorScaling()->setScale (scale);
        editor->setSize (juce::roundToInt (logicalWidth * scale), juce::roundToInt (logicalHeight * scale));
        gui::flushMessages();
        return *editor;
    }

    VarneTAudioProcessor processor;
    std::unique_ptr<VarneTAudioProcessorEditor> editor;
};

juce::String percentOf (double scale) { return juce::String (juce::roundToInt (scale * 100.0)); }
} // namespace

// The editor at the smallest, default and largest logical sizes, each at the smallest, default and
// largest UI scales.
VARNET_SNAPSHOTS (editorSizesAndScales)
{
    for (auto [w, h] : { std::pair { 1160, 700 }, { 1360, 820 }, { 1900, 1200 } })
        for (auto scale : { 0.75, 1.0, 2.0 })
        {
            EditorScene scene;
            auto& editor = scene.open (w, h, scale);
            out.write ("editor_" + juce::String (w) + "x" + juce::String (h) + "_ui" + percentOf (scale) + ".png", editor);
        }
}

// The inspector's three modes at the default size; Selected Note with the first note selected.
VARNET_SNAPSHOTS (editorInspectorModes)
{
    const std::pair<int, const char*> modes[] { { 0, "performance" }, { 1, "pattern_feel" }, { 2, "selected_note" } };
    for (auto [mode, name] : modes)
    {
        EditorScene scene;
        auto& editor = scene.open();
        if (mode == 2)
            VarneTEditorTestAccess::selectFirstNote (editor);
        editor.setInspectorMode (mode);
        gui::flushMessages();
        out.write ("editor_inspector_" + juce::String (name) + ".png", editor);
    }
}

// The editor as a DAW shows it: the built bundle loaded by the probe host, its view created through
// the VST3 interfaces in a window on this display, and the screen grabbed.
VARNET_SNAPSHOTS (editorHostedThroughVst3)
{
    const auto screen = juce::File::createTempFile (".png");
    juce::ChildProcess probe;
    if (! probe.start (juce::StringArray { VARNET_PROBE, "editor", VARNET_VST3_BUNDLE, "--seconds", "0.2", "--size", "1360x820",
                                           "--screenshot", screen.getFullPathName() }))
        return;

    const auto output = probe.readAllProcessOutput();
    probe.waitForProcessToFinish (60000);

    const auto placed = output.fromFirstOccurrenceOf ("editor ", false, false).upToFirstOccurrenceOf ("\n", false, false);
    const auto at = placed.fromFirstOccurrenceOf (" at ", false, false);
    const auto area = juce::Rectangle<int> (at.upToFirstOccurrenceOf (",", false, false).getIntValue(),
                                            at.fromFirstOccurrenceOf (",", false, false).getIntValue(), 1360, 820);

    const auto image = juce::ImageFileFormat::loadFrom (screen);
    screen.deleteFile();
    if (image.isValid())
        out.write ("editor_hosted_vst3.png", image.getClippedImage (area.getIntersection (image.getBounds())));
    else
        std::fprintf (stderr, "editorHostedThroughVst3: the probe host gave no screen image:\n%s\n", output.toRawUTF8());
}
