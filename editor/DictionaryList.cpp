#include "editor/PluginEditor.h"

#include "editor/EditorWidgets.h"
#include "model/BuiltInPerformances.h"
#include "model/PatternFragments.h"

#include <cmath>

// The performance dictionary: the filter, the rows with their miniatures, and loading a pick
// into the active Section.

namespace
{
using Palette = VarneTTheme::Palette;

juce::Colour categoryColour (const juce::String& category)
{
    static const std::pair<const char*, juce::uint32> table[] {
        { "Chord Rhythms", Palette::caret },     { "Piano", Palette::focus },        { "Arpeggiators", Palette::accent },
        { "Ostinatos", Palette::teal },          { "Basslines", Palette::error },    { "Melodies & Hooks", Palette::pink },
        { "Metal Guitar", Palette::orange },     { "Game Atmospheres", Palette::cyan },
    };
    for (const auto& [name, argb] : table)
        if (category == name)
            return VarneTTheme::colour (argb);
    return VarneTTheme::colour (Palette::lightCyan);
}

int fragmentCountShown (double length)
{
    if (length <= 16.000000001)
        return 1;
    const auto eighths = (int) std::ceil ((length - 1e-9) / 8.0);
    return eighths > 16 ? (int) std::ceil ((length - 1e-9) / 16.0) : eighths;
}

juce::String detailLine (const VarneT::Pattern& p)
{
    if (p.lengthBeats > 16.0)
        return barsText (p.lengthBeats, true) + " " + juce::String::charToString ((juce::juce_wchar) 0x2192) + " "
             + juce::String (fragmentCountShown (p.lengthBeats)) + " patterns";
    return p.category + "  -  " + juce::String ((int) p.voices.size()) + " lines  -  " + barsText (p.lengthBeats, true);
}
} // namespace

void VarneTAudioProcessorEditor::setUpDictionary()
{
    juce::StringArray categories;
    for (const auto& p : VarneT::builtInPerformances())
        categories.addIfNotAlreadyThere (p.category);
    for (int i = 0; i < categories.size(); ++i)
        dictionaryFilterBox.addItem (categories[i], i + 2);
    dictionaryFilterBox.setSelectedId (1, juce::dontSendNotification);
    dictionaryFilterBox.setTooltip ("Filter the dictionary by musical performance section.");

    dictionaryList.setRowHeight (58);
    dictionaryList.setOutlineThickness (0);
    dictionaryList.setColour (juce::ListBox::backgroundColourId, juce::Colours::transparentBlack);
    dictionaryList.setTooltip ("Each miniature shows timing, duration, lines, and dynamics. Long performances show how many editable Patterns they will create.");
}

void VarneTAudioProcessorEditor::applyDictionaryFilter()
{
    if (dictionaryFilterBox.getNumItems() <= 1)
        setUpDictionary();

    const auto& performances = VarneT::builtInPerformances();
    const auto category = dictionaryFilterBox.getSelectedId() == 1 ? juce::String() : dictionaryFilterBox.getText();

    dictionaryRows.clear();
    auto appendCategory = [&] (const juce::String& c)
    {
        for (int i = 0; i < (int) performances.size(); ++i)
            if (performances[(size_t) i].category == c)
                dictionaryRows.push_back (i);
    };

    if (category.isNotEmpty())
        appendCategory (category);
    else
        for (int item = 1; item < dictionaryFilterBox.getNumItems(); ++item)
            appendCategory (dictionaryFilterBox.getItemText (item));

    dictionaryList.updateContent();
    dictionaryList.deselectAllRows();
    if (isTimerRunning()) // during the construction the controls are not set up yet; it refreshes at its end
        refreshFromProcessor();
}

void VarneTAudioProcessorEditor::selectDictionaryRowFor (const VarneT::Pattern& shown)
{
    const auto& performances = VarneT::builtInPerformances();
    for (int row = 0; row < (int) dictionaryRows.size(); ++row)
    {
        const auto& p = performances[(size_t) dictionaryRows[(size_t) row]];
        if (p.name == shown.name && p.category == shown.category)
        {
            if (dictionaryList.getSelectedRow() != row || dictionaryList.getNumSelectedRows() != 1)
                dictionaryList.selectRow (row, true, true);
            return;
        }
    }
    if (dictionaryList.getNumSelectedRows() > 0)
        dictionaryList.deselectAllRows();
}

int VarneTAudioProcessorEditor::getNumRows() { return (int) dictionaryRows.size(); }

void VarneTAudioProcessorEditor::paintListBoxItem (int row, juce::Graphics& g, int width, int height, bool selected)
{
    if (juce::isPositiveAndBelow (row, (int) dictionaryRows.size()))
        paintDictionaryRow (VarneT::builtInPerformances()[(size_t) dictionaryRows[(size_t) row]], g, width, height, selected);
}

void VarneTAudioProcessorEditor::paintDictionaryRow (const VarneT::Pattern& p, juce::Graphics& g, int width, int height, bool sel) const
{
    const auto panel = VarneTTheme::colour (Palette::panelBackground);
    const auto colour = categoryColour (p.category);

    g.setColour (VarneTTheme::colour (sel ? Palette::accent : Palette::fieldBackground));
    g.fillRoundedRectangle (3.0f, 2.0f, (float) std::max (0, width - 6), (float) (height - 4), 6.0f);

    const auto b = std::max (0, width - 22);
    const auto mw = std::min (b, 58);
    const auto gap = std::min (b - mw, 7);
    const auto tx = mw + 11 + gap, tw = b - mw - gap;
    const auto bh = height - 4 < 1 ? 0 : std::max (0, height - 14);
    const auto bw = std::max (0, mw - 2);

    const juce::Rectangle<float> box (12.0f, 7.0f, (float) bw, (float) bh);
    g.setColour (sel ? panel.withAlpha ((juce::uint8) 61) : VarneTTheme::colour (Palette::menuBackground).withAlpha ((juce::uint8) 199));
    g.fillRoundedRectangle (box, 4.0f);
    g.setColour (colour.withAlpha (sel ? 0.95f : 0.55f));
    g.drawRoundedRectangle (box, 4.0f, 1.0f);

    const auto iw = (float) std::max (0, bw - 6), ih = (float) std::max (0, bh - 6);
    const auto length = p.lengthBeats;
    if (length > 0.0)
    {
        g.setColour (sel ? panel.withAlpha ((juce::uint8) 46) : VarneTTheme::colour (Palette::pressedFill).withAlpha ((juce::uint8) 87));
        for (int i = 1; i <= (int) std::ceil (length) - 1; ++i)
            g.fillRect ((float) juce::roundToInt (15.0 + (i / length) * iw), 10.0f, 1.0f, ih);

        const auto lanes = std::max (1, (int) p.voices.size());
        const auto v = ih / (float) lanes;
        const auto barColour = sel ? panel : colour;
        for (const auto& n : p.notes)
        {
            const auto lane = juce::jlimit (0, lanes - 1, n.voiceId);
            const auto x0 = 15.0f + (float) (n.startBeat / length) * iw;
            const auto x1 = x0 + std::max (1.5f, (float) (n.durationBeats / length) * iw);
            const auto left = std::max (15.0f, x0), right = std::min (15.0f + iw, x1);
            const auto t = 10.0f + ih - (float) (lane + 1) * v + 0.5f;
            const auto top = std::max (10.0f, t), bottom = std::min (10.0f + ih, t + std::max (1.5f, v - 1.0f));
            if (right - left < 0.0f || bottom - top < 0.0f)
                continue;
            g.setColour (barColour.withAlpha (juce::jlimit (0.0f, 1.0f, 0.48f + 0.52f * (float) n.velocity / 127.0f)));
            g.fillRoundedRectangle (left, top, right - left, bottom - top, 1.0f);
        }
    }

    const auto nameHeight = std::min (bh, 23);
    g.setColour (sel ? panel : VarneTTheme::colour (Palette::text));
    g.setFont (VarneTTheme::themeFont (13.0f, true));
    g.drawFittedText (p.name, tx, 7, tw, nameHeight, juce::Justification::centredLeft, 1, 0.85f);

    const auto h2 = std::min (bh - nameHeight, 18);
    g.setColour (sel ? panel.withAlpha ((juce::uint8) 204) : VarneTTheme::colour (Palette::captionText));
    g.setFont (VarneTTheme::themeFont (11.0f));
    g.drawFittedText (detailLine (p), tx, 7 + bh - h2, tw, h2, juce::Justification::centredLeft, 1, 0.75f);
}

// Delete and Backspace in the list are meant for the selected note, as everywhere in the editor.
void VarneTAudioProcessorEditor::deleteKeyPressed (int)
{
    keyPressed (juce::KeyPress (juce::KeyPress::deleteKey, juce::ModifierKeys::currentModifiers.withoutMouseButtons(), 0));
}

void VarneTAudioProcessorEditor::selectedRowsChanged (int row)
{
    if (isUpdatingControls || ! juce::isPositiveAndBelow (row, (int) dictionaryRows.size()))
        return;

    const auto& performance = VarneT::builtInPerformances()[(size_t) dictionaryRows[(size_t) row]];
    const auto project = processor.getProjectCopy();
    if (project.sections.empty())
        return;
    const auto s = juce::jlimit (0, (int) project.sections.size() - 1, project.activeSectionIndex);

    std::vector<VarneT::Pattern> fragments;
    if (const auto error = VarneT::loadPerformanceIntoSection (performance, 17 - (int) project.sections[(size_t) s].sequence.size(), fragments);
        error.isNotEmpty())
    {
        showError (error);
        return refreshFromProcessor();
    }

    auto edited = project;
    juce::String error;
    if (! juce::isPositiveAndBelow (s, (int) edited.sections.size()))
        error = "Section index is out of range";
    else if (! juce::isPositiveAndBelow (selectedPatternIndex, (int) edited.sections[(size_t) s].sequence.size()))
        error = "Pattern index is out of range";
    else if (fragments.empty())
        error = "Pattern chain must contain at least one Pattern";
    else if (const auto count = (int) edited.sections[(size_t) s].sequence.size() - 1 + (int) fragments.size(); count > 16)
        error = "Cannot split Pattern: the Section would contain " + juce::String (count) + " Patterns, above the limit of " + juce::String (16);

    if (error.isEmpty())
    {
        auto& sequence = edited.sections[(size_t) s].sequence;
        sequence.erase (sequence.begin() + selectedPatternIndex);
        sequence.insert (sequence.begin() + selectedPatternIndex, fragments.begin(), fragments.end());
        error = processor.applyProjectEdit (std::move (edited), true);
    }

    if (error.isNotEmpty())
    {
        showError (error);
        return refreshFromProcessor();
    }

    refreshFromProcessor();
    if (! processor.isAuditionEnabled())
    {
        processor.requestReleaseNotes();
        processor.enableAudition();
    }
    const auto count = (int) fragments.size();
    showStatus ("Loaded '" + performance.name + "' as " + juce::String (count) + (count == 1 ? " Pattern" : " Patterns")
                + "; audition follows the DAW transport");
}
