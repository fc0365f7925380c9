// The Projects marker as a user meets it in the real editor: after each sequence of saves, loads,
// edits, JSON applies, deletions and reopenings, the header, the library row's caption and the
// question before a load all agree on whether the project differs from its library file.

#include "LibraryEditorSupport.h"

#include "model/ProjectJson.h"

#include <optional>

using namespace library_test;

namespace
{
const juce::String current = juce::String (juce::CharPointer_UTF8 ("Base  \xe2\x80\xa2 Current"));
const juce::String modified = juce::String (juce::CharPointer_UTF8 ("Base  \xe2\x80\xa2 Modified"));

/** A fresh home, an instance and its editor on the display, and the gestures of the library. */
struct Rig
{
    Rig() { reopen(); }
    ~Rig() { e.reset(); }

    void reopen()
    {
        e.reset();
        e = std::make_unique<OpenEditor> (processor);
        ASSERT_TRUE (e->complete());
    }

    ProjectLibraryOverlay& library() { return *e->library; }

    void openLibrary()
    {
        ASSERT_TRUE (clickOn (*e->projects));
        ASSERT_TRUE (gui::pumpUntil ([this] { return library().isShowing(); }));
    }

    void closeLibrary()
    {
        if (! library().isVisible())
            return;
        ASSERT_TRUE (clickOn (library().closeButton));
        ASSERT_TRUE (gui::pumpUntil ([this] { return ! library().isVisible(); }));
    }

    int rowOf (const juce::String& name)
    {
        for (int i = 0; i < library().getNumRows(); ++i)
        {
            const auto text = library().getRowButton (i)->getButtonText();
            if (text == name || text.startsWith (name + "  "))
                return i;
        }
        return -1;
    }

    void selectRow (const juce::String& name)
    {
        const auto row = rowOf (name);
        ASSERT_GE (row, 0) << name;
        ASSERT_TRUE (clickOn (*library().getRowButton (row)));
        ASSERT_TRUE (gui::pumpUntil ([this, row] { return library().getSelectedIndex() == row; }));
    }

    void edit()
    {
        const auto before = juce::JSON::toString (processor.getProjectVar());
        ASSERT_TRUE (e->editFirstNoteWithPointer());
        ASSERT_TRUE (gui::pumpUntil ([&] { return juce::JSON::toString (processor.getProjectVar()) != before; }));
    }

    void save (const juce::String& name)
    {
        openLibrary();
        ASSERT_TRUE (clickOn (library().nameEditor));
        ASSERT_TRUE (gui::input::key ("ctrl+a"));
        ASSERT_TRUE (gui::input::type (name));
        ASSERT_TRUE (clickOn (library().saveButton));
        const auto saved = [&] { return library().statusLabel.getText().endsWith (": " + name); };
        ASSERT_TRUE (gui::pumpUntil ([&] { return library().isConfirming() || saved(); }));
        if (library().isConfirming())
        {
            ASSERT_TRUE (clickOn (library().confirmButton));
        }
        ASSERT_TRUE (gui::pumpUntil (saved)) << library().statusLabel.getText();
        closeLibrary();
    }

    /** Load pressed on a library project: true when the unsaved-project question came instead. */
    bool loadAsks (const juce::String& name)
    {
        openLibrary();
        selectRow (name);
        if (! clickOn (library().loadButton))
            return false;
        const auto asked = [this] { return e->dirty->isShowing(); };
        const auto loaded = [this] { return ! library().isVisible(); };
        const auto refused = [this] { return library().statusLabel.getText().isNotEmpty() || e->statusLine->getText().startsWith ("ERROR"); };
        EXPECT_TRUE (gui::pumpUntil ([&] { return asked() || loaded() || refused(); }));
        return asked();
    }

    void load (const juce::String& name)
    {
        ASSERT_FALSE (loadAsks (name));
        closeLibrary();
    }

    void remove (const juce::String& name)
    {
        openLibrary();
        selectRow (name);
        ASSERT_TRUE (clickOn (library().deleteButton));
        ASSERT_TRUE (gui::pumpUntil ([this] { return library().isConfirming(); }));
        ASSERT_TRUE (clickOn (library().confirmButton));
        ASSERT_TRUE (gui::pumpUntil ([&] { return library().statusLabel.getText() == "Deleted: " + name; }));
        closeLibrary();
    }

    /** A changed project pasted into the JSON overlay and applied. */
    void applyChangedJson()
    {
        auto project = processor.getProjectCopy();
        project.sections[0].name = "Applied";
        applied = VarneT::projectToJsonText (project);
        juce::SystemClipboard::copyTextToClipboard (applied);

        auto* json = gui::findIn<ProjectJsonOverlay> (*e->editor);
        auto* open = gui::findIn<juce::TextButton> (*e->editor, [] (juce::TextButton& b) { return b.getButtonText() == "{}"; });
        ASSERT_TRUE (json != nullptr && open != nullptr);
        ASSERT_TRUE (clickOn (*open));
        ASSERT_TRUE (gui::pumpUntil ([json] { return json->isShowing(); }));
        ASSERT_TRUE (clickOn (json->pasteButton));
        ASSERT_TRUE (gui::pumpUntil ([json] { return json->editor.getText().contains ("\"Applied\""); }));
        ASSERT_TRUE (clickOn (json->applyButton));
        ASSERT_TRUE (gui::pumpUntil ([json] { return ! json->isVisible(); }));
        ASSERT_EQ (processor.getProjectCopy().sections[0].name, "Applied");
    }

    /** The header after two of the timer's checks (every 500 ms). */
    juce::String headerAfterASecond()
    {
        const auto start = juce::Time::getMillisecondCounter();
        gui::pumpUntil ([start] { return juce::Time::getMillisecondCounter() - start > 1100; });
        return e->projects->getButtonText();
    }

    /** The caption of Base's row in the library, empty when it is not listed. */
    juce::String baseCaption()
    {
        openLibrary();
        const auto row = rowOf ("Base");
        const auto text = row >= 0 ? library().getRowButton (row)->getButtonText() : juce::String();
        closeLibrary();
        return text;
    }

    TempHome home;
    VarneTAudioProcessor processor;
    std::unique_ptr<OpenEditor> e;
    juce::String applied;
};
} // namespace

TEST (LibraryMarker, HeaderRowCaptionAndTheQuestionAgreeAfterEverySequence)
{
    struct Row
    {
        const char* name;
        std::function<void (Rig&)> steps;
        bool modifiedHeader;
        juce::String caption;
        std::optional<bool> loadAsks;
    };

    const Row rows[] {
        { "save", [] (Rig& r) { r.save ("Base"); }, false, current, false },
        { "edit, then save", [] (Rig& r) { r.save ("Base"); r.edit(); r.save ("Base"); }, false, current, false },
        { "load", [] (Rig& r) { writeProjectFixture ("Base.json", "Base"); r.load ("Base"); }, false, current, false },
        { "load, then edit", [] (Rig& r) { writeProjectFixture ("Base.json", "Base"); r.load ("Base"); r.edit(); }, true, modified, true },
        { "JSON apply of a changed project", [] (Rig& r) { r.save ("Base"); r.applyChangedJson(); }, true, modified, true },
        { "delete of the current project", [] (Rig& r) { r.save ("Base"); r.edit(); r.remove ("Base"); }, false, "", std::nullopt },
        { "reopened after an edit", [] (Rig& r) { r.save ("Base"); r.edit(); r.reopen(); }, true, "Base", true },
        { "a load that fails validation", [] (Rig& r)
          {
              r.save ("Base");
              Envelope broken;
              broken.name = "\"Broken\"";
              auto project = VarneT::makeDefaultProject();
              project.sections[0].sequence[0].notes[0].velocity = 0;
              broken.project = juce::JSON::toString (VarneT::projectToVar (project), true).toStdString();
              writeFixture (libraryFolder().getChildFile ("Broken.json"), broken.text());
              const auto before = juce::JSON::toString (r.processor.getProjectVar());
              const auto undoable = r.processor.getUndoManager().canUndo();
              EXPECT_FALSE (r.loadAsks ("Broken"));
              EXPECT_TRUE (r.library().isVisible()) << "the overlay stays open on a refused load";
              r.closeLibrary();
              EXPECT_EQ (juce::JSON::toString (r.processor.getProjectVar()), before);
              EXPECT_EQ (r.processor.getUndoManager().canUndo(), undoable);
          }, false, current, false },
    };

    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.name);
        Rig rig;
        row.steps (rig);
        ASSERT_FALSE (::testing::Test::HasFatalFailure());

        EXPECT_EQ (rig.headerAfterASecond(), row.modifiedHeader ? "Projects" + bullet : juce::String ("Projects"));
        EXPECT_EQ (rig.baseCaption(), row.caption);
        if (row.loadAsks.has_value())
        {
            EXPECT_EQ (rig.loadAsks ("Base"), *row.loadAsks);
            if (rig.applied.isNotEmpty())
            {
                EXPECT_EQ (rig.processor.getProjectCopy().sections[0].name, "Applied") << "the applied project stays until the question is answered";
            }
        }
    }
}
