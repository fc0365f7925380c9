#include "editor/PluginEditor.h"

// The processor's editor lives in the editor layer, so the processor's layer never sees the editor.
juce::AudioProcessorEditor* VarneTAudioProcessor::createEditor()
{
    return new VarneTAudioProcessorEditor (*this);
}
