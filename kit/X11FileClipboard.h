#pragma once

#include "kit/FileClipboard.h"

namespace tolmek
{

/** The Linux file clipboard: the process owns the X11 CLIPBOARD selection through a hidden window
    on an XCB display connection of its own, served by a small thread, and answers TARGETS,
    text/uri-list, x-special/gnome-copied-files (the file's URI) and UTF8_STRING (its path). The
    thread never touches Xlib, whose error handler belongs to the host. The selection lasts until
    another client takes it or the kit shuts down. */
FileClipboard::Result publishFileOnX11Clipboard (const juce::File& file);

inline constexpr const char* x11ClipboardStage = "X11 file URI";

/** "file://" and the path with every byte outside the unreserved set and "/" percent-encoded. */
juce::String fileUriForPath (const juce::String& fullPath);

/** Closes the selection owner's display connection and stops its thread (also done at shutdown). */
void shutdownX11FileClipboard();

} // namespace tolmek
