#pragma once

#include "VarneTIdentity.h"
#include "model/FileNames.h"

#include <juce_core/juce_core.h>

#include <functional>
#include <utility>
#include <vector>

/** What a read library file gives. */
struct ProjectFileInfo
{
    juce::String projectId, name, description, savedAt;
    juce::var project;
};

/** One row of the library list. */
struct ProjectLibraryEntry
{
    juce::File file;
    juce::String name, description;
};

namespace VarneT
{

inline constexpr const char* projectFileFormat = "tolmek-plugin-project";
inline constexpr int projectFileVersion = 2;
inline constexpr const char* projectFilePlugin = VarneT::identity::productName;

/** Files larger than this are never read: a valid one stays far below it, and reading a huge
    stray file would stall the message thread. */
inline constexpr juce::int64 maxProjectFileBytes = 16 * 1024 * 1024;

bool isValidProjectId (const juce::String& text);

/** Checks a parsed file's envelope and reads its project; empty on success. */
juce::String readProjectFileEnvelope (const juce::var& root, ProjectFileInfo& info);

/** Reads, parses and checks a library file; sha256 receives the hash of its raw bytes. */
juce::String loadProjectFile (const juce::File& file, ProjectFileInfo& info, juce::String& sha256);

/** Lower-case hex SHA-256 of a regular file's bytes; empty for a missing file or a folder. */
juce::String fileSha256Hex (const juce::File& file);

/** The project id of a library file, empty when it does not read as one. */
juce::String readProjectIdFromFile (const juce::File& file);

/** The text that decides whether two projects differ for the library (active Section ignored). */
juce::String canonicaliseProjectJson (const juce::var& project, juce::String& text);

/** The one-line text of a library file, keys in their fixed order. */
juce::String projectFileText (const juce::String& projectId, const juce::String& name, const juce::String& description,
                              const juce::String& savedAt, const juce::var& project);

/** Writes the bytes to a hidden temporary sibling and moves it over the target. */
bool writeFileAtomically (const juce::File& target, const juce::String& text);

//==============================================================================
// The library folder and its listing.

juce::File projectLibraryFolder();

/** Direct children of the folder that are regular "*.json" files (symbolic links skipped), in
    natural, case-insensitive order of their names. */
std::vector<juce::File> listProjectFiles (const juce::File& folder);
bool compareProjectFileNames (const juce::File& a, const juce::File& b);

/** Natural, case-insensitive order of names. */
bool projectNameComesFirst (const juce::String& a, const juce::String& b);

ProjectLibraryEntry readLibraryEntry (const juce::File& file);
std::vector<ProjectLibraryEntry> buildLibraryEntries (const std::vector<juce::File>& files);

/** buildLibraryEntries in three steps, so that the reading can run on another thread: entries of
    files unchanged since they were last read come from memory (begin, message thread), the others
    are read in full (read, any thread; false when stopped), then remembered and sorted (finish,
    message thread). The result is the same as reading every file. */
struct LibraryListing
{
    using Stamp = std::pair<juce::int64, juce::int64>; // size, modification time in ns
    std::vector<ProjectLibraryEntry> entries;
    std::vector<Stamp> stamps;
    std::vector<size_t> toRead;
};

LibraryListing beginLibraryListing (const std::vector<juce::File>& files);
bool readLibraryListing (LibraryListing&, const std::function<bool()>& shouldStop);
std::vector<ProjectLibraryEntry> finishLibraryListing (LibraryListing&&);

/** Both name the same file: exact paths on a case-sensitive file system. */
bool isSameLibraryFile (const juce::File& a, const juce::File& b);

//==============================================================================
// File names of saves.

/** The file name (with ".json") for a project name: the legal file name of the trimmed name with
    its extension replaced and no blank before it, shortened at a character boundary so that, with
    room for a " (n)" suffix, it fits in one path component. Empty when nothing usable is left
    (blank, or only dots). */
juce::String projectFileNameFor (const juce::String& name);

/** The file name stem with " (n)" appended, shortened the same way. */
juce::String numberedProjectFileName (const juce::String& fileName, int number);

/** Whether a save may write this file: a direct child of the folder, not "." or "..". */
bool isWritableLibraryTarget (const juce::File& target, const juce::File& folder);

/** Whether the path is taken by anything (file, folder, or link, even a dangling one). */
bool pathIsTaken (const juce::File& file);

/** The first of "<stem>.json", "<stem> (2).json", ... in the folder whose path is free. */
juce::File freeProjectFile (const juce::File& folder, const juce::String& fileName);

/** Where a save of this name goes in the folder when no library file is current:
    the file whose envelope name equals the name (ignoring case), else the legal file when it is
    free, else the first free numbered file. Empty for a name without a usable file name. */
juce::File chooseLibraryTarget (const juce::File& folder, const juce::String& name,
                                const std::vector<ProjectLibraryEntry>& entries);

} // namespace VarneT
