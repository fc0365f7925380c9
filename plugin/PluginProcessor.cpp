#include "plugin/PluginProcessor.h"

namespace
{
bool isVst3OrStandalone (juce::AudioProcessor::WrapperType type) noexcept
{
    return type == juce::AudioProcessor::wrapperType_VST3 || type == juce::AudioProcessor::wrapperType_Standalone;
}

} // namespace

// The wrapper type is only known through the host type while the instance is being created.
juce::AudioProcessor::BusesProperties VarneTAudioProcessor::makeBusesProperties()
{
    BusesProperties buses;

    if (isVst3OrStandalone (juce::PluginHostType::getPluginLoadedAs()))
        buses = buses.withOutput ("Output", juce::AudioChannelSet::stereo(), true);

    return buses;
}

VarneTAudioProcessor::VarneTAudioProcessor()
    : juce::AudioProcessor (makeBusesProperties())
{
}

VarneTAudioProcessor::~VarneTAudioProcessor() = default;

const juce::String VarneTAudioProcessor::getName() const { return "Varne-T"; }

void VarneTAudioProcessor::prepareToPlay (double sampleRate, int)
{
    currentSampleRate = sampleRate;
}

void VarneTAudioProcessor::releaseResources() {}

void VarneTAudioProcessor::processBlock (juce::AudioBuffer<float>& audio, juce::MidiBuffer& midi)
{
    audio.clear();
    midi.clear();
}

double VarneTAudioProcessor::getTailLengthSeconds() const { return 0.0; }
bool VarneTAudioProcessor::acceptsMidi() const { return true; }
bool VarneTAudioProcessor::producesMidi() const { return true; }
bool VarneTAudioProcessor::isMidiEffect() const { return ! isVst3OrStandalone (wrapperType); }

juce::AudioProcessorEditor* VarneTAudioProcessor::createEditor()
{
    return new juce::GenericAudioProcessorEditor (*this);
}

bool VarneTAudioProcessor::hasEditor() const { return true; }

int VarneTAudioProcessor::getNumPrograms() { return 1; }
int VarneTAudioProcessor::getCurrentProgram() { return 0; }
void VarneTAudioProcessor::setCurrentProgram (int) {}
const juce::String VarneTAudioProcessor::getProgramName (int) { return {}; }
void VarneTAudioProcessor::changeProgramName (int, const juce::String&) {}

void VarneTAudioProcessor::getStateInformation (juce::MemoryBlock&) {}
void VarneTAudioProcessor::setStateInformation (const void*, int) {}
