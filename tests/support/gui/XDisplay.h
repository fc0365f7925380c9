#pragma once

// The bench's own X connection, opened before JUCE and kept for the whole test process.

#include <juce_gui_basics/juce_gui_basics.h>

typedef struct _XDisplay Display;

namespace testing_support::gui::XDisplay
{
/** The open connection, or nullptr before the environment set up (or without a display). */
Display* get();

/** Opens the connection, creates the window-manager atoms JUCE expects and installs an X error
    handler that logs and carries on. Idempotent; false without a display. */
bool open();

/** Flushes requests and waits until the server has handled them. */
void sync();

/** The pointer's position, asked on the bench's own connection. */
juce::Point<int> pointerPosition();

/** Sends a harmless event to every JUCE window. JUCE reads its X connection when the socket
    becomes readable; any round trip it makes (a pointer query, a sync after a warp) can leave
    input events parked in Xlib's queue until more traffic arrives. */
void wakeJuceWindows();

/** X errors seen so far (logged, never fatal). */
int errorCount();
} // namespace testing_support::gui::XDisplay
