#pragma once

// The note editor: one lane per voice over the Pattern's length, on a private copy of the Pattern.
// The editor exposes it as its nested `VarneTAudioProcessorEditor::TimelineCanvas`
// (`using TimelineCanvas = VarneTTimelineCanvas;`); it knows nothing of the editor or the processor
// and reports through its four callbacks, after which the owner commits `pattern`.

#include "editor/VarneTTheme.h"
#include "model/Project.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

class VarneTTimelineCanvas : public juce::Component, public juce::TooltipClient
{
public:
    // Geometry, in canvas pixels.
    static constexpr float plotLeft = 52.0f;     // lane labels to the left
    static constexpr float plotTop = 6.0f;
    static constexpr float rightMargin = 6.0f;
    static constexpr float bottomStrip = 24.0f;  // bar numbers under the plot
    static constexpr float minNoteWidth = 5.0f;
    static constexpr float minNoteHeight = 14.0f;
    static constexpr double minDurationBeats = 0.125;
    static constexpr double drawnDurationBeats = 0.5;
    static constexpr int drawThresholdPixels = 3;

    /** The plot area and its lanes for a canvas of the given size and voice count. */
    struct Layout
    {
        float plotWidth = 0.0f, plotHeight = 0.0f, plotRight = plotLeft, plotBottom = plotTop;
        int rows = 1;
        float rowHeight = 0.0f;

        bool plotContains (juce::Point<float> p) const noexcept
        {
            return p.x >= plotLeft && p.y >= plotTop && p.x < plotRight && p.y < plotBottom;
        }
    };
    static Layout layoutFor (int width, int height, int voiceCount) noexcept;

    static inline const juce::String eventLimitMessage { "This Pattern has reached its event limit" };

    VarneTTimelineCanvas();
    ~VarneTTimelineCanvas() override;

    std::function<void()> onBeginEdit;
    std::function<void()> onEditCommitted;
    std::function<void()> onSelectionChanged;
    std::function<void (const juce::String&)> onStatusMessage;

    VarneT::Pattern pattern;
    int pitchSource = 0;
    int scaleDegreeCount = 7;
    int selectedIndex = -1;
    int hoverIndex = -1;
    bool hasPattern = false;
    bool mouseOver = false;
    bool gestureChanged = false;
    bool editBegun = false;
    bool drawStarted = false;
    int dragMode = 0;              // 0 none, 1 move, 2 resize, 3 draw
    double dragOffsetBeats = 0.0;
    double drawAnchorBeat = 0.0;
    int drawVoiceId = 0;
    juce::Point<float> mousePosition;
    double playheadBeat = -1.0;

    void setPattern (const VarneT::Pattern&);
    void setPitchDisplay (int newPitchSource, int newScaleDegreeCount);
    void resetInteraction();
    /** Moves the playhead, repainting only the pixels it leaves and enters. */
    void setPlayheadBeat (double beat);
    void duplicateSelectedNote();
    void deleteSelectedNote();

    Layout layout() const noexcept { return layoutFor (getWidth(), getHeight(), static_cast<int> (pattern.voices.size())); }
    double beatAtX (float x) const noexcept;
    double gridStepBeats() const noexcept;
    double snapBeat (double beat) const noexcept;
    double snapNoteStart (double beat) const noexcept;
    int voiceAtY (float y) const noexcept;
    int noteAt (juce::Point<float> point) const noexcept;
    juce::Rectangle<float> noteBounds (int index) const noexcept;
    juce::Rectangle<float> noteBoundsFor (const VarneT::NoteEvent&) const noexcept;
    bool isOnResizeEdge (int index, juce::Point<float> point) const noexcept;
    juce::String makeUniqueNoteId() const;
    /** The pixels the playhead covers at a beat; empty when it is hidden. */
    juce::Rectangle<int> playheadArea (double beat) const noexcept;

    /** The right-click menu of a note; the result goes to handleNoteMenuResult. */
    static juce::PopupMenu buildNoteMenu();
    void handleNoteMenuResult (int result);

    juce::String getTooltip() override;
    void paint (juce::Graphics&) override;
    void mouseDown (const juce::MouseEvent&) override;
    void mouseDrag (const juce::MouseEvent&) override;
    void mouseUp (const juce::MouseEvent&) override;
    void mouseMove (const juce::MouseEvent&) override;
    void mouseExit (const juce::MouseEvent&) override;
    bool keyPressed (const juce::KeyPress&) override;
    void focusGained (FocusChangeType) override { repaint(); }   // the focus ring follows the focus
    void focusLost (FocusChangeType) override { repaint(); }

private:
    bool isNote (int index) const noexcept { return index >= 0 && index < static_cast<int> (pattern.notes.size()); }
    bool eventLimitReached() const noexcept;
    void refuseForEventLimit();
    void beginEditOnce();
    void endGesture() noexcept;
    void updateMouseCursor();
    void showNoteMenu (int index);
    int laneOfVoice (int voiceId) const noexcept;

    void paintLanes (juce::Graphics&, const Layout&) const;
    void paintGrid (juce::Graphics&, const Layout&) const;
    void paintBarNumbers (juce::Graphics&, const Layout&) const;
    void paintGhostNote (juce::Graphics&, const Layout&) const;
    void paintNote (juce::Graphics&, int index) const;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VarneTTimelineCanvas)
};
