#pragma once

#include "kit/JuceKit.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdint>
#include <functional>
#include <memory>

namespace tolmek
{

/** Saves an already rendered MIDI file where the user chooses: a save dialog, ".mid" forced on the
    name, folders refused, a confirmation before replacing, an atomic write, one result.
    Message thread only; every dialog is asynchronous. */
class MidiFileSaveController
{
public:
    struct Result
    {
        enum class Status
        {
            saved = 0,
            cancelled = 1,
            failed = 2
        };

        Status status = Status::cancelled;
        juce::String path;
        juce::String message;

        juce::String getMessage (const juce::String& kind) const;
    };

    struct DialogStyle
    {
        juce::String title;
        juce::Colour colours[11] { juce::Colour (0xff181926), juce::Colour (0xff1e2030), juce::Colour (0xff24273a),
                                   juce::Colour (0xffcad3f5), juce::Colour (0xffa5adcb), juce::Colour (0xff5b6078),
                                   juce::Colour (0xff8bd5ca), juce::Colour (0xffed8796), juce::Colour (0xff1e2030),
                                   juce::Colour (0xff24273a), juce::Colour (0xff8bd5ca) };
    };

    using FileCallback = std::function<void (juce::File)>;

    struct Backend
    {
        std::function<void (juce::Component& owner, const juce::File& initialFile, const juce::String& title, FileCallback onChosen)> chooseFile;
        std::function<void (juce::Component& owner, const juce::File& file, std::function<void (bool)> onAnswer)> confirmReplace;
        std::function<void()> dismiss;
        std::function<void (juce::Component& owner, const juce::File& initialFile, const DialogStyle& style, FileCallback onChosen)> chooseFileStyled;
        std::function<void (const Result& result, FileCallback onChosen)> showProblem;
        std::function<juce::File()> initialDirectory;
        std::function<void (const juce::File& file)> onSaved;

        bool isComplete() const { return confirmReplace && dismiss && (chooseFile || chooseFileStyled); }
    };

    struct State;

    /** An incomplete backend is replaced entirely by defaultBackend(). */
    explicit MidiFileSaveController (Backend backend = {});
    ~MidiFileSaveController();

    void save (juce::Component& owner, juce::MemoryBlock bytes, const juce::String& suggestedName,
               const juce::String& kind, DialogStyle style, std::function<void (Result)> onComplete);

    /** Closes any dialog and abandons a save in progress; its completion is never called. */
    void dismiss();

private:
    std::shared_ptr<State> state;

    JUCE_DECLARE_NON_COPYABLE (MidiFileSaveController)
};

/** The native dialogs: juce::FileChooser and a "Replace MIDI file?" alert. */
MidiFileSaveController::Backend defaultBackend();

} // namespace tolmek
