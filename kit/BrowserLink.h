#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

namespace tolmek
{

/** Opens an address in the user's browser; dialogs hold one so that tests can see what would open. */
using BrowserLauncher = std::function<void (const juce::String& address)>;

/** juce::URL::launchInDefaultBrowser. */
BrowserLauncher defaultBrowserLauncher();

/** True for an address we may hand to the browser although it came from the network:
    https to any host, or plain http to this machine (127.x.x.x, localhost, [::1]). */
bool isOpenableDownloadAddress (const juce::String& address);

/** A hyperlink that opens its address through a launcher instead of opening it itself. */
class LauncherLink : public juce::HyperlinkButton
{
public:
    LauncherLink (const juce::String& caption, BrowserLauncher& launcher);

    void setAddress (juce::String newAddress) { address = std::move (newAddress); }
    const juce::String& getAddress() const noexcept { return address; }

    /** Called instead of opening the address when set. */
    std::function<void()> onOpen;

protected:
    // Replaces HyperlinkButton's own opening of its URL.
    void clicked() override;

private:
    void clicked (const juce::ModifierKeys&) override { clicked(); }

    BrowserLauncher& launcher;
    juce::String address;
};

/** The fonts of the kit's dialogs; sizes are font heights. */
inline juce::Font dialogFont (float size, bool bold = false)
{
    return juce::Font (size, bold ? juce::Font::bold : juce::Font::plain);
}

} // namespace tolmek
