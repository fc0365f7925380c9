// The save controller against a scripted backend: names, folders, replacement, stale answers,
// owner deletion, and the written bytes.

#include "kit/MidiFileSaveController.h"
#include "support/MidoReader.h"

#include <gtest/gtest.h>

#include <cstdlib>

using tolmek::MidiFileSaveController;
using Status = MidiFileSaveController::Result::Status;

namespace
{
/** Records what the controller asks and keeps the answer callbacks for the test to call. */
struct ScriptedDialogs
{
    juce::File initialFile;
    juce::String title;
    std::vector<MidiFileSaveController::FileCallback> choosers;
    std::vector<std::function<void (bool)>> confirmations;
    juce::File confirmedFile;
    int dismissals = 0;
    juce::File initialDirectory;
    juce::StringArray saved;

    MidiFileSaveController::Backend make()
    {
        MidiFileSaveController::Backend b;
        b.chooseFile = [this] (juce::Component&, const juce::File& f, const juce::String& t, MidiFileSaveController::FileCallback cb)
        {
            initialFile = f;
            title = t;
            choosers.push_back (std::move (cb));
        };
        b.confirmReplace = [this] (juce::Component&, const juce::File& f, std::function<void (bool)> cb)
        {
            confirmedFile = f;
            confirmations.push_back (std::move (cb));
        };
        b.dismiss = [this] { ++dismissals; };
        if (initialDirectory != juce::File())
            b.initialDirectory = [this] { return initialDirectory; };
        b.onSaved = [this] (const juce::File& f) { saved.add (f.getFullPathName()); };
        return b;
    }
};

/** A Standard MIDI File whose one track holds the label as a text event. */
juce::MemoryBlock bytes (const char* label)
{
    const auto n = static_cast<juce::uint8> (std::strlen (label));
    juce::MemoryOutputStream out;
    const juce::uint8 head[] { 'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 1, 0x03, 0xc0,
                               'M', 'T', 'r', 'k', 0, 0, 0, static_cast<juce::uint8> (n + 8), 0, 0xff, 0x01, n };
    out.write (head, sizeof (head));
    out.write (label, n);
    const juce::uint8 end[] { 0, 0xff, 0x2f, 0 };
    out.write (end, sizeof (end));
    return out.getMemoryBlock();
}

/** Whether the file holds the labelled bytes, and an independent reader takes it as MIDI. */
::testing::AssertionResult holds (const juce::File& file, const char* label)
{
    juce::MemoryBlock content;
    if (! file.loadFileAsData (content) || content != bytes (label))
        return ::testing::AssertionFailure() << file.getFullPathName() << " does not hold " << label;

    juce::var summary;
    if (auto read = testing_support::readWithMido (file, summary); ! read)
        return read;

    const auto* events = summary["events"].getArray();
    if (static_cast<int> (summary["type"]) != 1 || events->isEmpty() || events->getFirst()["type"].toString() != "text")
        return ::testing::AssertionFailure() << "mido read " << juce::JSON::toString (summary, true);

    return ::testing::AssertionSuccess();
}

struct Scratch
{
    juce::File folder = juce::File::getSpecialLocation (juce::File::tempDirectory).getNonexistentChildFile ("save", {});
    Scratch() { folder.createDirectory(); }
    ~Scratch() { folder.deleteRecursively(); }
};

struct Outcome
{
    int calls = 0;
    MidiFileSaveController::Result last;
    std::function<void (MidiFileSaveController::Result)> callback()
    {
        return [this] (MidiFileSaveController::Result r) { ++calls; last = r; };
    }
};
} // namespace

TEST (MidiFileSaveController, ProposedNamesAndTheChosenFileWritten)
{
    Scratch scratch;
    const struct { const char* suggested; const char* proposed; } names[] {
        { "Varne-T-Verse AB.mid", "Varne-T-Verse AB.mid" },
        { ":/?*", "Export.mid" },
        { "x.txt", "x.mid" },
        { "..", "Export.mid" },
    };

    for (const auto& n : names)
    {
        ScriptedDialogs dialogs;
        dialogs.initialDirectory = scratch.folder;
        MidiFileSaveController controller (dialogs.make());
        juce::Component owner;
        Outcome outcome;

        controller.save (owner, bytes ("MThd-1"), n.suggested, "Section", {}, outcome.callback());
        EXPECT_EQ (dialogs.initialFile, scratch.folder.getChildFile (n.proposed)) << n.suggested;
        EXPECT_EQ (dialogs.title, "Save Section MIDI");
    }

    // The chosen name gets ".mid" in place of its extension, and the bytes arrive whole.
    const struct { const char* chosen; const char* written; } chosen[] { { "song.txt", "song.mid" }, { "song2", "song2.mid" } };

    for (const auto& c : chosen)
    {
        ScriptedDialogs dialogs;
        dialogs.initialDirectory = scratch.folder;
        MidiFileSaveController controller (dialogs.make());
        juce::Component owner;
        Outcome outcome;

        controller.save (owner, bytes ("MThd-2"), "x", "Section", {}, outcome.callback());
        dialogs.choosers.back() (scratch.folder.getChildFile (c.chosen));

        const auto written = scratch.folder.getChildFile (c.written);
        ASSERT_EQ (outcome.calls, 1);
        EXPECT_EQ (outcome.last.status, Status::saved);
        EXPECT_EQ (outcome.last.path, written.getFullPathName());
        EXPECT_EQ (outcome.last.getMessage ("Section"), "Section MIDI saved to " + written.getFullPathName());
        EXPECT_TRUE (holds (written, "MThd-2"));
        EXPECT_EQ (dialogs.saved, juce::StringArray (written.getFullPathName()));
    }

    EXPECT_EQ (scratch.folder.getNumberOfChildFiles (juce::File::findFiles), 2); // no temporaries left
}

TEST (MidiFileSaveController, RefusalsCancelsAndReplacement)
{
    Scratch scratch;
    const auto existing = scratch.folder.getChildFile ("old.mid");
    const auto folderNamedMid = scratch.folder.getChildFile ("dir.mid");
    folderNamedMid.createDirectory();

    enum class Answer { none, replace, keep };
    const struct
    {
        const char* name;
        juce::File chosen;
        Answer answer;
        Status status;
        juce::String path;
        juce::String message;
        const char* content; // of old.mid afterwards
    } cases[] {
        { "cancelled", juce::File(), Answer::none, Status::cancelled, {}, {}, "old" },
        { "a folder", scratch.folder, Answer::none, Status::failed, scratch.folder.getFullPathName(), "The destination is a directory.", "old" },
        { "a folder once .mid is applied", scratch.folder.getChildFile ("dir.txt"), Answer::none, Status::failed,
          folderNamedMid.getFullPathName(), "The destination is a directory.", "old" },
        { "replace confirmed", existing, Answer::replace, Status::saved, existing.getFullPathName(), {}, "new" },
        { "replace declined", existing, Answer::keep, Status::cancelled, {}, {}, "old" },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        existing.replaceWithData (bytes ("old").getData(), bytes ("old").getSize());
        ScriptedDialogs dialogs;
        MidiFileSaveController controller (dialogs.make());
        juce::Component owner;
        Outcome outcome;

        controller.save (owner, bytes ("new"), "x", "Section", {}, outcome.callback());
        dialogs.choosers.back() (c.chosen);

        if (c.answer != Answer::none)
        {
            ASSERT_EQ (dialogs.confirmations.size(), 1u);
            EXPECT_EQ (dialogs.confirmedFile, existing);
            EXPECT_EQ (outcome.calls, 0);
            dialogs.confirmations.back() (c.answer == Answer::replace);
        }

        ASSERT_EQ (outcome.calls, 1);
        EXPECT_EQ (outcome.last.status, c.status);
        EXPECT_EQ (outcome.last.path, c.path);
        EXPECT_EQ (outcome.last.message, c.message);
        EXPECT_TRUE (holds (existing, c.content));
        EXPECT_TRUE (folderNamedMid.isDirectory());
    }

    // Empty bytes fail before any dialog, without a path.
    ScriptedDialogs dialogs;
    MidiFileSaveController controller (dialogs.make());
    juce::Component owner;
    Outcome outcome;
    controller.save (owner, {}, "x", "Section", {}, outcome.callback());
    EXPECT_TRUE (dialogs.choosers.empty());
    ASSERT_EQ (outcome.calls, 1);
    EXPECT_EQ (outcome.last.getMessage ("Section"), "Could not save Section MIDI. The prepared MIDI file is empty.");
}

TEST (MidiFileSaveController, StaleAnswersAndGoneOwnersDoNothing)
{
    Scratch scratch;

    // A second save closes the first: its dialog's answer and completion are gone.
    {
        ScriptedDialogs dialogs;
        MidiFileSaveController controller (dialogs.make());
        juce::Component owner;
        Outcome first, second;

        controller.save (owner, bytes ("one"), "x", "Section", {}, first.callback());
        controller.save (owner, bytes ("two"), "x", "Section", {}, second.callback());
        EXPECT_GE (dialogs.dismissals, 1);
        dialogs.choosers[0] (scratch.folder.getChildFile ("first.mid"));
        EXPECT_FALSE (scratch.folder.getChildFile ("first.mid").exists());
        dialogs.choosers[1] (scratch.folder.getChildFile ("second.mid"));
        EXPECT_EQ (first.calls, 0);
        EXPECT_EQ (second.calls, 1);
        EXPECT_TRUE (holds (scratch.folder.getChildFile ("second.mid"), "two"));
    }

    // The owner deleted while the chooser is open: no completion, and the late answer does nothing.
    {
        ScriptedDialogs dialogs;
        MidiFileSaveController controller (dialogs.make());
        auto owner = std::make_unique<juce::Component>();
        Outcome outcome;

        controller.save (*owner, bytes ("x"), "x", "Section", {}, outcome.callback());
        owner.reset();
        EXPECT_GE (dialogs.dismissals, 1);
        dialogs.choosers.back() (scratch.folder.getChildFile ("late.mid"));
        EXPECT_EQ (outcome.calls, 0);
        EXPECT_FALSE (scratch.folder.getChildFile ("late.mid").exists());
    }

    // The controller destroyed: its dialogs' answers are harmless.
    {
        ScriptedDialogs dialogs;
        auto controller = std::make_unique<MidiFileSaveController> (dialogs.make());
        juce::Component owner;
        Outcome outcome;

        controller->save (owner, bytes ("x"), "x", "Section", {}, outcome.callback());
        auto answer = dialogs.choosers.back();
        controller.reset();
        answer (scratch.folder.getChildFile ("after.mid"));
        EXPECT_EQ (outcome.calls, 0);
        EXPECT_FALSE (scratch.folder.getChildFile ("after.mid").exists());
    }
}

TEST (MidiFileSaveController, DocumentsFolderOrHome)
{
    // A home of the test's own, so that no real Documents folder is touched.
    Scratch scratch;
    const juce::String previousHome (std::getenv ("HOME"));
    setenv ("HOME", scratch.folder.getFullPathName().toRawUTF8(), 1);
    const auto home = juce::File::getSpecialLocation (juce::File::userHomeDirectory);
    const auto documents = juce::File::getSpecialLocation (juce::File::userDocumentsDirectory);
    ASSERT_EQ (home, scratch.folder);
    ASSERT_TRUE (documents.isAChildOf (scratch.folder));

    for (const bool documentsExist : { false, true })
    {
        documents.deleteRecursively();
        if (documentsExist)
            documents.createDirectory();

        ScriptedDialogs dialogs;
        MidiFileSaveController controller (dialogs.make());
        juce::Component owner;
        controller.save (owner, bytes ("x"), "Verse.mid", "Section", {}, {});
        EXPECT_EQ (dialogs.initialFile.getParentDirectory(), documentsExist ? documents : home);
    }

    setenv ("HOME", previousHome.toRawUTF8(), 1);
}

TEST (MidiFileSaveController, AnIncompleteBackendGetsTheNativeDialogs)
{
    // Only dismiss: incomplete, so the controller must not call it.
    int scriptedDismissals = 0;
    MidiFileSaveController::Backend partial;
    partial.dismiss = [&] { ++scriptedDismissals; };
    partial.confirmReplace = [] (juce::Component&, const juce::File&, std::function<void (bool)>) {};
    EXPECT_FALSE (partial.isComplete());

    {
        MidiFileSaveController controller (partial);
        controller.dismiss();
    }
    EXPECT_EQ (scriptedDismissals, 0);
}

// Here, after every other header: Xlib's macros would clash with them.
#include <X11/Xlib.h>

namespace
{
// Without a window manager some of JUCE's window requests fail harmlessly.
int ignoreXError (Display*, XErrorEvent*) { return 0; }
} // namespace

TEST (MidiFileSaveController, NativeBackendAsksBeforeReplacing)
{
    if (juce::SystemStats::getEnvironmentVariable ("DISPLAY", {}).isEmpty())
        GTEST_SKIP() << "needs an X display (run under xvfb-run)";

    auto* previousHandler = XSetErrorHandler (ignoreXError);

    auto backend = tolmek::defaultBackend();
    ASSERT_TRUE (backend.isComplete());

    juce::Component owner;
    owner.setBounds (100, 100, 400, 300);
    const juce::File file ("/tmp/Verse.mid");

    for (const auto& [buttonText, expected] : { std::pair { "Replace", true }, std::pair { "Cancel", false } })
    {
        std::optional<bool> answer;
        backend.confirmReplace (owner, file, [&] (bool replace) { answer = replace; });

        auto* alert = dynamic_cast<juce::AlertWindow*> (juce::Component::getCurrentlyModalComponent());
        ASSERT_NE (alert, nullptr);
        EXPECT_EQ (alert->getName(), "Replace MIDI file?");
        EXPECT_TRUE (alert->isAlwaysOnTop());

        juce::TextButton* button = nullptr;
        for (auto* child : alert->getChildren())
            if (auto* b = dynamic_cast<juce::TextButton*> (child); b != nullptr && b->getButtonText() == buttonText)
                button = b;
        ASSERT_NE (button, nullptr) << buttonText;

        button->triggerClick();
        const auto end = juce::Time::getMillisecondCounter() + 20000;
        while (! answer.has_value() && juce::Time::getMillisecondCounter() < end)
            juce::MessageManager::getInstance()->runDispatchLoopUntil (5);

        ASSERT_TRUE (answer.has_value());
        EXPECT_EQ (*answer, expected);
        backend.dismiss();
    }

    juce::MessageManager::getInstance()->runDispatchLoopUntil (20);
    XSetErrorHandler (previousHandler);
}
