#include "kit/SettingsStore.h"

namespace tolmek
{
namespace
{
juce::CriticalSection settingsProcessLock;

constexpr juce::int64 maxSettingsFileBytes = 8 * 1024 * 1024;

const char* const settingsFileName = "settings.json";
const char* const olderFileNames[] = { "telemetry.json", "update-check.json", "ui_scale.json" };

enum class ReadStatus
{
    missing,
    parsed,
    malformed,
    unreadable
};

struct ReadOutcome
{
    ReadStatus status = ReadStatus::missing;
    juce::var root;
};

juce::var makeEmptyObject() { return juce::var (new juce::DynamicObject()); }

ReadOutcome readRoot (const juce::File& file)
{
    // A link or folder in the file's place is left alone: reads see nothing, writes refuse.
    if (file.isSymbolicLink())
        return { ReadStatus::unreadable, {} };

    if (! file.exists())
        return { ReadStatus::missing, {} };

    if (file.isDirectory() || file.getSize() > maxSettingsFileBytes)
        return { ReadStatus::unreadable, {} };

    juce::FileInputStream in (file);

    if (! in.openedOk())
        return { ReadStatus::unreadable, {} };

    juce::MemoryBlock bytes;
    in.readIntoMemoryBlock (bytes, (ssize_t) maxSettingsFileBytes + 1);

    if (in.getStatus().failed() || (juce::int64) bytes.getSize() > maxSettingsFileBytes)
        return { ReadStatus::unreadable, {} };

    juce::var root;
    const auto text = juce::String::fromUTF8 (static_cast<const char*> (bytes.getData()), (int) bytes.getSize());

    if (juce::JSON::parse (text, root).failed() || ! isJsonObject (root))
        return { ReadStatus::malformed, {} };

    return { ReadStatus::parsed, root };
}

juce::String toLowerHex (juce::uint64 value)
{
    if (value == 0)
        return "0";

    static const char digits[] = "0123456789abcdef";
    char buffer[17] = {};
    int pos = 16;

    while (value != 0 && pos > 0)
    {
        buffer[--pos] = digits[value & 0xf];
        value >>= 4;
    }

    return juce::String (buffer + pos);
}
} // namespace

juce::File resolveAppDataPath (const juce::String& relativePath)
{
    auto folder = juce::File::getSpecialLocation (juce::File::userApplicationDataDirectory);

    for (const auto& part : juce::StringArray::fromTokens (relativePath, "/\\", {}))
        if (part.isNotEmpty())
            folder = folder.getChildFile (part);

    return folder;
}

SettingsStore::SettingsStore (juce::String key, juce::File base)
    : settingsKey (std::move (key)), baseFolder (std::move (base))
{
}

juce::File SettingsStore::getFile() const
{
    if (! isEnabled())
        return {};

    const auto folder = baseFolder == juce::File() ? resolveAppDataPath (settingsKey)
                                                   : baseFolder.getChildFile (settingsKey);
    return folder.getChildFile (settingsFileName);
}

juce::String SettingsStore::lockNameForPath (const juce::String& fullPath)
{
    juce::uint64 hash = 0;

    for (auto p = fullPath.getCharPointer(); ! p.isEmpty();)
        hash = hash * 101u + (juce::uint64) p.getAndAdvance();

    return "tolmek-settings-" + toLowerHex (hash);
}

juce::String SettingsStore::getLockName() const
{
    return lockNameForPath (getFile().getFullPathName());
}

juce::var SettingsStore::readAll() const
{
    if (! isEnabled())
        return {};

    auto outcome = readRoot (getFile());
    return outcome.status == ReadStatus::parsed ? outcome.root : makeEmptyObject();
}

bool SettingsStore::writeAll (const juce::var& root) const
{
    if (! isEnabled() || ! isJsonObject (root))
        return false;

    const auto file = getFile();
    const auto folder = file.getParentDirectory();

    if (file.isSymbolicLink() || file.isDirectory() || folder.createDirectory().failed())
        return false;

    root.getDynamicObject()->setProperty ("schema", 1);
    const auto text = juce::JSON::toString (root, true, 15);

    juce::TemporaryFile temporary (file);

    {
        juce::FileOutputStream out (temporary.getFile());

        if (! out.openedOk() || ! out.writeText (text, false, false, "\r\n"))
            return false;

        out.flush();

        if (out.getStatus().failed())
            return false;
    }

    if (! temporary.overwriteTargetFileWithTemporary())
        return false;

    for (auto* name : olderFileNames)
        folder.getChildFile (name).deleteFile();

    return true;
}

bool SettingsStore::withLocks (const std::function<void()>& body) const
{
    const juce::ScopedLock processLock (settingsProcessLock);
    juce::InterProcessLock fileLock (getLockName());

    // Bounded, so that a stuck process cannot freeze a host's UI.
    if (! fileLock.enter (lockTimeoutMs))
        return false;

    body();
    fileLock.exit();
    return true;
}

bool SettingsStore::update (const std::function<bool (juce::var& root)>& change) const
{
    if (! isEnabled())
        return false;

    bool written = false;

    withLocks ([&]
    {
        auto outcome = readRoot (getFile());

        // Only a file that was read and found malformed may be replaced by a fresh one.
        if (outcome.status == ReadStatus::unreadable)
            return;

        auto root = outcome.status == ReadStatus::parsed ? outcome.root : makeEmptyObject();

        if (change (root))
            written = writeAll (root);
    });

    return written;
}

juce::var SettingsStore::readSection (const juce::String& section) const
{
    if (! isEnabled())
        return {};

    juce::var result;

    withLocks ([&]
    {
        auto outcome = readRoot (getFile());

        if (outcome.status == ReadStatus::parsed)
        {
            auto value = outcome.root.getProperty (section, {});

            if (isJsonObject (value))
                result = value;
        }
    });

    return result;
}

double SettingsStore::readNumber (const juce::String& section, const juce::String& key, double defaultValue) const
{
    const auto object = readSection (section);

    if (! isJsonObject (object))
        return defaultValue;

    const auto value = object.getProperty (key, {});

    if (value.isDouble() || value.isInt() || value.isInt64())
        return static_cast<double> (value);

    return defaultValue;
}

bool SettingsStore::setValue (const juce::String& section, const juce::String& key, const juce::var& value) const
{
    return update ([&] (juce::var& root)
    {
        auto object = root.getProperty (section, {});

        if (! isJsonObject (object))
        {
            object = makeEmptyObject();
            root.getDynamicObject()->setProperty (section, object);
        }

        object.getDynamicObject()->setProperty (key, value);
        return true;
    });
}

bool SettingsStore::writeSection (const juce::String& section, const juce::var& object) const
{
    if (! isJsonObject (object))
        return false;

    return update ([&] (juce::var& root)
    {
        root.getDynamicObject()->setProperty (section, object);
        return true;
    });
}

} // namespace tolmek
