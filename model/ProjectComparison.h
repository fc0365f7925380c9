#pragma once

#include "model/Project.h"

namespace VarneT
{

/** Whether the two projects' written texts are the same once their identity names, active Section
    indexes and Section names are set alike: what playback hears. Compared field by field. */
bool sameMusicalContent (const Project& a, const Project& b);

/** Whether the two projects' written texts are the same once their active Section indexes are set
    alike. Compared field by field. */
bool sameApartFromSelection (const Project& a, const Project& b);

} // namespace VarneT
