#pragma once

#include "editor/library/ProjectLibrary.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

#include <functional>

class VarneTAudioProcessor;
class ProjectLibraryOverlay;
class ProjectDirtyOverlay;

/** The editor's library actions and library state: saving the current project into the library,
    loading and deleting library projects, and the questions that guard unsaved changes. The
    editor owns one, connects it to its overlays and supplies the few editor operations it needs. */
class ProjectLibraryController
{
public:
    struct EditorHooks
    {
        std::function<void (const juce::String&)> showStatus;
        std::function<void (const juce::String&)> showError;
        /** After a library load: select the first Pattern, refresh the controls, repaint. */
        std::function<void()> projectLoaded;
        /** The modified state was checked: the Projects button and the Write and Revert buttons. */
        std::function<void (bool modified)> modifiedChecked;
        /** Shows a folder in the file manager. */
        std::function<void (const juce::File&)> revealFolder;
    };

    ProjectLibraryController (VarneTAudioProcessor&, ProjectLibraryOverlay*, ProjectDirtyOverlay*, EditorHooks);
    ~ProjectLibraryController();

    /** The Projects button's caption for a modified state. */
    static juce::String projectsButtonText (bool modified);

    // Library files.
    juce::String saveProjectToLibrary (const juce::String& name, const juce::String& description,
                                       const juce::File& target, bool overwrite);
    juce::String saveToLibraryAndReport (const juce::String& name, const juce::String& description,
                                         const juce::File& target, bool overwrite);
    bool loadProjectFromLibrary (const juce::File&);
    void loadPendingProjectDiscardingChanges (const juce::File&);
    /** The current project becomes the clean snapshot that every modified check compares with. */
    void markProjectClean();
    /** Whether the current project differs from the clean snapshot: the Projects marker, the
        library row's caption and the question before a load all ask this. */
    bool isProjectDirty() const;
    void updateProjectsButton (bool force);

    // Library actions.
    void showProjectLibrary();
    /** Reads a large library on a worker ahead of the first showProjectLibrary (when the editor
        opens), so that the overlay then opens at once. */
    void prepareLibraryListing();
    void saveLibraryProjectAs (const juce::String& name, const juce::String& description);
    void loadLibraryProject (const juce::File&);
    void deleteLibraryProject (const juce::File&);
    void openProjectFolder();

    // The unsaved-project overlay's choices.
    juce::String saveBeforeLoading (const juce::File& pending);
    juce::String saveAsBeforeLoading (const juce::String& name, const juce::String& description, const juce::File& pending);
    void discardAndLoad (const juce::File& pending);

    // Library state.
    const juce::File& getLibraryProjectFile() const noexcept { return libraryProjectFile; }
    const juce::String& getLibraryProjectSha256() const noexcept { return libraryProjectSha256; }
    const juce::String& getLibraryProjectName() const noexcept { return libraryProjectName; }
    const juce::String& getLibraryProjectDescription() const noexcept { return libraryProjectDescription; }
    bool isProjectModified() const noexcept { return projectModified; }

    /** Libraries with more unread files than this are read on a worker thread before the overlay
        opens, so the message thread stays responsive. */
    static constexpr size_t backgroundListingThreshold = 64;
    bool isListingInProgress() const noexcept { return listingInProgress; }

private:
    void rebuildOverlayList (const juce::File& selected);
    void clearLibraryState();
    void reportOverlayError (const juce::String&);
    void openLibraryOverlay (std::vector<ProjectLibraryEntry>);
    void readInBackground (std::shared_ptr<VarneT::LibraryListing>, bool openAfterwards);

    VarneTAudioProcessor& processor;
    ProjectLibraryOverlay* libraryOverlay;
    ProjectDirtyOverlay* dirtyOverlay;
    EditorHooks hooks;

    juce::File libraryProjectFile;
    juce::String libraryProjectSha256;
    juce::String libraryProjectName;
    juce::String libraryProjectDescription;
    bool projectModified = false;
    juce::uint32 lastModifiedCheckMs = 0;

    bool listingInProgress = false;
    bool openWhenListed = false;
    juce::ThreadPool listingPool { 1 };

    JUCE_DECLARE_WEAK_REFERENCEABLE (ProjectLibraryController)
    JUCE_DECLARE_NON_COPYABLE (ProjectLibraryController)
};
