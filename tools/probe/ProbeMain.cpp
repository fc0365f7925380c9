// Command-line VST3 host for trying the built plug-in without a DAW.
//
//   varnet-probe info   <bundle>
//   varnet-probe render <bundle> [--bpm N] [--rate N] [--block N] [--beats N] [--position N]
//                                [--chord 60,64,67] [--stopped]
//   varnet-probe state  <bundle>

#include "ProbeHost.h"

#include <iostream>

namespace
{
int usage()
{
    std::cerr << "usage: varnet-probe info|render|state <bundle.vst3> [options]\n";
    return 2;
}

struct Options
{
    double bpm = 120.0, sampleRate = 48000.0, beats = 16.0, position = 0.0;
    int blockSize = 512;
    bool playing = true;
    juce::Array<int> chord;
};

bool parseOptions (const juce::StringArray& args, Options& options)
{
    for (int i = 2; i < args.size(); ++i)
    {
        const auto& arg = args[i];
        const auto value = args[i + 1];

        if (arg == "--stopped")                         { options.playing = false; continue; }
        if (i + 1 >= args.size())                       return false;
        if (arg == "--bpm")                             options.bpm = value.getDoubleValue();
        else if (arg == "--rate")                       options.sampleRate = value.getDoubleValue();
        else if (arg == "--block")                      options.blockSize = value.getIntValue();
        else if (arg == "--beats")                      options.beats = value.getDoubleValue();
        else if (arg == "--position")                   options.position = value.getDoubleValue();
        else if (arg == "--chord")
            for (const auto& note : juce::StringArray::fromTokens (value, ",", {}))
                options.chord.add (note.getIntValue());
        else
            return false;

        ++i;
    }

    return options.blockSize > 0 && options.sampleRate > 0.0 && options.bpm > 0.0;
}

int run (const juce::StringArray& args)
{
    if (args.size() < 2)
        return usage();

    const auto command = args[0];
    const juce::File bundle (juce::File::getCurrentWorkingDirectory().getChildFile (args[1]));
    Options options;

    if (! parseOptions (args, options))
        return usage();

    juce::String error;
    auto plugin = probe::loadBundle (bundle, options.sampleRate, options.blockSize, error);
    if (! plugin)
    {
        std::cerr << "varnet-probe: " << error << "\n";
        return 1;
    }

    if (command == "info")
    {
        auto factory = probe::readFactoryInfo (bundle, error);
        if (! factory)
        {
            std::cerr << "varnet-probe: " << error << "\n";
            return 1;
        }

        std::cout << probe::describe (*plugin, *factory) << "\n";
        return 0;
    }

    if (command == "render")
    {
        probe::RenderScript script;
        script.sampleRate = options.sampleRate;
        script.blockSize = options.blockSize;
        script.totalSamples = (juce::int64) std::ceil (options.beats * 60.0 / options.bpm * options.sampleRate);
        script.transport.bpm = options.bpm;
        script.transport.playing = options.playing;
        script.transport.ppqPosition = options.position;

        for (auto note : options.chord)
            script.input.push_back ({ 0, juce::MidiMessage::noteOn (1, note, (juce::uint8) 100) });

        std::cout << "rendering " << options.beats << " beats at " << options.bpm << " bpm, " << options.sampleRate
                  << " Hz, blocks of " << options.blockSize << " samples, transport "
                  << (options.playing ? "playing" : "stopped") << "\n";

        const auto result = probe::render (*plugin->instance, script);

        for (const auto& event : result.output)
            std::cout << probe::formatEvent (event) << "\n";

        std::cout << result.output.size() << " MIDI events in " << result.blocks << " blocks, audio "
                  << (result.audioWasSilent ? "silent" : "NOT silent") << "\n";
        return 0;
    }

    if (command == "state")
    {
        juce::MemoryBlock first;
        plugin->instance->getStateInformation (first);

        auto second = probe::loadBundle (bundle, options.sampleRate, options.blockSize, error);
        if (! second)
        {
            std::cerr << "varnet-probe: " << error << "\n";
            return 1;
        }

        second->instance->setStateInformation (first.getData(), (int) first.getSize());
        juce::MemoryBlock restored;
        second->instance->getStateInformation (restored);

        std::cout << "state: " << first.getSize() << " bytes saved, " << restored.getSize() << " bytes after restore in a "
                  << "second instance: " << (first == restored ? "identical" : "DIFFERENT") << "\n";
        return first == restored ? 0 : 1;
    }

    return usage();
}
} // namespace

int main (int argc, char* argv[])
{
    juce::ScopedJuceInitialiser_GUI juce;
    juce::StringArray args;

    for (int i = 1; i < argc; ++i)
        args.add (juce::String::fromUTF8 (argv[i]));

    return run (args);
}
