#include "editor/PluginEditor.h"

// The bottom line (status, errors and the help line) and the keyboard shortcuts.

void VarneTAudioProcessorEditor::showStatus (const juce::String& text)
{
    // The next timer tick shows it; a new status restarts the time.
    statusText = text;
    statusTicks = 80;
    statusIsError = false;
}

void VarneTAudioProcessorEditor::showError (const juce::String& text)
{
    statusText = "ERROR - " + text;
    statusTicks = 120;
    statusIsError = true;
}

std::array<juce::Component*, 5> VarneTAudioProcessorEditor::overlays() const
{
    return { helpOverlay.get(), welcomeDialog.get(), jsonOverlay.get(), libraryOverlay.get(), dirtyOverlay.get() };
}

bool VarneTAudioProcessorEditor::isAnyOverlayVisible() const
{
    for (auto* overlay : overlays())
        if (overlay != nullptr && overlay->isVisible())
            return true;
    return false;
}

bool VarneTAudioProcessorEditor::moveFocusIntoOverlay (bool backwards)
{
    // An overlay that holds the focus itself (help, welcome) would let Tab pass to its siblings
    // behind it: Tab enters its own controls instead.
    auto* focused = juce::Component::getCurrentlyFocusedComponent();
    for (auto* overlay : overlays())
    {
        if (overlay == nullptr || overlay != focused || ! overlay->isVisible())
            continue;
        const auto controls = overlay->createKeyboardFocusTraverser()->getAllComponents (overlay);
        if (! controls.empty())
            (backwards ? controls.back() : controls.front())->grabKeyboardFocus();
        return true;
    }
    return false;
}

void VarneTAudioProcessorEditor::updateHelpDock (juce::Component* c)
{
    helpLineText = {};

    // Bringing the bottom line to the front would lift it above a modal overlay's backdrop, so
    // the help line rests while any overlay is shown.
    if (isAnyOverlayVisible() || c == nullptr || (c != this && ! isParentOf (c)))
        return;

    for (auto* p = c; p != nullptr; p = p->getParentComponent())
    {
        if (auto* client = dynamic_cast<juce::TooltipClient*> (p))
        {
            helpLineText = client->getTooltip();
            if (helpLineText.isNotEmpty())
                break;
        }
        if (p == this)
            break;
    }

    if (helpLineText.isEmpty())
        return;

    if (auto* parent = bottomLineLabel.getParentComponent(); parent != nullptr && parent->getChildren().getLast() != &bottomLineLabel)
        bottomLineLabel.toFront (false);
    if (statusTicks < 1)
    {
        bottomLineLabel.setText (helpLineText, juce::dontSendNotification);
        bottomLineLabel.setColour (juce::Label::textColourId, VarneTTheme::colour (VarneTTheme::Palette::captionText));
    }
}

void VarneTAudioProcessorEditor::mouseMove (const juce::MouseEvent& e) { updateHelpDock (e.eventComponent); }
void VarneTAudioProcessorEditor::mouseEnter (const juce::MouseEvent& e) { updateHelpDock (e.eventComponent); }
void VarneTAudioProcessorEditor::mouseExit (const juce::MouseEvent&) { helpLineText = {}; }

void VarneTAudioProcessorEditor::focusOfChildComponentChanged (FocusChangeType cause)
{
    // A focused control that was disabled or hidden leaves the focus nowhere, and the keys with
    // it: the editor takes it back, so that the shortcuts keep working. Losing the focus to
    // another window (a mouse click) or giving it to the host (Space) is left alone.
    if (cause == focusChangedDirectly && ! isReleasingFocusToHost && juce::Component::getCurrentlyFocusedComponent() == nullptr
        && isShowing())
        grabKeyboardFocus();
}

bool VarneTAudioProcessorEditor::keyPressed (const juce::KeyPress& key)
{
    const auto mods = key.getModifiers();
    const auto code = key.getKeyCode();

    // Space belongs to the host's transport.
    if (code == juce::KeyPress::spaceKey)
    {
        if (hasKeyboardFocus (true))
        {
            const juce::ScopedValueSetter<bool> releasing (isReleasingFocusToHost, true);
            juce::Component::unfocusAllComponents();
        }
        return false;
    }

    const auto ctrl = mods.isCommandDown(), shift = mods.isShiftDown(), alt = mods.isAltDown();

    if (code == juce::KeyPress::tabKey && ! ctrl && ! alt)
        return moveFocusIntoOverlay (shift);

    const auto isZ = code == 'Z' || code == 'z', isD = code == 'D' || code == 'd';
    const auto undoOrRedo = isZ && ctrl && ! alt;
    const auto duplicate = isD && ctrl && ! shift && ! alt;
    const auto remove = (code == juce::KeyPress::deleteKey || code == juce::KeyPress::backspaceKey) && ! shift && ! ctrl && ! alt;
    if (! undoOrRedo && ! duplicate && ! remove)
        return false;

    // Typing and dialogs keep the shortcuts from acting, without passing the key on.
    auto* focused = juce::Component::getCurrentlyFocusedComponent();
    const auto inTextField = focused != nullptr
                          && (dynamic_cast<juce::TextEditor*> (focused) != nullptr
                              || focused->findParentComponentOfClass<juce::TextEditor>() != nullptr);
    if (sectionRenameField.isVisible() || patternRenameField.isVisible() || isAnyOverlayVisible() || inTextField)
        return true;

    if (undoOrRedo)
    {
        if (shift)
            processor.getUndoManager().redo();
        else
            processor.getUndoManager().undo();
    }
    else if (duplicate)
    {
        timeline.duplicateSelectedNote();
    }
    else if (timeline.selectedIndex >= 0)
    {
        timeline.deleteSelectedNote();
    }
    return true;
}
