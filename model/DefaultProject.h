#pragma once

#include "model/Project.h"

namespace VarneT
{

/** The project a new instance starts with: one Section playing "Lantern Ostinato" from C major. */
Project makeDefaultProject();

} // namespace VarneT
