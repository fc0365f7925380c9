#include "editor/EditorWidgets.h"
#include "editor/PluginEditor.h"
#include "model/DefaultProject.h"
#include "model/PatternFragments.h"

// The Pattern Options, Section tile and Pattern tile menus: each built by its own function (ids,
// texts, enabled and ticked states) and shown asynchronously against its control.

namespace
{
constexpr double tolerance = 1.0e-9;
constexpr int maxEvents = 2048;

bool isFullPatternSustain (const VarneT::PedalEvent& e, double length)
{
    return std::abs (e.startBeat) <= tolerance && std::abs (e.durationBeats - length) <= tolerance && e.value == 127;
}

bool hasFullPatternSustain (const VarneT::Pattern& p)
{
    return std::any_of (p.pedal.begin(), p.pedal.end(), [&] (const auto& e) { return isFullPatternSustain (e, p.lengthBeats); });
}

juce::String barCountText (int c) { return juce::String (c) + (c == 1 ? " bar" : " bars"); }
} // namespace

void VarneTAudioProcessorEditor::showThemedMenu (const juce::PopupMenu& source, juce::Component& target, juce::Rectangle<int> screenArea,
                                                 std::function<void (int)> onResult)
{
    auto menu = source;
    menu.setLookAndFeel (&theme);
    auto options = juce::PopupMenu::Options().withTargetComponent (&target);
    if (! screenArea.isEmpty())
        options = options.withTargetScreenArea (screenArea);

    juce::Component::SafePointer<VarneTAudioProcessorEditor> safeThis (this);
    menu.showMenuAsync (tolmek::PopupMenuPlacement::placeMenu (options), [safeThis, onResult = std::move (onResult)] (int result)
    {
        if (safeThis != nullptr && result != 0)
            onResult (result);
    });
}

//==============================================================================
// Pattern Options

juce::PopupMenu VarneTAudioProcessorEditor::buildPatternOptionsMenu() const
{
    const auto& p = timeline.pattern;
    juce::PopupMenu lengthMenu, splitMenu, menu;
    for (const auto c : { 1, 2, 4 })
    {
        lengthMenu.addItem (200 + c, barCountText (c), true, std::abs (p.lengthBeats - 4.0 * c) <= tolerance);
        splitMenu.addItem (300 + c, "Every " + barCountText (c), p.lengthBeats > 4.0 * c + tolerance, false);
    }
    menu.addSubMenu ("Set Length", lengthMenu, true);
    menu.addSubMenu ("Split Pattern", splitMenu, true);
    menu.addSeparator();
    menu.addSectionHeader ("Quantization");
    const char* names[] { "Free", "1/4", "1/8", "1/16", "1/32" };
    for (int i = 0; i < 5; ++i)
        menu.addItem (i + 1, names[i], true, (int) p.quantization == i);
    menu.addSeparator();
    const auto sustained = hasFullPatternSustain (p);
    menu.addItem (100, "Full-Pattern Sustain", sustained || (int) (p.notes.size() + p.pedal.size()) < maxEvents, sustained);
    return menu;
}

void VarneTAudioProcessorEditor::showPatternOptionsMenu()
{
    showThemedMenu (buildPatternOptionsMenu(), patternOptionsButton, {}, [this] (int id) { handlePatternOptionsResult (id); });
}

void VarneTAudioProcessorEditor::handlePatternOptionsResult (int id)
{
    auto& undo = processor.getUndoManager();
    auto pattern = timeline.pattern;

    if (id >= 1 && id <= 5)
    {
        if ((int) pattern.quantization == id - 1)
            return;
        pattern.quantization = (VarneT::Quantization) (id - 1);
        undo.beginNewTransaction ("Change Pattern quantization");
        timeline.setPattern (pattern);
        applyEditedPattern (pattern);
        return;
    }

    if (id == 100)
    {
        const auto length = pattern.lengthBeats;
        const auto removed = hasFullPatternSustain (pattern);
        if (removed)
        {
            pattern.pedal.erase (std::remove_if (pattern.pedal.begin(), pattern.pedal.end(),
                                                 [length] (const auto& e) { return isFullPatternSustain (e, length); }),
                                 pattern.pedal.end());
        }
        else
        {
            if (pattern.notes.size() + pattern.pedal.size() > (size_t) maxEvents - 1)
                return showError ("This Pattern has reached its event limit");

            auto taken = [&pattern] (const juce::String& eventId)
            {
                return std::any_of (pattern.notes.begin(), pattern.notes.end(), [&] (const auto& n) { return n.id == eventId; })
                    || std::any_of (pattern.pedal.begin(), pattern.pedal.end(), [&] (const auto& e) { return e.id == eventId; });
            };
            auto k = (int) pattern.pedal.size() + 1;
            while (taken ("pedal-user-" + juce::String (k)))
                ++k;
            pattern.pedal.push_back ({ "pedal-user-" + juce::String (k), 0.0, length, 127 });
        }
        undo.beginNewTransaction ("Toggle Pattern sustain");
        timeline.setPattern (pattern);
        applyEditedPattern (pattern);
        showStatus (removed ? "Full-Pattern sustain removed" : "Full-Pattern sustain added");
        return;
    }

    if (id == 201 || id == 202 || id == 204)
    {
        const auto newLength = (id - 200) * 4.0;
        const auto oldLength = pattern.lengthBeats;
        if (std::abs (oldLength - newLength) <= tolerance)
            return;

        const auto beyond = std::count_if (pattern.notes.begin(), pattern.notes.end(), [&] (const auto& n) { return n.startBeat >= newLength; })
                          + std::count_if (pattern.pedal.begin(), pattern.pedal.end(), [&] (const auto& e) { return e.startBeat >= newLength; });
        if (beyond > 0)
            return showError ("Cannot set this Pattern to " + barsText (newLength, true) + ": " + juce::String ((int) beyond)
                              + " note or sustain events start beyond that length. Split the Pattern instead.");

        for (auto& e : pattern.pedal)
            if (isFullPatternSustain (e, oldLength))
                e.durationBeats = newLength;
        pattern.lengthBeats = newLength;
        undo.beginNewTransaction ("Change Pattern length");

        auto project = processor.getProjectCopy();
        const auto s = project.clampedActiveSectionIndex();
        if (s < 0)
            return showError ("Section index is out of range");
        auto& sequence = project.sections[(size_t) s].sequence;
        if (! juce::isPositiveAndBelow (selectedPatternIndex, (int) sequence.size()))
            return showError ("Pattern index is out of range");
        sequence[(size_t) selectedPatternIndex] = std::move (pattern);
        if (const auto error = processor.applyProjectEdit (std::move (project), true); error.isNotEmpty())
            return showError (error);
        refreshFromProcessor();
        showStatus ("Pattern length set to " + barsText (newLength, true));
        return;
    }

    if (id == 301 || id == 302 || id == 304)
    {
        const auto fragmentLength = (id - 300) * 4.0;
        auto project = processor.getProjectCopy();
        const auto s = project.clampedActiveSectionIndex();
        if (s < 0 || ! juce::isPositiveAndBelow (selectedPatternIndex, (int) project.sections[(size_t) s].sequence.size()))
            return;

        std::vector<VarneT::Pattern> fragments;
        if (const auto error = VarneT::splitPatternIntoFragments (project.sections[(size_t) s].sequence[(size_t) selectedPatternIndex],
                                                                   fragmentLength, fragments);
            error.isNotEmpty())
            return showError (error);
        if (fragments.size() < 2)
            return;

        auto& sequence = project.sections[(size_t) s].sequence;
        const auto newCount = (int) sequence.size() - 1 + (int) fragments.size();
        if (newCount > 16)
            return showError ("Cannot split Pattern: the Section would contain " + juce::String (newCount)
                              + " Patterns, above the limit of " + juce::String (16));

        const auto count = (int) fragments.size();
        sequence.erase (sequence.begin() + selectedPatternIndex);
        sequence.insert (sequence.begin() + selectedPatternIndex, std::make_move_iterator (fragments.begin()), std::make_move_iterator (fragments.end()));
        if (const auto error = processor.applyProjectEdit (std::move (project), true); error.isNotEmpty())
            return showError (error);
        refreshFromProcessor();
        showStatus ("Split into " + juce::String (count) + " Patterns of up to " + barsText (fragmentLength, true)
                    + "; Undo restores the original Pattern");
    }
}

//==============================================================================
// Section tile menu

juce::PopupMenu VarneTAudioProcessorEditor::buildSectionTileMenu (int index) const
{
    juce::PopupMenu menu;
    const auto project = processor.getProjectCopy();
    if (! juce::isPositiveAndBelow (index, (int) project.sections.size()))
        return menu;

    const auto repeat = project.sections[(size_t) index].repeatCount;
    menu.addItem (1, "Rename Section");
    menu.addItem (2, "Duplicate Section", project.sections.size() < 64);
    juce::PopupMenu repeatMenu;
    for (int i = 1; i <= 8; ++i)
        repeatMenu.addItem (100 + i, juce::String (juce::CharPointer_UTF8 ("\xc3\x97")) + juce::String (i), true, i == repeat);
    menu.addSubMenu ("Repeat", repeatMenu, true);
    menu.addSeparator();
    menu.addItem (3, "Delete Section");
    return menu;
}

void VarneTAudioProcessorEditor::showSectionTileMenu (int index)
{
    const auto project = processor.getProjectCopy();
    if (! juce::isPositiveAndBelow (index, (int) project.sections.size()))
        return;
    const auto repeat = project.sections[(size_t) index].repeatCount;
    juce::Rectangle<int> area;
    if (index < (int) sectionStrip.getItems().size())
        area = sectionStrip.localAreaToGlobal (juce::Rectangle<int> (128 * index, 1, 124, sectionStrip.getHeight() - 2));
    showThemedMenu (buildSectionTileMenu (index), sectionStrip, area,
                    [this, index, repeat] (int id) { handleSectionTileMenuResult (index, repeat, id); });
}

void VarneTAudioProcessorEditor::handleSectionTileMenuResult (int i, int repeatCount, int id)
{
    if (id == 1)
        return beginSectionRename (i);

    if (id > 100 && id <= 108)
    {
        if (id != repeatCount + 100 && sectionStrip.onRepeatCountChanged)
            sectionStrip.onRepeatCountChanged (i, id - 100);
        return;
    }

    auto project = processor.getProjectCopy();
    const auto n = (int) project.sections.size();
    if (! juce::isPositiveAndBelow (i, n))
        return;

    if (id == 2)
    {
        if (n >= 64)
            return;
        auto copy = project.sections[(size_t) i];
        const auto name = copy.name;
        const auto patterns = (int) copy.sequence.size();
        project.sections.insert (project.sections.begin() + i + 1, std::move (copy));
        project.activeSectionIndex = i + 1;
        selectedPatternIndex = std::max (0, juce::jlimit (0, patterns - 1, selectedPatternIndex));
        if (const auto error = processor.applyProjectEdit (std::move (project), true); error.isNotEmpty())
            return showError (error);
        processor.syncSectionParameter();
        refreshFromProcessor();
        showStatus ("Duplicated section " + name);
        return;
    }

    if (id == 3)
    {
        const auto name = project.sections[(size_t) i].name;
        const auto active = project.clampedActiveSectionIndex();
        if (n == 1)
        {
            project.sections = VarneT::makeDefaultProject().sections;
            project.activeSectionIndex = 0;
            selectedPatternIndex = 0;
        }
        else
        {
            project.sections.erase (project.sections.begin() + i);
            if (i == active)
            {
                project.activeSectionIndex = std::min (i, n - 2);
                selectedPatternIndex = 0;
            }
            else if (i < active)
            {
                project.activeSectionIndex = active - 1;
            }
        }
        if (const auto error = processor.applyProjectEdit (std::move (project), true); error.isNotEmpty())
            return showError (error);
        processor.syncSectionParameter();
        refreshFromProcessor();
        showStatus ("Deleted " + name + "; Undo restores it");
    }
}

//==============================================================================
// Pattern tile menu

juce::PopupMenu VarneTAudioProcessorEditor::buildPatternTileMenu (int index) const
{
    juce::PopupMenu menu;
    const auto project = processor.getProjectCopy();
    const auto s = project.clampedActiveSectionIndex();
    if (s < 0)
        return menu;
    const auto n = (int) project.sections[(size_t) s].sequence.size();
    if (! juce::isPositiveAndBelow (index, n))
        return menu;
    menu.addItem (1, "Rename Pattern");
    menu.addItem (2, "Duplicate Pattern", n < 16);
    menu.addSeparator();
    menu.addItem (3, "Delete Pattern", n >= 2);
    return menu;
}

void VarneTAudioProcessorEditor::showPatternTileMenu (int index)
{
    auto menu = buildPatternTileMenu (index);
    if (menu.getNumItems() == 0)
        return;
    const auto area = patternStrip.localAreaToGlobal (patternStrip.getTileBounds (index));
    showThemedMenu (menu, patternStrip, area, [this, index] (int id) { handlePatternTileMenuResult (index, id); });
}

void VarneTAudioProcessorEditor::handlePatternTileMenuResult (int index, int id)
{
    if (id == 1)
        return beginPatternRename (index);

    auto project = processor.getProjectCopy();
    const auto s = project.clampedActiveSectionIndex();
    if (s < 0)
        return;
    auto& sequence = project.sections[(size_t) s].sequence;
    const auto n = (int) sequence.size();
    if (! juce::isPositiveAndBelow (index, n))
        return;

    if (id == 2)
    {
        if (n >= 16)
            return;
        auto copy = sequence[(size_t) index];
        sequence.insert (sequence.begin() + index + 1, std::move (copy));
        selectedPatternIndex = index + 1;
        if (const auto error = processor.applyProjectEdit (std::move (project), true); error.isNotEmpty())
            return showError (error);
        refreshFromProcessor();
        showStatus ("Duplicated Pattern " + juce::String (index + 2));
    }
    else if (id == 3)
    {
        if (n < 2)
            return;
        sequence.erase (sequence.begin() + index);
        if (index == selectedPatternIndex)
            selectedPatternIndex = std::min (index, n - 2);
        else if (index < selectedPatternIndex)
            --selectedPatternIndex;
        if (const auto error = processor.applyProjectEdit (std::move (project), true); error.isNotEmpty())
            return showError (error);
        refreshFromProcessor();
        showStatus ("Deleted Pattern " + juce::String (index + 1) + "; Undo restores it");
    }
}
