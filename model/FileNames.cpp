#include "model/FileNames.h"

namespace VarneT
{

juce::String legalFileNameOf (const juce::String& name)
{
    return juce::File::createLegalFileName (name.trim()).trim();
}

juce::String fitFileNameStem (juce::String stem, int reservedBytes)
{
    const auto limit = maxFileNameBytes - reservedBytes;

    // JUCE strings index whole code points, so dropping characters never splits one.
    while (stem.isNotEmpty() && static_cast<int> (stem.getNumBytesAsUTF8()) > limit)
        stem = stem.dropLastCharacters (1);

    // A blank before the extension is invisible to the user and awkward in a shell.
    return stem.trimEnd();
}

} // namespace VarneT
