#include "editor/TimelineCanvas.h"

#include "editor/EditorWidgets.h"
#include "kit/PopupMenuPlacement.h"

#include <cmath>

namespace
{
using Palette = VarneTTheme::Palette;

juce::Colour alpha (juce::Colour c, float a)
{
    return c.withAlpha (static_cast<juce::uint8> (juce::jlimit (0, 255, juce::roundToInt (a * 255.0f))));
}

int floorDivide (int a, int b) noexcept
{
    const auto q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

// Only finite values in range ever become an int.
int laneFromOffset (double offset, double rowHeight, int lanes) noexcept
{
    if (! (rowHeight > 0.0) || ! std::isfinite (offset) || lanes <= 1)
        return 0;
    const auto lane = juce::jlimit (0.0, static_cast<double> (lanes - 1), std::trunc (offset / rowHeight));
    return std::isfinite (lane) ? static_cast<int> (lane) : 0;
}

constexpr auto noteCorner = 4.0f;
} // namespace

VarneTTimelineCanvas::Layout VarneTTimelineCanvas::layoutFor (int width, int height, int voiceCount) noexcept
{
    Layout l;
    l.plotWidth = static_cast<float> (juce::jmax (0, juce::jmax (0, width - 12) - 46));
    l.plotHeight = static_cast<float> (juce::jmax (0, juce::jmax (0, height - 12) - 18));
    l.plotRight = plotLeft + l.plotWidth;
    l.plotBottom = plotTop + l.plotHeight;
    l.rows = juce::jmax (1, voiceCount);
    l.rowHeight = l.plotHeight / static_cast<float> (l.rows);
    return l;
}

VarneTTimelineCanvas::VarneTTimelineCanvas()
{
    setOpaque (true);
    setWantsKeyboardFocus (true);
    setMouseCursor (juce::MouseCursor::CrosshairCursor);
}

VarneTTimelineCanvas::~VarneTTimelineCanvas() = default;

//==============================================================================
double VarneTTimelineCanvas::beatAtX (float x) const noexcept
{
    const auto l = layout();
    if (l.plotWidth <= 0.0f)
        return 0.0;
    auto ratio = (static_cast<double> (x) - plotLeft) / l.plotWidth;
    ratio = std::isnan (ratio) ? 0.0 : juce::jlimit (0.0, 1.0, ratio);
    return juce::jmax (0.0, pattern.lengthBeats) * ratio;
}

double VarneTTimelineCanvas::gridStepBeats() const noexcept
{
    switch (static_cast<int> (pattern.quantization))
    {
        case 0: return 0.0;
        case 1: return 1.0;
        case 2: return 0.5;
        case 4: return 0.125;
        default: return 0.25;
    }
}

double VarneTTimelineCanvas::snapBeat (double beat) const noexcept
{
    const auto length = juce::jmax (0.0, pattern.lengthBeats);
    const auto b = std::isnan (beat) ? 0.0 : juce::jlimit (0.0, length, beat);
    const auto step = gridStepBeats();
    if (step <= 0.0)
        return b;
    return std::round (b / step) * step;
}

double VarneTTimelineCanvas::snapNoteStart (double beat) const noexcept
{
    auto latest = juce::jmax (0.0, pattern.lengthBeats - minDurationBeats);
    const auto step = gridStepBeats();
    if (step > 0.0)
        latest = std::floor ((latest + 1e-9) / step) * step;
    const auto b = std::isnan (beat) ? 0.0 : juce::jlimit (0.0, latest, beat);
    return snapBeat (b);
}

int VarneTTimelineCanvas::voiceAtY (float y) const noexcept
{
    const auto voices = static_cast<int> (pattern.voices.size());
    if (voices == 0)
        return 0;
    const auto l = layout();
    const auto lane = laneFromOffset (static_cast<double> (y) - plotTop, l.plotHeight / static_cast<double> (l.rows), voices);
    return pattern.voices[static_cast<size_t> (voices - 1 - lane)].id;
}

int VarneTTimelineCanvas::laneOfVoice (int voiceId) const noexcept
{
    for (size_t v = 0; v < pattern.voices.size(); ++v)
        if (pattern.voices[v].id == voiceId)
            return static_cast<int> (v);
    return 0;
}

juce::Rectangle<float> VarneTTimelineCanvas::noteBoundsFor (const VarneT::NoteEvent& note) const noexcept
{
    const auto l = layout();
    const auto length = pattern.lengthBeats;
    const auto startRatio = length > 0.0 ? note.startBeat / length : 0.0;
    const auto durationRatio = length > 0.0 ? note.durationBeats / length : 0.0;
    const auto lane = laneOfVoice (note.voiceId);

    const auto x = plotLeft + static_cast<float> (startRatio * l.plotWidth);
    const auto w = juce::jmin (l.plotRight - x, juce::jmax (minNoteWidth, static_cast<float> (durationRatio * l.plotWidth)));
    const auto h = juce::jmax (minNoteHeight, l.rowHeight - 8.0f);
    const auto y = plotTop + (static_cast<float> (l.rows - lane - 1) + 0.5f) * l.rowHeight - h / 2.0f;
    return { x, y, w, h };
}

juce::Rectangle<float> VarneTTimelineCanvas::noteBounds (int index) const noexcept
{
    return isNote (index) ? noteBoundsFor (pattern.notes[static_cast<size_t> (index)]) : juce::Rectangle<float>();
}

bool VarneTTimelineCanvas::isOnResizeEdge (int index, juce::Point<float> p) const noexcept
{
    if (! isNote (index))
        return false;
    const auto r = noteBounds (index);
    if (! r.expanded (2.0f, 3.0f).contains (p))
        return false;
    const auto reach = juce::jmin (8.0f, juce::jmax (2.0f, 0.35f * r.getWidth()));
    return std::abs (r.getRight() - p.x) <= reach;
}

int VarneTTimelineCanvas::noteAt (juce::Point<float> p) const noexcept
{
    for (int i = static_cast<int> (pattern.notes.size()) - 1; i >= 0; --i)
        if (noteBounds (i).contains (p))
            return i;
    return -1;
}

juce::String VarneTTimelineCanvas::makeUniqueNoteId() const
{
    const auto isTaken = [this] (const juce::String& id)
    {
        for (const auto& n : pattern.notes)
            if (n.id == id)
                return true;
        for (const auto& e : pattern.pedal)
            if (e.id == id)
                return true;
        return false;
    };

    for (auto n = static_cast<juce::int64> (pattern.notes.size()) + 1;; ++n)
    {
        auto id = "note-user-" + juce::String (n);
        if (! isTaken (id))
            return id;
    }
}

juce::Rectangle<int> VarneTTimelineCanvas::playheadArea (double beat) const noexcept
{
    if (! (beat >= 0.0) || ! (pattern.lengthBeats > 0.0) || ! std::isfinite (beat))
        return {};
    const auto l = layout();
    const auto length = juce::jmax (pattern.lengthBeats, 1.0);
    const auto x = plotLeft + static_cast<float> (std::fmod (beat, length) / length * l.plotWidth) - 1.0f;
    return juce::Rectangle<float> (x, plotTop, 2.0f, l.plotHeight).getSmallestIntegerContainer();
}

//==============================================================================
bool VarneTTimelineCanvas::eventLimitReached() const noexcept
{
    return pattern.notes.size() + pattern.pedal.size() >= static_cast<size_t> (VarneT::maxPatternEvents);
}

void VarneTTimelineCanvas::refuseForEventLimit()
{
    if (onStatusMessage)
        onStatusMessage (eventLimitMessage);
}

void VarneTTimelineCanvas::beginEditOnce()
{
    if (editBegun)
        return;
    editBegun = true;
    if (onBeginEdit)
        onBeginEdit();
}

void VarneTTimelineCanvas::endGesture() noexcept
{
    dragMode = 0;
    gestureChanged = false;
    editBegun = false;
    drawStarted = false;
}

void VarneTTimelineCanvas::updateMouseCursor()
{
    using juce::MouseCursor;
    if (! mouseOver)
        setMouseCursor (MouseCursor::NormalCursor);
    else if (isNote (hoverIndex))
        setMouseCursor (isOnResizeEdge (hoverIndex, mousePosition) ? MouseCursor::LeftRightResizeCursor
                                                                   : MouseCursor::DraggingHandCursor);
    else
        setMouseCursor (layout().plotContains (mousePosition) ? MouseCursor::CrosshairCursor : MouseCursor::NormalCursor);
}

//==============================================================================
void VarneTTimelineCanvas::setPattern (const VarneT::Pattern& newPattern)
{
    const auto selectedId = isNote (selectedIndex) ? pattern.notes[static_cast<size_t> (selectedIndex)].id : juce::String();

    pattern = newPattern;
    hasPattern = true;

    selectedIndex = -1;
    if (selectedId.isNotEmpty())
        for (size_t i = 0; i < pattern.notes.size(); ++i)
            if (pattern.notes[i].id == selectedId)
            {
                selectedIndex = static_cast<int> (i);
                break;
            }

    hoverIndex = mouseOver ? noteAt (mousePosition) : -1;
    updateMouseCursor();
    endGesture();
    repaint();
}

void VarneTTimelineCanvas::setPitchDisplay (int newPitchSource, int newScaleDegreeCount)
{
    if (newPitchSource == pitchSource && newScaleDegreeCount == scaleDegreeCount)
        return;
    pitchSource = newPitchSource;
    scaleDegreeCount = newScaleDegreeCount;
    repaint();
}

void VarneTTimelineCanvas::resetInteraction()
{
    selectedIndex = hoverIndex = -1;
    dragMode = 0;
    gestureChanged = editBegun = false;
    repaint();
}

void VarneTTimelineCanvas::setPlayheadBeat (double beat)
{
    if (beat == playheadBeat)
        return;
    const auto before = playheadArea (playheadBeat);
    playheadBeat = beat;
    const auto after = playheadArea (playheadBeat);
    if (before == after)
        return;
    if (! before.isEmpty())
        repaint (before);
    if (! after.isEmpty())
        repaint (after);
}

void VarneTTimelineCanvas::duplicateSelectedNote()
{
    if (! hasPattern || ! isNote (selectedIndex))
        return;
    if (eventLimitReached())
    {
        refuseForEventLimit();
        return;
    }

    if (onBeginEdit)
        onBeginEdit();

    auto copy = pattern.notes[static_cast<size_t> (selectedIndex)];
    const auto sourceStart = copy.startBeat;
    copy.id = makeUniqueNoteId();
    const auto grid = gridStepBeats();
    const auto step = grid > 0.0 ? grid : 0.25;
    copy.startBeat = snapNoteStart (sourceStart + step);
    if (std::abs (copy.startBeat - sourceStart) <= 1e-9)
        copy.startBeat = snapNoteStart (sourceStart - step);

    pattern.notes.push_back (std::move (copy));
    selectedIndex = static_cast<int> (pattern.notes.size()) - 1;

    if (onSelectionChanged)
        onSelectionChanged();
    if (onEditCommitted)
        onEditCommitted();
    repaint();
}

void VarneTTimelineCanvas::deleteSelectedNote()
{
    if (! hasPattern || ! isNote (selectedIndex))
        return;

    if (onBeginEdit)
        onBeginEdit();

    pattern.notes.erase (pattern.notes.begin() + selectedIndex);
    selectedIndex = hoverIndex = -1;

    if (onSelectionChanged)
        onSelectionChanged();
    if (onEditCommitted)
        onEditCommitted();
    repaint();
}

//==============================================================================
juce::PopupMenu VarneTTimelineCanvas::buildNoteMenu()
{
    juce::PopupMenu menu;
    juce::PopupMenu::Item duplicate ("Duplicate Note");
    duplicate.itemID = 1;
    duplicate.shortcutKeyDescription = "Cmd/Ctrl+D";
    menu.addItem (std::move (duplicate));

    juce::PopupMenu::Item remove ("Delete Note");
    remove.itemID = 2;
    remove.shortcutKeyDescription = "Delete";
    menu.addItem (std::move (remove));
    return menu;
}

void VarneTTimelineCanvas::handleNoteMenuResult (int result)
{
    if (result == 1)
        duplicateSelectedNote();
    else if (result == 2)
        deleteSelectedNote();
}

void VarneTTimelineCanvas::showNoteMenu (int index)
{
    auto menu = buildNoteMenu();
    menu.setLookAndFeel (&getLookAndFeel());

    const auto area = localAreaToGlobal (noteBounds (index).toNearestInt());
    auto options = juce::PopupMenu::Options().withTargetComponent (this).withTargetScreenArea (area);

    menu.showMenuAsync (tolmek::PopupMenuPlacement::placeMenu (options),
                        [safeThis = juce::Component::SafePointer<VarneTTimelineCanvas> (this)] (int result)
                        {
                            if (safeThis != nullptr && result != 0)
                                safeThis->handleNoteMenuResult (result);
                        });
}

//==============================================================================
void VarneTTimelineCanvas::mouseDown (const juce::MouseEvent& e)
{
    if (e.mods.isRightButtonDown())
    {
        const auto index = noteAt (e.position);
        if (! isNote (index))
            return;
        grabKeyboardFocus();
        selectedIndex = index;
        if (onSelectionChanged)
            onSelectionChanged();
        repaint();
        showNoteMenu (index);
        return;
    }

    if (! e.mods.isLeftButtonDown())
        return;

    mouseOver = true;
    mousePosition = e.position;
    const auto index = noteAt (mousePosition);
    grabKeyboardFocus();
    endGesture();

    if (hasPattern && isNote (index))
    {
        selectedIndex = index;
        auto& note = pattern.notes[static_cast<size_t> (index)];

        int targetVelocity = -1;
        if (e.mods.isCommandDown())
            targetVelocity = e.mods.isShiftDown() ? 127 : 70;
        else if (e.mods.isShiftDown())
            targetVelocity = 127;

        if (targetVelocity > 0 && targetVelocity != note.velocity)
        {
            beginEditOnce();
            note.velocity = targetVelocity;
            gestureChanged = true;
        }

        const auto onEdge = isOnResizeEdge (index, mousePosition);
        dragMode = onEdge ? 2 : 1;
        setMouseCursor (onEdge ? juce::MouseCursor::LeftRightResizeCursor : juce::MouseCursor::DraggingHandCursor);
        dragOffsetBeats = beatAtX (mousePosition.x) - note.startBeat;
    }
    else if (hasPattern)
    {
        if (! layout().plotContains (mousePosition) || pattern.voices.empty())
        {
            selectedIndex = -1;
        }
        else if (eventLimitReached())
        {
            refuseForEventLimit();
            return;
        }
        else
        {
            beginEditOnce();

            VarneT::NoteEvent note;
            note.id = makeUniqueNoteId();
            note.startBeat = snapNoteStart (beatAtX (mousePosition.x));
            note.durationBeats = drawnDurationBeats;
            note.voiceId = voiceAtY (mousePosition.y);
            note.velocity = e.mods.isShiftDown() ? 127 : e.mods.isCommandDown() ? 70 : 96;
            note.chance = 1.0;
            note.importance = 0.5;
            note.octave = 0;
            note.target.basis = pitchSource == 1 ? VarneT::TargetBasis::scale : VarneT::TargetBasis::chord;
            note.target.index = note.voiceId;
            note.target.fixedMidiNote = 60;
            note.target.chromaticOffset = 0;

            drawAnchorBeat = note.startBeat;
            drawVoiceId = note.voiceId;
            pattern.notes.push_back (std::move (note));
            selectedIndex = static_cast<int> (pattern.notes.size()) - 1;
            dragMode = 3;
            setMouseCursor (juce::MouseCursor::CrosshairCursor);
            gestureChanged = true;
        }
    }
    else
    {
        selectedIndex = -1;
    }

    if (onSelectionChanged)
        onSelectionChanged();
    repaint();
}

void VarneTTimelineCanvas::mouseDrag (const juce::MouseEvent& e)
{
    if (dragMode == 0 || ! e.mods.isLeftButtonDown() || ! isNote (selectedIndex))
        return;

    setMouseCursor (dragMode == 2 ? juce::MouseCursor::LeftRightResizeCursor
                    : dragMode == 1 ? juce::MouseCursor::DraggingHandCursor
                                    : juce::MouseCursor::CrosshairCursor);
    mouseOver = true;
    mousePosition = e.position;
    auto& note = pattern.notes[static_cast<size_t> (selectedIndex)];

    if (dragMode == 3)
    {
        if (! drawStarted)
        {
            if (e.getDistanceFromDragStart() < drawThresholdPixels)
                return;
            drawStarted = true;
        }

        const auto p = snapBeat (beatAtX (mousePosition.x));
        const auto start = p < drawAnchorBeat ? snapNoteStart (p) : drawAnchorBeat;
        note.startBeat = start;
        note.durationBeats = juce::jmax (minDurationBeats, juce::jmax (drawAnchorBeat, p) - start);
        note.voiceId = drawVoiceId;
    }
    else if (dragMode == 2)
    {
        const auto duration = juce::jmax (minDurationBeats, snapBeat (beatAtX (mousePosition.x)) - note.startBeat);
        if (std::abs (duration - note.durationBeats) > 1e-9)
        {
            beginEditOnce();
            note.durationBeats = duration;
            gestureChanged = true;
        }
    }
    else
    {
        const auto start = snapNoteStart (beatAtX (mousePosition.x) - dragOffsetBeats);
        const auto voice = voiceAtY (mousePosition.y);
        if (std::abs (start - note.startBeat) > 1e-9 || voice != note.voiceId)
        {
            beginEditOnce();
            note.startBeat = start;
            note.voiceId = voice;
            gestureChanged = true;
        }
    }

    repaint();
}

void VarneTTimelineCanvas::mouseUp (const juce::MouseEvent&)
{
    const auto commit = dragMode != 0 && gestureChanged;
    endGesture();
    if (commit && onEditCommitted)
        onEditCommitted();

    hoverIndex = mouseOver ? noteAt (mousePosition) : -1;
    updateMouseCursor();
    repaint();
}

void VarneTTimelineCanvas::mouseMove (const juce::MouseEvent& e)
{
    mouseOver = true;
    mousePosition = e.position;
    hoverIndex = noteAt (mousePosition);
    updateMouseCursor();
    repaint();
}

void VarneTTimelineCanvas::mouseExit (const juce::MouseEvent&)
{
    mouseOver = false;
    hoverIndex = -1;
    setMouseCursor (juce::MouseCursor::NormalCursor);
    repaint();
}

bool VarneTTimelineCanvas::keyPressed (const juce::KeyPress& key)
{
    const auto code = key.getKeyCode();
    const auto mods = key.getModifiers();
    if (hasPattern && isNote (selectedIndex)
        && (code == juce::KeyPress::deleteKey || code == juce::KeyPress::backspaceKey)
        && ! mods.isShiftDown() && ! mods.isCtrlDown() && ! mods.isCommandDown() && ! mods.isAltDown())
    {
        deleteSelectedNote();
        return true;
    }
    return false;
}

//==============================================================================
juce::String VarneTTimelineCanvas::getTooltip()
{
    if (! isNote (hoverIndex))
        return {};

    const auto& note = pattern.notes[static_cast<size_t> (hoverIndex)];
    const juce::String separator ("  |  ");
    juce::String text = isOnResizeEdge (hoverIndex, mousePosition) ? "Drag this edge to resize"
                                                                    : "Drag to move; right-click for actions";

    auto pitch = notePitchText (note, pitchSource, scaleDegreeCount);
    const auto fixed = note.target.basis == VarneT::TargetBasis::fixed;
    if (! fixed)
    {
        int octaves = note.octave;
        if (pitchSource == 1)
            octaves += floorDivide (note.target.index, juce::jmax (1, scaleDegreeCount));
        else if (note.target.basis == VarneT::TargetBasis::scale)
            octaves += floorDivide (note.target.index, 7);
        pitch << " " << registerText (octaves);
    }
    text << separator << pitch;

    if (! fixed)
        text << separator << "Engine index " << note.target.index;

    const auto v = note.velocity;
    const auto mark = v <= 31 ? "pp" : v <= 51 ? "p" : v <= 71 ? "mp" : v <= 91 ? "mf" : v <= 111 ? "f" : "ff";
    text << separator << mark << " " << v;
    text << separator << "Chance " << juce::roundToInt (note.chance * 100.0) << "%";
    text << separator << "Importance " << juce::roundToInt (note.importance * 100.0) << "%";
    return text;
}

//==============================================================================
void VarneTTimelineCanvas::paint (juce::Graphics& g)
{
    const auto l = layout();

    // The plot shares the canvas's background colour, so one fill covers both.
    g.fillAll (Palette::timelineBackground());

    paintLanes (g, l);

    g.setColour (VarneTTheme::colour (Palette::disabled));
    g.fillRect (juce::Rectangle<float> (plotLeft, std::round (l.plotBottom), l.plotWidth, 1.0f));

    paintGrid (g, l);
    paintBarNumbers (g, l);

    const auto hintArea = juce::Rectangle<float> (plotLeft, plotTop, l.plotWidth, l.plotHeight).reduced (36.0f);
    if (hasPattern && pattern.notes.empty() && g.clipRegionIntersects (hintArea.toNearestInt()))
    {
        g.setColour (alpha (VarneTTheme::colour (Palette::captionText), 184.0f / 255.0f));
        g.setFont (VarneTTheme::themeFont (13.0f, false));
        g.drawFittedText ("Click or drag in a line to draw your first note", hintArea.toNearestInt(),
                          juce::Justification::centred, 1);
    }

    paintGhostNote (g, l);

    const auto clip = g.getClipBounds().toFloat();
    for (int i = 0; i < static_cast<int> (pattern.notes.size()); ++i)
        if (noteBounds (i).expanded (2.0f).intersects (clip))
            paintNote (g, i);

    const auto playhead = playheadArea (playheadBeat);
    if (! playhead.isEmpty())
    {
        const auto length = juce::jmax (pattern.lengthBeats, 1.0);
        const auto x = plotLeft + static_cast<float> (std::fmod (playheadBeat, length) / length * l.plotWidth) - 1.0f;
        g.setColour (VarneTTheme::colour (Palette::focus));
        g.fillRect (juce::Rectangle<float> (x, plotTop, 2.0f, l.plotHeight));
    }

    if (hasPattern && hasKeyboardFocus (true))
    {
        g.setColour (VarneTTheme::colour (Palette::focus));
        g.drawRoundedRectangle (1.0f, 1.0f, juce::jmax (0.0f, static_cast<float> (getWidth()) - 2.0f),
                                juce::jmax (0.0f, static_cast<float> (getHeight()) - 2.0f), 7.0f, 2.0f);
    }
}

void VarneTTimelineCanvas::paintLanes (juce::Graphics& g, const Layout& l) const
{
    const auto voices = static_cast<int> (pattern.voices.size());
    const auto hoveredVoice = (mouseOver && voices > 0 && l.plotContains (mousePosition)) ? voiceAtY (mousePosition.y) : -1;
    const auto hasHover = hoveredVoice >= 0 && mouseOver && voices > 0 && l.plotContains (mousePosition);

    // The lanes lie on the plain background: their tints are mixed once and filled opaque, which
    // spares blending a third of the canvas on every paint.
    const auto background = Palette::timelineBackground();
    const auto hoveredLane = background.overlaidWith (alpha (VarneTTheme::colour (Palette::teal), 0.055f));
    const auto oddLane = background.overlaidWith (alpha (VarneTTheme::colour (Palette::fieldBackground), 0.18f));

    for (int i = 0; i < l.rows; ++i)
    {
        const auto y = plotTop + static_cast<float> (i) * l.rowHeight;
        const auto v = l.rows - 1 - i;
        const auto exists = v < voices;
        const auto hovered = exists && hasHover && pattern.voices[static_cast<size_t> (v)].id == hoveredVoice;

        if (hovered)
        {
            g.setColour (hoveredLane);
            g.fillRect (juce::Rectangle<float> (plotLeft, y, l.plotWidth, l.rowHeight));
        }
        else if (i % 2 == 1)
        {
            g.setColour (oddLane);
            g.fillRect (juce::Rectangle<float> (plotLeft, y, l.plotWidth, l.rowHeight));
        }

        if (l.plotWidth > 0.0f)
        {
            g.setColour (alpha (VarneTTheme::colour (Palette::hoverFill), 184.0f / 255.0f));
            g.fillRect (juce::Rectangle<float> (plotLeft, std::round (y), l.plotWidth, 1.0f));
        }

        const auto labelBox = juce::Rectangle<int> (8, juce::roundToInt (y), 38, juce::roundToInt (l.rowHeight));
        // Text layout is the costly part of a narrow repaint such as the playhead's.
        if (exists && labelBox.intersects (g.getClipBounds()))
        {
            const auto& voice = pattern.voices[static_cast<size_t> (v)];
            auto label = voice.name;
            if (label == "Voice " + juce::String (v + 1))
                label = "Line " + juce::String::charToString (static_cast<juce::juce_wchar> ('A' + v));

            g.setColour (hovered ? VarneTTheme::colour (Palette::teal) : VarneTTheme::colour (Palette::captionText));
            g.setFont (VarneTTheme::themeFont (9.5f, hovered));
            g.drawFittedText (label, labelBox, juce::Justification::centredRight, 1, 0.65f);
        }
    }
}

void VarneTTimelineCanvas::paintGrid (juce::Graphics& g, const Layout& l) const
{
    if (l.plotHeight <= 0.0f)
        return;

    const auto length = juce::jmax (pattern.lengthBeats, 1.0);
    const auto pixelsPerBeat = static_cast<double> (l.plotWidth) / length;
    const auto step = pattern.quantization == VarneT::Quantization::free ? 0.25 : gridStepBeats();
    const auto beatLines = pixelsPerBeat >= 18.0;
    const auto subdivisionLines = step * pixelsPerBeat >= 8.0;
    const auto lineCount = juce::jmax (1.0, std::ceil (length / step));

    const auto isWhole = [] (double x) { return std::abs (x - std::round (x)) <= 1e-9; };

    for (int i = 0; i <= static_cast<int> (lineCount) && i * step <= length + 1e-9; ++i)
    {
        const auto b = i * step;
        if (isWhole (b / 4.0))
            g.setColour (VarneTTheme::colour (Palette::disabled));
        else if (isWhole (b) && beatLines)
            g.setColour (VarneTTheme::colour (Palette::pressedFill));
        else if (! isWhole (b) && subdivisionLines)
            g.setColour (alpha (VarneTTheme::colour (Palette::hoverFill), 0.62f));
        else
            continue;

        // Whole-pixel lines take the renderer's plain rectangle path.
        const auto x = static_cast<int> (std::trunc (plotLeft + b / length * l.plotWidth));
        g.fillRect (x, static_cast<int> (plotTop), 1, static_cast<int> (l.plotHeight));
    }
}

void VarneTTimelineCanvas::paintBarNumbers (juce::Graphics& g, const Layout& l) const
{
    if (! g.clipRegionIntersects (juce::Rectangle<float> (0.0f, l.plotBottom, static_cast<float> (getWidth()),
                                                          static_cast<float> (getHeight()) - l.plotBottom).toNearestInt()))
        return;

    const auto length = juce::jmax (pattern.lengthBeats, 1.0);
    const auto font = VarneTTheme::themeFont (10.5f, true);
    g.setColour (VarneTTheme::colour (Palette::captionText));
    g.setFont (font);

    auto lastRight = -48.0;
    const auto bars = static_cast<int> (juce::jmax (1.0, std::ceil (length / 4.0)));
    for (int k = 0; k < bars; ++k)
    {
        const auto x = plotLeft + (4.0 * k / length) * l.plotWidth + 4.0;
        const auto text = juce::String (k + 1);
        const auto w = static_cast<double> (font.getStringWidthFloat (text));
        if (x < lastRight + 6.0 || x + w + 8.0 > l.plotRight)
            continue;
        g.drawText (text, juce::Rectangle<int> (juce::roundToInt (x), juce::roundToInt (l.plotBottom + 3.0f),
                                                juce::roundToInt (w + 8.0), 17),
                    juce::Justification::centredLeft, false);
        lastRight = x + w + 8.0;
    }
}

void VarneTTimelineCanvas::paintGhostNote (juce::Graphics& g, const Layout& l) const
{
    if (! hasPattern || ! mouseOver || dragMode != 0 || isNote (hoverIndex) || ! l.plotContains (mousePosition)
        || pattern.voices.empty())
        return;

    VarneT::NoteEvent ghost;
    ghost.startBeat = snapNoteStart (beatAtX (mousePosition.x));
    ghost.durationBeats = drawnDurationBeats;
    ghost.voiceId = voiceAtY (mousePosition.y);
    const auto r = noteBoundsFor (ghost);

    g.setColour (alpha (VarneTTheme::colour (Palette::teal), 0.12f));
    g.fillRoundedRectangle (r, noteCorner);
    g.setColour (alpha (VarneTTheme::colour (Palette::teal), 0.78f));
    g.drawRoundedRectangle (r.reduced (0.75f), noteCorner, 1.5f);

    if (r.getWidth() >= 18.0f)
    {
        g.setFont (VarneTTheme::themeFont (14.0f, true));
        g.drawText ("+", r, juce::Justification::centred, false);
    }
}

void VarneTTimelineCanvas::paintNote (juce::Graphics& g, int index) const
{
    const auto& note = pattern.notes[static_cast<size_t> (index)];
    const auto r = noteBounds (index);
    const auto selected = index == selectedIndex;
    const auto hovered = index == hoverIndex;
    const auto emphasised = selected || hovered;
    const auto edgeHovered = hovered && mouseOver && isOnResizeEdge (index, mousePosition);

    const auto strength = juce::jlimit (0.0f, 1.0f, static_cast<float> (note.velocity - 1) / 126.0f);
    g.setColour (alpha (VarneTTheme::colour (Palette::blue), 0.34f + 0.66f * strength));
    g.fillRoundedRectangle (r, noteCorner);

    auto inner = juce::Rectangle<float> (r.getX() + 5.0f, r.getY() + 2.0f, juce::jmax (0.0f, r.getWidth() - 10.0f),
                                         juce::jmax (0.0f, juce::jmax (0.0f, r.getHeight() - 4.0f) - 3.0f));

    const auto badge = signedStepText (note.octave);
    if (badge.isNotEmpty() && r.getWidth() >= 34.0f && r.getHeight() >= 17.0f)
    {
        const auto bw = juce::jmin (inner.getWidth(), 21.0f);
        const auto box = juce::Rectangle<float> (inner.getRight() - bw + (bw - 21.0f) / 2.0f,
                                                 inner.getY() + (inner.getHeight() - 14.0f) / 2.0f, 21.0f, 14.0f);
        g.setColour (note.octave > 0 ? VarneTTheme::colour (Palette::orange) : VarneTTheme::colour (Palette::cyan));
        g.fillRoundedRectangle (box, 7.0f);
        g.setColour (VarneTTheme::colour (Palette::panelBackground));
        g.setFont (VarneTTheme::themeFont (9.5f, true));
        g.drawText (badge, box.toNearestInt(), juce::Justification::centred, false);

        auto width = inner.getWidth() - bw;
        width -= juce::jmin (3.0f, juce::jmax (0.0f, width));
        inner.setWidth (juce::jmax (0.0f, width));
    }

    const auto bh = juce::jmin (r.getHeight(), 3.5f);
    const auto track = juce::Rectangle<float> (r.getX() + 2.0f, r.getBottom() - bh + 0.5f,
                                               juce::jmax (0.0f, juce::jmax (0.0f, r.getWidth() - 3.0f) - 1.0f),
                                               juce::jmax (0.0f, bh - 1.0f));
    g.setColour (alpha (VarneTTheme::colour (Palette::backdrop), 122.0f / 255.0f));
    g.fillRoundedRectangle (track, 1.0f);
    const auto chance = std::isfinite (note.chance) ? static_cast<float> (note.chance) : 0.0f;
    g.setColour (VarneTTheme::colour (Palette::yellow));
    g.fillRoundedRectangle (track.withWidth (juce::jmax (0.0f, chance * track.getWidth())), 1.0f);

    if (selected)
    {
        g.setColour (VarneTTheme::colour (Palette::accent));
        g.drawRoundedRectangle (r.reduced (0.75f), noteCorner, 2.0f);
    }
    else if (hovered)
    {
        g.setColour (VarneTTheme::colour (Palette::focus));
        g.drawRoundedRectangle (r.reduced (0.75f), noteCorner, 1.5f);
    }

    const auto handleWidth = edgeHovered ? 2.5f : selected ? 1.75f : 1.25f;
    g.setColour (alpha (edgeHovered ? VarneTTheme::colour (Palette::teal) : VarneTTheme::colour (Palette::text), emphasised ? 0.95f : 0.40f));
    const auto handle = juce::Rectangle<float> (r.getRight() - 3.0f, r.getY() + 4.0f, handleWidth, juce::jmax (1.0f, r.getHeight() - 8.0f));
    // At rest the handle is 1.25 px wide, where its rounded ends cannot be seen: a plain bar is far cheaper
    // on a dense Pattern.
    if (emphasised)
        g.fillRoundedRectangle (handle, handleWidth / 2.0f);
    else
        g.fillRect (handle);

    if (inner.getWidth() >= 42.0f && r.getHeight() >= 13.0f)
    {
        g.setColour (alpha (VarneTTheme::colour (Palette::backdrop), emphasised ? 0.92f : 0.72f));
        g.setFont (VarneTTheme::themeFont (9.5f, true));
        g.drawFittedText (notePitchText (note, pitchSource, scaleDegreeCount), inner.toNearestInt(),
                          juce::Justification::centredLeft, 1, 0.8f);
    }
}
