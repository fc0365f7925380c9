#include "support/ProbeHost.h"

#include <pluginterfaces/base/ipluginbase.h>

#include <dlfcn.h>

#include <cstring>

namespace probe
{
namespace
{
juce::String fromCString (const char* text, size_t maxLength)
{
    return juce::String::fromUTF8 (text, (int) strnlen (text, maxLength));
}

juce::String fromTChars (const Steinberg::char16* text, size_t maxLength)
{
    juce::String result;
    for (size_t i = 0; i < maxLength && text[i] != 0; ++i)
        result += (juce::juce_wchar) text[i];
    return result;
}

juce::File findModuleBinary (const juce::File& bundle)
{
    for (const auto& folder : bundle.getChildFile ("Contents").findChildFiles (juce::File::findDirectories, false, "*-linux"))
    {
        const auto binaries = folder.findChildFiles (juce::File::findFiles, false, "*.so");
        if (! binaries.isEmpty())
            return binaries.getFirst();
    }

    return {};
}

bool isControllerParameter (juce::AudioProcessorParameter& parameter)
{
    // The wrapper exposes MIDI controllers as parameters named "MIDI CC n|m".
    return parameter.getName (64).startsWith ("MIDI CC ");
}

// What the wrapper appends to the plug-in's own state: eight zero bytes, its private data, the
// private data's size and this marker.
const char* const wrapperDataMarker = "JUCEPrivateData";

juce::String layoutName (const juce::AudioChannelSet& set)
{
    return set.getDescription() + " (" + juce::String (set.size()) + " ch)";
}
} // namespace

std::optional<LoadedPlugin> loadBundle (const juce::File& bundle, double sampleRate, int blockSize, juce::String& error)
{
    if (! bundle.exists())
    {
        error = "no VST3 bundle at " + bundle.getFullPathName();
        return std::nullopt;
    }

    juce::VST3PluginFormat format;
    juce::OwnedArray<juce::PluginDescription> types;
    format.findAllTypesForFile (types, bundle.getFullPathName());

    if (types.isEmpty())
    {
        error = "no VST3 class could be loaded from " + bundle.getFullPathName();
        return std::nullopt;
    }

    LoadedPlugin loaded;
    loaded.description = *types.getFirst();
    juce::String createError;
    loaded.instance = format.createInstanceFromDescription (loaded.description, sampleRate, blockSize, createError);

    if (loaded.instance == nullptr)
    {
        error = "the VST3 class in " + bundle.getFullPathName() + " could not be instantiated: " + createError;
        return std::nullopt;
    }

    return loaded;
}

std::optional<FactoryInfo> readFactoryInfo (const juce::File& bundle, juce::String& error)
{
    const auto binary = findModuleBinary (bundle);
    if (! binary.existsAsFile())
    {
        error = "no module binary inside " + bundle.getFullPathName();
        return std::nullopt;
    }

    // The module is already loaded and initialised by the host; this only takes another reference.
    auto* handle = dlopen (binary.getFullPathName().toRawUTF8(), RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr)
        handle = dlopen (binary.getFullPathName().toRawUTF8(), RTLD_NOW);

    if (handle == nullptr)
    {
        error = "cannot open " + binary.getFullPathName();
        return std::nullopt;
    }

    using GetFactory = Steinberg::IPluginFactory* (*)();
    auto getFactory = reinterpret_cast<GetFactory> (dlsym (handle, "GetPluginFactory"));
    auto* factory = getFactory != nullptr ? getFactory() : nullptr;

    if (factory == nullptr)
    {
        dlclose (handle);
        error = "the module exports no plug-in factory";
        return std::nullopt;
    }

    FactoryInfo info;
    Steinberg::PFactoryInfo factoryInfo;
    if (factory->getFactoryInfo (&factoryInfo) == Steinberg::kResultOk)
    {
        info.vendor = fromCString (factoryInfo.vendor, sizeof (factoryInfo.vendor));
        info.url = fromCString (factoryInfo.url, sizeof (factoryInfo.url));
        info.email = fromCString (factoryInfo.email, sizeof (factoryInfo.email));
    }

    Steinberg::IPluginFactory2* factory2 = nullptr;
    factory->queryInterface (Steinberg::IPluginFactory2::iid, reinterpret_cast<void**> (&factory2));

    for (Steinberg::int32 i = 0; i < factory->countClasses(); ++i)
    {
        FactoryInfo::ClassInfo classInfo;
        Steinberg::PClassInfo2 info2;

        if (factory2 != nullptr && factory2->getClassInfo2 (i, &info2) == Steinberg::kResultOk)
        {
            classInfo.category = fromCString (info2.category, sizeof (info2.category));
            classInfo.name = fromCString (info2.name, sizeof (info2.name));
            classInfo.subCategories = fromCString (info2.subCategories, sizeof (info2.subCategories));
            classInfo.vendor = fromCString (info2.vendor, sizeof (info2.vendor));
            classInfo.version = fromCString (info2.version, sizeof (info2.version));
            classInfo.sdkVersion = fromCString (info2.sdkVersion, sizeof (info2.sdkVersion));
        }
        else
        {
            Steinberg::PClassInfo basic;
            if (factory->getClassInfo (i, &basic) == Steinberg::kResultOk)
            {
                classInfo.category = fromCString (basic.category, sizeof (basic.category));
                classInfo.name = fromCString (basic.name, sizeof (basic.name));
            }
        }

        info.classes.push_back (classInfo);
    }

    juce::ignoreUnused (fromTChars);

    if (factory2 != nullptr)
        factory2->release();
    factory->release();
    dlclose (handle);
    return info;
}

juce::String describe (const LoadedPlugin& plugin, const FactoryInfo& factory)
{
    juce::StringArray lines;
    lines.add ("factory vendor: \"" + factory.vendor + "\" url: \"" + factory.url + "\" email: \"" + factory.email + "\"");

    for (const auto& c : factory.classes)
        lines.add ("class: \"" + c.category + "\" name: \"" + c.name + "\" subcategories: \"" + c.subCategories
                   + "\" version: \"" + c.version + "\" sdk: \"" + c.sdkVersion + "\"");

    const auto& d = plugin.description;
    lines.add ("plugin: name: \"" + d.name + "\" vendor: \"" + d.manufacturerName + "\" category: \"" + d.category
               + "\" version: \"" + d.version + "\" instrument: " + (d.isInstrument ? "yes" : "no"));

    auto& instance = *plugin.instance;

    for (const bool isInput : { true, false })
    {
        const auto count = instance.getBusCount (isInput);
        lines.add (juce::String (isInput ? "input buses: " : "output buses: ") + juce::String (count));

        for (int i = 0; i < count; ++i)
            if (auto* bus = instance.getBus (isInput, i))
                lines.add ("  \"" + bus->getName() + "\" " + layoutName (bus->getCurrentLayout())
                           + (bus->isEnabledByDefault() ? " enabled" : " disabled"));
    }

    lines.add (juce::String ("midi: in ") + (instance.acceptsMidi() ? "yes" : "no") + ", out "
               + (instance.producesMidi() ? "yes" : "no"));
    lines.add ("tail seconds: " + juce::String (instance.getTailLengthSeconds()));
    lines.add ("programs: " + juce::String (instance.getNumPrograms()));

    for (int i = 0; i < instance.getNumPrograms(); ++i)
        lines.add ("  program " + juce::String (i) + ": \"" + instance.getProgramName (i) + "\"");

    const auto& parameters = instance.getParameters();
    int controllerParameters = 0;
    juce::StringArray ownParameters;

    for (auto* parameter : parameters)
    {
        if (isControllerParameter (*parameter))
        {
            ++controllerParameters;
            continue;
        }

        auto* hosted = dynamic_cast<juce::HostedAudioProcessorParameter*> (parameter);
        ownParameters.add ("  parameter \"" + parameter->getName (64) + "\" id \""
                           + (hosted != nullptr ? hosted->getParameterID() : juce::String()) + "\" steps "
                           + juce::String (parameter->getNumSteps()) + " value "
                           + juce::String (parameter->getValue()) + " text \"" + parameter->getCurrentValueAsText() + "\"");
    }

    lines.add ("parameters: " + juce::String (ownParameters.size()) + " (plus " + juce::String (controllerParameters)
               + " MIDI controller parameters)");
    lines.addArray (ownParameters);
    return lines.joinIntoString ("\n");
}

juce::Optional<juce::AudioPlayHead::PositionInfo> ScriptedPlayHead::getPosition() const
{
    PositionInfo info;
    if (transport.hasBpm)
        info.setBpm (transport.bpm);

    info.setIsPlaying (transport.playing);
    info.setTimeInSamples (samplePosition);
    info.setTimeInSeconds ((double) samplePosition / sampleRate);

    if (transport.hasPosition)
        info.setPpqPosition (transport.ppqPosition);

    info.setTimeSignature (TimeSignature {});
    return info;
}

RenderSession::RenderSession (juce::AudioProcessor& p, double sampleRate, int size, const Transport& transport)
    : blockSize (size), processor (p)
{
    playHead.sampleRate = sampleRate;
    playHead.transport = transport;

    const auto channels = juce::jmax (1, processor.getTotalNumOutputChannels(), processor.getTotalNumInputChannels());
    audio.setSize (channels, blockSize);
    midi.ensureSize (65536);

    processor.setPlayHead (&playHead);
    processor.setRateAndBufferSizeDetails (sampleRate, blockSize);
    processor.prepareToPlay (sampleRate, blockSize);
}

RenderSession::~RenderSession()
{
    processor.releaseResources();
    processor.setPlayHead (nullptr);
}

RenderResult RenderSession::run (juce::int64 samples, const std::vector<MidiEvent>& input, const BlockHook& beforeBlock)
{
    RenderResult result;
    size_t nextInput = 0;
    const auto end = position + samples;

    while (position < end)
    {
        const auto blockStart = position;
        const auto blockLength = (int) juce::jmin ((juce::int64) blockSize, end - blockStart);

        if (beforeBlock)
            beforeBlock (blockStart, playHead.transport);

        playHead.samplePosition = blockStart;
        audio.setSize (audio.getNumChannels(), blockLength, false, false, true);

        for (int ch = 0; ch < audio.getNumChannels(); ++ch)
            juce::FloatVectorOperations::fill (audio.getWritePointer (ch), 0.25f, blockLength);

        midi.clear();
        while (nextInput < input.size() && input[nextInput].sample < blockStart + blockLength)
        {
            const auto& event = input[nextInput++];
            midi.addEvent (event.message, (int) juce::jmax ((juce::int64) 0, event.sample - blockStart));
        }

        processor.processBlock (audio, midi);
        ++result.blocks;

        for (int ch = 0; ch < audio.getNumChannels(); ++ch)
            if (audio.findMinMax (ch, 0, blockLength) != juce::Range<float>())
                result.audioWasSilent = false;

        for (const auto metadata : midi)
            result.output.push_back ({ blockStart + metadata.samplePosition, metadata.getMessage() });

        // Like a host, count the position from the samples played since the last change of
        // position or tempo, so that no rounding error builds up over a long render.
        auto& transport = playHead.transport;
        if (transport.playing && transport.advance)
        {
            if (transport.ppqPosition != advancedPosition || transport.bpm != anchorTempo)
            {
                anchorPosition = transport.ppqPosition;
                anchorTempo = transport.bpm;
                samplesSinceAnchor = 0;
            }

            samplesSinceAnchor += blockLength;
            transport.ppqPosition = anchorPosition + (double) samplesSinceAnchor / playHead.sampleRate * transport.bpm / 60.0;
            advancedPosition = transport.ppqPosition;
        }

        position += blockLength;
    }

    return result;
}

RenderResult render (juce::AudioProcessor& instance, const RenderScript& script)
{
    RenderSession session (instance, script.sampleRate, script.blockSize, script.transport);
    return session.run (script.totalSamples, script.input, script.beforeBlock);
}

juce::String formatEvent (const MidiEvent& event)
{
    const auto& m = event.message;
    juce::String text = juce::String (event.sample) + " ";

    if (m.isNoteOn())
        text << "note-on ch " << m.getChannel() << " note " << m.getNoteNumber() << " vel " << (int) m.getVelocity();
    else if (m.isNoteOff())
        text << "note-off ch " << m.getChannel() << " note " << m.getNoteNumber();
    else if (m.isController())
        text << "cc ch " << m.getChannel() << " " << m.getControllerNumber() << " = " << m.getControllerValue();
    else
        text << m.getDescription();

    return text;
}

juce::MemoryBlock getPluginState (juce::AudioPluginInstance& instance)
{
    juce::MemoryBlock hostState;
    instance.getStateInformation (hostState);

    const auto xml = juce::AudioProcessor::getXmlFromBinary (hostState.getData(), (int) hostState.getSize());
    auto* component = xml != nullptr ? xml->getChildByName ("IComponent") : nullptr;

    juce::MemoryBlock state;
    if (component == nullptr || ! state.fromBase64Encoding (component->getAllSubText()))
        return {};

    const auto markerLength = std::strlen (wrapperDataMarker);
    const auto trailerFixed = markerLength + 2 * sizeof (juce::uint64);

    if (state.getSize() >= trailerFixed
        && std::memcmp (static_cast<const char*> (state.getData()) + state.getSize() - markerLength, wrapperDataMarker, markerLength) == 0)
    {
        juce::uint64 privateSize = 0;
        std::memcpy (&privateSize, static_cast<const char*> (state.getData()) + state.getSize() - markerLength - sizeof (juce::uint64),
                     sizeof (privateSize));

        if (privateSize + trailerFixed <= state.getSize())
            state.setSize (state.getSize() - (size_t) privateSize - trailerFixed);
    }

    return state;
}

void setPluginState (juce::AudioPluginInstance& instance, const void* data, size_t size)
{
    juce::XmlElement hostState ("VST3PluginState");
    hostState.createNewChildElement ("IComponent")->addTextElement (juce::MemoryBlock (data, size).toBase64Encoding());

    juce::MemoryBlock block;
    juce::AudioProcessor::copyXmlToBinary (hostState, block);
    instance.setStateInformation (block.getData(), (int) block.getSize());
}

std::vector<juce::AudioProcessorParameter*> ownParameters (juce::AudioPluginInstance& instance)
{
    std::vector<juce::AudioProcessorParameter*> result;
    for (auto* parameter : instance.getParameters())
        if (! isControllerParameter (*parameter))
            result.push_back (parameter);

    return result;
}

} // namespace probe
