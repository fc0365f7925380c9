// The header's project controls, Panic and the project JSON overlay.

#include "editor/PluginEditor.h"

#include "editor/actions/ProjectJsonApply.h"
#include "model/ProjectJson.h"
#include "model/Scales.h"

namespace
{
constexpr int maxInstanceNameBytes = 256;
} // namespace

void VarneTAudioProcessorEditor::applyProjectControlEdit (const std::function<void (VarneT::Project&)>& change)
{
    if (isUpdatingControls)
        return;

    auto project = processor.getProjectCopy();
    change (project);

    // Success needs nothing more: the processor's change broadcast refreshes the controls.
    if (const auto error = processor.applyProjectEdit (project, true); error.isNotEmpty())
    {
        showError (error);
        refreshFromProcessor();
    }
}

void VarneTAudioProcessorEditor::choosePitchSource (VarneT::PitchSource source, juce::TextButton& button)
{
    if (isUpdatingControls)
        return;

    // Clicking the source already chosen keeps it chosen.
    if (processor.getProjectCopy().pitchSource == source)
    {
        button.setToggleState (true, juce::dontSendNotification);
        return;
    }

    applyProjectControlEdit ([source] (VarneT::Project& project) { project.pitchSource = source; });
}

void VarneTAudioProcessorEditor::midiChordsPitchSourceClicked()
{
    choosePitchSource (VarneT::PitchSource::chordInput, midiChordsButton);
}

void VarneTAudioProcessorEditor::scalePitchSourceClicked()
{
    choosePitchSource (VarneT::PitchSource::scale, scaleSourceButton);
}

void VarneTAudioProcessorEditor::scaleRootChanged()
{
    const auto id = scaleRootBox.getSelectedId();
    if (isUpdatingControls || id <= 0)
        return;

    applyProjectControlEdit ([id] (VarneT::Project& project) { project.scale.root = id - 1; });
}

void VarneTAudioProcessorEditor::scaleTypeChanged()
{
    const auto id = scaleTypeBox.getSelectedId();
    const auto& table = VarneT::scaleTable();
    if (isUpdatingControls || id <= 0 || id > (int) table.size())
        return;

    applyProjectControlEdit ([name = table[(size_t) id - 1].name] (VarneT::Project& project) { project.scale.name = name; });
}

void VarneTAudioProcessorEditor::instanceNameFinished()
{
    commitInstanceName();
}

void VarneTAudioProcessorEditor::cancelInstanceNameEdit()
{
    instanceNameField.setText (processor.getProjectCopy().identityName, juce::dontSendNotification);
    grabKeyboardFocus();
}

void VarneTAudioProcessorEditor::commitInstanceName()
{
    auto project = processor.getProjectCopy();
    const auto name = instanceNameField.getText().trim();

    if (name.isEmpty())
    {
        showError ("Instance Name cannot be empty");
        return;
    }

    if (name.getNumBytesAsUTF8() > (size_t) maxInstanceNameBytes)
    {
        showError ("Instance Name must be at most 256 bytes");
        return;
    }

    if (name == project.identityName)
    {
        instanceNameField.setText (name, juce::dontSendNotification);
        return;
    }

    project.identityName = name;
    if (const auto error = processor.applyProjectEdit (project, true); error.isNotEmpty())
    {
        showError (error);
        return;
    }

    instanceNameField.setText (name, juce::dontSendNotification);
    showStatus ("Instance renamed to " + name);
}

void VarneTAudioProcessorEditor::panicClicked()
{
    processor.requestPanic();
    showStatus ("All generated notes released");
}

void VarneTAudioProcessorEditor::showProjectJson()
{
    if (jsonOverlay != nullptr)
        jsonOverlay->open (VarneT::projectToJsonText (processor.getProjectCopy()));
}

juce::String VarneTAudioProcessorEditor::applyProjectJson (const juce::String& text)
{
    if (auto error = VarneT::applyEditedProjectJson (processor, text); error.isNotEmpty())
        return error;

    // The applied project is the new Write/Revert baseline, not a library save: against the
    // library it counts as modified, so loading another project asks first.
    selectedPatternIndex = 0;
    refreshFromProcessor();
    updateProjectsButton (true);
    showStatus ("Project JSON applied");
    return {};
}

juce::Result VarneTAudioProcessorEditor::applyJsonFromOverlay (const juce::String& text)
{
    const auto error = applyProjectJson (text);
    return error.isEmpty() ? juce::Result::ok() : juce::Result::fail (error);
}
