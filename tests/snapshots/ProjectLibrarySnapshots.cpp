#include "SnapshotScenes.h"

#include "editor/VarneTTheme.h"
#include "editor/library/ProjectDirtyOverlay.h"
#include "editor/library/ProjectLibraryOverlay.h"

namespace
{
/** An editor-sized surface under the overlay, so that its translucent backdrop shows. */
struct Backdrop : juce::Component
{
    Backdrop() { setSize (1000, 700); setLookAndFeel (&theme); }
    ~Backdrop() override { setLookAndFeel (nullptr); }

    void paint (juce::Graphics& g) override
    {
        g.fillAll (VarneTTheme::colour (VarneTTheme::Palette::contentBackground));
        g.setColour (VarneTTheme::colour (VarneTTheme::Palette::cardBackground));
        for (int i = 0; i < 6; ++i)
            g.fillRoundedRectangle (juce::Rectangle<float> (24.0f + 160.0f * (float) i, 24.0f, 140.0f, 80.0f), 6.0f);
    }

    VarneTTheme::LookAndFeel theme;
};

std::vector<ProjectLibraryEntry> sampleEntries()
{
    const juce::File folder ("/home/user/.config/TOLMEK/VarneT/projects");
    return { { folder.getChildFile ("Bridge Sketch.json"), "Bridge Sketch", "" },
             { folder.getChildFile ("Night 1.json"), "Night 1.5", "Late set, slower voicings." },
             { folder.getChildFile ("Night 1 (2).json"), "Night 1.7", "" },
             { folder.getChildFile ("Take 2.json"), "take 2", "Second pass" },
             { folder.getChildFile ("Take 10.json"), "Take 10", "" },
             { folder.getChildFile ("Verse A.json"), "Verse: A", "Opening verse with the ostinato." } };
}
} // namespace

// The library with rows; the current project's row marked, selected, then modified.
VARNET_SNAPSHOTS (projectLibrary)
{
    Backdrop backdrop;
    ProjectLibraryOverlay overlay;
    backdrop.addChildComponent (overlay);
    const auto entries = sampleEntries();

    overlay.setCurrentProject (entries[1].file, false);
    overlay.open (entries, entries[1].file);
    overlay.setStatus ("Saved: Night 1.5", false);
    out.write ("project_library.png", backdrop);

    overlay.setCurrentProject (entries[1].file, true);
    overlay.getRowButton (3)->onClick();
    out.write ("project_library_modified.png", backdrop);

    // Overwrite question for a name typed in another letter case.
    overlay.askConfirmation ("Overwrite existing project \"NIGHT 1.5\"?", "Overwrite", [] {}, false);
    out.write ("project_library_confirm_overwrite.png", backdrop);

    overlay.getRowButton (5)->onClick();
    overlay.deleteButton.onClick();
    out.write ("project_library_confirm_delete.png", backdrop);

    overlay.open ({}, {});
    overlay.setStatus ("Choose a project first.", true);
    out.write ("project_library_empty.png", backdrop);
}

// The question before loading over unsaved changes, in both modes.
VARNET_SNAPSHOTS (unsavedProject)
{
    Backdrop backdrop;
    ProjectDirtyOverlay overlay;
    backdrop.addChildComponent (overlay);

    ProjectDirtyOverlay::Request request;
    request.canSaveInPlace = true;
    request.suggestedName = "Night 1.5 Copy";
    request.suggestedDescription = "Late set, slower voicings.";
    request.message = "Save changes to \"Night 1.5\" before loading another project?";
    request.onSaveAs = [] (auto&, auto&) { return juce::String ("Project already exists."); };
    overlay.open (std::move (request));
    out.write ("unsaved_project_choice.png", backdrop);

    ProjectDirtyOverlay::Request untitled;
    untitled.suggestedName = "Untitled Project";
    untitled.message = "Save this modified project before loading another project?";
    overlay.open (std::move (untitled));
    out.write ("unsaved_project_choice_untitled.png", backdrop);

    ProjectDirtyOverlay::Request named;
    named.canSaveInPlace = true;
    named.suggestedName = "Night 1.5 Copy";
    named.suggestedDescription = "Late set, slower voicings.";
    named.onSaveAs = [] (auto&, auto&) { return juce::String ("Project already exists."); };
    overlay.open (std::move (named));
    overlay.saveAsButton.onClick();
    overlay.saveAsAndLoadButton.onClick();
    out.write ("unsaved_project_name_entry.png", backdrop);
}
