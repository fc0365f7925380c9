#include "editor/library/ProjectLibraryOverlay.h"

#include "editor/library/DialogStyle.h"
#include "editor/VarneTTheme.h"

using namespace VarneT;

namespace
{
constexpr int rowPitch = 36;
constexpr int rowHeight = 30;

/** A row of the list. The theme draws plain button text in one colour; a row draws its own text
    in its text colour, so that the current project's row stands out in the list. */
class RowButton : public juce::TextButton
{
public:
    void paintButton (juce::Graphics& g, bool highlighted, bool down) override
    {
        auto& lf = getLookAndFeel();
        lf.drawButtonBackground (g, *this, findColour (buttonColourId), highlighted, down);
        if (getToggleState() || ! isEnabled())
        {
            lf.drawButtonText (g, *this, highlighted, down);
            return;
        }

        g.setColour (findColour (textColourOffId));
        g.setFont (VarneTTheme::themeFont (13.0f, true));
        g.drawFittedText (getButtonText(), getLocalBounds().reduced (6, 2).translated (0, down ? 1 : 0),
                          juce::Justification::centred, 1);
    }
};
} // namespace

ProjectLibraryOverlay::ProjectLibraryOverlay()
{
    setInterceptsMouseClicks (true, true);
    setWantsKeyboardFocus (true);
    setVisible (false);

    addProjectFields (*this, nameLabel, nameEditor, descriptionLabel, descriptionEditor,
                      [this] { saveRequested(); }, [this] { closeClicked(); });

    setButtonRole (saveButton, "Save", true);
    setButtonRole (loadButton, "Load", true);
    setButtonRole (confirmButton, "Confirm", true);
    setButtonRole (deleteButton, "Delete", false);
    deleteButton.getProperties().set ("danger", true);
    setButtonRole (cancelButton, "Cancel", false);
    setButtonRole (closeButton, "Close", false);
    for (auto* b : { &saveButton, &loadButton, &deleteButton, &confirmButton, &cancelButton, &closeButton })
        addAndMakeVisible (b);

    saveButton.onClick = [this] { saveRequested(); };
    loadButton.onClick = [this] { loadClicked(); };
    deleteButton.onClick = [this] { deleteClicked(); };
    confirmButton.onClick = [this] { confirmPendingAction(); };
    cancelButton.onClick = [this] { cancelConfirmation(); };
    closeButton.onClick = [this] { closeClicked(); };

    listViewport.setViewedComponent (&listContent, false);
    listViewport.setScrollBarsShown (true, false);
    addAndMakeVisible (listViewport);

    openFolderLink.setButtonText ("Open Projects Folder");
    openFolderLink.setColour (juce::HyperlinkButton::textColourId, VarneTTheme::colour (VarneTTheme::Palette::teal));
    openFolderLink.setFont (VarneTTheme::themeFont (11.5f, false).withStyle (juce::Font::underlined), false, juce::Justification::centredRight);
    openFolderLink.setTooltip ("Open the Varne-T project folder in your file manager");
    openFolderLink.onClick = [this] { if (onOpenFolder) onOpenFolder(); };
    addAndMakeVisible (openFolderLink);

    emptyLabel.setText ("No saved projects", juce::dontSendNotification);
    emptyLabel.setColour (juce::Label::textColourId, VarneTTheme::colour (VarneTTheme::Palette::outline));
    emptyLabel.setJustificationType (juce::Justification::centred);
    addAndMakeVisible (emptyLabel);

    confirmLabel.setColour (juce::Label::textColourId, VarneTTheme::colour (VarneTTheme::Palette::text));
    confirmLabel.setFont (VarneTTheme::themeFont (13.0f, true));
    confirmLabel.setJustificationType (juce::Justification::centredLeft);
    confirmLabel.setMinimumHorizontalScale (0.7f);
    addAndMakeVisible (confirmLabel);

    addStatusLabel (*this, statusLabel, VarneTTheme::colour (VarneTTheme::Palette::success));

    updateControlStates();
}

ProjectLibraryOverlay::~ProjectLibraryOverlay()
{
    pendingAction = nullptr;
    listViewport.setViewedComponent (nullptr, false);
}

//==============================================================================
void ProjectLibraryOverlay::open (std::vector<ProjectLibraryEntry> newEntries, const juce::File& file)
{
    nameEditor.clear();
    descriptionEditor.clear();
    statusLabel.setText ({}, juce::dontSendNotification);
    confirming = false;
    pendingAction = nullptr;
    setEntries (std::move (newEntries), file);
    show();
    nameEditor.grabKeyboardFocus();
}

void ProjectLibraryOverlay::setCurrentProject (const juce::File& file, bool modified)
{
    currentProjectFile = file;
    currentProjectModified = modified;
    updateRowCaptions();
    updateRowColours();
}

void ProjectLibraryOverlay::setEntries (std::vector<ProjectLibraryEntry> newEntries, const juce::File& file)
{
    entries = std::move (newEntries);
    selectedIndex = -1;
    if (file.getFullPathName().isNotEmpty())
        for (size_t i = 0; i < entries.size(); ++i)
            if (entries[i].file.getFullPathName() == file.getFullPathName())
            {
                selectedIndex = (int) i;
                break;
            }

    rowButtons.clear();
    for (size_t i = 0; i < entries.size(); ++i)
    {
        auto* row = rowButtons.add (new RowButton());
        row->setMouseCursor (juce::MouseCursor::PointingHandCursor);
        row->onClick = [this, index = (int) i] { rowClicked (index); };
        listContent.addAndMakeVisible (row);
    }

    updateRowCaptions();
    updateRowColours();
    layoutRows();
    showSelectedEntry();
    updateControlStates();
}

juce::File ProjectLibraryOverlay::getSelectedFile() const
{
    return juce::isPositiveAndBelow (selectedIndex, (int) entries.size()) ? entries[(size_t) selectedIndex].file : juce::File();
}

void ProjectLibraryOverlay::setStatus (const juce::String& text, bool isError)
{
    statusLabel.setText (text, juce::dontSendNotification);
    statusLabel.setColour (juce::Label::textColourId, isError ? VarneTTheme::colour (VarneTTheme::Palette::error) : VarneTTheme::colour (VarneTTheme::Palette::success));
}

void ProjectLibraryOverlay::show()
{
    if (auto* parent = getParentComponent())
        setBounds (parent->getLocalBounds());
    setVisible (true);
    toFront (false);
    resized();
    repaint();
}

void ProjectLibraryOverlay::close()
{
    confirming = false;
    pendingAction = nullptr;
    updateControlStates();
    setVisible (false);
}

void ProjectLibraryOverlay::askConfirmation (const juce::String& message, const juce::String& confirmText,
                                             std::function<void()> action, bool isDanger)
{
    confirming = true;
    confirmLabel.setText (message, juce::dontSendNotification);
    confirmButton.setButtonText (confirmText);
    confirmButton.getProperties().set ("primary", ! isDanger);
    confirmButton.getProperties().set ("danger", isDanger);
    pendingAction = std::move (action);
    setStatus ({}, false);
    updateControlStates();
    show();
}

//==============================================================================
bool ProjectLibraryOverlay::isCurrentRow (int index) const
{
    return currentProjectFile.getFullPathName().isNotEmpty()
        && entries[(size_t) index].file.getFullPathName() == currentProjectFile.getFullPathName();
}

void ProjectLibraryOverlay::updateRowCaptions()
{
    for (int i = 0; i < rowButtons.size() && i < (int) entries.size(); ++i)
    {
        auto text = entries[(size_t) i].name;
        if (isCurrentRow (i))
            text += juce::String (juce::CharPointer_UTF8 (currentProjectModified ? "  \xe2\x80\xa2 Modified" : "  \xe2\x80\xa2 Current"));

        if (rowButtons[i]->getButtonText() != text)
        {
            rowButtons[i]->setButtonText (text);
            rowButtons[i]->repaint();
        }
    }
}

void ProjectLibraryOverlay::updateRowColours()
{
    for (int i = 0; i < rowButtons.size() && i < (int) entries.size(); ++i)
    {
        rowButtons[i]->setToggleState (i == selectedIndex, juce::dontSendNotification);
        rowButtons[i]->setColour (juce::TextButton::textColourOffId, isCurrentRow (i) ? VarneTTheme::colour (VarneTTheme::Palette::teal) : VarneTTheme::colour (VarneTTheme::Palette::text));
    }
}

void ProjectLibraryOverlay::layoutRows()
{
    const auto w = juce::jmax (1, listViewport.getWidth() - 18);
    for (int i = 0; i < rowButtons.size(); ++i)
        rowButtons[i]->setBounds (0, rowPitch * i, w, rowHeight);
    listContent.setSize (w, juce::jmax (listViewport.getHeight(), rowPitch * rowButtons.size()));
}

void ProjectLibraryOverlay::showSelectedEntry()
{
    const auto valid = juce::isPositiveAndBelow (selectedIndex, (int) entries.size());
    nameEditor.setText (valid ? entries[(size_t) selectedIndex].name : juce::String(), false);
    descriptionEditor.setText (valid ? entries[(size_t) selectedIndex].description : juce::String(), false);
}

void ProjectLibraryOverlay::updateControlStates()
{
    const auto valid = juce::isPositiveAndBelow (selectedIndex, (int) entries.size());
    listViewport.setVisible (! entries.empty());
    emptyLabel.setVisible (entries.empty());
    saveButton.setEnabled (! confirming);
    nameEditor.setEnabled (! confirming);
    descriptionEditor.setEnabled (! confirming);
    loadButton.setVisible (! confirming);
    deleteButton.setVisible (! confirming);
    loadButton.setEnabled (valid);
    deleteButton.setEnabled (valid);
    confirmLabel.setVisible (confirming);
    confirmButton.setVisible (confirming);
    cancelButton.setVisible (confirming);
}

//==============================================================================
void ProjectLibraryOverlay::rowClicked (int index)
{
    selectedIndex = index;
    cancelConfirmation();
    showSelectedEntry();
    updateRowColours();
    updateControlStates();
}

void ProjectLibraryOverlay::saveRequested()
{
    if (confirming)
        return;

    const auto name = nameEditor.getText().trim();
    if (name.isEmpty())
    {
        setStatus ("Name cannot be empty.", true);
        return;
    }

    if (onSave)
        onSave (name, descriptionEditor.getText().trim());
}

void ProjectLibraryOverlay::loadClicked()
{
    if (confirming)
        return;

    if (const auto file = getSelectedFile(); file.getFullPathName().isNotEmpty())
    {
        if (onLoad)
            onLoad (file);
    }
    else
    {
        setStatus ("Choose a project first.", true);
    }
}

void ProjectLibraryOverlay::deleteClicked()
{
    if (confirming)
        return;

    if (! juce::isPositiveAndBelow (selectedIndex, (int) entries.size()))
    {
        setStatus ("Choose a project first.", true);
        return;
    }

    const auto& entry = entries[(size_t) selectedIndex];
    askConfirmation ("Delete \"" + entry.name + "\" from the local project library?", "Delete",
                     [this, file = entry.file] { if (onDelete) onDelete (file); }, true);
}

void ProjectLibraryOverlay::confirmPendingAction()
{
    auto action = std::move (pendingAction);
    pendingAction = nullptr;
    confirming = false;
    updateControlStates();
    resized();
    repaint();
    if (action)
        action();
}

void ProjectLibraryOverlay::cancelConfirmation()
{
    confirming = false;
    pendingAction = nullptr;
    updateControlStates();
    resized();
    repaint();
}

void ProjectLibraryOverlay::closeClicked()
{
    close();
}

bool ProjectLibraryOverlay::keyPressed (const juce::KeyPress& key)
{
    if (isPlainKey (key, juce::KeyPress::escapeKey))
    {
        if (confirming)
            cancelConfirmation();
        else
            close();
        return true;
    }

    if (confirming && isPlainKey (key, juce::KeyPress::returnKey))
    {
        confirmPendingAction();
        return true;
    }

    return false;
}

//==============================================================================
juce::Rectangle<int> ProjectLibraryOverlay::panelBounds() const
{
    const auto w = getWidth(), h = getHeight();
    const auto pw = juce::jlimit (640, 760, w - 80);
    const auto ph = juce::jlimit (460, 560, h - 80);
    return { (w - pw) / 2, (h - ph) / 2, pw, ph };
}

void ProjectLibraryOverlay::resized()
{
    const auto panel = panelBounds();
    const auto x0 = panel.getX(), y0 = panel.getY(), pw = panel.getWidth(), ph = panel.getHeight();
    const auto f = juce::jmin (pw - 324, 380);
    const auto r = x0 + f + 42, l = pw - 64 - f, e = ph - 94;

    closeButton.setBounds (x0 + pw - 96, y0 + 14, 72, 30);
    openFolderLink.setBounds (x0 + 22 + f - 132, y0 + 76, 132, 24);
    listViewport.setBounds (x0 + 22, y0 + 100, f, e - 24);
    emptyLabel.setBounds (listViewport.getBounds());
    nameLabel.setBounds (r, y0 + 76, l, 18);
    nameEditor.setBounds (r, y0 + 98, l, 32);
    descriptionLabel.setBounds (r, y0 + 140, l, 18);
    descriptionEditor.setBounds (r, y0 + 162, l, ph - 334);
    statusLabel.setBounds (r, y0 + ph - 40, l, 22);

    if (! confirming)
    {
        saveButton.setBounds (r, y0 + ph - 154, l, 30);
        loadButton.setBounds (r, y0 + ph - 116, l, 30);
        deleteButton.setBounds (r, y0 + ph - 78, l, 30);
        for (auto* c : std::initializer_list<juce::Component*> { &confirmLabel, &cancelButton, &confirmButton })
            c->setBounds ({});
    }
    else
    {
        const auto b = juce::jmin (l, (l - 10) / 2);
        confirmLabel.setBounds (r, y0 + ph - 154, l, 30);
        cancelButton.setBounds (r, y0 + ph - 114, b, 32);
        confirmButton.setBounds (r + b + 10, y0 + ph - 114, l - b - 10, 32);
        for (auto* c : std::initializer_list<juce::Component*> { &saveButton, &loadButton, &deleteButton })
            c->setBounds ({});
    }

    layoutRows();
}

void ProjectLibraryOverlay::paint (juce::Graphics& g)
{
    const auto panel = panelBounds();
    const auto x0 = panel.getX(), y0 = panel.getY(), pw = panel.getWidth(), ph = panel.getHeight();

    paintDialogFrame (g, panel, 0xe0, "Project Library");

    const auto captionWidth = juce::jmin (pw - 44, juce::jlimit (220, 380, pw - 324));
    g.setColour (VarneTTheme::colour (VarneTTheme::Palette::outline));
    g.setFont (VarneTTheme::themeFont (10.5f, true));
    g.drawText ("PROJECTS", juce::Rectangle<int> (x0 + 22, y0 + 76, captionWidth, juce::jmin (juce::jmax (ph - 94, 0), 16)),
                juce::Justification::centredLeft, true);

    const auto dividerX = (float) (x0 + captionWidth + 32);
    if (y0 + ph - 22 > y0 + 80)
    {
        g.setColour (VarneTTheme::colour (VarneTTheme::Palette::hoverFill));
        g.fillRect (juce::Rectangle<float> (dividerX, (float) (y0 + 80), 1.0f, (float) (ph - 102)));
    }

    g.setColour (VarneTTheme::colour (VarneTTheme::Palette::pressedFill));
    g.drawRoundedRectangle (juce::Rectangle<int> (x0 + 1, y0 + 1, pw - 2, ph - 2).toFloat(), 8.0f, 1.5f);
}
