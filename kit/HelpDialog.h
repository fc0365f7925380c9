#pragma once

#include "kit/BrowserLink.h"
#include "kit/HelpContent.h"

#include <array>
#include <functional>
#include <memory>
#include <vector>

namespace tolmek
{

/** The help and privacy panel a plug-in editor lays over its whole area: help sections with
    shortcut tables, the MCP instance id, the telemetry consent toggle, notices and an update notice.
    Draws with fixed colours of its own. Message thread only.
*/
class HelpDialog : public juce::Component
{
public:
    class LookAndFeel : public juce::LookAndFeel_V4
    {
    public:
        LookAndFeel();
        juce::Font getTextButtonFont (juce::TextButton&, int buttonHeight) override;
        void drawButtonBackground (juce::Graphics&, juce::Button&, const juce::Colour& backgroundColour,
                                   bool highlighted, bool down) override;
    };

    /** The scrolling body. */
    class Content : public juce::Component
    {
    public:
        explicit Content (HelpDialog& owner);
        ~Content() override;

        void layoutContent (int width);
        void paint (juce::Graphics&) override;

        struct TextBlock
        {
            juce::String text;
            juce::TextLayout layout;
            juce::Rectangle<float> area;
        };

        juce::String updateVersion;
        juce::String instanceId;
        LauncherLink updateLink;
        juce::ToggleButton consentToggle;
        juce::TextButton copyIdButton { "Copy ID" };
        juce::Label instanceIdLabel;
        HelpDialog& owner;
        std::vector<TextBlock> textBlocks;
        juce::Rectangle<int> updateBox, mcpBox;
        LauncherLink mcpSetupLink;
        LauncherLink termsLink;
        LauncherLink noticesLink;
        LauncherLink extraLink;

        /** The laid-out block showing exactly this text, or nullptr. */
        const TextBlock* findTextBlock (const juce::String& text) const;

    private:
        int addText (const juce::String& text, const juce::Font& font, juce::Colour colour, int x, int y, int width);
        void copyInstanceId();

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (Content)
    };

    /** The dialog's rectangles for a size; shared by layout and painting. */
    struct Layout
    {
        juce::Rectangle<int> panel, header, footer, closeButton, viewport, title, version;
        std::array<juce::Rectangle<int>, 4> links; // Website, Discord, Email, Documentation (empty when hidden)
        int bodyWidth = 1;
    };

    static Layout computeLayout (int width, int height, bool guideVisible);

    explicit HelpDialog (HelpContent content);
    ~HelpDialog() override;

    std::function<void()> onClose;
    std::function<void()> onContactSupport;
    std::function<void (bool consent)> onTelemetryToggled;

    /** Every address the dialog opens goes through here. */
    BrowserLauncher launchBrowser = defaultBrowserLauncher();

    void setMcpInstanceId (const juce::String& id);
    void setTelemetryEnabled (bool consent);

    /** The download address comes from the network: the link is offered only for an address that
        isOpenableDownloadAddress accepts. */
    void setUpdateInfo (const juce::String& latestVersion, const juce::String& downloadUrl);

    void show();

    const HelpContent& getHelpContent() const noexcept { return content; }
    Content& getBody() noexcept { return body; }
    juce::Viewport& getViewport() noexcept { return viewport; }
    juce::TextButton& getCloseButton() noexcept { return closeButton; }
    juce::DrawableButton& getLinkButton (int index) noexcept { return *linkButtons[(size_t) index]; }
    const Layout& getLayout() const noexcept { return layout; }

    void paint (juce::Graphics&) override;
    void resized() override;
    bool keyPressed (const juce::KeyPress&) override;

    static constexpr const char* websiteUrl = "https://tolmek.com/";
    static constexpr const char* discordUrl = "https://tolmek.com/discord";
    static constexpr const char* contactUrl = "https://tolmek.com/contact";
    static constexpr const char* mcpSetupUrl = "https://tolmek.com/mcp";
    static constexpr const char* termsUrl = "https://tolmek.com/terms";
    static constexpr const char* noticesUrl = "https://tolmek.com/terms#third-party-notices";

private:
    void close();
    bool guideVisible() const { return content.guideUrl.isNotEmpty(); }

    LookAndFeel lookAndFeel;
    HelpContent content;
    Content body { *this };
    juce::Viewport viewport;
    juce::TextButton closeButton { "Close" };
    std::array<std::unique_ptr<juce::DrawableButton>, 4> linkButtons;
    juce::TooltipWindow tooltipWindow { this };
    Layout layout;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (HelpDialog)
};

} // namespace tolmek
