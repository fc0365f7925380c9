#include "kit/FileDragController.h"

#include "VarneTIdentity.h"

#include <cstdio>

namespace tolmek
{
namespace
{
std::weak_ptr<FileDragController::Operation> currentOperation;

juce::String buildIdentification()
{
    const juce::String revision (VarneT::identity::version);
    return "build=plugin:" + revision + ",kit:" + revision + ",juce:" JUCE_STRINGIFY (JUCE_MAJOR_VERSION) "."
           JUCE_STRINGIFY (JUCE_MINOR_VERSION) "." JUCE_STRINGIFY (JUCE_BUILDNUMBER) " ";
}

bool isReadableFile (const juce::File& file)
{
    if (! file.existsAsFile() || file.getSize() <= 0)
        return false;

    return file.createInputStream() != nullptr;
}
} // namespace

FileDragController::FileDragController (Performer p)
    : state (std::make_shared<State>()), performer (std::move (p))
{
    if (! performer)
        performer = [] (const juce::StringArray& files, bool canMove, juce::Component* source, std::function<void()> onEnded)
        {
            return juce::DragAndDropContainer::performExternalDragDropOfFiles (files, canMove, source, std::move (onEnded));
        };
}

FileDragController::~FileDragController() = default;

void FileDragController::beginGesture()
{
    state->gestureUsed = false;
    ++state->gesture;
}

FileDragController::Result FileDragController::start (juce::Component& source, std::function<juce::File()> makeFile,
                                                      const juce::String& label, std::function<void()> onComplete)
{
    if (state->gestureUsed)
        return Result::ignored;

    state->gestureUsed = true;
    const auto prefix = label + " gesture=" + juce::String (state->gesture);

    if (auto running = currentOperation.lock(); running != nullptr && running->active)
    {
        // Our own earlier drag that the window system never ended (a target that never finished
        // the drop): the user has released it and pressed again, so it no longer holds the guard.
        if (running->owner.lock() == state && running->gesture != state->gesture)
        {
            running->active = false;
            trace (prefix, "previous native drag abandoned");
        }
        else
        {
            trace (prefix, "ignored: another native drag is active");
            return Result::ignored;
        }
    }

    const auto file = makeFile ? makeFile() : juce::File();
    trace (prefix, buildIdentification() + juce::SystemStats::getJUCEVersion()
                       + " peer=" + (source.getPeer() != nullptr ? "present" : "missing")
                       + " file=" + file.getFullPathName()
                       + " bytes=" + juce::String (file.existsAsFile() ? file.getSize() : 0));

    if (! isReadableFile (file))
    {
        trace (prefix, "invalid or unreadable file");
        return Result::invalidFile;
    }

    const juce::StringArray files (file.getFullPathName());
    trace (prefix, "argument=" + files[0]);

    auto operation = std::make_shared<Operation>();
    operation->owner = state;
    operation->gesture = state->gesture;
    currentOperation = operation;

    auto onEnded = [operation, weakState = std::weak_ptr<State> (state), gesture = state->gesture,
                    sourceComponent = juce::Component::SafePointer<juce::Component> (&source),
                    prefix, onComplete]
    {
        if (! operation->active)
            return;

        operation->active = false;
        trace (prefix, "native operation ended (import outcome unknown)");

        auto liveState = weakState.lock();

        if (liveState != nullptr && liveState->gesture == gesture && sourceComponent != nullptr && onComplete)
            onComplete();
    };

    const bool startedNatively = performer (files, false, &source, std::move (onEnded));
    trace (prefix, startedNatively ? "native start=true" : "native start=false");

    if (! startedNatively)
    {
        operation->active = false;
        return Result::startFailed;
    }

    return Result::started;
}

juce::String FileDragController::getResultMessage (Result result, const juce::String& kind)
{
    switch (result)
    {
        case Result::started:     return kind + " MIDI drag started";
        case Result::invalidFile: return "Could not create a readable " + kind + " MIDI file.";
        case Result::startFailed: return "Could not start " + kind + " MIDI drag. Try again or use Save to Disk.";
        case Result::ignored:     break;
    }

    return {};
}

void FileDragController::trace (const juce::String& prefix, const juce::String& message)
{
    if (juce::SystemStats::getEnvironmentVariable ("TOLMEK_MIDI_DRAG_TRACE", {}) != "1")
        return;

    std::fprintf (stderr, "[Tolmek MIDI drag] %s: %s\n", prefix.toRawUTF8(), message.toRawUTF8());
    std::fflush (stderr);
}

bool FileDragController::isNativeDragActive()
{
    const auto running = currentOperation.lock();
    return running != nullptr && running->active;
}

} // namespace tolmek
