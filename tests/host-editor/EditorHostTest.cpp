// The plug-in's own view, created through the VST3 interfaces by a host: shown in a real window,
// resized and closed many times while the instance keeps playing.

#include "support/PlaybackHostSupport.h"
#include "support/ProbeEditor.h"
#include "support/ProcessRunner.h"
#include "support/ServiceTestSupport.h"

#include <atomic>
#include <thread>

namespace
{
using host_test::BundleTest;

bool hasDisplay() { return std::getenv ("DISPLAY") != nullptr; }

/** Renders a playing transport with a held chord on its own thread, as a host's audio thread does. */
class BackgroundPlayer
{
public:
    explicit BackgroundPlayer (juce::AudioProcessor& processor)
        : session (processor, host_test::rate, 512), thread ([this] { run(); })
    {
    }

    ~BackgroundPlayer()
    {
        quitting = true;
        thread.join();
    }

    std::atomic<juce::int64> events { 0 };

private:
    void run()
    {
        std::vector<probe::MidiEvent> chord;
        for (auto note : { 60, 64, 67 })
            chord.push_back ({ 0, juce::MidiMessage::noteOn (1, note, (juce::uint8) 100) });

        events += (juce::int64) session.run (512, chord).output.size();
        while (! quitting)
        {
            events += (juce::int64) session.run (512).output.size();
            std::this_thread::sleep_for (std::chrono::milliseconds (2));
        }
    }

    probe::RenderSession session;
    std::atomic<bool> quitting { false };
    std::thread thread;
};
} // namespace

TEST_F (BundleTest, ProbeShowsTheEditorThroughVst3AndGrabsTheScreen)
{
    if (! hasDisplay())
        GTEST_SKIP() << "needs an X display";

    const auto png = juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("hosted-editor.png");
    const auto result = testing_support::runProcess ({ VARNET_PROBE, "editor", host_test::bundle().getFullPathName(), "--seconds", "0.5",
                                      "--size", "1160x700", "--screenshot", png.getFullPathName() });

    ASSERT_TRUE (result.finished);
    ASSERT_EQ (result.exitCode, 0) << result.output;
    EXPECT_TRUE (result.output.contains ("editor 1160x700")) << result.output;
    EXPECT_TRUE (result.output.contains ("screenshot " + png.getFullPathName())) << result.output;

    const auto played = result.output.fromFirstOccurrenceOf ("closed; played ", false, false);
    EXPECT_GT (played.fromFirstOccurrenceOf ("blocks, ", false, false).getIntValue(), 0) << result.output;

    // The editor's content colour shows between its panels in the grabbed screen.
    const auto image = juce::ImageFileFormat::loadFrom (png);
    ASSERT_TRUE (image.isValid());
    int contentPixels = 0;
    for (int y = 0; y < std::min (700, image.getHeight()); y += 4)
        for (int x = 0; x < std::min (1160, image.getWidth()); x += 4)
            if (image.getPixelAt (x, y).getARGB() == 0xff181926)
                ++contentPixels;
    EXPECT_GT (contentPixels, (1160 / 4) * (700 / 4) / 20);
}

TEST_F (BundleTest, EditorOpensResizesAndClosesTwentyTimesWhileThePluginPlays)
{
    if (! hasDisplay())
        GTEST_SKIP() << "needs an X display";

    probe::prepareBareXServer();
    auto plugin = load();
    ASSERT_NE (plugin, nullptr);
    ASSERT_TRUE (plugin->hasEditor());

    BackgroundPlayer player (*plugin);
    const std::pair<int, int> sizes[] { { 1160, 700 }, { 1360, 820 }, { 1500, 900 } };

    for (int i = 0; i < 20; ++i)
    {
        SCOPED_TRACE (i);
        juce::String error;
        auto window = probe::HostedEditorWindow::open (*plugin, error);
        ASSERT_NE (window, nullptr) << error;
        ASSERT_TRUE (service_test::waitUntil ([&] { return window->getEditor().isShowing(); }, 20000));

        const auto [w, h] = sizes[(size_t) i % 3];
        window->setEditorSize (w, h);
        EXPECT_TRUE (service_test::waitUntil ([&] { return window->getEditor().getWidth() == w && window->getEditor().getHeight() == h; }, 20000));

        const auto eventsBefore = player.events.load();
        EXPECT_TRUE (service_test::waitUntil ([&] { return player.events.load() > eventsBefore; }, 20000)) << "the plug-in stopped playing";

        window.reset();
        EXPECT_EQ (plugin->getActiveEditor(), nullptr);
    }
}
