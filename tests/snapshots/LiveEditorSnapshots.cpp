#include "SnapshotScenes.h"

#include "editor/PluginEditor.h"
#include "model/DefaultProject.h"
#include "support/ProbeHost.h"
#include "support/gui/GuiTestBench.h"

namespace gui = testing_support::gui;

class VarneTLiveEditorTestAccess
{
public:
    static void tick (VarneTAudioProcessorEditor& e) { e.timerCallback(); }
    static juce::ComboBox& filter (VarneTAudioProcessorEditor& e) { return e.dictionaryFilterBox; }
    static juce::ListBox& list (VarneTAudioProcessorEditor& e) { return e.dictionaryList; }
    static juce::Rectangle<int> dictionaryCard (VarneTAudioProcessorEditor& e) { return e.dictionaryCard; }
};

namespace
{
using Access = VarneTLiveEditorTestAccess;

struct LiveScene
{
    LiveScene() { processor.getTelemetryClient().markWelcomeSeen(); }
    ~LiveScene()
    {
        if (editor != nullptr)
            processor.editorBeingDeleted (editor.get());
    }

    VarneTAudioProcessorEditor& open()
    {
        editor = std::make_unique<VarneTAudioProcessorEditor> (processor);
        editor->setSize (1360, 820);
        gui::flushMessages();
        return *editor;
    }

    VarneTAudioProcessor processor;
    std::unique_ptr<VarneTAudioProcessorEditor> editor;
};

juce::Image dictionaryOf (VarneTAudioProcessorEditor& editor)
{
    const auto image = editor.createComponentSnapshot (editor.getLocalBounds());
    const auto scale = (float) editor.getWidth() / 1360.0f;
    return image.getClippedImage (Access::dictionaryCard (editor).toFloat().transformedBy (juce::AffineTransform::scale (scale)).getSmallestIntegerContainer());
}
} // namespace

// The editor while the host plays: strip progress, the playhead and a held chord.
VARNET_SNAPSHOTS (editorPlaying)
{
    LiveScene scene;
    auto project = VarneT::makeDefaultProject();
    project.pitchSource = VarneT::PitchSource::chordInput;
    scene.processor.applyProjectEdit (project, false);
    auto& editor = scene.open();

    probe::RenderSession session (scene.processor, 48000.0, 512);
    const std::vector<probe::MidiEvent> chord { { 0, juce::MidiMessage::noteOn (1, 60, (juce::uint8) 100) },
                                                { 0, juce::MidiMessage::noteOn (1, 64, (juce::uint8) 100) },
                                                { 0, juce::MidiMessage::noteOn (1, 67, (juce::uint8) 100) } };
    session.run (512, chord);
    session.run (48000 + 24000);
    editor.setInspectorMode (0); // the chord label lives in the Performance mode
    Access::tick (editor);
    gui::flushMessages();
    out.write ("editor_playing.png", editor);
}

// The dictionary with all performances, one category, and a selected row.
VARNET_SNAPSHOTS (editorDictionary)
{
    LiveScene scene;
    auto& editor = scene.open();
    out.write ("editor_dictionary_all.png", dictionaryOf (editor));

    Access::filter (editor).setSelectedId (4, juce::sendNotificationSync);
    gui::flushMessages();
    out.write ("editor_dictionary_filtered.png", dictionaryOf (editor));

    Access::filter (editor).setSelectedId (1, juce::sendNotificationSync);
    gui::flushMessages();
    Access::list (editor).selectRow (2);
    Access::tick (editor);
    gui::flushMessages();
    out.write ("editor_dictionary_selected.png", dictionaryOf (editor));
}
