#pragma once

#include "kit/BrowserLink.h"

#include <functional>

namespace tolmek
{

class TelemetryClient;

/** The first-run panel: greets the user, asks once per welcome-text version for consent to the
    usage heartbeat, and closes only with "Continue". Message thread only.
*/
class WelcomeDialog : public juce::Component
{
public:
    struct Config
    {
        juce::String introText;
        juce::String termsUrl;
    };

    class DialogButtonLookAndFeel : public juce::LookAndFeel_V4
    {
    public:
        void drawButtonBackground (juce::Graphics&, juce::Button&, const juce::Colour& backgroundColour,
                                   bool highlighted, bool down) override;
        void drawButtonText (juce::Graphics&, juce::TextButton&, bool highlighted, bool down) override;
    };

    class ToggleLookAndFeel : public juce::LookAndFeel_V4
    {
    public:
        void drawToggleButton (juce::Graphics&, juce::ToggleButton&, bool highlighted, bool down) override;
    };

    class LinkButton : public LauncherLink
    {
    public:
        using LauncherLink::LauncherLink;
        void paintButton (juce::Graphics&, bool highlighted, bool down) override;
    };

    /** The panel's rectangles for a dialog size and the measured heights of the two texts. */
    struct Layout
    {
        juce::Rectangle<int> panel, header, footer, title, continueButton, termsLink, intro, privacyHeading,
                             consentToggle, consentText;
    };

    static Layout computeLayout (int width, int height, int introHeight, int consentHeight);

    /** Height of a text in the dialog's paragraph style, word-wrapped at the given width; at least 1. */
    static int measureText (const juce::String& text, int width);

    WelcomeDialog (TelemetryClient& telemetry, Config config);
    ~WelcomeDialog() override;

    std::function<void (bool consent)> onFinished;

    /** Every address the dialog opens goes through here. */
    BrowserLauncher launchBrowser = defaultBrowserLauncher();

    /** Shows the dialog when the telemetry client has not yet recorded this welcome version. */
    bool showIfNeeded();

    const juce::String& getProductName() const noexcept { return productName; }
    const Config& getConfig() const noexcept { return config; }
    juce::ToggleButton& getConsentToggle() noexcept { return consentToggle; }
    LinkButton& getTermsLink() noexcept { return termsLink; }
    juce::TextButton& getContinueButton() noexcept { return continueButton; }
    Layout getLayout() const;

    void paint (juce::Graphics&) override;
    void resized() override;

private:
    void finish();

    TelemetryClient& telemetry;
    juce::String productName;
    Config config;
    DialogButtonLookAndFeel buttonLookAndFeel;
    ToggleLookAndFeel toggleLookAndFeel;
    juce::ToggleButton consentToggle;
    LinkButton termsLink;
    juce::TextButton continueButton { "Continue" };
    juce::Rectangle<int> introArea, privacyArea, consentArea;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (WelcomeDialog)
};

} // namespace tolmek
