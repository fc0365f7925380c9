#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <optional>

namespace tolmek
{

/** How long a clipboard owner may keep the reader waiting for its answer, or between two parts of
    a large transfer, before the reader gives up. */
inline constexpr int x11ClipboardTimeoutMs = 3000;

/** The text on the X11 CLIPBOARD selection, read over a display connection of the kit's own, as
    UTF8_STRING or else STRING, with incremental (INCR) transfers, so text of any size arrives
    whole. Nothing when there is no display or no owner, when the owner refuses both targets or
    stops answering for timeoutMs, or when one of this process's JUCE windows owns the selection
    (JUCE answers from the message thread, which this call would be blocking). Message thread. */
std::optional<juce::String> readX11ClipboardText (int timeoutMs = x11ClipboardTimeoutMs);

/** The clipboard's text for a paste: readX11ClipboardText on Linux, else (and whenever that
    gives nothing) juce::SystemClipboard. Message thread. */
juce::String readClipboardText();

} // namespace tolmek
