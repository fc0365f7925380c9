#pragma once

#include <juce_core/juce_core.h>

namespace testing_support
{

/** A fresh folder in the temporary folder holding one small file; both go when it does. */
struct ScratchFile
{
    juce::File folder;
    juce::File file;

    ScratchFile (const juce::String& folderName, const juce::String& fileName, const juce::String& content)
        : folder (juce::File::getSpecialLocation (juce::File::tempDirectory).getNonexistentChildFile (folderName, {})),
          file (folder.getChildFile (fileName))
    {
        folder.createDirectory();
        file.replaceWithText (content);
    }

    ~ScratchFile() { folder.deleteRecursively(); }

    ScratchFile (const ScratchFile&) = delete;
    ScratchFile& operator= (const ScratchFile&) = delete;
};

} // namespace testing_support
