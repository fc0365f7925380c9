#pragma once

// The bench's own X connection, opened before JUCE and kept for the whole test process.

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

/** X errors seen so far (logged, never fatal). */
int errorCount();
} // namespace testing_support::gui::XDisplay
