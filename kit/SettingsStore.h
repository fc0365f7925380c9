#pragma once

#include "kit/JuceKit.h"

#include <functional>

namespace tolmek
{

/** True for a JSON object; unlike juce::var::isObject, false for arrays. */
inline bool isJsonObject (const juce::var& value) { return value.getDynamicObject() != nullptr; }

/** The user's application-data folder joined with the non-empty parts of a "/" or "\" separated path. */
juce::File resolveAppDataPath (const juce::String& relativePath);

/** The per-user "settings.json" shared by every instance and every process of a product.

    A small value: make one from the settings key whenever it is needed. Every locked operation
    holds a process-wide lock and then a named inter-process lock for the whole read-modify-write.
*/
class SettingsStore
{
public:
    explicit SettingsStore (juce::String settingsKey, juce::File baseFolder = {});

    juce::String settingsKey;
    juce::File baseFolder;

    juce::File getFile() const;

    /** "tolmek-settings-" and the hash of the settings file's full path. */
    juce::String getLockName() const;
    static juce::String lockNameForPath (const juce::String& fullPath);

    /** The root object; an empty object when the file is missing, unreadable or not an object. Takes no lock. */
    juce::var readAll() const;

    /** Replaces the file atomically with the given object. Takes no lock. */
    bool writeAll (const juce::var& root) const;

    juce::var readSection (const juce::String& section) const;
    double readNumber (const juce::String& section, const juce::String& key, double defaultValue) const;
    bool setValue (const juce::String& section, const juce::String& key, const juce::var& value) const;
    bool writeSection (const juce::String& section, const juce::var& object) const;

    /** One locked read-modify-write of the root object. The change may refuse by returning false,
        which leaves the file as it was. A file that exists but cannot be read is never replaced.
    */
    bool update (const std::function<bool (juce::var& root)>& change) const;

    /** How long a locked operation waits for another process before failing quietly. */
    static constexpr int lockTimeoutMs = 2000;

private:
    bool isEnabled() const noexcept { return settingsKey.isNotEmpty(); }
    bool withLocks (const std::function<void()>& body) const;
};

} // namespace tolmek
