#include "editor/PluginEditor.h"

#include "editor/EditorWidgets.h"
#include "model/BuiltInPerformances.h"
#include "model/Scales.h"

#include <cmath>

namespace
{
using Palette = VarneTTheme::Palette;

void setRole (juce::Component& c, const juce::Identifier& role) { c.getProperties().set (role, true); }

constexpr auto pointingHand = juce::MouseCursor::PointingHandCursor;
} // namespace

//==============================================================================
VarneTAudioProcessorEditor::VarneTAudioProcessorEditor (VarneTAudioProcessor& p)
    : juce::AudioProcessorEditor (p), processor (p)
{
    setLookAndFeel (&theme);
    // Menus open inside the host; between menus it must never take a click meant for a control.
    popupHost.setInterceptsMouseClicks (false, true);
    popupHost.setAlwaysOnTop (true);
    popupHost.setVisible (true);
    addChildComponent (popupHost);

    setOpaque (true);
    setWantsKeyboardFocus (true);

    buildHeader();

    helpOverlay = std::make_unique<HelpOverlay> (buildHelpContent());
    helpOverlay->setTelemetryEnabled (processor.getTelemetryClient().isEnabled());
    helpOverlay->onTelemetryToggled = [this] (bool consent) { helpTelemetryToggled (consent); };
    addChildComponent (*helpOverlay);

    tolmek::WelcomeDialog::Config welcome;
    welcome.introText = "Varne-T adapts authored performances. MIDI only. Place it before an instrument. Use ? for details.";
    welcome.termsUrl = tolmek::HelpDialog::termsUrl;
    welcomeDialog = std::make_unique<tolmek::WelcomeDialog> (processor.getTelemetryClient(), welcome);
    welcomeDialog->onFinished = [this] (bool consent) { welcomeTelemetryChoice (consent); };
    addChildComponent (*welcomeDialog);

    buildSequenceStrips();
    buildPerformanceControls();
    buildProjectOverlays();

    // A modal overlay keeps Tab among its own controls, so no key reaches a control behind it.
    for (auto* overlay : overlays())
        overlay->setFocusContainerType (juce::Component::FocusContainerType::keyboardFocusContainer);

    styleCaptionLabel (bottomLineLabel, {}, 14.0f, VarneTTheme::colour (Palette::captionText), juce::Justification::centredLeft);
    bottomLineLabel.setName ("Help dock");
    bottomLineLabel.setInterceptsMouseClicks (false, false);
    addAndMakeVisible (bottomLineLabel);

    addMouseListener (this, true);
    processor.addChangeListener (this);
    processor.getUpdateChecker().addChangeListener (this);
    updateHelpButton();

    addAndMakeVisible (contentWrapper);
    const auto children = getChildren(); // a copy: moving a child changes the editor's list
    for (auto* child : children)
        if (child != &contentWrapper)
        {
            const auto visible = child->isVisible();
            contentWrapper.addChildComponent (child);
            child->setVisible (visible);
        }

    setResizable (true, false); // the host may resize; the corner below is the editor's own
    editorScaling = std::make_unique<tolmek::EditorScaling> (*this, *getConstrainer(), "TOLMEK/VarneT",
                                                             tolmek::EditorScaling::Config { 1360, 820, 0.75, 2.0, 1.0, true, 1160, 700, 1900, 1200 });
    contentWrapper.addAndMakeVisible (*editorScaling);

    scaleResetCorner = std::make_unique<ScaleResetCorner> (this, getConstrainer(), [this]
    {
        if (editorScaling != nullptr)
            editorScaling->resetScale();
    });
    addAndMakeVisible (*scaleResetCorner);

    editorScaling->activate();

    refreshFromProcessor();
    updateUndoRedoButtons();
    startTimer (50);

    welcomeDialog->setBounds (0, 0, contentWrapper.getWidth(), contentWrapper.getHeight());
    if (welcomeDialog->showIfNeeded())
    {
        welcomeDialog->toFront (true);
        welcomeDialog->grabKeyboardFocus();
    }

    juce::Timer::callAfterDelay (250, [safeThis = juce::Component::SafePointer<VarneTAudioProcessorEditor> (this)]
    {
        if (safeThis != nullptr)
            safeThis->forceHeartbeatAfterOpen();
    });
}

VarneTAudioProcessorEditor::~VarneTAudioProcessorEditor()
{
    // A host closing the window is a focus loss too: a typed name is kept, not dropped.
    commitSectionRename();
    commitPatternRename();

    sectionMidiExport.dismissSaveDialog();
    stopTimer();
    removeMouseListener (this);
    processor.removeChangeListener (this);
    processor.getUpdateChecker().removeChangeListener (this);
    setLookAndFeel (nullptr);
}

//==============================================================================
void VarneTAudioProcessorEditor::buildHeader()
{
    styleCaptionLabel (makerLabel, "TOLMEK", 12.0f, VarneTTheme::colour (Palette::teal).withAlpha ((juce::uint8) 0xa6), juce::Justification::centredLeft);
    makerLabel.setFont (VarneTTheme::themeFont (12.0f, true));
    styleCaptionLabel (productLabel, "Varne-T", 20.0f, VarneTTheme::colour (Palette::text), juce::Justification::centredLeft);
    productLabel.setFont (VarneTTheme::themeFont (20.0f, true));
    styleCaptionLabel (summaryLabel, {}, 14.0f, VarneTTheme::colour (Palette::secondaryText), juce::Justification::centred);
    summaryLabel.setFont (VarneTTheme::themeFont (14.0f, true));
    summaryLabel.setName ("Instance and pitch source summary");
    summaryLabel.setTooltip ("Instance Name and the current Pitch Source.");
    styleCaptionLabel (chordLabel, "Waiting for MIDI", 16.0f, VarneTTheme::colour (Palette::secondaryText), juce::Justification::centredLeft);
    chordLabel.setFont (VarneTTheme::themeFont (16.0f, true));
    chordLabel.setTooltip ("The chord currently detected from incoming MIDI.");

    for (auto* label : { &makerLabel, &productLabel, &summaryLabel, &chordLabel })
        addAndMakeVisible (*label);

    instanceNameField.setMultiLine (false);
    instanceNameField.setJustification (juce::Justification::centredLeft);
    instanceNameField.setIndents (8, 0);
    instanceNameField.setFont (VarneTTheme::themeFont (20.0f, true));
    setRole (instanceNameField, VarneTTheme::Roles::instanceName);
    instanceNameField.setColour (juce::TextEditor::backgroundColourId, juce::Colours::transparentBlack);
    instanceNameField.setTextToShowWhenEmpty ("Name this instance", VarneTTheme::colour (Palette::captionText));
    instanceNameField.setName ("Instance Name");
    instanceNameField.setTooltip ("A friendly name that distinguishes this Varne-T instance in your project and MCP clients.");
    instanceNameField.onReturnKey = [this] { instanceNameFinished(); };
    instanceNameField.onFocusLost = [this] { instanceNameFinished(); };
    instanceNameField.onEscapeKey = [this] { cancelInstanceNameEdit(); };
    addAndMakeVisible (instanceNameField);

    auto sourceButton = [this] (juce::TextButton& button, int connectedEdges, const juce::String& tooltip, std::function<void()> handler)
    {
        setRole (button, VarneTTheme::Roles::sourceSelector);
        button.setClickingTogglesState (true);
        button.setRadioGroupId (1001);
        button.setConnectedEdges (connectedEdges);
        button.setMouseCursor (pointingHand);
        button.setTooltip (tooltip);
        button.onClick = std::move (handler);
        addAndMakeVisible (button);
    };
    sourceButton (midiChordsButton, juce::Button::ConnectedOnRight,
                  "Use held incoming MIDI chords as the pitch source. Varne-T waits for held notes unless audition is armed.",
                  [this] { midiChordsPitchSourceClicked(); });
    sourceButton (scaleSourceButton, juce::Button::ConnectedOnLeft,
                  "Generate from the project scale whenever the DAW transport is playing.",
                  [this] { scalePitchSourceClicked(); });

    for (int i = 0; i < 12; ++i)
        scaleRootBox.addItem (noteNames()[i], i + 1);
    int scaleId = 1;
    for (const auto& row : VarneT::scaleTable())
        scaleTypeBox.addItem (row.name, scaleId++);

    auto musicalBox = [this] (juce::ComboBox& box, const juce::String& name, const juce::String& tooltip, std::function<void()> handler)
    {
        box.setName (name);
        setRole (box, VarneTTheme::Roles::musicalSelector);
        box.setColour (juce::ComboBox::backgroundColourId, juce::Colours::transparentBlack);
        box.setMouseCursor (pointingHand);
        box.setTooltip (tooltip);
        box.onChange = std::move (handler);
        addAndMakeVisible (box);
    };
    musicalBox (scaleRootBox, "Scale root", "Root note used by autonomous Scale mode.", [this] { scaleRootChanged(); });
    musicalBox (scaleTypeBox, "Scale type", "Scale used by autonomous Scale mode.", [this] { scaleTypeChanged(); });

    projectsButton.setTooltip ("Save, load, and manage Varne-T projects.");
    jsonButton.setTooltip ("Edit the complete Varne-T project as JSON.");
    panicButton.setTooltip ("Release every generated note and sustain event.");
    helpButton.setName ("Varne-T Help");

    for (auto* button : { &projectsButton, &jsonButton, &helpButton })
        button->setMouseCursor (pointingHand);
    projectsButton.onClick = [this] { showProjectLibrary(); };
    jsonButton.onClick = [this] { showProjectJson(); };
    panicButton.onClick = [this] { panicClicked(); };
    helpButton.onClick = [this] { showHelp(); };

    for (auto* button : { &projectsButton, &jsonButton, &panicButton, &helpButton })
        addAndMakeVisible (*button);
}

void VarneTAudioProcessorEditor::buildSequenceStrips()
{
    auto stripCaption = [this] (juce::Label& label, const juce::String& text, const juce::String& tooltip)
    {
        styleCaptionLabel (label, text, 9.0f, VarneTTheme::colour (Palette::captionText).withAlpha ((juce::uint8) 0x99), juce::Justification::centredRight);
        label.setTooltip (tooltip);
        addAndMakeVisible (label);
    };
    stripCaption (sectionsCaption, "SECTIONS", "Click to activate, drag to reorder, or right-click a Section for actions.");
    stripCaption (patternsCaption, "PATTERNS", "Click to edit, drag to reorder, or right-click a Pattern for actions.");

    auto bufferButton = [this] (juce::TextButton& button, juce::uint32 textColour, const juce::String& tooltip)
    {
        setRole (button, VarneTTheme::Roles::bufferAction);
        button.setColour (juce::TextButton::textColourOffId, VarneTTheme::colour (textColour));
        button.setMouseCursor (pointingHand);
        button.setTooltip (tooltip);
        addAndMakeVisible (button);
    };
    bufferButton (writeButton, Palette::teal, "Keep the current project edits. Save to the library from Projects.");
    bufferButton (revertButton, Palette::orange, "Revert all project edits since the last Write or project load.");
    writeButton.onClick = [this] { writeProjectChanges(); };
    revertButton.onClick = [this] { revertProjectChanges(); };

    autoAdvanceButton.setClickingTogglesState (true);
    autoAdvanceButton.setToggleState (false, juce::dontSendNotification);
    autoAdvanceButton.setMouseCursor (pointingHand);
    autoAdvanceButton.setTitle ("Auto-Advance section playback");
    autoAdvanceButton.setTooltip ("Auto-Advance: Follow the DAW playhead through Sections; the last returns to the first");
    autoAdvanceButton.onClick = [this] { toggleAutoAdvance(); };
    addAndMakeVisible (autoAdvanceButton);

    for (auto* viewport : { &sectionStripViewport, &patternStripViewport })
    {
        viewport->setScrollBarsShown (false, true);
        viewport->setScrollBarThickness (6);
        viewport->setScrollOnDragMode (juce::Viewport::ScrollOnDragMode::never);
        addAndMakeVisible (*viewport);
    }
    sectionStripViewport.setViewedComponent (&sectionStrip, false);
    patternStripViewport.setViewedComponent (&patternStrip, false);

    sectionStrip.onRepeatCountChanged = [this] (int index, int count) { setSectionRepeatCount (index, count); };
    sectionStrip.onItemClicked = [this] (int index) { selectSection (index); };
    sectionStrip.onItemMoved = [this] (int from, int to) { moveSection (from, to); };
    sectionStrip.onItemDoubleClicked = [this] (int index) { sectionTileDoubleClicked (index); };
    sectionStrip.onItemRightClicked = [this] (int index) { showSectionTileMenu (index); };
    sectionStrip.onAddClicked = [this] { addSection(); };

    patternStrip.onRepeatCountChanged = [this] (int index, int count) { setPatternRepeatCount (index, count); };
    patternStrip.onItemClicked = [this] (int index) { selectPattern (index); };
    patternStrip.onItemMoved = [this] (int from, int to) { movePattern (from, to); };
    patternStrip.onItemDoubleClicked = [this] (int index) { patternTileDoubleClicked (index); };
    patternStrip.onItemRightClicked = [this] (int index) { showPatternTileMenu (index); };
    patternStrip.onAddClicked = [this] { addPattern(); };

    auto renameField = [this] (juce::TextEditor& field, SequenceStrip& strip, const juce::String& placeholder, const juce::String& tooltip,
                               std::function<void()> finished, std::function<void()> cancel)
    {
        field.setMultiLine (false);
        field.setTextToShowWhenEmpty (placeholder, VarneTTheme::colour (Palette::outline));
        field.setTooltip (tooltip);
        field.onReturnKey = finished;
        field.onFocusLost = finished;
        field.onEscapeKey = std::move (cancel);
        strip.addChildComponent (field);
    };
    renameField (sectionRenameField, sectionStrip, "Section name", "Rename this Section. Return commits; Escape cancels.",
                 [this] { sectionRenameFinished(); }, [this] { cancelSectionRename(); });
    renameField (patternRenameField, patternStrip, "Pattern name", "Rename this Pattern. Return commits; Escape cancels.",
                 [this] { patternRenameFinished(); }, [this] { cancelPatternRename(); });
}

void VarneTAudioProcessorEditor::buildPerformanceControls()
{
    if (auto icon = createIconDrawable (makeDragIcon (VarneTTheme::colour (Palette::focus))))
        sectionMidiDragButton.setImages (icon.get());
    sectionMidiDragButton.setEdgeIndent (2);
    sectionMidiDragButton.setMouseCursor (juce::MouseCursor::DraggingHandCursor);
    sectionMidiDragButton.setTooltip ("Drag active Section MIDI | Right-click: copy or save");
    wireSectionMidiButton();

    undoButton.setTooltip ("Undo the last performance edit (Cmd/Ctrl+Z).");
    redoButton.setTooltip ("Redo the last undone performance edit (Cmd/Ctrl+Shift+Z).");
    undoButton.onClick = [this] { undoClicked(); };
    redoButton.onClick = [this] { redoClicked(); };

    for (auto* c : std::initializer_list<juce::Component*> { &sectionMidiDragButton, &undoButton, &redoButton })
        addAndMakeVisible (*c);

    setRole (patternOptionsButton, VarneTTheme::Roles::quiet);
    patternOptionsButton.onClick = [this] { showPatternOptionsMenu(); };
    patternOptionsButton.setTooltip ("Set this Pattern to 1, 2, or 4 bars, split a long Pattern, choose its grid, or toggle full-Pattern sustain.");
    addAndMakeVisible (patternOptionsButton);

    styleCaptionLabel (dictionaryCaption, "PERFORMANCE DICTIONARY", 12.0f, VarneTTheme::colour (Palette::secondaryText), juce::Justification::centredLeft);
    addAndMakeVisible (dictionaryCaption);
    dictionaryFilterBox.addItem ("All performances", 1);
    dictionaryFilterBox.setSelectedId (1, juce::dontSendNotification);
    dictionaryFilterBox.onChange = [this] { dictionaryFilterChanged(); };
    addAndMakeVisible (dictionaryFilterBox);
    dictionaryList.setModel (this);
    addAndMakeVisible (dictionaryList);
    applyDictionaryFilter();

    styleCaptionLabel (patternTitleLabel, "PERFORM", 17.0f, VarneTTheme::colour (Palette::text), juce::Justification::centredLeft);
    patternTitleLabel.setFont (VarneTTheme::themeFont (17.0f, true));
    styleCaptionLabel (patternInfoLabel, {}, 12.0f, VarneTTheme::colour (Palette::captionText), juce::Justification::centredRight);
    addAndMakeVisible (patternTitleLabel);
    addAndMakeVisible (patternInfoLabel);

    timelineViewport.setScrollBarsShown (false, true);
    timelineViewport.setScrollOnDragMode (juce::Viewport::ScrollOnDragMode::never);
    timelineViewport.setViewedComponent (&timeline, false);
    timeline.onBeginEdit = [this] { canvasBeginEdit(); };
    timeline.onEditCommitted = [this] { canvasEditCommitted(); };
    timeline.onSelectionChanged = [this] { canvasSelectionChanged(); };
    timeline.onStatusMessage = [this] (const juce::String& message) { canvasStatus (message); };
    addAndMakeVisible (timelineViewport);

    for (auto* button : { &performanceModeButton, &patternFeelModeButton, &selectedNoteModeButton })
    {
        setRole (*button, VarneTTheme::Roles::quiet);
        setRole (*button, VarneTTheme::Roles::modeSelector);
        button->setMouseCursor (pointingHand);
        addAndMakeVisible (*button);
    }
    performanceModeButton.onClick = [this] { showPerformanceMode(); };
    patternFeelModeButton.onClick = [this] { showPatternFeelMode(); };
    selectedNoteModeButton.onClick = [this] { showSelectedNoteMode(); };
    selectedNoteModeButton.setEnabled (false);

    auto iconButton = [this] (juce::DrawableButton& button, const std::function<juce::String (juce::Colour)>& icon, juce::uint32 overColour,
                              const juce::String& tooltip, std::function<void()> handler)
    {
        auto normal = createIconDrawable (icon (VarneTTheme::colour (Palette::secondaryText)));
        auto over = createIconDrawable (icon (VarneTTheme::colour (overColour)));
        button.setImages (normal.get(), over.get());
        setRole (button, VarneTTheme::Roles::quiet);
        button.setMouseCursor (pointingHand);
        button.setWantsKeyboardFocus (true);
        button.setTooltip (tooltip);
        button.onClick = std::move (handler);
        addAndMakeVisible (button);
        button.setVisible (false);
    };
    iconButton (duplicateNoteButton, makeCopyIcon, Palette::accent, "Duplicate the selected note one grid step away (Cmd/Ctrl+D).",
                [this] { duplicateNoteClicked(); });
    iconButton (deleteNoteButton, makeDeleteIcon, Palette::orange, "Delete the selected note (Delete/Backspace). Undo restores it.",
                [this] { deleteNoteClicked(); });

    auto captions = [this] (auto& labels, const juce::StringArray& texts)
    {
        for (size_t i = 0; i < labels.size(); ++i)
        {
            styleCaptionLabel (labels[i], texts[(int) i], 13.0f, VarneTTheme::colour (Palette::captionText), juce::Justification::centredLeft);
            addAndMakeVisible (labels[i]);
        }
    };
    captions (projectCaptions, { "Instance Name", "Pitch Source", "Root", "Scale" });
    captions (feelCaptions, { "Density", "Swing", "Humanize", "Octave" });
    captions (noteCaptions, { "Pitch", "Register", "Velocity", "Chance", "Importance" });

    struct SliderSetup
    {
        juce::Slider& slider;
        const char* name;
        double min, max, interval;
        const char* visualKind;
        const char* tooltip;
    };

    for (const auto& s : { SliderSetup { densitySlider, "Density", 0.0, 1.0, 0.01, "density", "Density: Sparse to Full. Hover or drag for the exact percentage." },
                           SliderSetup { swingSlider, "Swing", 0.0, 1.0, 0.01, "swing", "Swing: Straight to Swung. Hover or drag for the exact percentage." },
                           SliderSetup { humanizeSlider, "Humanize", 0.0, 1.0, 0.01, "humanize", "Humanize: Tight to Loose. Hover or drag for the exact percentage." },
                           SliderSetup { velocitySlider, "Velocity", 1.0, 127.0, 1.0, "velocity", "Velocity from pp to ff; hover or drag to see the exact MIDI value." },
                           SliderSetup { chanceSlider, "Chance", 0.0, 1.0, 0.01, "chance", "Chance: Never to Always. Hover or drag for the exact percentage." },
                           SliderSetup { importanceSlider, "Importance", 0.0, 1.0, 0.01, "importance", "Importance: Decorative to Essential. Hover or drag for the exact percentage." } })
    {
        configurePerformanceSlider (s.slider, s.min, s.max, s.interval, s.visualKind);
        s.slider.setName (s.name);
        s.slider.setTooltip (s.tooltip);
        addAndMakeVisible (s.slider);
    }

    for (auto* slider : { &densitySlider, &swingSlider, &humanizeSlider, &chanceSlider, &importanceSlider })
        slider->textFromValueFunction = percentText;
    velocitySlider.textFromValueFunction = velocityText;

    for (auto* slider : { &densitySlider, &swingSlider, &humanizeSlider })
        slider->onValueChange = [this] { applyPerformanceControls(); };
    velocitySlider.onValueChange = [this] { applySelectedNoteVelocity(); };
    chanceSlider.onValueChange = [this] { applySelectedNoteChance(); };
    importanceSlider.onValueChange = [this] { applySelectedNoteImportance(); };

    configureDiscreteKnob (octaveKnob, -3.0, 3.0);
    octaveKnob.setName ("Octave");
    octaveKnob.setTooltip ("Shift the whole performance in octave steps. Drag horizontally or vertically, use the mouse wheel, or double-click to return to Original.");
    configureDiscreteKnob (registerKnob, -4.0, 4.0);
    registerKnob.setName ("Register");
    registerKnob.setTooltip ("Move the selected note between octave registers. Drag horizontally or vertically, use the mouse wheel, or double-click to return to Original.");
    octaveKnob.textFromValueFunction = octaveKnobText;
    registerKnob.textFromValueFunction = registerKnobText;
    octaveKnob.onValueChange = [this] { applyPerformanceControls(); };
    registerKnob.onValueChange = [this] { applySelectedNoteRegister(); };
    addAndMakeVisible (octaveKnob);
    addAndMakeVisible (registerKnob);

    pitchBox.setName ("Pitch");
    setRole (pitchBox, VarneTTheme::Roles::pitchSelector);
    pitchBox.setColour (juce::ComboBox::backgroundColourId, juce::Colours::transparentBlack);
    pitchBox.setMouseCursor (pointingHand);
    pitchBox.setTooltip ("Choose the selected note's chord position, scale degree, input position, or fixed MIDI note.");
    pitchBox.onChange = [this] { applySelectedNotePitch(); };
    addAndMakeVisible (pitchBox);

    setInspectorMode (1);
}

void VarneTAudioProcessorEditor::buildProjectOverlays()
{
    jsonOverlay = std::make_unique<ProjectJsonOverlay>();
    jsonOverlay->onApply = [this] (const juce::String& text) { return applyJsonFromOverlay (text); };
    addChildComponent (*jsonOverlay);
    buildLibraryOverlays();
}

//==============================================================================
double VarneTAudioProcessorEditor::getUiScale() const noexcept
{
    return editorScaling != nullptr ? editorScaling->getScale() : 1.0;
}

juce::Point<int> VarneTAudioProcessorEditor::getLogicalSize() const noexcept
{
    if (editorScaling != nullptr)
        return { editorScaling->getLogicalWidth(), editorScaling->getLogicalHeight() };
    return { getWidth(), getHeight() };
}

void VarneTAudioProcessorEditor::paint (juce::Graphics& g)
{
    g.fillAll (VarneTTheme::colour (Palette::panelBackground));
}

void VarneTAudioProcessorEditor::resized()
{
    if (editorScaling != nullptr)
        editorScaling->editorResized();

    const auto scale = getUiScale();
    const auto logical = getLogicalSize();

    contentWrapper.setTransform (juce::AffineTransform::scale ((float) scale));
    contentWrapper.setBounds (0, 0, logical.x, logical.y);

    if (scaleResetCorner != nullptr)
    {
        const auto size = VarneTEditorLayout::cornerSize;
        scaleResetCorner->setBounds (getWidth() - size, getHeight() - size, size, size);
        scaleResetCorner->toFront (false);
    }

    layoutContent (logical.x, logical.y);
}

void VarneTAudioProcessorEditor::layoutContent (int width, int height)
{
    VarneTEditorLayout::Inputs in;
    in.width = width;
    in.height = height;
    in.windowWidth = getWidth();
    in.scale = getUiScale();
    in.hasScalingButton = editorScaling != nullptr;
    layout = VarneTEditorLayout::compute (in);
    const auto& l = layout;

    for (auto* overlay : overlays())
        if (overlay != nullptr)
            overlay->setBounds (0, 0, width, height);

    if (welcomeDialog != nullptr && welcomeDialog->isVisible())
        welcomeDialog->toFront (false);

    makerLabel.setBounds (l.makerLabel);
    productLabel.setBounds (l.productLabel);
    summaryLabel.setBounds (l.summaryLabel);
    projectsButton.setBounds (l.projectsButton);
    jsonButton.setBounds (l.jsonButton);
    panicButton.setBounds (l.panicButton);
    helpButton.setBounds (l.helpButton);

    bottomBarCard = l.bottomBarCard;
    bottomLineLabel.setBounds (l.bottomLineLabel);
    if (editorScaling != nullptr)
    {
        editorScaling->setTextOnly (true);
        editorScaling->setBounds (l.scalingButton);
    }

    dictionaryCard = l.dictionaryCard;
    sequenceCard = l.sequenceCard;
    timelineCard = l.timelineCard;
    inspectorCard = l.inspectorCard;
    modeColumnCard = l.modeColumnCard;

    dictionaryCaption.setBounds (l.dictionaryCaption);
    dictionaryFilterBox.setBounds (l.dictionaryFilterBox);
    dictionaryList.setBounds (l.dictionaryList);

    sectionsCaption.setBounds (l.sectionsCaption);
    sectionStripViewport.setBounds (l.sectionStripViewport);
    autoAdvanceButton.setBounds (l.autoAdvanceButton);
    writeButton.setBounds (l.writeButton);
    patternsCaption.setBounds (l.patternsCaption);
    patternStripViewport.setBounds (l.patternStripViewport);
    revertButton.setBounds (l.revertButton);

    for (auto [strip, viewport] : { std::pair { &sectionStrip, &sectionStripViewport }, std::pair { &patternStrip, &patternStripViewport } })
    {
        const auto size = VarneTEditorLayout::stripSize (viewport->getWidth(), (int) strip->getItems().size());
        strip->setSize (size.x, size.y);
    }

    patternTitleLabel.setBounds (l.patternTitleLabel);
    patternInfoLabel.setBounds (l.patternInfoLabel);
    patternOptionsButton.setBounds (l.patternOptionsButton);
    sectionMidiDragButton.setBounds (l.sectionMidiDragButton);
    undoButton.setBounds (l.undoButton);
    redoButton.setBounds (l.redoButton);
    timelineViewport.setBounds (l.timelineViewport);

    performanceModeButton.setBounds (l.modeButtons[0]);
    patternFeelModeButton.setBounds (l.modeButtons[1]);
    selectedNoteModeButton.setBounds (l.modeButtons[2]);

    const std::array<juce::Component*, 4> feelControls { &densitySlider, &swingSlider, &humanizeSlider, &octaveKnob };
    for (size_t i = 0; i < feelControls.size(); ++i)
    {
        feelCaptions[i].setBounds (l.feelCaptions[i]);
        feelControls[i]->setBounds (l.feelControls[i]);
    }

    for (size_t i = 0; i < projectCaptions.size(); ++i)
        projectCaptions[i].setBounds (l.projectCaptions[i]);
    instanceNameField.setBounds (l.instanceNameField);
    midiChordsButton.setBounds (l.midiChordsButton);
    scaleSourceButton.setBounds (l.scaleSourceButton);
    scaleRootBox.setBounds (l.scaleRootBox);
    scaleTypeBox.setBounds (l.scaleTypeBox);
    chordLabel.setBounds (l.chordLabel);

    const std::array<juce::Component*, 5> noteControls { &pitchBox, &registerKnob, &velocitySlider, &chanceSlider, &importanceSlider };
    for (size_t i = 0; i < noteControls.size(); ++i)
    {
        noteCaptions[i].setBounds (l.noteCaptions[i]);
        noteControls[i]->setBounds (l.noteControls[i]);
    }
    duplicateNoteButton.setBounds (l.duplicateNoteButton);
    deleteNoteButton.setBounds (l.deleteNoteButton);

    updateCanvasSize();
    contentWrapper.repaint();
}

void VarneTAudioProcessorEditor::updateCanvasSize()
{
    const auto size = VarneTEditorLayout::timelineSize (timelineViewport.getWidth(), timelineViewport.getHeight(), timeline.pattern.lengthBeats);
    timeline.setSize (size.x, size.y);
}

//==============================================================================
std::array<juce::Rectangle<int>, 5> VarneTAudioProcessorEditor::WrapperOwner::panelCards() const
{
    return { editor.dictionaryCard, editor.sequenceCard, editor.timelineCard, editor.inspectorCard, editor.bottomBarCard };
}

void VarneTAudioProcessorEditor::WrapperOwner::layoutContent()
{
    editor.layoutContent (editor.contentWrapper.getWidth(), editor.contentWrapper.getHeight());
}

//==============================================================================
void VarneTAudioProcessorEditor::updateHelpButton()
{
    auto& checker = processor.getUpdateChecker();
    const auto available = checker.isUpdateAvailable();

    helpButton.setButtonText (available ? "!" : "?");
    helpButton.getProperties().set (VarneTTheme::Roles::updateAvailable, available);
    helpButton.setTooltip (available ? "Update available - show details"
                                     : "Open Varne-T Help: quick start, shortcuts, MCP setup, privacy and resources.");
    helpButton.repaint();

    if (helpOverlay != nullptr)
    {
        const auto downloadUrl = available ? checker.getDownloadUrl() : juce::String();
        helpOverlay->setUpdateInfo (downloadUrl.isNotEmpty() ? checker.getLatestVersion() : juce::String(), downloadUrl);
    }

    resized();
}

void VarneTAudioProcessorEditor::showHelp()
{
    if (helpOverlay == nullptr)
        return;

    auto* bridge = processor.getMcpBridge();
    helpOverlay->setMcpInstanceId (bridge != nullptr ? bridge->getInstanceId() : juce::String());
    helpOverlay->setTelemetryEnabled (processor.getTelemetryClient().isEnabled());
    helpOverlay->show();
}

void VarneTAudioProcessorEditor::forceHeartbeatAfterOpen()
{
    processor.getTelemetryClient().forceHeartbeat();
}

void VarneTAudioProcessorEditor::welcomeTelemetryChoice (bool consent)
{
    if (helpOverlay != nullptr)
        helpOverlay->setTelemetryEnabled (consent);
    if (consent)
        processor.getTelemetryClient().requestHeartbeat();
    toFront (false);
}

void VarneTAudioProcessorEditor::helpTelemetryToggled (bool consent)
{
    auto& telemetry = processor.getTelemetryClient();
    telemetry.setEnabled (consent);
    if (consent)
        telemetry.requestHeartbeat();
}
