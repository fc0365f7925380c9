// Writes every registered review image: varnet_snapshots <folder> [scene-name ...]

#include "SnapshotScenes.h"

#include "support/gui/GuiTestBench.h"
#include "support/gui/XDisplay.h"

#include <cstdio>

namespace snapshots
{
std::vector<Scene>& registeredScenes()
{
    static std::vector<Scene> scenes;
    return scenes;
}

void Output::write (const juce::String& fileName, const juce::Image& image)
{
    const auto file = folder.getChildFile (fileName);
    if (testing_support::gui::writePng (image, file))
        writtenFiles.add (file.getFullPathName());
    else
        failedFiles.add (file.getFullPathName());
}

void Output::write (const juce::String& fileName, juce::Component& component, float scale)
{
    write (fileName, testing_support::gui::snapshotOf (component, scale));
}
} // namespace snapshots

int main (int argc, char** argv)
{
    if (argc < 2)
    {
        std::fprintf (stderr, "usage: %s <output folder> [scene ...]\n", argv[0]);
        return 2;
    }

    if (! testing_support::gui::XDisplay::open())
    {
        std::fprintf (stderr, "Snapshots need an X display (run through the snapshots target).\n");
        return 2;
    }

    juce::ScopedJuceInitialiser_GUI juce;
    if (juce::Font::findAllTypefaceNames().contains ("DejaVu Sans"))
        juce::LookAndFeel::getDefaultLookAndFeel().setDefaultSansSerifTypefaceName ("DejaVu Sans");

    juce::StringArray wanted;
    for (int i = 2; i < argc; ++i)
        wanted.add (argv[i]);

    snapshots::Output out (juce::File::getCurrentWorkingDirectory().getChildFile (argv[1]));

    for (const auto& scene : snapshots::registeredScenes())
        if (wanted.isEmpty() || wanted.contains (scene.name))
            scene.render (out);

    for (const auto& f : out.written())
        std::printf ("wrote %s\n", f.toRawUTF8());
    for (const auto& f : out.failed())
        std::fprintf (stderr, "FAILED %s\n", f.toRawUTF8());

    return out.failed().isEmpty() && ! out.written().isEmpty() ? 0 : 1;
}
