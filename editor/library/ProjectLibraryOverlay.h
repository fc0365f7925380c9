#pragma once

#include "editor/library/ProjectLibrary.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <vector>

/** "Project Library": save the current project under a name, load or delete a saved one, open
    the folder. Knows only the entries it is given; speaks through its four callbacks. */
class ProjectLibraryOverlay : public juce::Component
{
public:
    ProjectLibraryOverlay();
    ~ProjectLibraryOverlay() override;

    std::function<void (const juce::String& name, const juce::String& description)> onSave;
    std::function<void (const juce::File&)> onLoad;
    std::function<void (const juce::File&)> onDelete;
    std::function<void()> onOpenFolder;

    void open (std::vector<ProjectLibraryEntry> newEntries, const juce::File& file);
    void setCurrentProject (const juce::File& file, bool modified);
    void setEntries (std::vector<ProjectLibraryEntry> newEntries, const juce::File& file);
    void setStatus (const juce::String& text, bool isError);
    void show();
    void close();
    void askConfirmation (const juce::String& message, const juce::String& confirmText,
                          std::function<void()> action, bool isDanger);

    void paint (juce::Graphics&) override;
    void resized() override;
    bool keyPressed (const juce::KeyPress&) override;

    // Read by the owner and by tests.
    const std::vector<ProjectLibraryEntry>& getEntries() const noexcept { return entries; }
    int getSelectedIndex() const noexcept { return selectedIndex; }
    juce::File getSelectedFile() const;
    bool isConfirming() const noexcept { return confirming; }
    juce::Rectangle<int> panelBounds() const;
    juce::TextButton* getRowButton (int index) const { return rowButtons[index]; }
    int getNumRows() const noexcept { return rowButtons.size(); }

    juce::Label nameLabel;
    juce::TextEditor nameEditor;
    juce::Label descriptionLabel;
    juce::TextEditor descriptionEditor;
    juce::TextButton saveButton;
    juce::Viewport listViewport;
    juce::Component listContent;
    juce::OwnedArray<juce::TextButton> rowButtons;
    juce::HyperlinkButton openFolderLink;
    juce::Label emptyLabel;
    juce::TextButton loadButton;
    juce::TextButton deleteButton;
    juce::Label confirmLabel;
    juce::TextButton confirmButton;
    juce::TextButton cancelButton;
    juce::Label statusLabel;
    juce::TextButton closeButton;

private:
    void updateRowCaptions();
    void updateRowColours();
    void layoutRows();
    void showSelectedEntry();
    void updateControlStates();
    bool isCurrentRow (int index) const;

    void rowClicked (int index);
    void saveRequested();
    void loadClicked();
    void deleteClicked();
    void confirmPendingAction();
    void cancelConfirmation();
    void closeClicked();

    std::vector<ProjectLibraryEntry> entries;
    int selectedIndex = -1;
    juce::File currentProjectFile;
    bool currentProjectModified = false;
    bool confirming = false;
    std::function<void()> pendingAction;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ProjectLibraryOverlay)
};
