#include "model/ProjectChangeAction.h"

#include "model/ProjectJson.h"

#include <algorithm>

namespace VarneT
{

ProjectChangeAction::ProjectChangeAction (Applier applierToUse, Project projectBefore, Project projectAfter)
    : applier (std::move (applierToUse)), before (std::move (projectBefore)), after (std::move (projectAfter))
{
}

bool ProjectChangeAction::apply (const Project& project) const
{
    return applier != nullptr && applier (project).wasOk();
}

bool ProjectChangeAction::perform()
{
    return apply (after);
}

bool ProjectChangeAction::undo()
{
    return apply (before);
}

int ProjectChangeAction::getSizeInUnits()
{
    const auto characters = projectToJsonText (after).length() + projectToJsonText (before).length();
    return std::max (1, characters / 256);
}

} // namespace VarneT
