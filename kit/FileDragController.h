#pragma once

#include "kit/JuceKit.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdint>
#include <functional>
#include <memory>

namespace tolmek
{

/** Starts an operating-system drag of one file from a component: at most one native drag per
    mouse gesture, at most one in the whole process, the file checked before it is offered.
    Message thread only. */
class FileDragController
{
public:
    enum class Result
    {
        ignored = 0,
        started = 1,
        invalidFile = 2,
        startFailed = 3
    };

    using Performer = std::function<bool (const juce::StringArray& files, bool canMoveFiles,
                                          juce::Component* sourceComponent, std::function<void()> onEnded)>;

    struct State
    {
        bool gestureUsed = true;
        std::uint64_t gesture = 0;
    };

    struct Operation
    {
        bool active = true;
        // The state of the controller that started it, to tell its own earlier drags from others'.
        std::weak_ptr<State> owner;
        std::uint64_t gesture = 0;
    };

    /** An empty performer uses juce::DragAndDropContainer::performExternalDragDropOfFiles. */
    explicit FileDragController (Performer performer = {});
    ~FileDragController();

    /** Arms the controller for one drag; call on each left-button press. */
    void beginGesture();

    /** Call from every drag event of the gesture; only the first one of a gesture does anything. */
    Result start (juce::Component& source, std::function<juce::File()> makeFile,
                  const juce::String& label, std::function<void()> onComplete);

    static juce::String getResultMessage (Result result, const juce::String& kind);

    /** Writes one line to stderr when TOLMEK_MIDI_DRAG_TRACE is exactly "1". */
    static void trace (const juce::String& prefix, const juce::String& message);

    /** Whether a native drag of this process is still running (for tests and diagnostics). */
    static bool isNativeDragActive();

private:
    std::shared_ptr<State> state;
    Performer performer;

    JUCE_DECLARE_NON_COPYABLE (FileDragController)
};

} // namespace tolmek
