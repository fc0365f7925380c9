#include "kit/BrowserLink.h"

namespace tolmek
{

BrowserLauncher defaultBrowserLauncher()
{
    return [] (const juce::String& address) { juce::URL (address).launchInDefaultBrowser(); };
}

namespace
{
bool isLoopbackHost (juce::String host)
{
    host = host.toLowerCase();

    if (host == "localhost" || host == "[::1]")
        return true;

    juce::StringArray parts;
    parts.addTokens (host, ".", {});

    if (parts.size() != 4 || parts[0] != "127")
        return false;

    for (const auto& part : parts)
        if (part.isEmpty() || part.length() > 3 || ! part.containsOnly ("0123456789") || part.getIntValue() > 255)
            return false;

    return true;
}
} // namespace

bool isOpenableDownloadAddress (const juce::String& address)
{
    const auto text = address.trim();

    if (text != address || text.containsAnyOf (" \t\r\n\\"))
        return false;

    const auto schemeEnd = text.indexOf ("://");

    if (schemeEnd <= 0)
        return false;

    const auto scheme = text.substring (0, schemeEnd).toLowerCase();
    const auto rest = text.substring (schemeEnd + 3);
    const auto authority = rest.upToFirstOccurrenceOf ("/", false, false)
                               .upToFirstOccurrenceOf ("?", false, false)
                               .upToFirstOccurrenceOf ("#", false, false);

    // Credentials in the address could disguise its real host.
    if (authority.isEmpty() || authority.containsChar ('@'))
        return false;

    auto host = authority;

    if (host.startsWithChar ('['))
        host = host.upToFirstOccurrenceOf ("]", true, false);
    else
        host = host.upToFirstOccurrenceOf (":", false, false);

    if (host.isEmpty())
        return false;

    if (scheme == "https")
        return true;

    return scheme == "http" && isLoopbackHost (host);
}

LauncherLink::LauncherLink (const juce::String& caption, BrowserLauncher& launcherToUse)
    : juce::HyperlinkButton (caption, juce::URL()), launcher (launcherToUse)
{
    setTooltip ({});
    setMouseCursor (juce::MouseCursor::PointingHandCursor);
}

void LauncherLink::clicked()
{
    if (onOpen)
        onOpen();
    else if (address.isNotEmpty() && launcher)
        launcher (address);
}

} // namespace tolmek
