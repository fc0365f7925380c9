#pragma once

#include "editor/EditorComponents.h"
#include "editor/EditorLayout.h"
#include "editor/ProjectJsonOverlay.h"
#include "editor/SectionMidiDragButton.h"
#include "editor/SectionMidiExportActions.h"
#include "editor/SequenceStrip.h"
#include "editor/TimelineCanvas.h"
#include "editor/VarneTTheme.h"
#include "editor/library/ProjectDirtyOverlay.h"
#include "editor/library/ProjectLibraryController.h"
#include "editor/library/ProjectLibraryOverlay.h"
#include "kit/EditorScaling.h"
#include "kit/HelpContent.h"
#include "kit/HelpDialog.h"
#include "kit/PopupMenuPlacement.h"
#include "kit/WelcomeDialog.h"
#include "plugin/PluginProcessor.h"

#include <juce_gui_extra/juce_gui_extra.h>

#include <array>
#include <functional>
#include <memory>
#include <vector>

/** The plug-in's editor: one screen of controls inside a content component that the UI scale
    transforms, so that all layout happens in logical pixels. */
class VarneTAudioProcessorEditor : public juce::AudioProcessorEditor,
                                   private juce::Timer,
                                   private juce::ChangeListener,
                                   private juce::ListBoxModel
{
public:
    using SequenceStrip = VarneTSequenceStrip;
    using TimelineCanvas = VarneTTimelineCanvas;
    using SectionMidiDragButton = ::SectionMidiDragButton;

    using ContentWrapper = VarneTEditorComponents::ContentWrapper;
    using ScaleResetCorner = VarneTEditorComponents::ScaleResetCorner;
    using DiscreteStepSlider = VarneTEditorComponents::DiscreteStepSlider;
    using AutoAdvanceButton = VarneTEditorComponents::AutoAdvanceButton;

    /** The kit's help dialog filled with this product's help. */
    class HelpOverlay : public tolmek::HelpDialog
    {
    public:
        using tolmek::HelpDialog::HelpDialog;
    };

    explicit VarneTAudioProcessorEditor (VarneTAudioProcessor&);
    ~VarneTAudioProcessorEditor() override;

    void paint (juce::Graphics&) override;
    void resized() override;
    bool keyPressed (const juce::KeyPress&) override;
    void mouseMove (const juce::MouseEvent&) override;
    void mouseEnter (const juce::MouseEvent&) override;
    void mouseExit (const juce::MouseEvent&) override;
    void focusOfChildComponentChanged (FocusChangeType) override;

    static tolmek::HelpContent buildHelpContent();

    void layoutContent (int width, int height);
    void updateCanvasSize();
    void updateHelpButton();

    void refreshFromProcessor();
    void setInspectorMode (int mode);
    void updateSelectedNoteControls();
    void applyEditedPattern (const VarneT::Pattern&);
    void showStatus (const juce::String&);
    void showError (const juce::String&);
    void applyDictionaryFilter();

    // The project library and the Section MIDI export (EditorLibraryAndExport.cpp).
    void updateProjectsButton (bool force);
    void updateWriteRevertButtons();
    juce::File exportActiveSectionMidi();

    /** Shows a folder in the file manager; empty means the system's own launcher. */
    std::function<void (const juce::File&)> onRevealFolder;

    /** The geometry the last layout used. */
    const VarneTEditorLayout& getLayout() const noexcept { return layout; }
    juce::Component& getContentWrapper() noexcept { return contentWrapper; }
    juce::Component* getScaleResetCorner() noexcept { return scaleResetCorner.get(); }
    tolmek::EditorScaling* getEditorScaling() noexcept { return editorScaling.get(); }
    double getUiScale() const noexcept;
    juce::Point<int> getLogicalSize() const noexcept;

private:
    friend class VarneTEditorTestAccess;
    friend class VarneTEditorActionsTestAccess;
    friend class VarneTHeaderActionsTestAccess;
    friend class VarneTLiveEditorTestAccess;
    friend class VarneTEditorInUseTestAccess;

    // Refresh, playback following, status line, keys and change tracking.
    void updatePitchSourceLabel (const VarneT::Project&, const juce::String& chordName);
    void beginSectionRename (int index);
    void commitSectionRename();
    void beginPatternRename (int index);
    void commitPatternRename();
    void commitRename (juce::TextEditor& field, const juce::String& kind, const std::function<juce::String* (VarneT::Project&)>& nameOf);
    void updateHelpDock (juce::Component* underMouse);
    /** The five modal overlays: help, welcome, JSON, library and the unsaved-project question. */
    std::array<juce::Component*, 5> overlays() const;
    bool isAnyOverlayVisible() const;
    bool moveFocusIntoOverlay (bool backwards);
    void setUpDictionary();
    void selectDictionaryRowFor (const VarneT::Pattern&);
    void paintDictionaryRow (const VarneT::Pattern&, juce::Graphics&, int width, int height, bool selected) const;

    void timerCallback() override;
    void updateUndoRedoButtons();
    void changeListenerCallback (juce::ChangeBroadcaster*) override;

    int getNumRows() override;
    void paintListBoxItem (int row, juce::Graphics&, int width, int height, bool selected) override;
    void selectedRowsChanged (int lastRowSelected) override;
    void deleteKeyPressed (int lastRowSelected) override;

    void buildHeader();
    void buildSequenceStrips();
    void buildPerformanceControls();
    void buildProjectOverlays();
    void buildLibraryOverlays();
    void wireSectionMidiButton();
    void showPitchSourceFromProject (const VarneT::Project&);
    void rebuildPitchChoices (bool scaleSource, int degreeCount);

    // Header actions.
    void commitInstanceName();
    void choosePitchSource (VarneT::PitchSource, juce::TextButton&);
    void applyProjectControlEdit (const std::function<void (VarneT::Project&)>& change);

    // The project JSON overlay's apply path: the empty text on success, else the message.
    juce::String applyProjectJson (const juce::String& text);
    juce::Result applyJsonFromOverlay (const juce::String& text);

    juce::File prepareSectionMidiFile();
    void midiDragStatus (const juce::String&);
    void showSectionMidiMenu();

    void showHelp();
    void forceHeartbeatAfterOpen();
    void welcomeTelemetryChoice (bool consent);
    void helpTelemetryToggled (bool consent);

    // The controls' handlers, one per event of the construction's wiring.
    void instanceNameFinished();
    void cancelInstanceNameEdit();
    void midiChordsPitchSourceClicked();
    void scalePitchSourceClicked();
    void scaleRootChanged();
    void scaleTypeChanged();
    void showProjectLibrary();
    void showProjectJson();
    void panicClicked();
    void writeProjectChanges();
    void revertProjectChanges();
    void toggleAutoAdvance();
    void setSectionRepeatCount (int index, int count);
    void selectSection (int index);
    void moveSection (int from, int to);
    void sectionTileDoubleClicked (int index);
    void showSectionTileMenu (int index);
    void addSection();
    void setPatternRepeatCount (int index, int count);
    void selectPattern (int index);
    void movePattern (int from, int to);
    void patternTileDoubleClicked (int index);
    void showPatternTileMenu (int index);
    void addPattern();
    void sectionRenameFinished();
    void cancelSectionRename();
    void patternRenameFinished();
    void cancelPatternRename();
    void undoClicked();
    void redoClicked();
    void showPatternOptionsMenu();
    void dictionaryFilterChanged();
    void canvasBeginEdit();
    void canvasEditCommitted();
    void canvasSelectionChanged();
    void canvasStatus (const juce::String&);
    void showPerformanceMode();
    void showPatternFeelMode();
    void showSelectedNoteMode();
    void duplicateNoteClicked();
    void deleteNoteClicked();
    void applyPerformanceControls();
    void applySelectedNotePitch();
    void applySelectedNoteRegister();
    void applySelectedNoteVelocity();
    void applySelectedNoteChance();
    void applySelectedNoteImportance();

    // Renaming a tile in place, and the context menus built apart from being shown.
    juce::PopupMenu buildPatternOptionsMenu() const;
    juce::PopupMenu buildSectionTileMenu (int index) const;
    juce::PopupMenu buildPatternTileMenu (int index) const;
    void handlePatternOptionsResult (int id);
    void handleSectionTileMenuResult (int index, int repeatCount, int id);
    void handlePatternTileMenuResult (int index, int id);
    void showThemedMenu (const juce::PopupMenu&, juce::Component& target, juce::Rectangle<int> screenArea, std::function<void (int)>);
    void applyToSelectedNote (const std::function<void (VarneT::NoteEvent&)>&);

    /** What a handler whose action is not built yet does: show the project as it is, so that no
        control claims a change that did not happen. */
    void showProjectUnchanged();

    VarneTAudioProcessor& processor;
    VarneTTheme::LookAndFeel theme;
    tolmek::PopupMenuPlacement::Host popupHost;
    SectionMidiExportActions sectionMidiExport { processor, *this,
                                                 { [this] (const juce::String& t) { showStatus (t); },
                                                   [this] (const juce::String& t) { showError (t); } } };
    bool isUpdatingControls = false;
    std::vector<int> dictionaryRows;
    std::unique_ptr<HelpOverlay> helpOverlay;
    std::unique_ptr<tolmek::WelcomeDialog> welcomeDialog;
    std::unique_ptr<ProjectJsonOverlay> jsonOverlay;
    std::unique_ptr<ProjectLibraryOverlay> libraryOverlay;
    std::unique_ptr<ProjectDirtyOverlay> dirtyOverlay;
    /** The library state and actions; goes before the overlays it speaks to. */
    std::unique_ptr<ProjectLibraryController> libraryController;
    juce::String statusText, helpLineText;
    int statusTicks = 0;
    bool statusIsError = false;
    int selectedPatternIndex = 0;
    int shownSectionIndex = -1, shownPatternIndex = -1;
    int followedSectionIndex = -1, followedPatternIndex = -1;
    int renamingSectionIndex = -1, renamingPatternIndex = -1, renamingPatternSectionIndex = -1;
    bool isCommittingRename = false;
    bool isReleasingFocusToHost = false;
    int inspectorMode = 1;
    juce::Rectangle<int> dictionaryCard, sequenceCard, timelineCard, inspectorCard, modeColumnCard;

    juce::TextButton writeButton { "Write" }, revertButton { "Revert" };

    int cachedPitchSource = 0;
    int cachedDegreeCount = 7;

    juce::Label makerLabel, productLabel, summaryLabel;
    juce::TextEditor instanceNameField;
    juce::TextButton midiChordsButton { "MIDI Chords" }, scaleSourceButton { "Scale" };
    juce::Label chordLabel;
    juce::ComboBox scaleRootBox, scaleTypeBox;
    SectionMidiDragButton sectionMidiDragButton { "Drag active Section MIDI" };
    juce::TextButton undoButton { "Undo" }, redoButton { "Redo" };
    juce::TextButton projectsButton { "Projects" }, jsonButton { "{}" }, panicButton { "Panic" }, helpButton { "?" };
    juce::Label sectionsCaption;
    AutoAdvanceButton autoAdvanceButton { "Auto-Advance" };
    SequenceStrip sectionStrip { "Section" };
    juce::Viewport sectionStripViewport;
    juce::TextEditor sectionRenameField;
    juce::Label patternsCaption;
    SequenceStrip patternStrip { "Pattern" };
    juce::Viewport patternStripViewport;
    juce::TextEditor patternRenameField;
    juce::Label dictionaryCaption;
    juce::ComboBox dictionaryFilterBox;
    juce::ListBox dictionaryList { "Performance dictionary" };
    juce::Label patternTitleLabel, patternInfoLabel;
    juce::TextButton patternOptionsButton { "Pattern Options" };
    juce::Viewport timelineViewport;
    TimelineCanvas timeline;
    juce::TextButton performanceModeButton { "Performance" }, patternFeelModeButton { "Pattern Feel" },
        selectedNoteModeButton { "Selected Note" };
    juce::DrawableButton duplicateNoteButton { "Duplicate Note", juce::DrawableButton::ImageOnButtonBackground };
    juce::DrawableButton deleteNoteButton { "Delete Note", juce::DrawableButton::ImageOnButtonBackground };
    std::array<juce::Label, 4> projectCaptions;
    juce::Slider densitySlider, swingSlider, humanizeSlider;
    DiscreteStepSlider octaveKnob;
    std::array<juce::Label, 4> feelCaptions;
    juce::ComboBox pitchBox;
    DiscreteStepSlider registerKnob;
    juce::Slider velocitySlider, chanceSlider, importanceSlider;
    std::array<juce::Label, 5> noteCaptions;
    juce::Label bottomLineLabel;

    juce::Rectangle<int> bottomBarCard;

    /** What the content wrapper asks of the editor: its cards and its layout. */
    struct WrapperOwner final : ContentWrapper::Owner
    {
        explicit WrapperOwner (VarneTAudioProcessorEditor& e) : editor (e) {}
        std::array<juce::Rectangle<int>, 5> panelCards() const override;
        juce::Rectangle<int> framedArea() const override { return editor.modeColumnCard; }
        void layoutContent() override;
        VarneTAudioProcessorEditor& editor;
    };

    WrapperOwner wrapperOwner { *this };
    ContentWrapper contentWrapper { &wrapperOwner };
    std::unique_ptr<ScaleResetCorner> scaleResetCorner;
    std::unique_ptr<tolmek::EditorScaling> editorScaling;

    VarneTEditorLayout layout;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VarneTAudioProcessorEditor)
};
