#pragma once

#include "model/JuceCore.h"

namespace VarneT
{

/** Linux limits one path component to 255 bytes. */
inline constexpr int maxFileNameBytes = 255;

/** A name as a file name: trimmed, without the characters JUCE calls illegal in file names, and
    trimmed again, since a removed character may leave a blank at either end. */
juce::String legalFileNameOf (const juce::String& name);

/** The file name stem without blanks at its end, cut at a character boundary so that it and
    reservedBytes more (an extension, a suffix) fit in one path component. */
juce::String fitFileNameStem (juce::String stem, int reservedBytes);

} // namespace VarneT
