#include "editor/library/ProjectLibrary.h"

#include "model/ProjectJson.h"

#include <juce_cryptography/juce_cryptography.h>

#include <algorithm>
#include <map>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace VarneT
{
namespace
{
bool isStringVar (const juce::var& v) { return v.isString(); }

/** Trimmed text of a var, the way "as text" reads any var. */
juce::String textOf (const juce::var& v) { return v.toString(); }

/** The file name without folder and extension: the name a file is listed under. */
juce::String bareName (const juce::File& file) { return file.getFileNameWithoutExtension(); }

/** The stem cut so that stem + suffix + ".json" fits in one path component. */
juce::String shortenedStem (const juce::String& stem, int reservedBytes)
{
    return fitFileNameStem (stem, reservedBytes + 5);
}

/** Room kept in every file name for the largest " (n)" suffix a save may add. */
constexpr int suffixReserve = 8;

bool onlyDotsAndBlanks (const juce::String& s)
{
    return s.trim().isEmpty() || s.trim().containsOnly (".");
}
} // namespace

//==============================================================================
bool isValidProjectId (const juce::String& text)
{
    const auto id = text.trim();
    if (id.length() != 36)
        return false;
    return juce::Uuid (id).toDashedString().equalsIgnoreCase (id);
}

juce::String readProjectFileEnvelope (const juce::var& root, ProjectFileInfo& info)
{
    if (! root.isObject() || root.getDynamicObject() == nullptr)
        return "Invalid project file";

    if (textOf (root["format"]) != projectFileFormat)
        return "Not an TOLMEK project";

    const auto& version = root["version"];
    if (! ((version.isInt() || version.isInt64()) && (juce::int64) version == projectFileVersion))
        return "Unsupported project version";

    if (textOf (root["plugin"]) != projectFilePlugin)
        return "Project belongs to another plugin";

    const auto& id = root["projectId"];
    if (! isStringVar (id) || ! isValidProjectId (id.toString()))
        return "Project ID is missing or invalid";

    const auto& name = root["name"];
    if (! isStringVar (name) || name.toString().trim().isEmpty())
        return "Project name is missing";

    const auto& description = root["description"];
    if (! isStringVar (description))
        return "Project description is invalid";

    const auto& savedAt = root["savedAt"];
    if (! isStringVar (savedAt) || savedAt.toString().trim().isEmpty())
        return "Project timestamp is missing";

    const auto& project = root["project"];
    if (! project.isObject() || project.getDynamicObject() == nullptr)
        return "Project data is missing";

    Project model;
    if (auto message = projectFromVar (project, model); message.isNotEmpty())
        return message;

    info.projectId = id.toString().trim();
    info.name = name.toString().trim();
    info.description = description.toString().trim();
    info.savedAt = savedAt.toString().trim();
    info.project = project;
    return {};
}

namespace
{
/** Reads and checks a library file; the raw bytes stay in `bytes` for hashing. */
juce::String readProjectFile (const juce::File& file, ProjectFileInfo& info, juce::MemoryBlock& bytes)
{
    const juce::String unreadable { "Could not read project file" };

    // Only regular files of a plausible size are opened: a folder, a device or a huge stray file
    // named "*.json" must not stall or break the reader.
    struct stat status {};
    if (file.getFullPathName().isEmpty() || ::stat (file.getFullPathName().toRawUTF8(), &status) != 0
        || ! S_ISREG (status.st_mode) || status.st_size <= 0 || status.st_size > maxProjectFileBytes)
        return unreadable;

    if (! file.loadFileAsData (bytes) || bytes.isEmpty())
        return unreadable;

    const auto* data = static_cast<const char*> (bytes.getData());
    if (! juce::CharPointer_UTF8::isValidString (data, (int) bytes.getSize()))
        return unreadable;

    juce::var root;
    const auto parsed = parseJsonText (juce::String::fromUTF8 (data, (int) bytes.getSize()), root);
    if (parsed.failed())
        return parsed.getErrorMessage();

    return readProjectFileEnvelope (root, info);
}
} // namespace

juce::String loadProjectFile (const juce::File& file, ProjectFileInfo& info, juce::String& sha256)
{
    ProjectFileInfo read;
    juce::MemoryBlock bytes;
    if (auto message = readProjectFile (file, read, bytes); message.isNotEmpty())
        return message;

    info = std::move (read);
    sha256 = juce::SHA256 (bytes).toHexString();
    return {};
}

juce::String fileSha256Hex (const juce::File& file)
{
    if (file.getFullPathName().isEmpty() || ! file.existsAsFile())
        return {};

    juce::FileInputStream in (file);
    if (! in.openedOk())
        return juce::String::repeatedString ("0", 64);

    return juce::SHA256 (in).toHexString();
}

juce::String readProjectIdFromFile (const juce::File& file)
{
    ProjectFileInfo info;
    juce::String sha;
    if (loadProjectFile (file, info, sha).isNotEmpty())
        return {};
    return info.projectId;
}

juce::String canonicaliseProjectJson (const juce::var& project, juce::String& text)
{
    Project model;
    if (auto message = projectFromVar (project, model); message.isNotEmpty())
        return message;

    model.activeSectionIndex = 0;
    text = juce::JSON::toString (projectToVar (model), false, 15);
    return {};
}

juce::String projectFileText (const juce::String& projectId, const juce::String& name, const juce::String& description,
                              const juce::String& savedAt, const juce::var& project)
{
    auto* envelope = new juce::DynamicObject();
    const juce::var root (envelope);
    envelope->setProperty ("format", projectFileFormat);
    envelope->setProperty ("version", projectFileVersion);
    envelope->setProperty ("plugin", projectFilePlugin);
    envelope->setProperty ("projectId", projectId);
    envelope->setProperty ("name", name);
    envelope->setProperty ("description", description);
    envelope->setProperty ("savedAt", savedAt);
    envelope->setProperty ("project", project);
    return juce::JSON::toString (root, true, 15);
}

bool writeFileAtomically (const juce::File& target, const juce::String& text)
{
    // A hidden name that the "*.json" listing never shows and that fits any folder.
    const auto temporary = target.getSiblingFile (".varnet-save-" + juce::String::toHexString (juce::Random::getSystemRandom().nextInt64()) + ".tmp");

    bool written = false;
    {
        juce::FileOutputStream out (temporary);
        if (out.openedOk())
        {
            out.setPosition (0);
            out.truncate();
            written = out.write (text.toRawUTF8(), text.getNumBytesAsUTF8());
            out.flush();
            written = written && out.getStatus().wasOk();
        }
    }

    // rename() replaces the target in one step; JUCE's moveFileTo deletes the target first,
    // which would lose the old file if anything failed in between.
    if (written)
    {
        if (const auto fd = ::open (temporary.getFullPathName().toRawUTF8(), O_RDONLY); fd >= 0)
        {
            ::fsync (fd);
            ::close (fd);
        }

        if (::rename (temporary.getFullPathName().toRawUTF8(), target.getFullPathName().toRawUTF8()) == 0)
            return true;
    }

    temporary.deleteFile();
    return false;
}

//==============================================================================
juce::File projectLibraryFolder()
{
    return juce::File::getSpecialLocation (juce::File::userApplicationDataDirectory)
        .getChildFile (VarneT::identity::settingsKey)
        .getChildFile ("projects");
}

bool projectNameComesFirst (const juce::String& a, const juce::String& b)
{
    return a.compareNatural (b, false) < 0;
}

bool compareProjectFileNames (const juce::File& a, const juce::File& b)
{
    return projectNameComesFirst (bareName (a), bareName (b));
}

std::vector<juce::File> listProjectFiles (const juce::File& folder)
{
    std::vector<juce::File> files;
    if (! folder.isDirectory())
        return files;

    for (const auto& entry : juce::RangedDirectoryIterator (folder, false, "*.json", juce::File::findFiles))
    {
        const auto& file = entry.getFile();
        if (! file.isSymbolicLink())
            files.push_back (file);
    }

    std::stable_sort (files.begin(), files.end(), compareProjectFileNames);
    return files;
}

ProjectLibraryEntry readLibraryEntry (const juce::File& file)
{
    ProjectFileInfo info;
    juce::MemoryBlock bytes;
    if (readProjectFile (file, info, bytes).isEmpty())
        return { file, info.name, info.description };
    return { file, bareName (file), {} };
}

namespace
{
/** What a listed file gave when it had this size and modification time. */
struct CachedEntry
{
    LibraryListing::Stamp stamp;
    juce::String name, description;
};

LibraryListing::Stamp stampOf (const juce::File& file)
{
    struct stat status {};
    if (::stat (file.getFullPathName().toRawUTF8(), &status) != 0)
        return { -1, 0 };
    return { (juce::int64) status.st_size, (juce::int64) status.st_mtim.tv_sec * 1000000000 + status.st_mtim.tv_nsec };
}

/** Entries of files read before, for as long as the files keep their size and modification
    time. Message thread only, like every library operation that lists. */
std::map<juce::String, CachedEntry>& entryCache()
{
    static std::map<juce::String, CachedEntry> cache;
    return cache;
}
} // namespace

LibraryListing beginLibraryListing (const std::vector<juce::File>& files)
{
    LibraryListing listing;
    listing.entries.reserve (files.size());
    const auto& cache = entryCache();
    for (const auto& file : files)
    {
        listing.stamps.push_back (stampOf (file));
        const auto found = cache.find (file.getFullPathName());
        if (found != cache.end() && found->second.stamp == listing.stamps.back() && listing.stamps.back().first >= 0)
        {
            listing.entries.push_back ({ file, found->second.name, found->second.description });
        }
        else
        {
            listing.toRead.push_back (listing.entries.size());
            listing.entries.push_back ({ file, {}, {} });
        }
    }
    return listing;
}

bool readLibraryListing (LibraryListing& listing, const std::function<bool()>& shouldStop)
{
    for (const auto i : listing.toRead)
    {
        if (shouldStop && shouldStop())
            return false;
        listing.entries[i] = readLibraryEntry (listing.entries[i].file);
    }
    return true;
}

std::vector<ProjectLibraryEntry> finishLibraryListing (LibraryListing&& listing)
{
    auto& cache = entryCache();
    for (const auto i : listing.toRead)
    {
        const auto& entry = listing.entries[i];
        // A file that changed while it was read is read again next time.
        if (stampOf (entry.file) == listing.stamps[i] && listing.stamps[i].first >= 0)
            cache[entry.file.getFullPathName()] = { listing.stamps[i], entry.name, entry.description };
        else
            cache.erase (entry.file.getFullPathName());
    }

    auto entries = std::move (listing.entries);
    std::stable_sort (entries.begin(), entries.end(),
                      [] (const auto& a, const auto& b) { return projectNameComesFirst (a.name, b.name); });
    return entries;
}

std::vector<ProjectLibraryEntry> buildLibraryEntries (const std::vector<juce::File>& files)
{
    auto listing = beginLibraryListing (files);
    readLibraryListing (listing, {});
    return finishLibraryListing (std::move (listing));
}

bool isSameLibraryFile (const juce::File& a, const juce::File& b)
{
    if (a.getFullPathName().isEmpty() || b.getFullPathName().isEmpty())
        return false;
    if (juce::File::areFileNamesCaseSensitive())
        return a.getFullPathName() == b.getFullPathName();
    return a.getFullPathName().equalsIgnoreCase (b.getFullPathName());
}

//==============================================================================
juce::String projectFileNameFor (const juce::String& name)
{
    const auto legal = legalFileNameOf (name);
    if (onlyDotsAndBlanks (legal))
        return {};

    // The extension (from the last point) gives way to ".json"; a name that is all extension,
    // such as ".5", keeps its text without the leading points instead of becoming ".json".
    auto stem = legal.containsChar ('.') ? legal.upToLastOccurrenceOf (".", false, false) : legal;
    if (onlyDotsAndBlanks (stem))
        stem = legal.trimCharactersAtStart (".");

    stem = shortenedStem (stem, suffixReserve);
    if (onlyDotsAndBlanks (stem))
        return {};

    return stem + ".json";
}

juce::String numberedProjectFileName (const juce::String& fileName, int number)
{
    const auto suffix = " (" + juce::String (number) + ")";
    const auto stem = fileName.upToLastOccurrenceOf (".json", false, false);
    return shortenedStem (stem, (int) suffix.getNumBytesAsUTF8()) + suffix + ".json";
}

bool isWritableLibraryTarget (const juce::File& target, const juce::File& folder)
{
    const auto fileName = target.getFileName();
    return fileName.isNotEmpty() && ! fileName.containsOnly (".")
        && (int) fileName.getNumBytesAsUTF8() <= maxFileNameBytes
        && isSameLibraryFile (target.getParentDirectory(), folder);
}

bool pathIsTaken (const juce::File& file)
{
    struct stat status {};
    return ::lstat (file.getFullPathName().toRawUTF8(), &status) == 0;
}

juce::File freeProjectFile (const juce::File& folder, const juce::String& fileName)
{
    auto candidate = folder.getChildFile (fileName);
    for (int number = 2; pathIsTaken (candidate) && number < 100000; ++number)
        candidate = folder.getChildFile (numberedProjectFileName (fileName, number));
    return candidate;
}

juce::File chooseLibraryTarget (const juce::File& folder, const juce::String& name,
                                const std::vector<ProjectLibraryEntry>& entries)
{
    const auto trimmed = name.trim();
    const auto fileName = projectFileNameFor (trimmed);
    if (fileName.isEmpty())
        return {};

    for (const auto& entry : entries)
        if (entry.name.equalsIgnoreCase (trimmed) && isWritableLibraryTarget (entry.file, folder))
            return entry.file;

    // Another project (or anything else) holding the legal file name is never overwritten by a
    // different name: "Night 1.5" and "Night 1.7" both map to "Night 1.json".
    return freeProjectFile (folder, fileName);
}

} // namespace VarneT
