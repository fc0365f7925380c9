// The built bundle as a VST3 host sees it, through the probe host.

#include "support/ProbeHost.h"
#include "support/ProcessRunner.h"

#include <gtest/gtest.h>

namespace
{
const juce::File bundle { VARNET_VST3_BUNDLE };

juce::String runProbe (const juce::StringArray& args)
{
    juce::StringArray command { VARNET_PROBE };
    command.addArray (args);
    const auto result = testing_support::runProcess (command);
    EXPECT_EQ (result.exitCode, 0) << result.output;
    return result.output;
}
} // namespace

TEST (BundleIdentity, FactoryClassesBusesAndMidiAsTheHostSeesThem)
{
    const auto info = runProbe ({ "info", bundle.getFullPathName() });

    EXPECT_TRUE (info.contains ("factory vendor: \"TOLMEK\" url: \"\" email: \"\"")) << info;
    EXPECT_TRUE (info.contains ("class: \"Audio Module Class\" name: \"Varne-T\" subcategories: \"Instrument|Generator\" "
                                "version: \"1.3.6\"")) << info;
    EXPECT_TRUE (info.contains ("class: \"Component Controller Class\" name: \"Varne-T\"")) << info;
    EXPECT_TRUE (info.contains ("vendor: \"TOLMEK\" category: \"Instrument|Generator\" version: \"1.3.6\"")) << info;
    EXPECT_TRUE (info.contains ("input buses: 0\n")) << info;
    EXPECT_TRUE (info.contains ("output buses: 1\n  \"Output\" Stereo (2 ch) enabled")) << info;
    EXPECT_TRUE (info.contains ("midi: in yes, out yes")) << info;
    EXPECT_TRUE (info.contains ("tail seconds: 0\n")) << info;
}

TEST (BundleIdentity, ProbeRefusesWhatIsNotAPluginBundle)
{
    const auto temp = juce::File::createTempFile ("bundles");
    ASSERT_TRUE (temp.createDirectory());

    const auto empty = temp.getChildFile ("Empty.vst3");
    empty.getChildFile ("Contents/x86_64-linux").createDirectory();

    // A real shared library that is not a plug-in module.
    const auto foreign = temp.getChildFile ("Foreign.vst3");
    foreign.getChildFile ("Contents/x86_64-linux").createDirectory();
    juce::File ("/lib/x86_64-linux-gnu/libz.so.1").copyFileTo (foreign.getChildFile ("Contents/x86_64-linux/Foreign.so"));

    // A binary that is no library at all.
    const auto broken = temp.getChildFile ("Broken.vst3");
    broken.getChildFile ("Contents/x86_64-linux").createDirectory();
    broken.getChildFile ("Contents/x86_64-linux/Broken.so").replaceWithText ("not a library");

    for (const auto& path : { temp.getChildFile ("Missing.vst3"), empty, foreign, broken })
    {
        const auto result = testing_support::runProcess ({ VARNET_PROBE, "info", path.getFullPathName() });
        EXPECT_EQ (result.exitCode, 1) << path.getFullPathName();
        EXPECT_TRUE (result.output.startsWith ("varnet-probe: ")) << result.output;
        EXPECT_EQ (result.output.trimEnd().indexOfChar ('\n'), -1) << "one line: " << result.output;
    }

    temp.deleteRecursively();
}

TEST (BundleIdentity, BlocksOfAnySizeAreSilentAndConsumeMidiInput)
{
    for (const int blockSize : { 1, 17, 64, 512, 4096 })
    {
        SCOPED_TRACE (blockSize);
        juce::String error;
        auto plugin = probe::loadBundle (bundle, 48000.0, blockSize, error);
        ASSERT_TRUE (plugin.has_value()) << error;

        probe::RenderScript script;
        script.blockSize = blockSize;
        script.totalSamples = 8192;
        script.transport.playing = false;

        // Held chord, a stray note-off and controllers: nothing of it may come out again.
        for (const int note : { 60, 64, 67 })
            script.input.push_back ({ 0, juce::MidiMessage::noteOn (1, note, (juce::uint8) 100) });
        script.input.push_back ({ 100, juce::MidiMessage::noteOff (2, 50) });
        script.input.push_back ({ 200, juce::MidiMessage::allNotesOff (1) });
        script.input.push_back ({ 4000, juce::MidiMessage::noteOff (1, 64) });

        const auto result = probe::render (*plugin->instance, script);
        EXPECT_TRUE (result.audioWasSilent);
        EXPECT_TRUE (result.output.empty()) << probe::formatEvent (result.output.front());
    }
}
