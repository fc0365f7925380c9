#include "kit/MidiFileSaveController.h"

namespace tolmek
{

juce::String MidiFileSaveController::Result::getMessage (const juce::String& kind) const
{
    switch (status)
    {
        case Status::saved:     return kind + " MIDI saved to " + path;
        case Status::cancelled: return {};
        case Status::failed:    break;
    }

    return "Could not save " + kind + " MIDI" + (path.isNotEmpty() ? " to " + path : juce::String()) + ". " + message;
}

struct MidiFileSaveController::State : public juce::ComponentListener,
                                       public std::enable_shared_from_this<State>
{
    Backend backend;
    juce::Component::SafePointer<juce::Component> owner;
    juce::MemoryBlock bytes;
    std::function<void (Result)> onComplete;
    std::uint64_t generation = 0;
    std::uint64_t saveId = 0;
    bool active = false;

    ~State() override { stopListening(); }

    void stopListening()
    {
        if (owner != nullptr)
            owner->removeComponentListener (this);

        owner = nullptr;
    }

    void close()
    {
        active = false;
        ++generation;
        ++saveId;
        onComplete = nullptr;
        stopListening();

        if (backend.dismiss)
            backend.dismiss();

        bytes.reset();
    }

    void componentBeingDeleted (juce::Component&) override { close(); }

    /** A dialog's answer; stale ones (an older save, a superseded dialog, a gone owner) do nothing. */
    FileCallback makeSelectionCallback()
    {
        return [weak = weak_from_this(), id = saveId, gen = generation] (juce::File file)
        {
            auto self = weak.lock();

            if (self == nullptr || ! self->active || self->owner == nullptr || self->saveId != id)
                return;

            if (file != juce::File() && self->generation != gen)
                return;

            self->select (file);
        };
    }

    void select (juce::File file)
    {
        ++generation;

        if (file == juce::File())
        {
            finish ({ Result::Status::cancelled, {}, {} });
            return;
        }

        if (! file.isDirectory())
            file = file.withFileExtension (".mid");

        if (file.isDirectory())
        {
            reportProblem ({ Result::Status::failed, file.getFullPathName(), "The destination is a directory." });
            return;
        }

        if (file.exists())
        {
            backend.confirmReplace (*owner, file, [weak = weak_from_this(), gen = generation, file] (bool replace)
            {
                auto self = weak.lock();

                if (self == nullptr || ! self->active || self->generation != gen || self->owner == nullptr)
                    return;

                ++self->generation;

                if (replace)
                    self->write (file);
                else
                    self->reportProblem ({ Result::Status::cancelled, {}, {} });
            });
            return;
        }

        write (file);
    }

    void write (const juce::File& destination)
    {
        juce::String failure;

        {
            juce::TemporaryFile temporary (destination, juce::TemporaryFile::useHiddenFile);

            {
                juce::FileOutputStream stream (temporary.getFile(), 16384);

                if (! stream.openedOk())
                {
                    failure = stream.getStatus().getErrorMessage();
                }
                else
                {
                    const bool written = stream.write (bytes.getData(), bytes.getSize());
                    stream.flush();

                    if (stream.getStatus().failed())
                        failure = stream.getStatus().getErrorMessage();
                    else if (! written)
                        failure = "Incomplete file write.";
                }
            }

            if (failure.isEmpty() && ! temporary.overwriteTargetFileWithTemporary())
                failure = "Could not replace the destination file. Check folder permissions.";
        }

        if (failure.isNotEmpty())
        {
            reportProblem ({ Result::Status::failed, destination.getFullPathName(), failure });
            return;
        }

        if (backend.onSaved)
            backend.onSaved (destination);

        finish ({ Result::Status::saved, destination.getFullPathName(), {} });
    }

    void reportProblem (const Result& result)
    {
        if (backend.showProblem)
            backend.showProblem (result, makeSelectionCallback());
        else
            finish (result);
    }

    void finish (const Result& result)
    {
        auto completion = std::move (onComplete);
        onComplete = nullptr;
        const bool ownerAlive = owner != nullptr;
        close();

        if (ownerAlive && completion)
            completion (result);
    }
};

MidiFileSaveController::MidiFileSaveController (Backend backend)
    : state (std::make_shared<State>())
{
    state->backend = backend.isComplete() ? std::move (backend) : defaultBackend();
}

MidiFileSaveController::~MidiFileSaveController()
{
    state->close();
}

void MidiFileSaveController::dismiss()
{
    state->close();
}

void MidiFileSaveController::save (juce::Component& owner, juce::MemoryBlock bytes, const juce::String& suggestedName,
                                   const juce::String& kind, DialogStyle style, std::function<void (Result)> onComplete)
{
    auto& s = *state;
    s.close();

    s.owner = &owner;
    owner.addComponentListener (&s);
    s.active = true;
    s.bytes = std::move (bytes);
    s.onComplete = std::move (onComplete);

    if (s.bytes.isEmpty())
    {
        s.finish ({ Result::Status::failed, {}, "The prepared MIDI file is empty." });
        return;
    }

    auto folder = s.backend.initialDirectory ? s.backend.initialDirectory()
                                             : juce::File::getSpecialLocation (juce::File::userDocumentsDirectory);

    if (! folder.isDirectory())
        folder = juce::File::getSpecialLocation (juce::File::userHomeDirectory);

    auto name = juce::File::createLegalFileName (suggestedName);

    // A name of dots alone would climb out of the folder.
    if (name.containsOnly ("."))
        name = {};

    const auto initialFile = folder.getChildFile (name.isNotEmpty() ? name : juce::String ("Export.mid")).withFileExtension (".mid");

    if (style.title.isEmpty())
        style.title = kind;

    if (s.backend.chooseFileStyled)
        s.backend.chooseFileStyled (owner, initialFile, style, s.makeSelectionCallback());
    else
        s.backend.chooseFile (owner, initialFile, "Save " + kind + " MIDI", s.makeSelectionCallback());
}

//==============================================================================
namespace
{
struct NativeDialogs
{
    std::unique_ptr<juce::FileChooser> chooser;
    std::unique_ptr<juce::LookAndFeel_V4> lookAndFeel;
    std::unique_ptr<juce::AlertWindow> alert; // after the look-and-feel it draws with
};

struct DialogHolder
{
    std::unique_ptr<NativeDialogs> current;

    void dismiss()
    {
        auto record = std::move (current);

        if (record == nullptr)
            return;

        if (record->alert != nullptr)
        {
            record->alert->exitModalState (0);
            record->alert->setVisible (false);
        }

        // A dialog may be answering right now; release its record on a later turn.
        juce::MessageManager::callAsync ([r = std::shared_ptr<NativeDialogs> (std::move (record))] {});
    }
};
} // namespace

MidiFileSaveController::Backend defaultBackend()
{
    auto holder = std::make_shared<DialogHolder>();
    MidiFileSaveController::Backend backend;

    backend.chooseFile = [holder] (juce::Component&, const juce::File& initialFile, const juce::String& title,
                                   MidiFileSaveController::FileCallback onChosen)
    {
        holder->current = std::make_unique<NativeDialogs>();
        holder->current->chooser = std::make_unique<juce::FileChooser> (title, initialFile, "*.mid", true, false, nullptr);
        holder->current->chooser->launchAsync (juce::FileBrowserComponent::saveMode | juce::FileBrowserComponent::canSelectFiles,
                                               [onChosen] (const juce::FileChooser& chooser) { onChosen (chooser.getResult()); });
    };

    backend.dismiss = [holder] { holder->dismiss(); };

    backend.confirmReplace = [holder] (juce::Component& owner, const juce::File& file, std::function<void (bool)> onAnswer)
    {
        holder->dismiss();
        holder->current = std::make_unique<NativeDialogs>();
        auto& record = *holder->current;
        record.lookAndFeel = std::make_unique<juce::LookAndFeel_V4>();
        record.alert = std::make_unique<juce::AlertWindow> ("Replace MIDI file?", "A file already exists at:\n" + file.getFullPathName(),
                                                            juce::MessageBoxIconType::QuestionIcon, nullptr);
        auto& alert = *record.alert;
        alert.setLookAndFeel (record.lookAndFeel.get());
        alert.addButton ("Replace", 1);
        alert.addButton ("Cancel", 0, juce::KeyPress (juce::KeyPress::escapeKey));
        alert.setAlwaysOnTop (true);
        alert.centreAroundComponent (&owner, alert.getWidth(), alert.getHeight());
        alert.enterModalState (true, juce::ModalCallbackFunction::create ([onAnswer] (int result) { onAnswer (result == 1); }), false);
    };

    return backend;
}

} // namespace tolmek
