#pragma once

#include "model/Project.h"

#include <functional>

namespace VarneT
{

/** One undoable edit: the exchange of the whole project before it for the whole project after it.
    Performing applies `after`, undoing applies `before`; two actions are never merged. */
class ProjectChangeAction : public juce::UndoableAction
{
public:
    /** Makes the given project the current one. */
    using Applier = std::function<juce::Result (const Project&)>;

    ProjectChangeAction (Applier applierToUse, Project projectBefore, Project projectAfter);

    bool perform() override;
    bool undo() override;

    /** Both projects' multi-line text length in characters, per 256, at least 1. */
    int getSizeInUnits() override;

    const Applier applier;
    const Project before;
    const Project after;

private:
    bool apply (const Project& project) const;
};

} // namespace VarneT
