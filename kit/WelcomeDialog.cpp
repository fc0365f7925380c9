#include "kit/WelcomeDialog.h"

#include "kit/TelemetryClient.h"

namespace tolmek
{
namespace
{
namespace colours
{
const juce::Colour text { 0xffcad3f5 };
const juce::Colour accent { 0xff8bd5ca };
const juce::Colour linkHover { 0xff39c5cf };
const juce::Colour outline { 0xff5b6078 };
const juce::Colour panel { 0xff181926 };
const juce::Colour header { 0xff1e2030 };
const juce::Colour footer { 0xff24273a };
const juce::Colour toggleBox { 0xff2b3042 };
const juce::Colour toggleBoxHover { 0xff30364a };
const juce::Colour secondary { 0xffa5adcb };
const juce::Colour backdrop { 0xd8070911 };
} // namespace colours

constexpr float paragraphSize = 13.5f;
constexpr float paragraphLineSpacing = 2.0f;

juce::TextLayout paragraphLayout (const juce::String& text, float width, juce::Colour colour)
{
    juce::AttributedString attributed;
    attributed.setText (text);
    attributed.setFont (dialogFont (paragraphSize));
    attributed.setColour (colour);
    attributed.setJustification (juce::Justification::topLeft);
    attributed.setWordWrap (juce::AttributedString::byWord);
    attributed.setLineSpacing (paragraphLineSpacing);

    juce::TextLayout layout;
    layout.createLayout (attributed, juce::jmax (1.0f, width));
    return layout;
}

juce::String productNameOf (const TelemetryClient& telemetry)
{
    const auto name = telemetry.getConfig().productName.trim();
    return name.isEmpty() ? juce::String ("Product") : name;
}
} // namespace

//==============================================================================
WelcomeDialog::Layout WelcomeDialog::computeLayout (int width, int height, int introHeight, int consentHeight)
{
    Layout l;
    const auto innerW = juce::jmax (0, width - 24);
    const auto pw = juce::jmin (innerW, 540);
    const auto innerH = juce::jmax (0, height - 8);
    const auto ph = juce::jmin (innerH, juce::jmax (18, introHeight) + consentHeight + 147);

    l.panel = { (innerW - pw) / 2 + 12, (innerH - ph) / 2 + 4, pw, ph };

    const auto headerHeight = juce::jmin (ph, 45);
    const auto hb = l.panel.getY() + headerHeight;
    const auto body = ph - headerHeight;
    const auto fh = juce::jmin (body, 40);
    auto available = juce::jmax (0, body - fh - 20);
    const auto tw = pw > 36 ? pw - 36 : 0;
    const auto left = l.panel.getX() + 18;

    l.header = l.panel.withHeight (headerHeight);
    l.footer = { l.panel.getX(), l.panel.getBottom() - fh, pw, fh };
    l.title = { left, l.panel.getY(), juce::jmax (0, pw - 36), headerHeight };

    const auto cw = juce::jmin (tw, 88);
    const auto buttonY = l.panel.getBottom() - fh + 6;
    const auto buttonHeight = juce::jmax (0, fh - 12);
    l.continueButton = { left + tw - cw, buttonY, cw, buttonHeight };
    l.termsLink = { left, buttonY, juce::jmax (0, juce::jmin (tw - cw, 144)), buttonHeight };

    auto y = hb + 10;
    const auto take = [&] (int wanted)
    {
        const auto h = juce::jlimit (0, available, wanted);
        available -= h;
        const juce::Rectangle<int> r { left, y, tw, h };
        y += h;
        return r;
    };

    l.intro = take (juce::jmax (18, introHeight));
    take (2);
    l.privacyHeading = take (18);
    l.consentToggle = take (22);
    l.consentText = take (consentHeight);
    return l;
}

int WelcomeDialog::measureText (const juce::String& text, int width)
{
    const auto layout = paragraphLayout (text, (float) juce::jmax (1, width), colours::text);
    return juce::jmax (1, (int) std::ceil (layout.getHeight()));
}

WelcomeDialog::WelcomeDialog (TelemetryClient& telemetryClient, Config dialogConfig)
    : telemetry (telemetryClient),
      productName (productNameOf (telemetryClient)),
      config (std::move (dialogConfig)),
      termsLink ("Terms & Privacy", launchBrowser)
{
    config.introText = config.introText.trim();
    setName ("Welcome to " + productName);
    setInterceptsMouseClicks (true, true);

    consentToggle.setButtonText ("Help improve " + productName);
    consentToggle.setToggleState (true, juce::dontSendNotification);
    consentToggle.setLookAndFeel (&toggleLookAndFeel);
    consentToggle.setColour (juce::ToggleButton::textColourId, colours::text);
    consentToggle.setColour (juce::ToggleButton::tickColourId, colours::accent);
    consentToggle.setColour (juce::ToggleButton::tickDisabledColourId, colours::secondary);
    consentToggle.setMouseCursor (juce::MouseCursor::PointingHandCursor);
    consentToggle.setTooltip (TelemetryClient::consentText());

    termsLink.setAddress (config.termsUrl);
    termsLink.setColour (juce::HyperlinkButton::textColourId, colours::accent);

    continueButton.setLookAndFeel (&buttonLookAndFeel);
    continueButton.getProperties().set ("isPrimary", true);
    continueButton.setColour (juce::TextButton::buttonColourId, colours::accent);
    continueButton.setColour (juce::TextButton::textColourOffId, colours::panel);
    continueButton.setColour (juce::TextButton::textColourOnId, colours::panel);
    continueButton.setMouseCursor (juce::MouseCursor::PointingHandCursor);
    continueButton.onClick = [this] { finish(); };

    addAndMakeVisible (consentToggle);
    addAndMakeVisible (termsLink);
    addAndMakeVisible (continueButton);

    setVisible (false);
}

WelcomeDialog::~WelcomeDialog()
{
    consentToggle.setLookAndFeel (nullptr);
    continueButton.setLookAndFeel (nullptr);
}

bool WelcomeDialog::showIfNeeded()
{
    if (! telemetry.shouldShowWelcome())
        return false;

    consentToggle.setToggleState (true, juce::dontSendNotification);
    setVisible (true);
    return true;
}

void WelcomeDialog::finish()
{
    const auto consent = consentToggle.getToggleState();
    telemetry.setEnabled (consent);
    telemetry.markWelcomeSeen();
    setVisible (false);

    if (onFinished)
        onFinished (consent);
}

WelcomeDialog::Layout WelcomeDialog::getLayout() const
{
    const auto textWidth = juce::jmax (1, juce::jmin (juce::jmax (0, getWidth() - 24), 540) - 36);
    return computeLayout (getWidth(), getHeight(), measureText (config.introText, textWidth),
                          measureText (TelemetryClient::consentText(), textWidth));
}

void WelcomeDialog::resized()
{
    const auto l = getLayout();
    continueButton.setBounds (l.continueButton);
    termsLink.setBounds (l.termsLink);
    consentToggle.setBounds (l.consentToggle);
    introArea = l.intro;
    privacyArea = l.privacyHeading;
    consentArea = l.consentText;
}

void WelcomeDialog::paint (juce::Graphics& g)
{
    const auto l = getLayout();
    const auto panel = l.panel.toFloat();
    const juce::Rectangle<float> inset { panel.getX() + 0.5f, panel.getY() + 0.5f,
                                         juce::jmax (0.0f, panel.getWidth() - 1.0f),
                                         juce::jmax (0.0f, panel.getHeight() - 1.0f) };

    g.fillAll (colours::backdrop);

    g.setColour (colours::panel);
    g.fillRoundedRectangle (inset, 6.0f);

    if (! l.header.isEmpty())
    {
        const auto header = l.header.toFloat();
        juce::Path headerPath;
        headerPath.addRoundedRectangle (header.getX(), header.getY(), header.getWidth(), header.getHeight(),
                                        6.0f, 6.0f, true, true, false, false);
        g.setColour (colours::header);
        g.fillPath (headerPath);
    }

    g.setColour (colours::text);
    g.setFont (dialogFont (22.0f, true));
    g.drawFittedText ("Welcome to " + productName, l.title, juce::Justification::centredLeft, 1);

    if (! l.footer.isEmpty())
    {
        g.setColour (colours::footer.withAlpha (0.72f));
        g.fillRect (l.footer);
        g.setColour (colours::outline.withAlpha (0.38f));
        g.drawLine ((float) l.panel.getX() + 1.0f, (float) l.footer.getY(),
                    (float) l.panel.getRight() - 1.0f, (float) l.footer.getY(), 1.0f);
    }

    const auto drawParagraph = [&g] (const juce::String& text, juce::Rectangle<int> area, juce::Colour colour)
    {
        if (area.isEmpty())
            return;

        const auto layout = paragraphLayout (text, (float) area.getWidth(), colour);
        juce::Graphics::ScopedSaveState state (g);
        g.reduceClipRegion (area);
        layout.draw (g, area.toFloat().withHeight ((float) juce::jmax ((float) area.getHeight(), layout.getHeight())));
    };

    drawParagraph (config.introText, l.intro, colours::text);

    g.setColour (colours::accent);
    g.setFont (dialogFont (16.0f, true));
    g.drawText ("Privacy", l.privacyHeading, juce::Justification::centredLeft, false);

    drawParagraph (TelemetryClient::consentText(), l.consentText, colours::text.withAlpha (0.9f));

    g.setColour (colours::outline);
    g.drawRoundedRectangle (inset, 6.0f, 2.0f);
}

//==============================================================================
void WelcomeDialog::DialogButtonLookAndFeel::drawButtonBackground (juce::Graphics& g, juce::Button& button,
                                                                   const juce::Colour& backgroundColour,
                                                                   bool highlighted, bool down)
{
    auto fill = backgroundColour;

    if (down)
        fill = fill.interpolatedWith (colours::accent, 0.24f);
    else if (highlighted)
        fill = fill.interpolatedWith (colours::accent, 0.14f);

    const auto bounds = button.getLocalBounds().toFloat().reduced (0.5f);
    g.setColour (fill);
    g.fillRoundedRectangle (bounds, 6.0f);

    const auto primary = static_cast<bool> (button.getProperties().getWithDefault ("isPrimary", false));
    g.setColour (primary ? colours::accent : colours::outline);
    g.drawRoundedRectangle (bounds, 6.0f, 1.0f);

    if (button.hasKeyboardFocus (false))
    {
        const auto b = button.getLocalBounds().toFloat();
        g.setColour (colours::text.withAlpha (0.82f));
        g.drawRoundedRectangle (b.getX() + 2.5f, b.getY() + 2.5f, juce::jmax (0.0f, b.getWidth() - 5.0f),
                                juce::jmax (0.0f, b.getHeight() - 5.0f), 4.0f, 1.0f);
    }
}

void WelcomeDialog::DialogButtonLookAndFeel::drawButtonText (juce::Graphics& g, juce::TextButton& button, bool, bool)
{
    g.setColour (button.findColour (button.getToggleState() ? juce::TextButton::textColourOnId
                                                            : juce::TextButton::textColourOffId));
    g.setFont (dialogFont (13.5f, true));
    const auto b = button.getLocalBounds();
    g.drawFittedText (button.getButtonText(), b.getX() + 6, b.getY(), juce::jmax (0, b.getWidth() - 12), b.getHeight(),
                      juce::Justification::centred, 1);
}

void WelcomeDialog::ToggleLookAndFeel::drawToggleButton (juce::Graphics& g, juce::ToggleButton& button,
                                                         bool highlighted, bool down)
{
    const auto bounds = button.getLocalBounds();
    const auto cell = juce::jmin (bounds.getWidth(), 20);
    const juce::Rectangle<float> box { (float) bounds.getX() + (float) (cell - 16) / 2.0f + 0.5f,
                                       (float) bounds.getY() + (float) (bounds.getHeight() - 16) / 2.0f + 0.5f,
                                       15.0f, 15.0f };

    auto fill = highlighted ? colours::toggleBoxHover : colours::toggleBox;

    if (down)
        fill = fill.interpolatedWith (colours::accent, 0.14f);

    g.setColour (fill);
    g.fillRoundedRectangle (box, 4.0f);
    g.setColour (colours::outline);
    g.drawRoundedRectangle (box, 4.0f, 1.0f);

    if (button.getToggleState())
    {
        juce::Path tick;
        tick.startNewSubPath (box.getX() + 3.0f, box.getY() + 7.5f);
        tick.lineTo (box.getX() + 6.5f, box.getY() + 11.8f);
        tick.lineTo (box.getX() + 12.4f, box.getY() + 3.2f);
        g.setColour (colours::text);
        g.strokePath (tick, juce::PathStrokeType (2.0f, juce::PathStrokeType::curved, juce::PathStrokeType::rounded));
    }

    g.setColour (button.findColour (juce::ToggleButton::textColourId));
    g.setFont (dialogFont (13.5f, true));
    const auto textX = bounds.getX() + cell + 4;
    g.drawText (button.getButtonText(), textX, bounds.getY(), juce::jmax (0, bounds.getRight() - textX),
                bounds.getHeight(), juce::Justification::centredLeft, false);

    if (button.hasKeyboardFocus (false))
    {
        g.setColour (colours::accent.withAlpha (0.72f));
        g.drawRoundedRectangle (bounds.toFloat().reduced (0.5f), 4.0f, 1.0f);
    }
}

void WelcomeDialog::LinkButton::paintButton (juce::Graphics& g, bool highlighted, bool down)
{
    auto colour = findColour (juce::HyperlinkButton::textColourId);

    if (highlighted)
        colour = colours::linkHover.withAlpha (down ? 0.95f : 0.88f);

    g.setColour (colour);
    g.setFont (dialogFont (13.5f, true));
    g.drawText (getButtonText(), 1, 0, juce::jmax (0, getWidth() - 2), getHeight(),
                juce::Justification::centredLeft, true);
}

} // namespace tolmek
