#include "kit/HelpDialog.h"
#include "kit/TelemetryClient.h"
#include "kit/support/ServiceTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

using tolmek::HelpDialog;
using R = juce::Rectangle<int>;

namespace
{
tolmek::HelpContent makeContent (bool withGuide = true, bool withMcp = true)
{
    tolmek::HelpContent content;
    content.productName = "Varne-T";
    content.version = "1.3.6";
    content.guideUrl = withGuide ? "https://tolmek.com/varne-t/guide" : "";
    content.sections.push_back ({ "Getting started", "Place Varne-T before an instrument and play chords into it.",
                                  { { "Ctrl+Z", "Undo" }, { "Ctrl+Shift+Z", "Redo" } } });
    content.sections.push_back ({ "Timeline", "Drag notes to move them; drag their right edge to change length.", {} });
    content.mcpText = withMcp ? "An assistant can read and change this instance's project through Tolmek MCP." : "";
    content.noticesText = "VST is a registered trademark of its owner.";
    content.extraLinkText = "Source offer";
    content.extraLinkUrl = "https://tolmek.com/source";
    return content;
}

class HelpDialogTest : public ::testing::Test
{
protected:
    HelpDialog& makeDialog (tolmek::HelpContent content = makeContent())
    {
        dialog = std::make_unique<HelpDialog> (std::move (content));
        dialog->launchBrowser = [this] (const juce::String& address) { opened.add (address); };
        dialog->setBounds (0, 0, 1360, 820);
        return *dialog;
    }

    std::unique_ptr<HelpDialog> dialog;
    juce::StringArray opened;
};

bool noNegativeSize (R r) { return r.getWidth() >= 0 && r.getHeight() >= 0; }

} // namespace

TEST (HelpDialogLayout, RectanglesAtEachSize)
{
    struct Row
    {
        int width, height;
        bool guide;
        R panel, header, footer, close, website, discord, email, documentation, viewport;
        int bodyWidth;
    };

    const Row rows[] {
        { 1360, 820, true, { 240, 70, 880, 680 }, { 240, 70, 880, 55 }, { 240, 712, 880, 38 }, { 1027, 85, 68, 24 },
          { 895, 85, 24, 24 }, { 925, 85, 24, 24 }, { 955, 85, 24, 24 }, { 985, 85, 24, 24 }, { 250, 135, 860, 567 }, 848 },
        // Without a guide the documentation icon goes and the other three move 30 pixels right.
        { 1360, 820, false, { 240, 70, 880, 680 }, { 240, 70, 880, 55 }, { 240, 712, 880, 38 }, { 1027, 85, 68, 24 },
          { 925, 85, 24, 24 }, { 955, 85, 24, 24 }, { 985, 85, 24, 24 }, {}, { 250, 135, 860, 567 }, 848 },
        { 400, 300, true, { 25, 25, 350, 250 }, { 25, 25, 350, 55 }, { 25, 237, 350, 38 }, { 282, 40, 68, 24 },
          { 150, 40, 24, 24 }, { 180, 40, 24, 24 }, { 210, 40, 24, 24 }, { 240, 40, 24, 24 }, { 35, 90, 330, 137 }, 318 },
        { 30, 30, true, { 2, 2, 26, 26 }, { 2, 2, 26, 26 }, { 2, 2, 26, 26 }, { -41, 17, 68, 24 },
          { -173, 17, 24, 24 }, { -143, 17, 24, 24 }, { -113, 17, 24, 24 }, { -83, 17, 24, 24 }, { 12, 38, 6, 0 }, 1 },
    };

    for (const auto& row : rows)
    {
        SCOPED_TRACE (juce::String (row.width) + "x" + juce::String (row.height) + (row.guide ? "" : " no guide"));
        const auto l = HelpDialog::computeLayout (row.width, row.height, row.guide);
        EXPECT_EQ (l.panel, row.panel);
        EXPECT_EQ (l.header, row.header);
        EXPECT_EQ (l.footer, row.footer);
        EXPECT_EQ (l.closeButton, row.close);
        EXPECT_EQ (l.links[0], row.website);
        EXPECT_EQ (l.links[1], row.discord);
        EXPECT_EQ (l.links[2], row.email);
        EXPECT_EQ (l.links[3], row.documentation);
        EXPECT_EQ (l.viewport, row.viewport);
        EXPECT_EQ (l.bodyWidth, row.bodyWidth);
    }

    // The panel never exceeds 880 by 680.
    EXPECT_EQ (HelpDialog::computeLayout (4000, 3000, true).panel.getWidth(), 880);
    EXPECT_EQ (HelpDialog::computeLayout (4000, 3000, true).panel.getHeight(), 680);
}

TEST_F (HelpDialogTest, BodyFollowsItsWidthWithoutNegativeSizes)
{
    auto& help = makeDialog();
    help.setUpdateInfo ("2.0.0", "https://tolmek.com/download");
    auto& body = help.getBody();

    struct Row
    {
        int width, height;
        R updateBox, updateLink;
        int mcpBoxHeight;
        bool copyBelowId;
    };

    // Body widths 848 (text 808), 318 (text 278) and 1 (text 1).
    const Row rows[] {
        { 1360, 820, { 20, 20, 808, 64 }, { 678, 40, 138, 24 }, 58, false },
        { 400, 300, { 20, 20, 278, 90 }, { 32, 78, 138, 24 }, 88, true },
        { 30, 30, { 20, 20, 1, 90 }, { 32, 78, 138, 24 }, 88, true },
    };

    for (const auto& row : rows)
    {
        SCOPED_TRACE (juce::String (row.width) + "x" + juce::String (row.height));
        help.setSize (row.width, row.height);
        const auto w = body.getWidth();

        EXPECT_EQ (w, help.getLayout().bodyWidth);
        EXPECT_EQ (body.updateBox, row.updateBox);
        EXPECT_EQ (body.updateLink.getBounds(), row.updateLink);
        EXPECT_TRUE (body.updateLink.isVisible());
        EXPECT_EQ (body.mcpBox.getHeight(), row.mcpBoxHeight);
        EXPECT_EQ (body.copyIdButton.getBounds(),
                   R (w - 108, body.mcpBox.getY() + (row.copyBelowId ? 56 : 17), 76, 24));
        EXPECT_EQ (body.mcpSetupLink.getBounds(), R (20, body.mcpBox.getBottom() + 8, 190, 24));
        EXPECT_EQ (body.termsLink.getBounds().getY(), body.consentToggle.getBottom() - 24 + 44 +
                   (int) body.findTextBlock (tolmek::TelemetryClient::consentText())->area.getHeight());
        EXPECT_EQ (body.getHeight(), body.noticesLink.getY() + 44);

        for (auto* child : body.getChildren())
            EXPECT_TRUE (noNegativeSize (child->getBounds())) << child->getName() << " " << child->getBounds().toString();

        for (auto* child : help.getChildren())
            EXPECT_TRUE (noNegativeSize (child->getBounds())) << child->getName() << " " << child->getBounds().toString();

        juce::Image image (juce::Image::ARGB, row.width, row.height, true);
        juce::Graphics g (image);
        help.paintEntireComponent (g, true);
    }

    // Without an update the first help section starts at the top.
    help.setUpdateInfo ("2.0.0", {});
    EXPECT_TRUE (body.updateBox.isEmpty());
    EXPECT_FALSE (body.updateLink.isVisible());
    ASSERT_NE (body.findTextBlock ("Getting started"), nullptr);
    EXPECT_EQ (body.findTextBlock ("Getting started")->area.getY(), 20.0f);

    // Shortcut rows: keys in a column of min (2 tw / 5, 220), actions beside it.
    help.setSize (1360, 820);
    const auto* keys = body.findTextBlock ("Ctrl+Z");
    const auto* action = body.findTextBlock ("Undo");
    ASSERT_TRUE (keys != nullptr && action != nullptr);
    EXPECT_EQ (keys->area.getX(), 20.0f);
    EXPECT_EQ (keys->area.getWidth(), 208.0f);
    EXPECT_EQ (action->area.getX(), 240.0f);
    EXPECT_EQ (action->area.getWidth(), 588.0f);
    EXPECT_EQ (body.findTextBlock ("Ctrl+Shift+Z")->area.getY(), keys->area.getY() + 24.0f);
    EXPECT_NE (body.findTextBlock ("Built with JUCE. VST is a registered trademark of its owner."), nullptr);
}

TEST_F (HelpDialogTest, OptionalPartsHideWithTheirContent)
{
    auto bare = makeContent (false, false);
    bare.extraLinkUrl = {};
    bare.noticesText = {};
    auto& help = makeDialog (std::move (bare));
    auto& body = help.getBody();

    EXPECT_FALSE (help.getLinkButton (3).isVisible());
    EXPECT_TRUE (help.getLinkButton (0).isVisible());
    EXPECT_FALSE (body.copyIdButton.isVisible());
    EXPECT_FALSE (body.mcpSetupLink.isVisible());
    EXPECT_FALSE (body.instanceIdLabel.isVisible());
    EXPECT_TRUE (body.mcpBox.isEmpty());
    EXPECT_EQ (body.findTextBlock ("Tolmek MCP"), nullptr);
    EXPECT_FALSE (body.extraLink.isVisible());
    EXPECT_NE (body.findTextBlock ("Built with JUCE."), nullptr);
    EXPECT_EQ (body.noticesLink.getY(), (int) body.findTextBlock ("Built with JUCE.")->area.getBottom() + 12);
}

TEST_F (HelpDialogTest, NamesTooltipsAndLinks)
{
    auto& help = makeDialog();
    auto& body = help.getBody();

    EXPECT_EQ (help.getTitle(), "Help & Privacy");
    EXPECT_TRUE (help.getWantsKeyboardFocus());
    EXPECT_FALSE (help.isVisible());
    EXPECT_EQ (help.getCloseButton().getButtonText(), "Close");

    const char* names[] { "Website", "Discord", "Email", "Documentation" };
    const char* tooltips[] { "Open Tolmek website", "Join Tolmek on Discord", "Contact TOLMEK support", "Open Varne-T user guide" };

    for (int i = 0; i < 4; ++i)
    {
        EXPECT_EQ (help.getLinkButton (i).getName(), names[i]);
        EXPECT_EQ (help.getLinkButton (i).getTooltip(), tooltips[i]);
        EXPECT_NE (help.getLinkButton (i).getNormalImage(), nullptr) << names[i];
    }

    EXPECT_EQ (body.consentToggle.getButtonText(), "Help improve Varne-T");
    EXPECT_EQ (body.consentToggle.getTooltip(), tolmek::TelemetryClient::consentText());
    EXPECT_EQ (body.copyIdButton.getTooltip(), "Copy this Varne-T MCP instance ID");
    EXPECT_EQ (body.instanceIdLabel.getTitle(), "Current instance ID");
    EXPECT_EQ (body.extraLink.getButtonText(), "Source offer");

    // Each link opens its address through the launcher; Email calls onContactSupport when set.
    for (auto* link : { (juce::Button*) &help.getLinkButton (0), (juce::Button*) &help.getLinkButton (1),
                        (juce::Button*) &help.getLinkButton (2), (juce::Button*) &help.getLinkButton (3),
                        (juce::Button*) &body.mcpSetupLink, (juce::Button*) &body.termsLink,
                        (juce::Button*) &body.noticesLink, (juce::Button*) &body.extraLink })
        link->triggerClick();

    ASSERT_TRUE (service_test::waitUntil ([&] { return opened.size() == 8; }, 5000));
    EXPECT_EQ (opened, juce::StringArray ({ HelpDialog::websiteUrl, HelpDialog::discordUrl, HelpDialog::contactUrl,
                                            "https://tolmek.com/varne-t/guide", HelpDialog::mcpSetupUrl,
                                            HelpDialog::termsUrl, HelpDialog::noticesUrl, "https://tolmek.com/source" }));

    int contacts = 0;
    help.onContactSupport = [&] { ++contacts; };
    help.getLinkButton (2).triggerClick();
    ASSERT_TRUE (service_test::waitUntil ([&] { return contacts == 1; }, 5000));
    EXPECT_EQ (opened.size(), 8);
}

TEST_F (HelpDialogTest, UpdateLinkOpensOnlySafeAddresses)
{
    struct Row
    {
        const char* address;
        bool opens;
    };

    const Row rows[] {
        { "https://tolmek.com/download/varne-t-2.0.0.zip", true },
        { "HTTPS://tolmek.com/download", true },
        { "http://127.0.0.1:29731/download", true },
        { "http://localhost/download", true },
        { "http://[::1]:8080/download", true },
        { "http://tolmek.com/download", false },
        { "javascript:alert(1)", false },
        { "javascript://127.0.0.1/%0aalert(1)", false },
        { "file:///etc/passwd", false },
        { "ftp://tolmek.com/varne-t.zip", false },
        { "https://", false },
        { "http://127.0.0.1@evil.example/", false },
        { "http://127.0.0.1.evil.example/", false },
        { " https://tolmek.com/download", false },
        { "tolmek.com/download", false },
    };

    auto& help = makeDialog();
    auto& body = help.getBody();

    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.address);
        opened.clear();
        help.setUpdateInfo ("2.0.0", row.address);

        // The notice shows either way; only a safe address gets a link.
        EXPECT_FALSE (body.updateBox.isEmpty());
        EXPECT_NE (body.findTextBlock ("Update available: v2.0.0"), nullptr);
        EXPECT_EQ (body.updateLink.isVisible(), row.opens);
        EXPECT_EQ (tolmek::isOpenableDownloadAddress (row.address), row.opens);

        body.updateLink.triggerClick();
        juce::MessageManager::getInstance()->runDispatchLoopUntil (20);
        service_test::waitUntil ([&] { return opened.size() > 0; }, row.opens ? 5000 : 100);
        EXPECT_EQ (opened, row.opens ? juce::StringArray (row.address) : juce::StringArray());
    }
}

TEST_F (HelpDialogTest, SettersAndCallbacks)
{
    auto& help = makeDialog();
    auto& body = help.getBody();

    EXPECT_FALSE (body.copyIdButton.isEnabled());
    help.setMcpInstanceId ("a1b2c3");
    EXPECT_EQ (body.instanceIdLabel.getText(), "a1b2c3");
    EXPECT_TRUE (body.copyIdButton.isEnabled());
    help.setMcpInstanceId ({});
    EXPECT_FALSE (body.copyIdButton.isEnabled());

    juce::Array<bool> toggles;
    help.onTelemetryToggled = [&] (bool consent) { toggles.add (consent); };
    help.setTelemetryEnabled (true);
    EXPECT_TRUE (body.consentToggle.getToggleState());
    EXPECT_TRUE (toggles.isEmpty());
    body.consentToggle.triggerClick();
    ASSERT_TRUE (service_test::waitUntil ([&] { return toggles.size() == 1; }, 5000));
    EXPECT_FALSE (toggles[0]);

    // Escape closes, but not with a modifier held.
    int closes = 0;
    help.onClose = [&] { ++closes; };
    juce::Component parent;
    parent.setSize (900, 600);
    help.setBounds ({});
    parent.addChildComponent (help);
    help.show();
    EXPECT_EQ (help.getBounds(), parent.getLocalBounds());
    EXPECT_TRUE (help.isVisible());

    for (const auto modifier : { juce::ModifierKeys::shiftModifier, juce::ModifierKeys::ctrlModifier,
                                 juce::ModifierKeys::altModifier })
    {
        help.keyPressed (juce::KeyPress (juce::KeyPress::escapeKey, modifier, 0));
        EXPECT_TRUE (help.isVisible());
    }

    EXPECT_EQ (closes, 0);
    help.keyPressed (juce::KeyPress (juce::KeyPress::escapeKey));
    EXPECT_FALSE (help.isVisible());
    EXPECT_EQ (closes, 1);

    help.show();
    help.getCloseButton().triggerClick();
    ASSERT_TRUE (service_test::waitUntil ([&] { return closes == 2; }, 5000));
    EXPECT_FALSE (help.isVisible());
    parent.removeChildComponent (&help);
}
