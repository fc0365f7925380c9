#pragma once

#include "model/Project.h"

namespace VarneT
{

/** Inclusive limit on the UTF-8 bytes of a project's multi-line JSON text. */
inline constexpr std::size_t maxProjectJsonBytes = 4 * 1024 * 1024;

/** Empty when the project may be used, otherwise the first failure as "path: message" (the size
    failure has no path). */
juce::String validateProject (const Project& project);

/** The checks of one Pattern, whose JSON path is `path`. */
juce::String validatePattern (const Pattern& pattern, const juce::String& path);

} // namespace VarneT
