#include "kit/HelpDialog.h"

#include "kit/TelemetryClient.h"

namespace tolmek
{
namespace
{
namespace colours
{
const juce::Colour text { 0xffcad3f5 };
const juce::Colour secondary { 0xffa5adcb };
const juce::Colour teal { 0xff8bd5ca };
const juce::Colour pink { 0xfff5bde6 };
const juce::Colour box { 0xff24273a };
const juce::Colour outline { 0xff5b6078 };
const juce::Colour panel { 0xff11111b };
const juce::Colour header { 0xff181926 };
} // namespace colours

constexpr int headerHeight = 55;
constexpr int footerHeight = 38;

struct LinkIcon
{
    const char* name;
    const char* svgBody;
};

// 24 by 24 outline icons in the dialog's text colour.
const LinkIcon linkIcons[] {
    { "Website", R"(<circle cx="12" cy="12" r="8.5"/><path d="M3.5 12h17M12 3.5c4.5 5 4.5 12 0 17-4.5-5-4.5-12 0-17z"/>)" },
    { "Discord", R"(<path d="M7.5 7.5c3-1.2 6-1.2 9 0 1.3 2.1 2 4.4 2.1 7-1.1.9-2.2 1.5-3.4 1.9l-.9-1.3c-1.5.4-3.1.4-4.6 0l-.9 1.3c-1.2-.4-2.3-1-3.4-1.9.1-2.6.8-4.9 2.1-7z"/><circle cx="9.5" cy="12" r="1" fill="#cad3f5" stroke="none"/><circle cx="14.5" cy="12" r="1" fill="#cad3f5" stroke="none"/>)" },
    { "Email", R"(<rect x="4" y="6" width="16" height="12" rx="2"/><path d="m5 8 7 5 7-5"/>)" },
    { "Documentation", R"(<path stroke-linejoin="round" d="M4 5.5c3 0 5 .7 8 2.3v11c-3-1.6-5-2.3-8-2.3zm16 0c-3 0-5 .7-8 2.3v11c3-1.6 5-2.3 8-2.3z"/>)" },
};

std::unique_ptr<juce::Drawable> iconDrawable (const char* svgBody)
{
    const auto svg = juce::String (R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 24 24" width="24" height="24" )"
                                   R"(fill="none" stroke="#cad3f5" stroke-width="1.8" stroke-linecap="round">)")
                     + svgBody + "</svg>";

    if (auto xml = juce::parseXML (svg))
        return juce::Drawable::createFromSVG (*xml);

    return {};
}

juce::Rectangle<int> nonNegative (int x, int y, int w, int h)
{
    return { x, y, juce::jmax (0, w), juce::jmax (0, h) };
}

void styleBodyLink (LauncherLink& link, juce::Colour colour)
{
    link.setFont (dialogFont (14.0f, true), false, juce::Justification::centredLeft);
    link.setColour (juce::HyperlinkButton::textColourId, colour);
}
} // namespace

//==============================================================================
HelpDialog::LookAndFeel::LookAndFeel()
{
    setColour (juce::TextButton::buttonColourId, colours::box);
    setColour (juce::TextButton::textColourOffId, colours::text);
    setColour (juce::TextButton::textColourOnId, colours::text);
    setColour (juce::ToggleButton::textColourId, colours::text);
    setColour (juce::ToggleButton::tickColourId, colours::teal);
    setColour (juce::TooltipWindow::backgroundColourId, colours::box);
    setColour (juce::TooltipWindow::textColourId, colours::text);
    setColour (juce::TooltipWindow::outlineColourId, colours::outline);
}

juce::Font HelpDialog::LookAndFeel::getTextButtonFont (juce::TextButton&, int)
{
    return dialogFont (13.0f);
}

void HelpDialog::LookAndFeel::drawButtonBackground (juce::Graphics& g, juce::Button& button, const juce::Colour&,
                                                    bool highlighted, bool down)
{
    const auto bounds = button.getLocalBounds().toFloat();
    const juce::Rectangle<float> r { 0.5f, 0.5f, juce::jmax (0.0f, bounds.getWidth() - 1.0f),
                                     juce::jmax (0.0f, bounds.getHeight() - 1.0f) };

    g.setColour (down ? juce::Colour (0xff404353) : highlighted ? juce::Colour (0xff323546) : colours::box);
    g.fillRoundedRectangle (r, 4.0f);

    const auto focused = button.hasKeyboardFocus (true);
    g.setColour (focused ? colours::teal : juce::Colour (0x995b6078));
    g.drawRoundedRectangle (r, 4.0f, 1.0f);
}

//==============================================================================
HelpDialog::Content::Content (HelpDialog& ownerDialog)
    : updateLink ("Download update", ownerDialog.launchBrowser),
      owner (ownerDialog),
      mcpSetupLink ("Set up Tolmek MCP", ownerDialog.launchBrowser),
      termsLink ("Terms & Privacy", ownerDialog.launchBrowser),
      noticesLink ("Third-party notices", ownerDialog.launchBrowser),
      extraLink (ownerDialog.content.extraLinkText, ownerDialog.launchBrowser)
{
    const auto& help = owner.content;

    styleBodyLink (updateLink, colours::pink);
    styleBodyLink (mcpSetupLink, colours::teal);
    styleBodyLink (termsLink, colours::teal);
    styleBodyLink (noticesLink, colours::teal);
    styleBodyLink (extraLink, colours::teal);

    mcpSetupLink.setAddress (mcpSetupUrl);
    termsLink.setAddress (termsUrl);
    noticesLink.setAddress (noticesUrl);
    extraLink.setAddress (help.extraLinkUrl);

    // A refused address never reaches the launcher, whoever calls the link.
    updateLink.onOpen = [this]
    {
        const auto& address = updateLink.getAddress();

        if (isOpenableDownloadAddress (address) && owner.launchBrowser)
            owner.launchBrowser (address);
    };

    consentToggle.setButtonText ("Help improve " + help.productName);
    consentToggle.setTooltip (TelemetryClient::consentText());
    consentToggle.setMouseCursor (juce::MouseCursor::PointingHandCursor);
    consentToggle.onClick = [this]
    {
        if (owner.onTelemetryToggled)
            owner.onTelemetryToggled (consentToggle.getToggleState());
    };

    copyIdButton.setTooltip ("Copy this " + help.productName + " MCP instance ID");
    copyIdButton.setMouseCursor (juce::MouseCursor::PointingHandCursor);
    copyIdButton.setEnabled (false);
    copyIdButton.onClick = [this] { copyInstanceId(); };

    instanceIdLabel.setFont (dialogFont (13.0f));
    instanceIdLabel.setColour (juce::Label::textColourId, colours::text);
    instanceIdLabel.setBorderSize ({});
    instanceIdLabel.setTitle ("Current instance ID");

    for (auto* child : std::initializer_list<juce::Component*> { &updateLink, &consentToggle, &copyIdButton,
                                                                &instanceIdLabel, &mcpSetupLink, &termsLink,
                                                                &noticesLink, &extraLink })
        addChildComponent (child);
}

HelpDialog::Content::~Content() = default;

void HelpDialog::Content::copyInstanceId()
{
    if (instanceId.isEmpty())
        return;

    juce::SystemClipboard::copyTextToClipboard (instanceId);
    copyIdButton.setButtonText ("Copied");

    juce::Timer::callAfterDelay (1200, [safeThis = juce::Component::SafePointer<Content> (this)]
    {
        if (safeThis != nullptr)
            safeThis->copyIdButton.setButtonText ("Copy ID");
    });
}

int HelpDialog::Content::addText (const juce::String& text, const juce::Font& font, juce::Colour colour,
                                  int x, int y, int width)
{
    juce::AttributedString attributed;
    attributed.setText (text);
    attributed.setFont (font);
    attributed.setColour (colour);
    attributed.setJustification (juce::Justification::topLeft);
    attributed.setWordWrap (juce::AttributedString::byWord);
    attributed.setLineSpacing (1.0f);

    TextBlock block;
    block.text = text;
    const auto layoutWidth = (float) juce::jmax (1, width);
    block.layout.createLayout (attributed, layoutWidth, 10000000.0f);
    const auto height = (int) std::ceil (block.layout.getHeight());
    block.area = { (float) x, (float) y, layoutWidth, (float) height };
    textBlocks.push_back (std::move (block));
    return height;
}

const HelpDialog::Content::TextBlock* HelpDialog::Content::findTextBlock (const juce::String& text) const
{
    for (const auto& block : textBlocks)
        if (block.text == text)
            return &block;

    return nullptr;
}

void HelpDialog::Content::layoutContent (int w)
{
    const auto& help = owner.content;
    const auto tw = juce::jmax (1, w - 40);
    const auto titleFont = dialogFont (18.0f, true);
    const auto textFont = dialogFont (14.0f);

    textBlocks.clear();
    updateBox = {};
    mcpBox = {};

    auto y = 20;

    // Update notice.
    const auto hasUpdate = updateVersion.isNotEmpty();
    updateLink.setVisible (hasUpdate && isOpenableDownloadAddress (updateLink.getAddress()));

    if (hasUpdate)
    {
        const auto narrow = tw < 480;
        updateBox = { 20, 20, tw, narrow ? 90 : 64 };
        const auto textWidth = narrow ? tw - 24 : tw - 168;
        const auto titleHeight = addText ("Update available: v" + updateVersion, dialogFont (15.0f, true),
                                          colours::text, 32, 30, textWidth);
        addText ("Download the latest " + help.productName + " version.", dialogFont (13.0f), colours::secondary,
                 32, 30 + titleHeight + 4, textWidth);
        updateLink.setBounds (narrow ? juce::Rectangle<int> (32, 78, 138, 24) : juce::Rectangle<int> (w - 170, 40, 138, 24));
        y = updateBox.getHeight() + 44;
    }

    // Help sections with their shortcut tables.
    const auto kw = juce::jmin (2 * tw / 5, 220);

    for (const auto& section : help.sections)
    {
        if (section.title.isNotEmpty())
            y += addText (section.title, titleFont, colours::teal, 20, y, tw) + 8;

        if (section.body.isNotEmpty())
            y += addText (section.body, textFont, colours::text, 20, y, tw) + 12;

        for (const auto& row : section.shortcuts)
        {
            const auto keysHeight = addText (row.keys, textFont, colours::text, 20, y, kw - 12);
            const auto actionHeight = addText (row.action, textFont, colours::text, kw + 20, y, tw - kw);
            y += juce::jmax (keysHeight, actionHeight, 22) + 2;
        }

        y += 12;
    }

    // MCP block.
    const auto hasMcp = help.mcpText.isNotEmpty();
    mcpSetupLink.setVisible (hasMcp);
    copyIdButton.setVisible (hasMcp);
    instanceIdLabel.setVisible (hasMcp);

    if (hasMcp)
    {
        y += addText ("Tolmek MCP", titleFont, colours::teal, 20, y, tw) + 8;
        y += addText (help.mcpText, textFont, colours::text, 20, y, tw) + 12;

        const auto narrow = tw < 420;
        mcpBox = { 20, y, tw, narrow ? 88 : 58 };
        addText ("Current instance ID", dialogFont (12.0f, true), colours::secondary, 32, y + 8, w - 64);
        instanceIdLabel.setBounds (nonNegative (32, y + 28, narrow ? tw - 24 : tw - 112, 18));
        copyIdButton.setBounds (w - 108, narrow ? y + 56 : y + 17, 76, 24);
        mcpSetupLink.setBounds (20, y + mcpBox.getHeight() + 8, 190, 24);
        y += mcpBox.getHeight() + 56;
    }

    // Privacy.
    y += addText ("Privacy", titleFont, colours::teal, 20, y, tw) + 8;
    consentToggle.setBounds (20, y, tw, 24);
    consentToggle.setVisible (true);
    const auto consent = TelemetryClient::consentText();
    const auto consentHeight = consent.isEmpty() ? 0 : addText (consent, textFont, colours::text, 20, y + 32, tw);
    y += consent.isEmpty() ? 80 : consentHeight + 92;
    termsLink.setBounds (20, y - 48, 160, 24);
    termsLink.setVisible (true);

    // Notices.
    y += addText ("Third-party notices", titleFont, colours::teal, 20, y, tw) + 8;
    const auto notices = help.noticesText.isEmpty() ? juce::String ("Built with JUCE.")
                                                    : "Built with JUCE. " + help.noticesText;
    y += addText (notices, textFont, colours::text, 20, y, tw) + 12;

    extraLink.setVisible (help.extraLinkUrl.isNotEmpty());

    if (extraLink.isVisible())
    {
        extraLink.setBounds (20, y, tw, 24);
        y += 32;
    }

    noticesLink.setBounds (20, y, 180, 24);
    noticesLink.setVisible (true);

    setSize (w, y + 44);
    repaint();
}

void HelpDialog::Content::paint (juce::Graphics& g)
{
    const auto drawBox = [&g] (juce::Rectangle<int> box, juce::Colour outlineColour)
    {
        if (box.isEmpty())
            return;

        g.setColour (colours::box);
        g.fillRoundedRectangle (box.toFloat(), 6.0f);
        g.setColour (outlineColour);
        g.drawRoundedRectangle (box.toFloat().reduced (0.5f), 6.0f, 1.0f);
    };

    drawBox (updateBox, colours::pink);
    drawBox (mcpBox, colours::outline);

    for (const auto& block : textBlocks)
        block.layout.draw (g, block.area);
}

//==============================================================================
HelpDialog::Layout HelpDialog::computeLayout (int width, int height, bool withGuide)
{
    Layout l;
    const auto m = juce::jmin (juce::jmin (width, height) / 12, 40);
    const auto innerW = juce::jmax (0, width - 2 * m);
    const auto innerH = juce::jmax (0, height - 2 * m);
    const auto pw = juce::jmin (innerW, 880);
    const auto ph = juce::jmin (innerH, 680);

    l.panel = { m + (innerW - pw) / 2, m + (innerH - ph) / 2, pw, ph };
    l.header = l.panel.withHeight (juce::jmin (headerHeight, ph));
    const auto fh = juce::jmin (footerHeight, ph);
    l.footer = { l.panel.getX(), l.panel.getBottom() - fh, pw, fh };

    l.closeButton = { l.panel.getX() + juce::jmax (0, pw - 50) - 43, l.panel.getY() + 15, 68, 24 };

    const auto firstX = l.closeButton.getX() - (withGuide ? 132 : 102);

    for (int i = 0; i < 4; ++i)
        l.links[(size_t) i] = { firstX + 30 * i, l.closeButton.getY(), 24, 24 };

    if (! withGuide)
        l.links[3] = {};

    const auto available = ph - l.header.getHeight() - fh;
    l.viewport = { l.panel.getX() + 10, l.header.getBottom() + 10, juce::jmax (0, pw - 20),
                   available > 20 ? available - 20 : 0 };
    l.bodyWidth = juce::jmax (1, l.viewport.getWidth() - 12);

    l.title = { l.panel.getX() + 25, l.panel.getY(), juce::jmax (1, pw - 265), headerHeight };
    const auto versionWidth = juce::jmin (90, juce::jmax (0, pw - 50));
    l.version = { l.panel.getRight() - 25 - versionWidth, l.footer.getY(), versionWidth, l.footer.getHeight() };
    return l;
}

HelpDialog::HelpDialog (HelpContent helpContent)
    : content (std::move (helpContent))
{
    setLookAndFeel (&lookAndFeel);
    tooltipWindow.setLookAndFeel (&lookAndFeel);
    setInterceptsMouseClicks (true, true);
    setWantsKeyboardFocus (true);
    setTitle ("Help & Privacy");

    viewport.setViewedComponent (&body, false);
    viewport.setScrollBarsShown (true, false, true, false);
    viewport.setScrollBarThickness (6);
    viewport.setSingleStepSizes (16, 48);
    viewport.getVerticalScrollBar().setColour (juce::ScrollBar::thumbColourId, colours::teal);
    addAndMakeVisible (viewport);

    closeButton.setMouseCursor (juce::MouseCursor::PointingHandCursor);
    closeButton.onClick = [this] { close(); };
    addAndMakeVisible (closeButton);

    const juce::String tooltips[] { "Open Tolmek website", "Join Tolmek on Discord", "Contact TOLMEK support",
                                    "Open " + content.productName + " user guide" };
    const juce::String addresses[] { websiteUrl, discordUrl, {}, content.guideUrl };

    for (size_t i = 0; i < linkButtons.size(); ++i)
    {
        auto button = std::make_unique<juce::DrawableButton> (linkIcons[i].name, juce::DrawableButton::ImageFitted);
        auto normal = iconDrawable (linkIcons[i].svgBody);

        if (normal != nullptr)
        {
            auto hot = normal->createCopy();
            hot->replaceColour (colours::text, juce::Colours::white);
            button->setImages (normal.get(), hot.get(), hot.get());
        }

        button->setEdgeIndent (2);
        button->setMouseCursor (juce::MouseCursor::PointingHandCursor);
        button->setTooltip (tooltips[i]);

        if (i == 2) // Email
        {
            button->onClick = [this]
            {
                if (onContactSupport)
                    onContactSupport();
                else if (launchBrowser)
                    launchBrowser (contactUrl);
            };
        }
        else
        {
            button->onClick = [this, address = addresses[i]]
            {
                if (address.isNotEmpty() && launchBrowser)
                    launchBrowser (address);
            };
        }

        addChildComponent (*button);
        button->setVisible (i != 3 || guideVisible());
        linkButtons[i] = std::move (button);
    }

    body.layoutContent (1);
    setVisible (false);
}

HelpDialog::~HelpDialog()
{
    tooltipWindow.setLookAndFeel (nullptr);
    setLookAndFeel (nullptr);
}

void HelpDialog::setMcpInstanceId (const juce::String& id)
{
    body.instanceId = id;
    body.instanceIdLabel.setText (id, juce::dontSendNotification);
    body.copyIdButton.setEnabled (id.isNotEmpty());
}

void HelpDialog::setTelemetryEnabled (bool consent)
{
    body.consentToggle.setToggleState (consent, juce::dontSendNotification);
}

void HelpDialog::setUpdateInfo (const juce::String& latestVersion, const juce::String& downloadUrl)
{
    body.updateVersion = downloadUrl.isNotEmpty() ? latestVersion : juce::String();
    body.updateLink.setAddress (isOpenableDownloadAddress (downloadUrl) ? downloadUrl : juce::String());
    resized();
}

void HelpDialog::show()
{
    if (getBounds().isEmpty())
        if (auto* parent = getParentComponent())
            setBounds (parent->getLocalBounds());

    setVisible (true);
    toFront (false);
    resized();
    grabKeyboardFocus();
}

void HelpDialog::close()
{
    setVisible (false);

    if (onClose)
        onClose();
}

void HelpDialog::resized()
{
    layout = computeLayout (getWidth(), getHeight(), guideVisible());

    closeButton.setBounds (layout.closeButton);

    for (size_t i = 0; i < linkButtons.size(); ++i)
        linkButtons[i]->setBounds (layout.links[i]);

    viewport.setBounds (layout.viewport);
    body.layoutContent (layout.bodyWidth);
}

void HelpDialog::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colours::black.withAlpha ((juce::uint8) 0xb2));

    const auto panel = layout.panel.toFloat();
    g.setColour (colours::panel);
    g.fillRoundedRectangle (panel, 6.0f);

    const auto header = layout.header.toFloat();
    g.setColour (colours::header);
    g.fillRoundedRectangle (header, 6.0f);
    if (header.getHeight() > 6.0f)
        g.fillRect (header.withTrimmedTop (6.0f));

    g.setColour (colours::text);
    g.setFont (dialogFont (22.0f, true));
    g.drawFittedText ("Help & Privacy", layout.title, juce::Justification::centredLeft, 1, 0.75f);

    g.setColour (colours::header);
    g.fillRect (layout.footer);
    g.setColour (juce::Colour (0x805b6078));
    g.fillRect (layout.footer.withHeight (juce::jmin (1, layout.footer.getHeight())));

    g.setColour (colours::secondary);
    g.setFont (dialogFont (12.0f));
    g.drawText ("v" + content.version, layout.version, juce::Justification::centredRight, true);

    g.setColour (colours::outline);
    g.drawRoundedRectangle (panel.reduced (0.5f), 6.0f, 1.0f);
}

bool HelpDialog::keyPressed (const juce::KeyPress& key)
{
    const auto modifiers = key.getModifiers();

    if (key.getKeyCode() == juce::KeyPress::escapeKey
        && ! (modifiers.isShiftDown() || modifiers.isCtrlDown() || modifiers.isAltDown() || modifiers.isCommandDown()))
    {
        close();
        return true;
    }

    return viewport.keyPressed (key);
}

} // namespace tolmek
