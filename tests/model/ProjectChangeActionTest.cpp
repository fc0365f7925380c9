#include "model/ProjectChangeAction.h"
#include "model/ProjectJson.h"

#include "support/ProjectJsonSamples.h"

#include <gtest/gtest.h>

using namespace VarneT;

namespace
{
// Stands in for the processor: keeps the current project and refuses what it is told to refuse.
struct Store
{
    Project current = project_samples::defaultLikeProject();
    bool refuse = false;
    int applied = 0;

    ProjectChangeAction::Applier applier()
    {
        return [this] (const Project& project)
        {
            if (refuse)
                return juce::Result::fail ("refused");
            current = project;
            ++applied;
            return juce::Result::ok();
        };
    }

    bool edit (juce::UndoManager& undo, const juce::String& newName)
    {
        auto after = current;
        after.identityName = newName;
        undo.beginNewTransaction();
        return undo.perform (new ProjectChangeAction (applier(), current, after), "Edit Varne-T project");
    }
};

// A project (not necessarily valid) whose multi-line text has exactly `characters` characters.
Project projectOfLength (int characters)
{
    Project project;
    project.identityName = "M";
    const auto base = projectToJsonText (project).length();
    project.identityName += juce::String::repeatedString ("m", characters - base);
    return project;
}

int sizeInUnits (int beforeCharacters, int afterCharacters)
{
    ProjectChangeAction action ({}, projectOfLength (beforeCharacters), projectOfLength (afterCharacters));
    return action.getSizeInUnits();
}
} // namespace

TEST (ProjectChangeAction, UndoAndRedoApplyBeforeAndAfterThroughTheSameApplier)
{
    Store store;
    juce::UndoManager undo;
    const auto original = projectToJsonText (store.current);

    ASSERT_TRUE (store.edit (undo, "First"));
    ASSERT_TRUE (store.edit (undo, "Second"));
    const auto edited = projectToJsonText (store.current);

    ASSERT_TRUE (undo.undo());
    EXPECT_EQ (store.current.identityName, "First");
    ASSERT_TRUE (undo.undo());
    EXPECT_EQ (projectToJsonText (store.current), original);
    EXPECT_FALSE (undo.canUndo());

    ASSERT_TRUE (undo.redo());
    ASSERT_TRUE (undo.redo());
    EXPECT_EQ (projectToJsonText (store.current), edited);
    EXPECT_EQ (store.applied, 6);
}

TEST (ProjectChangeAction, AnActionThatCannotApplyIsNotKept)
{
    Store store;
    juce::UndoManager undo;

    EXPECT_FALSE (undo.perform (new ProjectChangeAction ({}, store.current, store.current)));
    EXPECT_FALSE (undo.canUndo());

    store.refuse = true;
    EXPECT_FALSE (store.edit (undo, "Refused"));
    EXPECT_FALSE (undo.canUndo());
    EXPECT_EQ (store.current.identityName, "Main");
}

TEST (ProjectChangeAction, TwoEditsInOneTransactionStayTwoActions)
{
    Store store;
    juce::UndoManager undo;

    for (auto name : { "One", "Two" })
    {
        auto after = store.current;
        after.identityName = name;
        ASSERT_TRUE (undo.perform (new ProjectChangeAction (store.applier(), store.current, after)));
    }

    EXPECT_EQ (undo.getNumActionsInCurrentTransaction(), 2);
    ASSERT_TRUE (undo.undo());
    EXPECT_EQ (store.current.identityName, "Main");
}

TEST (ProjectChangeAction, SizeIsBothTextsInCharactersPer256)
{
    // Even a project without Sections has more than 256 characters, so the floor of 1 never shows.
    EXPECT_EQ (sizeInUnits (384, 383), 2);
    EXPECT_EQ (sizeInUnits (384, 384), 3);
    EXPECT_EQ (sizeInUnits (30000, 30000), 234);
    EXPECT_EQ (sizeInUnits (65536, 65536), 512);

    // Characters, not bytes: the writer escapes a non-ASCII character as six.
    auto project = projectOfLength (1000);
    project.identityName = project.identityName.dropLastCharacters (6) + juce::String (juce::CharPointer_UTF8 ("\xc3\xa9"));
    EXPECT_EQ (projectToJsonText (project).length(), 1000);
}

TEST (ProjectChangeAction, LargeProjectsShortenTheUndoHistory)
{
    Store store;
    store.current = projectOfLength (65536);
    juce::UndoManager undo (30000, 30);

    for (int i = 0; i < 60; ++i)
        ASSERT_TRUE (store.edit (undo, store.current.identityName + "!"));

    int depth = 0;
    while (undo.undo())
        ++depth;

    EXPECT_EQ (depth, 30000 / 512);
}
