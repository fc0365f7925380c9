// Command-line VST3 host for trying the built plug-in without a DAW.
//
//   varnet-probe info   <bundle>
//   varnet-probe render <bundle> [--bpm N] [--rate N] [--block N] [--beats N] [--position N]
//                                [--chord 60,64,67] [--stopped]
//   varnet-probe state  <bundle>
//   varnet-probe serve  <bundle> [--seconds N] [--play] [--bpm N] [--rate N] [--block N] [--chord 60,64,67]
//   varnet-probe editor <bundle> [--seconds N] [--screenshot FILE] [--size WxH]
//
// editor opens the plug-in's own view through the VST3 interfaces in a top-level window on the
// current X display while the instance plays in real time, optionally resizes it, writes a PNG of
// the X screen once the view shows, keeps the message loop running for --seconds (default 2) and
// closes the view. It prints "editor <width>x<height> at <x>,<y>" once the view is open, "screenshot <file>"
// and finally "closed; played <blocks> blocks, <events> MIDI events".
//
// serve keeps one instance alive on a running message loop so that outside clients can reach its
// MCP bridge. It prints "instance <folder>" once the instance's bridge folder holds its presence
// file, and "stopped" after a clean shutdown (SIGTERM, SIGINT, the end of standard input when it is
// a pipe or a terminal, "quit", or after --seconds). With --play a second thread renders playing
// blocks in real time. Standard input takes commands, one a line:
//   render <beats> [60,64,67]   render from beat 0 in a fresh session and print the MIDI events,
//                               then "rendered <count> MIDI events in <blocks> blocks"
//   quit

#include "ProbeEditor.h"
#include "ProbeHost.h"

#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <csignal>
#include <deque>
#include <iostream>
#include <mutex>
#include <thread>

namespace
{
int usage()
{
    std::cerr << "usage: varnet-probe info|render|state|serve|editor <bundle.vst3> [options]\n";
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

//==============================================================================
// serve

std::atomic<bool> stopRequested { false };

void onStopSignal (int) { stopRequested = true; }

std::mutex outputLock;

void say (const juce::String& line)
{
    const std::lock_guard<std::mutex> lock (outputLock);
    std::cout << line << std::endl;
}

juce::Array<int> parseChord (const juce::String& text)
{
    juce::Array<int> chord;
    for (const auto& note : juce::StringArray::fromTokens (text, ",", {}))
        chord.add (note.getIntValue());
    return chord;
}

std::vector<probe::MidiEvent> chordInput (const juce::Array<int>& chord)
{
    std::vector<probe::MidiEvent> input;
    for (auto note : chord)
        input.push_back ({ 0, juce::MidiMessage::noteOn (1, note, (juce::uint8) 100) });
    return input;
}

juce::File bridgeInstancesFolder()
{
    return juce::File::getSpecialLocation (juce::File::userApplicationDataDirectory).getChildFile ("TOLMEK/MCP/bridge/v1/instances");
}

/** All audio calls of the served instance happen here: continuous real-time playing and the
    renders that standard input asks for. */
class Player
{
public:
    Player (juce::AudioProcessor& p, const Options& o, bool playContinuously)
        : processor (p), options (o), playing (playContinuously), thread ([this] { run(); })
    {
    }

    ~Player() { stop(); }

    void stop()
    {
        {
            const std::lock_guard<std::mutex> lock (queueLock);
            quitting = true;
        }
        wake.notify_all();

        if (thread.joinable())
            thread.join();
    }

    void requestRender (double beats, juce::Array<int> chord)
    {
        {
            const std::lock_guard<std::mutex> lock (queueLock);
            renders.push_back ({ beats, std::move (chord) });
        }
        wake.notify_all();
    }

    std::atomic<juce::int64> blocksPlayed { 0 }, eventsPlayed { 0 };

private:
    struct RenderRequest
    {
        double beats;
        juce::Array<int> chord;
    };

    probe::Transport playingTransport() const
    {
        probe::Transport transport;
        transport.bpm = options.bpm;
        transport.ppqPosition = options.position;
        return transport;
    }

    void run()
    {
        std::unique_ptr<probe::RenderSession> session;
        double startedMs = 0.0;

        for (;;)
        {
            std::optional<RenderRequest> render;
            {
                std::unique_lock<std::mutex> lock (queueLock);
                if (! playing)
                    wake.wait (lock, [this] { return quitting || ! renders.empty(); });

                if (quitting)
                    return;

                if (! renders.empty())
                {
                    render = renders.front();
                    renders.pop_front();
                }
            }

            if (render)
            {
                session.reset();
                renderOnce (*render);
                continue;
            }

            if (session == nullptr)
            {
                session = std::make_unique<probe::RenderSession> (processor, options.sampleRate, options.blockSize, playingTransport());
                startedMs = juce::Time::getMillisecondCounterHiRes();
                const auto result = session->run (options.blockSize, chordInput (options.chord));
                count (result);
                continue;
            }

            count (session->run (options.blockSize));

            // Real time: the next block is due when the samples played so far have been heard.
            const auto dueMs = startedMs + (double) session->position / options.sampleRate * 1000.0;
            const auto waitMs = dueMs - juce::Time::getMillisecondCounterHiRes();
            if (waitMs > 0.0)
            {
                std::unique_lock<std::mutex> lock (queueLock);
                wake.wait_for (lock, std::chrono::microseconds ((juce::int64) (waitMs * 1000.0)),
                               [this] { return quitting || ! renders.empty(); });
            }
        }
    }

    void count (const probe::RenderResult& result)
    {
        blocksPlayed += result.blocks;
        eventsPlayed += (juce::int64) result.output.size();
    }

    void renderOnce (const RenderRequest& request)
    {
        probe::RenderScript script;
        script.sampleRate = options.sampleRate;
        script.blockSize = options.blockSize;
        script.totalSamples = (juce::int64) std::ceil (request.beats * 60.0 / options.bpm * options.sampleRate);
        script.transport = playingTransport();
        script.input = chordInput (request.chord);

        const auto result = probe::render (processor, script);

        juce::StringArray lines;
        for (const auto& event : result.output)
            lines.add (probe::formatEvent (event));

        lines.add ("rendered " + juce::String ((int) result.output.size()) + " MIDI events in " + juce::String (result.blocks) + " blocks");
        say (lines.joinIntoString ("\n"));
    }

    juce::AudioProcessor& processor;
    const Options options;
    const bool playing;

    std::mutex queueLock;
    std::condition_variable wake;
    std::deque<RenderRequest> renders;
    bool quitting = false;

    std::thread thread;
};

/** Reads command lines from standard input without blocking shutdown; end of input stops. */
class CommandReader
{
public:
    explicit CommandReader (std::function<void (const juce::String&)> handler)
        : onLine (std::move (handler)), thread ([this] { run(); })
    {
    }

    ~CommandReader()
    {
        quitting = true;
        thread.join();
    }

private:
    void run()
    {
        std::string pending;
        char buffer[4096];

        while (! quitting)
        {
            pollfd input { STDIN_FILENO, POLLIN, 0 };
            if (::poll (&input, 1, 50) <= 0)
                continue;

            const auto got = ::read (STDIN_FILENO, buffer, sizeof (buffer));
            if (got <= 0)
            {
                if (inputIsAStream())
                    stopRequested = true;

                return;
            }

            pending.append (buffer, (size_t) got);

            if (pending.size() > 65536 && pending.find ('\n') == std::string::npos)
                pending.clear(); // not a command line

            for (auto end = pending.find ('\n'); end != std::string::npos; end = pending.find ('\n'))
            {
                onLine (juce::String::fromUTF8 (pending.data(), (int) end).trim());
                pending.erase (0, end + 1);
            }
        }
    }

    // The end of a pipe, socket or terminal means the controlling side has gone; a file of
    // commands (or /dev/null) just runs out.
    static bool inputIsAStream()
    {
        struct stat info {};
        return ::isatty (STDIN_FILENO) || (::fstat (STDIN_FILENO, &info) == 0 && (S_ISFIFO (info.st_mode) || S_ISSOCK (info.st_mode)));
    }

    std::function<void (const juce::String&)> onLine;
    std::atomic<bool> quitting { false };
    std::thread thread;
};

/** Watches, on the message thread, for the instance folder, the deadline and the stop request. */
class ServeMonitor final : private juce::Timer
{
public:
    ServeMonitor (juce::Array<juce::File> foldersBefore, double seconds)
        : before (std::move (foldersBefore)),
          deadlineMs (seconds > 0.0 ? juce::Time::getMillisecondCounterHiRes() + seconds * 1000.0 : 0.0),
          announceBy (juce::Time::getMillisecondCounterHiRes() + 20000.0)
    {
        startTimer (20);
    }

    juce::File instanceFolder;
    bool failed = false;

private:
    void timerCallback() override
    {
        const auto now = juce::Time::getMillisecondCounterHiRes();

        if (instanceFolder == juce::File())
        {
            for (const auto& folder : bridgeInstancesFolder().findChildFiles (juce::File::findDirectories, false))
                if (! before.contains (folder) && folder.getChildFile ("presence.json").existsAsFile())
                {
                    instanceFolder = folder;
                    say ("instance " + folder.getFullPathName());
                }

            if (instanceFolder == juce::File() && now > announceBy)
            {
                std::cerr << "varnet-probe: no MCP bridge instance folder appeared in " << bridgeInstancesFolder().getFullPathName() << "\n";
                failed = true;
                stopRequested = true;
            }
        }

        if (stopRequested || (deadlineMs > 0.0 && now >= deadlineMs))
        {
            stopTimer();
            juce::MessageManager::getInstance()->stopDispatchLoop();
        }
    }

    const juce::Array<juce::File> before;
    const double deadlineMs, announceBy;
};

int serve (const juce::File& bundle, const juce::StringArray& args)
{
    // The serve options are taken out here; the rest are the render options.
    juce::StringArray renderArgs (args[0], args[1]);
    double seconds = 0.0;
    bool play = false;

    for (int i = 2; i < args.size(); ++i)
    {
        if (args[i] == "--play")
            play = true;
        else if (args[i] == "--seconds" && i + 1 < args.size())
            seconds = args[++i].getDoubleValue();
        else
            renderArgs.add (args[i]);
    }

    Options options;
    if (! parseOptions (renderArgs, options) || ! options.playing)
        return usage();

    std::signal (SIGTERM, onStopSignal);
    std::signal (SIGINT, onStopSignal);
    std::signal (SIGPIPE, SIG_IGN);

    const auto foldersBefore = bridgeInstancesFolder().findChildFiles (juce::File::findDirectories, false);

    juce::String error;
    auto plugin = probe::loadBundle (bundle, options.sampleRate, options.blockSize, error);
    if (! plugin)
    {
        std::cerr << "varnet-probe: " << error << "\n";
        return 1;
    }

    bool monitorFailed = false;
    juce::int64 blocks = 0, events = 0;
    {
        auto player = std::make_unique<Player> (*plugin->instance, options, play);
        ServeMonitor monitor (foldersBefore, seconds);

        auto reader = std::make_unique<CommandReader> ([&player, &options] (const juce::String& line)
        {
            const auto words = juce::StringArray::fromTokens (line, " ", {});

            if (words[0] == "render" && words.size() >= 2)
                player->requestRender (words[1].getDoubleValue(), words.size() >= 3 ? parseChord (words[2]) : options.chord);
            else if (words[0] == "quit")
                stopRequested = true;
            else if (words.size() > 0)
                say ("unknown command: " + line);
        });

        if (! stopRequested)
            juce::MessageManager::getInstance()->runDispatchLoop();

        reader.reset();
        monitorFailed = monitor.failed;
        player->stop();
        blocks = player->blocksPlayed;
        events = player->eventsPlayed;
    }

    plugin.reset();

    if (play)
        say ("played " + juce::String (blocks) + " blocks, " + juce::String (events) + " MIDI events");

    say ("stopped");
    return monitorFailed ? 1 : 0;
}

//==============================================================================
// editor

/** Pumps the message loop until the condition holds or the time is up; says whether it held. */
bool pumpUntil (const std::function<bool()>& condition, double timeoutMs)
{
    const auto end = juce::Time::getMillisecondCounterHiRes() + timeoutMs;
    while (! condition())
    {
        if (juce::Time::getMillisecondCounterHiRes() > end)
            return false;
        juce::MessageManager::getInstance()->runDispatchLoopUntil (20);
    }
    return true;
}

/** The hosted view has painted once the screen inside it holds more than the window's black. */
bool viewHasPainted (const juce::Image& screen, juce::Rectangle<int> view)
{
    const auto area = view.getIntersection (screen.getBounds());
    if (area.getWidth() < 16 || area.getHeight() < 16)
        return false;

    int painted = 0;
    for (int i = 1; i < 8; ++i)
        if (screen.getPixelAt (area.getX() + area.getWidth() * i / 8, area.getY() + area.getHeight() * i / 8) != juce::Colours::black)
            ++painted;
    return painted >= 4;
}

int editor (const juce::File& bundle, const juce::StringArray& args)
{
    double seconds = 2.0;
    juce::File screenshot;
    int width = 0, height = 0;

    for (int i = 2; i < args.size(); ++i)
    {
        if (i + 1 >= args.size())
            return usage();

        const auto& value = args[++i];
        if (args[i - 1] == "--seconds")
            seconds = value.getDoubleValue();
        else if (args[i - 1] == "--screenshot")
            screenshot = juce::File::getCurrentWorkingDirectory().getChildFile (value);
        else if (args[i - 1] == "--size")
        {
            width = value.upToFirstOccurrenceOf ("x", false, true).getIntValue();
            height = value.fromFirstOccurrenceOf ("x", false, true).getIntValue();
            if (width <= 0 || height <= 0)
                return usage();
        }
        else
            return usage();
    }

    // A held chord, so that the instance plays notes while its view is open.
    Options options;
    options.chord = { 60, 64, 67 };
    juce::String error;
    auto plugin = probe::loadBundle (bundle, options.sampleRate, options.blockSize, error);
    if (! plugin)
    {
        std::cerr << "varnet-probe: " << error << "\n";
        return 1;
    }

    int status = 0;
    juce::int64 blocks = 0, events = 0;
    {
        Player player (*plugin->instance, options, true);
        auto window = probe::HostedEditorWindow::open (*plugin->instance, error);
        if (window == nullptr)
        {
            std::cerr << "varnet-probe: " << error << "\n";
            return 1;
        }

        if (width > 0)
            window->setEditorSize (width, height);

        const auto requested = juce::Point<int> (width, height);
        auto& view = window->getEditor();
        pumpUntil ([&] { return view.isShowing() && (width == 0 || juce::Point<int> (view.getWidth(), view.getHeight()) == requested); }, 20000.0);
        const auto onScreen = window->getScreenBounds();
        say ("editor " + juce::String (view.getWidth()) + "x" + juce::String (view.getHeight()) + " at "
             + juce::String (onScreen.getX()) + "," + juce::String (onScreen.getY()));

        if (screenshot != juce::File())
        {
            juce::Image screen;
            const auto painted = pumpUntil ([&]
            {
                screen = probe::grabScreen (error);
                return screen.isValid() && viewHasPainted (screen, window->getScreenBounds());
            }, 20000.0);

            juce::String writeError;
            if (! painted)
            {
                std::cerr << "varnet-probe: the view did not paint " << error << "\n";
                status = 1;
            }
            else if (! probe::writeScreenshot (screenshot, writeError))
            {
                std::cerr << "varnet-probe: " << writeError << "\n";
                status = 1;
            }
            else
                say ("screenshot " + screenshot.getFullPathName());
        }

        const auto end = juce::Time::getMillisecondCounterHiRes() + seconds * 1000.0;
        pumpUntil ([&] { return juce::Time::getMillisecondCounterHiRes() >= end; }, seconds * 1000.0 + 1000.0);

        window.reset();
        player.stop();
        blocks = player.blocksPlayed;
        events = player.eventsPlayed;
    }

    plugin.reset();
    say ("closed; played " + juce::String (blocks) + " blocks, " + juce::String (events) + " MIDI events");
    return status;
}

int run (const juce::StringArray& args)
{
    if (args.size() < 2)
        return usage();

    const auto command = args[0];
    const juce::File bundle (juce::File::getCurrentWorkingDirectory().getChildFile (args[1]));

    if (command == "serve")
        return serve (bundle, args);

    if (command == "editor")
        return editor (bundle, args);

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
    if (argc > 1 && juce::String (argv[1]) == "editor")
        probe::prepareBareXServer();

    juce::ScopedJuceInitialiser_GUI juce;
    juce::StringArray args;

    for (int i = 1; i < argc; ++i)
        args.add (juce::String::fromUTF8 (argv[i]));

    return run (args);
}
