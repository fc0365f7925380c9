#pragma once

#include "kit/JuceKit.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdint>
#include <functional>

namespace tolmek
{

/** A new, empty folder for one MIDI export below the user's temporary folder:
    "Tolmek MIDI Exports/<legal product name>/<32 hex digits>". Empty when it cannot be made. */
juce::File createMidiExportFolder (const juce::String& productName);

/** Puts one file on the system clipboard as a file (not as text), so that a host's track or a file
    manager can paste it. Message thread only. */
class FileClipboard
{
public:
    struct Result
    {
        bool ok = false;
        juce::String stage;
        juce::String message;

        /** The user's text; kind names what was exported ("Section"). */
        juce::String getMessage (const juce::String& kind) const;
    };

    using Completion = std::function<void (Result)>;
    using Publisher = std::function<Result (const juce::File&, juce::Component* owner)>;

    /** Validates the file, publishes it and delivers the result later on the message thread, never
        inside this call. On Linux the file goes on the X11 CLIPBOARD selection (see
        X11FileClipboard.h); the owner is not needed there. */
    static void copyFile (const juce::File& file, juce::Component* owner, Completion onComplete);

    /** copyFile with another publisher in place of the platform's. */
    static void copyFileThrough (const Publisher& publisher, const juce::File& file,
                                 juce::Component* owner, Completion onComplete);

    //==============================================================================
    // The Windows file-drop clipboard, written against the few system calls it needs so that its
    // logic (payload, step order, failure texts, clean-up) is the same wherever it is built.

    /** The system calls of a file-drop copy. Handles are opaque; null means failure. */
    class DropSystem
    {
    public:
        virtual ~DropSystem() = default;

        virtual void* createMessageWindow() = 0;
        virtual void destroyWindow (void* window) = 0;
        /** A movable, zero-filled block. */
        virtual void* allocate (std::size_t bytes) = 0;
        virtual std::uint8_t* lock (void* block) = 0;
        virtual void unlock (void* block) = 0;
        virtual void release (void* block) = 0;
        virtual bool open (void* window) = 0;
        virtual bool empty() = 0;
        /** On success the clipboard owns the block. */
        virtual bool setFileDrop (void* block) = 0;
        virtual void close() = 0;
        /** The error code of the call that failed last. */
        virtual std::uint32_t lastError() = 0;
    };

    static constexpr const char* dropStage = "Windows CF_HDROP";

    /** The file-drop block for one file: a 20-byte header (list offset 20, wide names), the path in
        UTF-16 little endian with its terminator, and the list's terminator. */
    static juce::MemoryBlock makeFileDropPayload (const juce::String& fullPath);

    /** Copies through a file-drop system; ownerWindow may be null (a message-only window is made
        for the call and destroyed again). */
    static Result publishFileDrop (DropSystem& system, const juce::String& fullPath, void* ownerWindow);
};

} // namespace tolmek
