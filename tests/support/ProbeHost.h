#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <limits>
#include <memory>
#include <optional>
#include <vector>

namespace probe
{

/** What the module's factory says about itself, read through the raw VST3 interfaces. */
struct FactoryInfo
{
    struct ClassInfo
    {
        juce::String category, name, subCategories, vendor, version, sdkVersion;
    };

    juce::String vendor, url, email;
    std::vector<ClassInfo> classes;
};

struct LoadedPlugin
{
    juce::PluginDescription description;
    std::unique_ptr<juce::AudioPluginInstance> instance;
};

/** Loads the first VST3 class of a bundle; on failure returns nothing and sets error. */
std::optional<LoadedPlugin> loadBundle (const juce::File& bundle, double sampleRate, int blockSize, juce::String& error);

/** Reads the factory of a bundle that loadBundle has already loaded into this process. */
std::optional<FactoryInfo> readFactoryInfo (const juce::File& bundle, juce::String& error);

/** A multi-line report of identity, buses, MIDI, programs and parameters. */
juce::String describe (const LoadedPlugin&, const FactoryInfo&);

/** The transport a render presents to the plug-in, changeable between blocks. */
struct Transport
{
    double bpm = 120.0;
    bool hasBpm = true;
    bool playing = true;
    bool hasPosition = true;
    double ppqPosition = 0.0;
    bool advance = true; // move the position on by each block while playing
};

class ScriptedPlayHead final : public juce::AudioPlayHead
{
public:
    Transport transport;
    double sampleRate = 48000.0;
    juce::int64 samplePosition = 0;

    juce::Optional<PositionInfo> getPosition() const override;
};

struct MidiEvent
{
    juce::int64 sample = 0; // absolute, from the start of the render
    juce::MidiMessage message;
};

/** Called before each block with its absolute start sample; may change the transport. */
using BlockHook = std::function<void (juce::int64 blockStart, Transport&)>;

struct RenderScript
{
    double sampleRate = 48000.0;
    int blockSize = 512;
    juce::int64 totalSamples = 0;
    Transport transport;
    std::vector<MidiEvent> input; // sorted by sample
    BlockHook beforeBlock;
};

struct RenderResult
{
    std::vector<MidiEvent> output;
    bool audioWasSilent = true;
    int blocks = 0;
};

/** Prepares a processor, then drives it block by block for as long as the caller asks,
    collecting every MIDI event it writes; releases it at the end. */
class RenderSession
{
public:
    RenderSession (juce::AudioProcessor&, double sampleRate, int blockSize, const Transport& = {});
    ~RenderSession();

    /** Processes `samples` more samples in blocks; input events are at absolute samples. */
    RenderResult run (juce::int64 samples, const std::vector<MidiEvent>& input = {}, const BlockHook& beforeBlock = {});

    ScriptedPlayHead playHead;
    int blockSize;
    juce::int64 position = 0; // absolute sample of the next block

private:
    juce::AudioProcessor& processor;
    juce::AudioBuffer<float> audio;
    juce::MidiBuffer midi;
    double anchorPosition = 0.0, anchorTempo = 0.0, advancedPosition = std::numeric_limits<double>::quiet_NaN();
    juce::int64 samplesSinceAnchor = 0;
};

/** One whole render of a script in a fresh session. */
RenderResult render (juce::AudioProcessor&, const RenderScript&);

juce::String formatEvent (const MidiEvent&);

/** The bytes the plug-in itself wrote as its state, taken out of the host's saved state. */
juce::MemoryBlock getPluginState (juce::AudioPluginInstance&);

/** Hands these bytes to the plug-in as its state, the way a host restores a document. */
void setPluginState (juce::AudioPluginInstance&, const void* data, size_t size);

/** The plug-in's own parameters, without the MIDI controller parameters of the wrapper. */
std::vector<juce::AudioProcessorParameter*> ownParameters (juce::AudioPluginInstance&);

} // namespace probe
