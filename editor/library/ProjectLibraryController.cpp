#include "editor/library/ProjectLibraryController.h"

#include "editor/library/ProjectDirtyOverlay.h"
#include "editor/library/ProjectLibraryOverlay.h"
#include "model/ProjectJson.h"
#include "plugin/PluginProcessor.h"

#include <utility>

using namespace VarneT;

ProjectLibraryController::ProjectLibraryController (VarneTAudioProcessor& p, ProjectLibraryOverlay* library,
                                                    ProjectDirtyOverlay* dirty, EditorHooks editorHooks)
    : processor (p), libraryOverlay (library), dirtyOverlay (dirty), hooks (std::move (editorHooks))
{
    if (! hooks.revealFolder)
        hooks.revealFolder = [] (const juce::File& folder) { folder.revealToUser(); };

    if (libraryOverlay != nullptr)
    {
        libraryOverlay->onSave = [this] (const juce::String& n, const juce::String& d) { saveLibraryProjectAs (n, d); };
        libraryOverlay->onLoad = [this] (const juce::File& f) { loadLibraryProject (f); };
        libraryOverlay->onDelete = [this] (const juce::File& f) { deleteLibraryProject (f); };
        libraryOverlay->onOpenFolder = [this] { openProjectFolder(); };
    }

    // The snapshot lives with the processor, which outlives its editors: a reopened editor
    // still knows the project was edited. A new instance starts clean.
    if (processor.editorCleanProjectJson.isEmpty())
        markProjectClean();
    else
        updateProjectsButton (true);
    prepareLibraryListing();
}

ProjectLibraryController::~ProjectLibraryController()
{
    listingPool.removeAllJobs (true, 10000);
}

juce::String ProjectLibraryController::projectsButtonText (bool modified)
{
    return modified ? juce::String (juce::CharPointer_UTF8 ("Projects \xe2\x80\xa2")) : juce::String ("Projects");
}

//==============================================================================
juce::String ProjectLibraryController::saveProjectToLibrary (const juce::String& nameIn, const juce::String& descriptionIn,
                                                             const juce::File& target, bool overwrite)
{
    const auto name = nameIn.trim();
    const auto description = descriptionIn.trim();
    if (name.isEmpty())
        return "Project name required.";

    // Nothing is written anywhere but directly inside the library folder.
    const auto folder = projectLibraryFolder();
    if (! isWritableLibraryTarget (target, folder))
        return "Could not save project.";

    if (! folder.isDirectory() && ! folder.createDirectory().wasOk())
        return "Could not create project folder.";
    if (! folder.isDirectory())
        return "Could not create project folder.";

    const auto exists = target.existsAsFile();

    if (isSameLibraryFile (libraryProjectFile, target) && libraryProjectSha256.isNotEmpty())
    {
        if (! exists)
            return "Project was deleted outside Varne-T. Save with a new name.";
        if (fileSha256Hex (target) != libraryProjectSha256)
            return "Project changed outside Varne-T. Reload it before saving.";
    }

    if (exists && ! overwrite)
        return "Project already exists.";

    const auto project = processor.getProjectVar();
    if (const auto message = VarneTAudioProcessor::validateProjectVar (project); message.isNotEmpty())
        return "Current project is invalid: " + message;

    auto projectId = exists ? readProjectIdFromFile (target) : juce::String();
    if (projectId.isEmpty())
        projectId = juce::Uuid().toDashedString().toLowerCase();

    Project model;
    if (const auto message = projectFromVar (project, model); message.isNotEmpty())
        return message;
    if (! isValidProjectId (projectId))
        return "Project ID is missing or invalid";

    const auto text = projectFileText (projectId, name, description, juce::Time::getCurrentTime().toISO8601 (true), project);
    if (target.isDirectory() || ! writeFileAtomically (target, text))
        return "Could not save project.";

    libraryProjectFile = target;
    libraryProjectSha256 = fileSha256Hex (target);
    libraryProjectName = name;
    libraryProjectDescription = description;
    processor.markProjectClean();
    markProjectClean();

    if (hooks.showStatus)
        hooks.showStatus ((exists ? "Project overwritten: " : "Project saved: ") + name);

    if (libraryOverlay != nullptr)
    {
        libraryOverlay->setStatus ((exists ? "Overwritten: " : "Saved: ") + name, false);
        libraryOverlay->setEntries (buildLibraryEntries (listProjectFiles (folder)), target);
        libraryOverlay->setCurrentProject (target, false);
    }

    return {};
}

juce::String ProjectLibraryController::saveToLibraryAndReport (const juce::String& name, const juce::String& description,
                                                               const juce::File& target, bool overwrite)
{
    const auto result = saveProjectToLibrary (name, description, target, overwrite);
    if (result.isNotEmpty())
    {
        if (hooks.showError)
            hooks.showError (result);
        reportOverlayError (result);
    }
    return result;
}

bool ProjectLibraryController::loadProjectFromLibrary (const juce::File& file)
{
    ProjectFileInfo info;
    juce::String sha;
    if (const auto message = loadProjectFile (file, info, sha); message.isNotEmpty())
    {
        if (hooks.showError)
            hooks.showError (message);
        reportOverlayError (message);
        return false;
    }

    // A project that fails validation is never applied.
    auto message = VarneTAudioProcessor::validateProjectVar (info.project);
    if (message.isEmpty())
        message = processor.applyProjectVar (info.project, false);
    if (message.isNotEmpty())
    {
        if (hooks.showError)
            hooks.showError (message);
        return false;
    }

    processor.getUndoManager().clearUndoHistory();
    processor.syncSectionParameter();
    libraryProjectFile = file;
    libraryProjectSha256 = sha;
    libraryProjectName = info.name;
    libraryProjectDescription = info.description;
    processor.markProjectClean();
    if (hooks.projectLoaded)
        hooks.projectLoaded();
    markProjectClean();
    if (hooks.showStatus)
        hooks.showStatus ("Project loaded: " + info.name);
    return true;
}

void ProjectLibraryController::loadPendingProjectDiscardingChanges (const juce::File& file)
{
    if (loadProjectFromLibrary (file) && libraryOverlay != nullptr)
        libraryOverlay->close();
}

void ProjectLibraryController::markProjectClean()
{
    juce::String text;
    if (canonicaliseProjectJson (processor.getProjectVar(), text).isNotEmpty())
        text = {};
    processor.editorCleanProjectJson = text;

    projectModified = false;
    lastModifiedCheckMs = juce::jmax ((juce::uint32) 1, juce::Time::getMillisecondCounter());
    if (hooks.modifiedChecked)
        hooks.modifiedChecked (false);
    if (libraryOverlay != nullptr)
        libraryOverlay->setCurrentProject (libraryProjectFile, false);
}

bool ProjectLibraryController::isProjectDirty() const
{
    const auto& clean = processor.editorCleanProjectJson;
    juce::String text;
    if (clean.isEmpty() || canonicaliseProjectJson (processor.getProjectVar(), text).isNotEmpty())
        return true;
    return text != clean;
}

void ProjectLibraryController::updateProjectsButton (bool force)
{
    const auto now = juce::Time::getMillisecondCounter();
    if (! force && lastModifiedCheckMs != 0 && now - lastModifiedCheckMs < 500)
        return;

    projectModified = isProjectDirty();
    if (hooks.modifiedChecked)
        hooks.modifiedChecked (projectModified);
    lastModifiedCheckMs = juce::jmax ((juce::uint32) 1, now);
    if (libraryOverlay != nullptr)
        libraryOverlay->setCurrentProject (libraryProjectFile, projectModified);
}

//==============================================================================
void ProjectLibraryController::showProjectLibrary()
{
    if (libraryOverlay == nullptr)
        return;

    // A click during a background read opens the overlay as soon as the read is done.
    if (listingInProgress)
    {
        openWhenListed = true;
        return;
    }

    updateProjectsButton (true);
    auto listing = std::make_shared<LibraryListing> (beginLibraryListing (listProjectFiles (projectLibraryFolder())));
    if (listing->toRead.size() <= backgroundListingThreshold)
    {
        readLibraryListing (*listing, {});
        openLibraryOverlay (finishLibraryListing (std::move (*listing)));
        return;
    }

    readInBackground (std::move (listing), true);
}

void ProjectLibraryController::readInBackground (std::shared_ptr<VarneT::LibraryListing> listing, bool openAfterwards)
{
    // Reading every file of a large library takes seconds: a worker reads them, the message
    // thread remembers the results, and the overlay opens listing what a direct read would.
    listingInProgress = true;
    openWhenListed = openAfterwards;
    juce::WeakReference<ProjectLibraryController> self (this);
    listingPool.addJob ([listing, self]
    {
        const auto* job = juce::ThreadPoolJob::getCurrentThreadPoolJob();
        if (! readLibraryListing (*listing, [job] { return job != nullptr && job->shouldExit(); }))
            return;

        juce::MessageManager::callAsync ([listing, self]
        {
            auto* controller = self.get();
            if (controller == nullptr)
                return;

            controller->listingInProgress = false;
            finishLibraryListing (std::move (*listing));
            if (std::exchange (controller->openWhenListed, false))
                controller->showProjectLibrary(); // lists again: unchanged files come from memory
        });
    });
}

void ProjectLibraryController::prepareLibraryListing()
{
    if (libraryOverlay == nullptr || listingInProgress)
        return;

    auto listing = std::make_shared<LibraryListing> (beginLibraryListing (listProjectFiles (projectLibraryFolder())));
    if (listing->toRead.size() > backgroundListingThreshold)
        readInBackground (std::move (listing), false);
}

void ProjectLibraryController::openLibraryOverlay (std::vector<ProjectLibraryEntry> entries)
{
    libraryOverlay->setCurrentProject (libraryProjectFile, projectModified);
    libraryOverlay->open (std::move (entries), libraryProjectFile.existsAsFile() ? libraryProjectFile : juce::File());
}

void ProjectLibraryController::saveLibraryProjectAs (const juce::String& nameIn, const juce::String& description)
{
    const auto name = nameIn.trim();
    const auto fail = [this] (const juce::String& message)
    {
        if (hooks.showError)
            hooks.showError (message);
        reportOverlayError (message);
    };

    if (projectFileNameFor (name).isEmpty())
        return fail ("Project name required");

    const auto folder = projectLibraryFolder();
    if (! folder.isDirectory())
        folder.createDirectory();
    if (! folder.isDirectory())
        return fail ("Could not create project folder");

    const auto target = (libraryProjectFile.existsAsFile() && name.equalsIgnoreCase (libraryProjectName)
                         && isWritableLibraryTarget (libraryProjectFile, folder))
                          ? libraryProjectFile
                          : chooseLibraryTarget (folder, name, buildLibraryEntries (listProjectFiles (folder)));

    const auto exists = target.existsAsFile();
    if (exists && libraryOverlay != nullptr)
    {
        libraryOverlay->askConfirmation ("Overwrite existing project \"" + name + "\"?", "Overwrite",
                                         [this, name, description, target] { saveToLibraryAndReport (name, description, target, true); },
                                         false);
        return;
    }

    saveToLibraryAndReport (name, description, target, exists);
}

void ProjectLibraryController::loadLibraryProject (const juce::File& file)
{
    if (! isProjectDirty())
    {
        if (loadProjectFromLibrary (file) && libraryOverlay != nullptr)
            libraryOverlay->close();
        return;
    }

    if (dirtyOverlay == nullptr)
    {
        if (hooks.showError)
            hooks.showError ("Save or discard the current project first");
        return;
    }

    ProjectDirtyOverlay::Request request;
    request.canSaveInPlace = libraryProjectFile.getFullPathName().isNotEmpty() && libraryProjectFile.existsAsFile();

    auto base = libraryProjectName.trim();
    if (base.isEmpty() && request.canSaveInPlace)
        base = libraryProjectFile.getFileNameWithoutExtension();

    request.suggestedName = base.isEmpty() ? juce::String ("Untitled Project") : base + " Copy";
    request.suggestedDescription = libraryProjectDescription;
    request.message = base.isNotEmpty() ? "Save changes to \"" + base + "\" before loading another project?"
                                        : juce::String ("Save this modified project before loading another project?");
    request.onSave = [this, file] { return saveBeforeLoading (file); };
    request.onSaveAs = [this, file] (const juce::String& n, const juce::String& d) { return saveAsBeforeLoading (n, d, file); };
    request.onDiscard = [this, file] { discardAndLoad (file); };
    dirtyOverlay->open (std::move (request));
}

void ProjectLibraryController::deleteLibraryProject (const juce::File& file)
{
    const auto entry = readLibraryEntry (file);
    const auto folder = projectLibraryFolder();

    // Only a file the list showed: never a folder, a link's target or anything outside the library.
    const auto deletable = isWritableLibraryTarget (file, folder) && ! file.isDirectory() && ! file.isSymbolicLink();
    if (! deletable || ! file.deleteFile())
    {
        if (hooks.showError)
            hooks.showError ("Could not delete project");
        reportOverlayError ("Could not delete project");
        return;
    }

    if (isSameLibraryFile (libraryProjectFile, file))
    {
        clearLibraryState();
        markProjectClean();
    }

    if (hooks.showStatus)
        hooks.showStatus ("Project deleted: " + entry.name);

    if (libraryOverlay != nullptr)
    {
        libraryOverlay->setStatus ("Deleted: " + entry.name, false);
        libraryOverlay->setEntries (buildLibraryEntries (listProjectFiles (folder)), libraryOverlay->getSelectedFile());
        libraryOverlay->setCurrentProject (libraryProjectFile, projectModified);
    }
}

void ProjectLibraryController::openProjectFolder()
{
    const auto folder = projectLibraryFolder();
    if (! folder.isDirectory())
        folder.createDirectory();

    if (! folder.isDirectory())
    {
        reportOverlayError ("Could not open project folder.");
        return;
    }

    hooks.revealFolder (folder);
}

//==============================================================================
juce::String ProjectLibraryController::saveBeforeLoading (const juce::File& pending)
{
    if (libraryProjectFile.getFullPathName().isEmpty())
        return "No current project to save.";

    auto name = libraryProjectName.trim();
    if (name.isEmpty())
        name = libraryProjectFile.getFileNameWithoutExtension();

    const auto result = saveProjectToLibrary (name, libraryProjectDescription, libraryProjectFile, true);
    if (result.isEmpty())
        loadPendingProjectDiscardingChanges (pending);
    return result;
}

juce::String ProjectLibraryController::saveAsBeforeLoading (const juce::String& nameIn, const juce::String& description,
                                                            const juce::File& pending)
{
    const auto name = nameIn.trim();
    const auto fileName = projectFileNameFor (name);
    if (fileName.isEmpty())
        return "Project name required.";

    // The file of a library project of this name (so the save is refused), else the legal file
    // of the name, or a free numbered one when anything else holds it.
    const auto folder = projectLibraryFolder();
    const auto target = chooseLibraryTarget (folder, name, buildLibraryEntries (listProjectFiles (folder)));

    const auto result = saveProjectToLibrary (name, description, target, false);
    if (result.isEmpty())
        loadPendingProjectDiscardingChanges (pending);
    return result;
}

void ProjectLibraryController::discardAndLoad (const juce::File& pending)
{
    loadPendingProjectDiscardingChanges (pending);
}

//==============================================================================
void ProjectLibraryController::clearLibraryState()
{
    libraryProjectFile = juce::File();
    libraryProjectSha256.clear();
    libraryProjectName.clear();
    libraryProjectDescription.clear();
}

void ProjectLibraryController::reportOverlayError (const juce::String& message)
{
    if (libraryOverlay != nullptr)
        libraryOverlay->setStatus (message, true);
}
