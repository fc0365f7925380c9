// A window of its own process that accepts dropped files: the far end of the real drag tests.
// JUCE's XDND source grabs the pointer for its own client, so a target in the test's own process
// would never see the drag. Usage: varnet-drop-target X Y WIDTH HEIGHT LOG_FILE
// Appends "ready", "over" (each time the drag moves over it) and "dropped <path>" to the log.

#include <juce_gui_basics/juce_gui_basics.h>

#include <X11/Xlib.h>

namespace
{
// No window manager under Xvfb: some of JUCE's window requests fail harmlessly.
int ignoreXError (Display*, XErrorEvent*) { return 0; }

struct Target final : juce::Component, juce::FileDragAndDropTarget
{
    explicit Target (juce::File logFile) : log (std::move (logFile)) {}

    void note (const juce::String& line) { log.appendText (line + "\n"); }

    bool isInterestedInFileDrag (const juce::StringArray&) override { return true; }
    void fileDragEnter (const juce::StringArray&, int, int) override { note ("over"); }
    void fileDragMove (const juce::StringArray&, int, int) override { note ("over"); }
    void filesDropped (const juce::StringArray& files, int, int) override
    {
        for (const auto& f : files)
            note ("dropped " + f);
    }
    void paint (juce::Graphics& g) override { g.fillAll (juce::Colours::darkblue); }

    juce::File log;
};
} // namespace

int main (int argc, char** argv)
{
    if (argc != 6)
        return 2;

    XSetErrorHandler (ignoreXError);
    juce::ScopedJuceInitialiser_GUI juce;

    Target target { juce::File (juce::CharPointer_UTF8 (argv[5])) };
    target.setBounds (std::atoi (argv[1]), std::atoi (argv[2]), std::atoi (argv[3]), std::atoi (argv[4]));
    target.addToDesktop (0);
    target.setVisible (true);

    auto* mm = juce::MessageManager::getInstance();
    while (! target.isShowing())
        mm->runDispatchLoopUntil (10);

    mm->runDispatchLoopUntil (100);
    target.note ("ready");

    // The test ends it; a forgotten one ends by itself.
    for (int i = 0; i < 3000; ++i)
        mm->runDispatchLoopUntil (100);

    return 0;
}
