#pragma once

// Review images: each scene is a function in a .cpp file of this folder, registered with
// VARNET_SNAPSHOTS, that writes one or more PNGs through the given output.

#include <juce_gui_basics/juce_gui_basics.h>

#include <vector>

namespace snapshots
{
class Output
{
public:
    explicit Output (juce::File outputFolder) : folder (std::move (outputFolder)) {}

    /** Writes the image as a PNG named fileName in the snapshot folder. */
    void write (const juce::String& fileName, const juce::Image& image);

    /** Renders a component through its look-and-feel and writes it. */
    void write (const juce::String& fileName, juce::Component& component, float scale = 1.0f);

    const juce::StringArray& written() const noexcept { return writtenFiles; }
    const juce::StringArray& failed() const noexcept { return failedFiles; }

private:
    juce::File folder;
    juce::StringArray writtenFiles, failedFiles;
};

using SceneFunction = void (*) (Output&);

struct Scene
{
    const char* name;
    SceneFunction render;
};

std::vector<Scene>& registeredScenes();

struct Registration
{
    Registration (const char* name, SceneFunction render) { registeredScenes().push_back ({ name, render }); }
};
} // namespace snapshots

#define VARNET_SNAPSHOTS(sceneName)                                                                  \
    static void sceneName (snapshots::Output&);                                                      \
    static const snapshots::Registration sceneName##Registration (#sceneName, sceneName);            \
    static void sceneName (snapshots::Output& out)
