#pragma once

#include "model/Project.h"

#include <functional>
#include <memory>

namespace VarneT
{

/** One undoable edit: the exchange of the whole project before it for the whole project after it.
    Performing applies `after`, undoing applies `before`; two actions are never merged. Both are
    immutable values, shared with whoever else holds them. */
class ProjectChangeAction : public juce::UndoableAction
{
public:
    using SharedProject = std::shared_ptr<const Project>;

    /** Makes the given project the current one. */
    using Applier = std::function<juce::Result (const Project&)>;
    using SharedApplier = std::function<juce::Result (const SharedProject&)>;

    ProjectChangeAction (Applier applierToUse, Project projectBefore, Project projectAfter);
    ProjectChangeAction (SharedApplier applierToUse, SharedProject projectBefore, SharedProject projectAfter);

    bool perform() override;
    bool undo() override;

    /** Both projects' multi-line text length in characters, per 256, at least 1. */
    int getSizeInUnits() override;

    const SharedProject before;
    const SharedProject after;

private:
    bool apply (const SharedProject& project) const;

    const Applier applier;
    const SharedApplier sharedApplier;
    int sizeInUnits = 0;
};

} // namespace VarneT
