// Registered before the test program's own environment, so that the X error handler is in place
// before JUCE opens its display connection. Without a window manager JUCE windows can otherwise
// die on BadAtom from requests that name atoms nobody created.

#include "support/gui/XDisplay.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>


namespace
{
class GuiEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        if (! testing_support::gui::XDisplay::open())
        {
            std::fprintf (stderr, "Editor tests need an X display: run them under xvfb-run.\n");
            std::exit (2);
        }

        initialiser = std::make_unique<juce::ScopedJuceInitialiser_GUI>();

        // Repeatable text: widgets that draw with the default sans-serif face get the pinned one.
        if (juce::Font::findAllTypefaceNames().contains ("DejaVu Sans"))
            juce::LookAndFeel::getDefaultLookAndFeel().setDefaultSansSerifTypefaceName ("DejaVu Sans");
    }

    void TearDown() override { initialiser.reset(); }

private:
    std::unique_ptr<juce::ScopedJuceInitialiser_GUI> initialiser;
};

// gtest sets environments up in registration order; this one precedes any added in main().
[[maybe_unused]] auto* const registered = ::testing::AddGlobalTestEnvironment (new GuiEnvironment());
} // namespace
