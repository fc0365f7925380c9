#pragma once

#include "kit/FileClipboard.h"
#include "kit/MidiFileSaveController.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <memory>

class VarneTAudioProcessor;

/** The Section MIDI export as the editor offers it: the export with its status line texts, the
    button's "Copy" / "Save to Disk" menu and the two actions behind it. The editor owns one, wires
    the button's function objects to it and shows the menu it builds. Message thread only. */
class SectionMidiExportActions
{
public:
    struct StatusLine
    {
        std::function<void (const juce::String&)> showStatus;
        std::function<void (const juce::String&)> showError;
    };

    enum MenuItem
    {
        copyItem = 1,
        saveItem = 2
    };

    /** owner is the editor: clipboard and save results reach the status line only while it exists. */
    SectionMidiExportActions (VarneTAudioProcessor& processor, juce::Component& owner, StatusLine statusLine,
                              tolmek::MidiFileSaveController::Backend saveBackend = {});
    ~SectionMidiExportActions();

    /** Writes the active Section to a fresh export folder and reports it; the empty file on failure. */
    juce::File exportActiveSectionMidi();

    static juce::PopupMenu buildMenu();

    /** Shows buildMenu() asynchronously at the button, placed by tolmek::PopupMenuPlacement. */
    void showMenu (juce::Component& button, juce::LookAndFeel* lookAndFeel);

    /** 0 (dismissed) does nothing. */
    void handleMenuResult (int item);

    /** The save dialog's title and colours for an exported file. */
    static tolmek::MidiFileSaveController::DialogStyle saveDialogStyle (const juce::File& exportedFile);

    /** Closes an open save dialog (the editor's destructor). */
    void dismissSaveDialog() { saveController.dismiss(); }

private:
    void handleMidiClipboardResult (const tolmek::FileClipboard::Result&);
    void handleMidiSaveResult (const tolmek::MidiFileSaveController::Result&);

    VarneTAudioProcessor& processor;
    juce::Component::SafePointer<juce::Component> owner;
    StatusLine statusLine;
    tolmek::MidiFileSaveController saveController;
    std::shared_ptr<SectionMidiExportActions*> self;

    JUCE_DECLARE_NON_COPYABLE (SectionMidiExportActions)
};
