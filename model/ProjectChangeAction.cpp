#include "model/ProjectChangeAction.h"

#include "model/ProjectJson.h"

#include <algorithm>

namespace VarneT
{

ProjectChangeAction::ProjectChangeAction (Applier applierToUse, Project projectBefore, Project projectAfter)
    : before (std::make_shared<const Project> (std::move (projectBefore))),
      after (std::make_shared<const Project> (std::move (projectAfter))),
      applier (std::move (applierToUse))
{
}

ProjectChangeAction::ProjectChangeAction (SharedApplier applierToUse, SharedProject projectBefore, SharedProject projectAfter)
    : before (std::move (projectBefore)), after (std::move (projectAfter)), sharedApplier (std::move (applierToUse))
{
}

bool ProjectChangeAction::apply (const SharedProject& project) const
{
    if (project == nullptr)
        return false;

    if (sharedApplier != nullptr)
        return sharedApplier (project).wasOk();

    return applier != nullptr && applier (*project).wasOk();
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
    // The written text escapes everything beyond ASCII, so its characters are its bytes. Both
    // projects are immutable: the size is counted once.
    if (sizeInUnits == 0)
    {
        const auto characters = projectJsonTextBytes (*after) + projectJsonTextBytes (*before);
        sizeInUnits = std::max (1, (int) (characters / 256));
    }

    return sizeInUnits;
}

} // namespace VarneT
