#pragma once

#include <juce_core/juce_core.h>

namespace VarneT
{

/** A new two-word instance name ("Quiet Otter"), chosen by a hash of a fresh UUID. */
juce::String generateInstanceName();

/** Drops the four-digit upper-case hexadecimal suffix that older instance names carried. */
juce::String stripGeneratedNameSuffix (const juce::String& name);

/** The 16 adjectives then the 16 animals that instance names are made of. */
const char* const* instanceNameWords() noexcept;

} // namespace VarneT
