#pragma once

#include "editor/library/ProjectDirtyOverlay.h"
#include "editor/library/ProjectLibrary.h"
#include "editor/library/ProjectLibraryController.h"
#include "editor/library/ProjectLibraryOverlay.h"
#include "model/DefaultProject.h"
#include "model/ProjectJson.h"
#include "plugin/PluginProcessor.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <vector>

namespace library_test
{
/** A fresh HOME for one test, so that the library folder is the test's own. */
class TempHome
{
public:
    TempHome()
    {
        const char* old = std::getenv ("HOME");
        previous = old != nullptr ? old : "";
        folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                     .getChildFile ("varnet-library-" + juce::Uuid().toString());
        folder.createDirectory();
        setenv ("HOME", folder.getFullPathName().toRawUTF8(), 1);
        unsetenv ("XDG_CONFIG_HOME");
    }

    ~TempHome()
    {
        setenv ("HOME", previous.c_str(), 1);
        folder.deleteRecursively (false);
    }

    juce::File folder;

private:
    std::string previous;
};

inline juce::File libraryFolder() { return VarneT::projectLibraryFolder(); }

/** Writes raw bytes with the standard library, never through the code under test. */
inline juce::File writeFixture (const juce::File& file, const std::string& bytes)
{
    file.getParentDirectory().createDirectory();
    std::ofstream out (file.getFullPathName().toStdString(), std::ios::binary | std::ios::trunc);
    out.write (bytes.data(), (std::streamsize) bytes.size());
    return file;
}

inline std::string defaultProjectJson()
{
    return juce::JSON::toString (VarneT::projectToVar (VarneT::makeDefaultProject()), true).toStdString();
}

inline std::string jsonString (const std::string& s)
{
    return juce::JSON::toString (juce::var (juce::String::fromUTF8 (s.c_str()))).toStdString();
}

/** An envelope written field by field; a field given as nullptr is left out. */
struct Envelope
{
    const char* format = "\"tolmek-plugin-project\"";
    const char* version = "2";
    const char* plugin = "\"Varne-T\"";
    const char* projectId = "\"0f8e2a4c-1b3d-4e5f-8a9b-0c1d2e3f4a5b\"";
    std::string name = "\"Night\"";
    const char* description = "\"Late set\"";
    const char* savedAt = "\"2026-12-11T05:00:00.000+00:00\"";
    std::string project = defaultProjectJson();
    bool withProject = true;

    std::string text() const
    {
        std::string s = "{";
        auto add = [&s] (const char* key, const char* value)
        {
            if (value == nullptr)
                return;
            if (s.size() > 1)
                s += ",";
            s += std::string ("\"") + key + "\":" + value;
        };
        add ("format", format);
        add ("version", version);
        add ("plugin", plugin);
        add ("projectId", projectId);
        add ("name", name.c_str());
        add ("description", description);
        add ("savedAt", savedAt);
        if (withProject)
            add ("project", project.c_str());
        return s + "}";
    }
};

inline juce::File writeProjectFixture (const juce::String& fileName, const std::string& projectName,
                                       const char* description = "\"\"")
{
    Envelope e;
    e.name = jsonString (projectName);
    e.description = description;
    return writeFixture (libraryFolder().getChildFile (fileName), e.text());
}

/** Every file below a folder, relative paths, sorted: what a test shows of the disk. */
inline std::vector<std::string> listing (const juce::File& root)
{
    std::vector<std::string> names;
    for (const auto& entry : juce::RangedDirectoryIterator (root, true, "*", juce::File::findFilesAndDirectories))
        names.push_back (entry.getFile().getRelativePathFrom (root).toStdString());
    std::sort (names.begin(), names.end());
    return names;
}

/** The files of a temporary home that the library could have written: everything but the bridge's
    presence folder and the desktop's caches, which other parts of the plug-in own. */
inline std::vector<std::string> homeListing (const juce::File& home)
{
    std::vector<std::string> names;
    for (auto& n : listing (home))
        if (n.rfind (".cache", 0) != 0 && n.rfind (".config/TOLMEK/MCP", 0) != 0 && n != "read.py")
            names.push_back (n);
    return names;
}

inline std::vector<std::string> entryNames (const std::vector<ProjectLibraryEntry>& entries)
{
    std::vector<std::string> names;
    for (const auto& e : entries)
        names.push_back (e.name.toStdString());
    return names;
}

inline std::vector<std::string> fileNames (const std::vector<juce::File>& files)
{
    std::vector<std::string> names;
    for (const auto& f : files)
        names.push_back (f.getFileName().toStdString());
    return names;
}

/** Output of a shell command run by /bin/sh (independent tools: sha256sum, python3). */
inline std::string run (const juce::String& command)
{
    juce::ChildProcess process;
    if (! process.start (juce::StringArray { "/bin/sh", "-c", command }))
        return {};
    auto out = process.readAllProcessOutput().toStdString();
    process.waitForProcessToFinish (60000);
    return out;
}

inline juce::String shellQuote (const juce::File& f)
{
    return "'" + f.getFullPathName().replace ("'", "'\\''") + "'";
}

/** Pumps the message loop until the condition holds; fails loudly after a generous bound. */
template <typename Condition>
bool pumpUntil (Condition condition, int timeoutMs = 20000)
{
    const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;
    while (! condition())
    {
        if (juce::Time::getMillisecondCounter() > end)
            return false;
        juce::MessageManager::getInstance()->runDispatchLoopUntil (5);
    }
    return true;
}

/** A processor, the two overlays in a parent, and the controller wiring them, as the editor does. */
struct LibraryRig
{
    explicit LibraryRig (VarneTAudioProcessor& p) : processor (p)
    {
        parent.setSize (1000, 700);
        parent.addChildComponent (libraryOverlay);
        parent.addChildComponent (dirtyOverlay);

        ProjectLibraryController::EditorHooks hooks;
        hooks.showStatus = [this] (const juce::String& s) { statuses.add (s); };
        hooks.showError = [this] (const juce::String& s) { errors.add (s); };
        hooks.projectLoaded = [this] { ++loads; };
        hooks.modifiedChecked = [this] (bool m) { buttonText = ProjectLibraryController::projectsButtonText (m); };
        hooks.revealFolder = [this] (const juce::File& f) { revealed.add (f.getFullPathName()); };
        controller = std::make_unique<ProjectLibraryController> (processor, &libraryOverlay, &dirtyOverlay, hooks);
    }

    VarneTAudioProcessor& processor;
    juce::Component parent;
    ProjectLibraryOverlay libraryOverlay;
    ProjectDirtyOverlay dirtyOverlay;
    std::unique_ptr<ProjectLibraryController> controller;
    juce::StringArray statuses, errors, revealed;
    juce::String buttonText;
    int loads = 0;
};

/** Changes the processor's project the way an editor edit does. */
inline void editProject (VarneTAudioProcessor& processor, const juce::String& sectionName)
{
    auto project = processor.getProjectCopy();
    project.sections[0].name = sectionName;
    ASSERT_TRUE (processor.applyProjectEdit (project, true).isEmpty());
}

inline std::string fileBytes (const juce::File& f)
{
    juce::MemoryBlock block;
    f.loadFileAsData (block);
    return block.toString().toStdString();
}
} // namespace library_test
