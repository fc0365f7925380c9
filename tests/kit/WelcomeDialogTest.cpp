#include "kit/SettingsStore.h"
#include "kit/TelemetryClient.h"
#include "kit/WelcomeDialog.h"
#include "kit/support/ServiceTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

using tolmek::WelcomeDialog;

namespace
{
const juce::String settingsKey = "TOLMEK/VarneT";
const juce::String welcomeVersion = "2026-08-26";

class WelcomeDialogTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        dialog.reset();
        telemetry.reset();
        service_test::removeInterProcessLockFile (store.getLockName());
    }

    WelcomeDialog& makeDialog (const juce::String& key = settingsKey, const juce::String& version = welcomeVersion,
                               const juce::String& productName = "Varne-T")
    {
        dialog.reset();
        tolmek::TelemetryClient::Config config;
        config.productId = "varne-t";
        config.productName = productName;
        config.version = "1.3.6";
        config.settingsKey = key;
        config.consentVersion = "2026-07-10";
        config.welcomeVersion = version;
        telemetry = std::make_unique<tolmek::TelemetryClient> (config);

        dialog = std::make_unique<WelcomeDialog> (*telemetry, WelcomeDialog::Config {
            "  Varne-T adapts authored performances. MIDI only. Place it before an instrument. Use ? for details.\n",
            "https://tolmek.com/terms" });
        dialog->setBounds (0, 0, 1360, 820);
        dialog->launchBrowser = [this] (const juce::String& address) { opened.add (address); };
        return *dialog;
    }

    juce::var telemetrySection() const { return store.readSection ("telemetry"); }

    service_test::TemporaryHome home;
    tolmek::SettingsStore store { settingsKey };
    std::unique_ptr<tolmek::TelemetryClient> telemetry;
    std::unique_ptr<WelcomeDialog> dialog;
    juce::StringArray opened;
};

bool noNegativeSize (juce::Rectangle<int> r) { return r.getWidth() >= 0 && r.getHeight() >= 0; }
} // namespace

TEST_F (WelcomeDialogTest, ShowsOncePerWelcomeVersionStoredInTheSettingsFile)
{
    struct Row
    {
        const char* what;
        juce::String storedVersion; // empty: no "welcome_version" key at all
        juce::String key, configured;
        bool shown;
    };

    const Row rows[] {
        { "nothing stored", {}, settingsKey, welcomeVersion, true },
        { "older version stored", "2025-01-01", settingsKey, welcomeVersion, true },
        { "same version stored", welcomeVersion, settingsKey, welcomeVersion, false },
        { "no configured version", {}, settingsKey, {}, false },
        { "no settings key", {}, {}, welcomeVersion, false },
    };

    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.what);
        store.getFile().deleteFile();

        if (row.storedVersion.isNotEmpty())
        {
            ASSERT_TRUE (store.setValue ("telemetry", "welcome_version", row.storedVersion));
        }

        const auto before = store.getFile().loadFileAsString();
        auto& welcome = makeDialog (row.key, row.configured);
        welcome.getConsentToggle().setToggleState (false, juce::dontSendNotification);

        EXPECT_EQ (welcome.showIfNeeded(), row.shown);
        EXPECT_EQ (welcome.isVisible(), row.shown);
        // Showing again starts from the ticked toggle; not showing changes nothing.
        EXPECT_EQ (welcome.getConsentToggle().getToggleState(), row.shown);
        EXPECT_EQ (store.getFile().loadFileAsString(), before);
    }
}

TEST_F (WelcomeDialogTest, ContinueStoresTheConsentAndTheWelcomeVersion)
{
    for (const auto ticked : { true, false })
    {
        SCOPED_TRACE (ticked ? "ticked" : "unticked");
        store.getFile().deleteFile();

        auto& welcome = makeDialog();
        ASSERT_TRUE (welcome.showIfNeeded());
        EXPECT_TRUE (welcome.getConsentToggle().getToggleState());

        int calls = 0;
        bool reported = ! ticked;
        welcome.onFinished = [&] (bool consent) { ++calls; reported = consent; };

        if (! ticked)
            welcome.getConsentToggle().setToggleState (false, juce::dontSendNotification);

        welcome.getContinueButton().triggerClick();
        ASSERT_TRUE (service_test::waitUntil ([&] { return calls > 0; }, 5000));

        EXPECT_EQ (calls, 1);
        EXPECT_EQ (reported, ticked);
        EXPECT_FALSE (welcome.isVisible());
        EXPECT_EQ (telemetry->isEnabled(), ticked);

        const auto section = telemetrySection();
        EXPECT_EQ (section["welcome_version"].toString(), welcomeVersion);
        EXPECT_EQ (static_cast<bool> (section["telemetry_enabled"]), ticked);

        // The next editor does not ask again, whatever the answer was.
        EXPECT_FALSE (makeDialog().showIfNeeded());
    }
}

TEST_F (WelcomeDialogTest, ControlsAndTextsFollowTheProductName)
{
    auto& named = makeDialog (settingsKey, welcomeVersion, "  Varne-T ");
    EXPECT_EQ (named.getName(), "Welcome to Varne-T");
    EXPECT_EQ (named.getConsentToggle().getButtonText(), "Help improve Varne-T");
    EXPECT_EQ (named.getConsentToggle().getTooltip(), tolmek::TelemetryClient::consentText());
    EXPECT_EQ (named.getConfig().introText,
               "Varne-T adapts authored performances. MIDI only. Place it before an instrument. Use ? for details.");
    EXPECT_EQ (named.getTermsLink().getButtonText(), "Terms & Privacy");
    EXPECT_EQ (named.getContinueButton().getButtonText(), "Continue");
    EXPECT_TRUE (static_cast<bool> (named.getContinueButton().getProperties()["isPrimary"]));
    EXPECT_FALSE (named.isVisible());

    named.getTermsLink().triggerClick();
    ASSERT_TRUE (service_test::waitUntil ([&] { return opened.size() > 0; }, 5000));
    EXPECT_EQ (opened, juce::StringArray ("https://tolmek.com/terms"));

    auto& unnamed = makeDialog (settingsKey, welcomeVersion, " \t ");
    EXPECT_EQ (unnamed.getName(), "Welcome to Product");
    EXPECT_EQ (unnamed.getConsentToggle().getButtonText(), "Help improve Product");
}

TEST (WelcomeDialogLayout, PanelAndBlocksAtEachSize)
{
    using R = juce::Rectangle<int>;

    struct Row
    {
        int width, height, introHeight, consentHeight;
        R panel, continueButton, termsLink, intro, heading, toggle, consent;
    };

    const Row rows[] {
        { 1360, 820, 40, 36, { 410, 298, 540, 223 }, { 844, 487, 88, 28 }, { 428, 487, 144, 28 },
          { 428, 353, 504, 40 }, { 428, 395, 504, 18 }, { 428, 413, 504, 22 }, { 428, 435, 504, 36 } },
        { 400, 300, 60, 54, { 12, 19, 376, 261 }, { 282, 246, 88, 28 }, { 30, 246, 144, 28 },
          { 30, 74, 340, 60 }, { 30, 136, 340, 18 }, { 30, 154, 340, 22 }, { 30, 176, 340, 54 } },
        // Too low for the panel: it takes the height less 8 and the blocks shrink to what is left.
        { 1360, 120, 40, 36, { 410, 4, 540, 112 }, { 844, 82, 88, 28 }, { 428, 82, 144, 28 },
          { 428, 59, 504, 7 }, { 428, 66, 504, 0 }, { 428, 66, 504, 0 }, { 428, 66, 504, 0 } },
        // Narrower than 36: texts and buttons get width 0.
        { 30, 30, 40, 36, { 12, 4, 6, 22 }, { 30, 32, 0, 0 }, { 30, 32, 0, 0 },
          { 30, 36, 0, 0 }, { 30, 36, 0, 0 }, { 30, 36, 0, 0 }, { 30, 36, 0, 0 } },
    };

    for (const auto& row : rows)
    {
        SCOPED_TRACE (juce::String (row.width) + "x" + juce::String (row.height));
        const auto l = WelcomeDialog::computeLayout (row.width, row.height, row.introHeight, row.consentHeight);
        EXPECT_EQ (l.panel, row.panel);
        EXPECT_EQ (l.continueButton, row.continueButton);
        EXPECT_EQ (l.termsLink, row.termsLink);
        EXPECT_EQ (l.intro, row.intro);
        EXPECT_EQ (l.privacyHeading, row.heading);
        EXPECT_EQ (l.consentToggle, row.toggle);
        EXPECT_EQ (l.consentText, row.consent);
    }

    for (const auto size : { juce::Point<int> (0, 0), { 1, 1 }, { 12, 700 }, { 900, 5 }, { 37, 60 } })
    {
        const auto l = WelcomeDialog::computeLayout (size.x, size.y, 200, 200);

        for (const auto& r : { l.panel, l.header, l.footer, l.title, l.continueButton, l.termsLink, l.intro,
                               l.privacyHeading, l.consentToggle, l.consentText })
            EXPECT_TRUE (noNegativeSize (r)) << size.toString() << " " << r.toString();
    }
}

TEST_F (WelcomeDialogTest, ChildrenFollowTheLayoutWithMeasuredTexts)
{
    auto& welcome = makeDialog();

    for (const auto size : { juce::Point<int> (1360, 820), { 400, 300 }, { 30, 30 } })
    {
        welcome.setSize (size.x, size.y);
        const auto l = welcome.getLayout();
        EXPECT_EQ (welcome.getContinueButton().getBounds(), l.continueButton);
        EXPECT_EQ (welcome.getTermsLink().getBounds(), l.termsLink);
        EXPECT_EQ (welcome.getConsentToggle().getBounds(), l.consentToggle);

        for (auto* child : welcome.getChildren())
            EXPECT_TRUE (noNegativeSize (child->getBounds())) << size.toString();

        // Painting a degenerate size must not fail either.
        juce::Image image (juce::Image::ARGB, juce::jmax (1, size.x), juce::jmax (1, size.y), true);
        juce::Graphics g (image);
        welcome.paintEntireComponent (g, true);
    }

    welcome.setSize (1360, 820);
    const auto l = welcome.getLayout();
    EXPECT_EQ (l.panel.getWidth(), 540);
    EXPECT_EQ (l.intro.getHeight(), juce::jmax (18, WelcomeDialog::measureText (welcome.getConfig().introText, 504)));
    EXPECT_GT (l.intro.getHeight(), 18); // the introduction wraps onto two lines at this width
}
