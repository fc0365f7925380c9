#include "editor/SectionMidiExportActions.h"

#include "VarneTIdentity.h"
#include "kit/PopupMenuPlacement.h"
#include "plugin/SectionMidiExport.h"

SectionMidiExportActions::SectionMidiExportActions (VarneTAudioProcessor& p, juce::Component& ownerComponent,
                                                    StatusLine line, tolmek::MidiFileSaveController::Backend saveBackend)
    : processor (p), owner (&ownerComponent), statusLine (std::move (line)), saveController (std::move (saveBackend)),
      self (std::make_shared<SectionMidiExportActions*> (this))
{
}

SectionMidiExportActions::~SectionMidiExportActions()
{
    saveController.dismiss();
}

juce::File SectionMidiExportActions::exportActiveSectionMidi()
{
    const auto result = VarneT::exportActiveSectionMidi (processor);

    if (result.ok())
    {
        if (statusLine.showStatus)
            statusLine.showStatus (result.status);
    }
    else if (statusLine.showError)
    {
        statusLine.showError (result.error);
    }

    return result.file;
}

juce::PopupMenu SectionMidiExportActions::buildMenu()
{
    juce::PopupMenu menu;
    menu.addItem (copyItem, "Copy");
    menu.addItem (saveItem, "Save to Disk");
    return menu;
}

void SectionMidiExportActions::showMenu (juce::Component& button, juce::LookAndFeel* lookAndFeel)
{
    auto menu = buildMenu();
    menu.setLookAndFeel (lookAndFeel);

    const auto options = tolmek::PopupMenuPlacement::placeMenu (juce::PopupMenu::Options().withTargetComponent (&button));
    menu.showMenuAsync (options, [weak = std::weak_ptr<SectionMidiExportActions*> (self), editor = owner] (int item)
    {
        auto alive = weak.lock();

        if (alive == nullptr || editor == nullptr || item == 0)
            return;

        (*alive)->handleMenuResult (item);
    });
}

void SectionMidiExportActions::handleMenuResult (int item)
{
    if (owner == nullptr || (item != copyItem && item != saveItem))
        return;

    const auto file = exportActiveSectionMidi();

    if (file.getFullPathName().isEmpty())
        return;

    auto weak = std::weak_ptr<SectionMidiExportActions*> (self);
    auto editor = owner;

    if (item == copyItem)
    {
        tolmek::FileClipboard::copyFile (file, owner.getComponent(), [weak, editor] (tolmek::FileClipboard::Result result)
        {
            if (auto alive = weak.lock(); alive != nullptr && editor != nullptr)
                (*alive)->handleMidiClipboardResult (result);
        });
        return;
    }

    juce::MemoryBlock bytes;

    if (! file.loadFileAsData (bytes))
    {
        if (statusLine.showError)
            statusLine.showError ("Could not prepare Section MIDI for saving");
        return;
    }

    saveController.save (*owner, std::move (bytes), juce::String (VarneT::identity::productName) + "-" + file.getFileName(), "Section", saveDialogStyle (file),
                         [weak, editor] (tolmek::MidiFileSaveController::Result result)
                         {
                             if (auto alive = weak.lock(); alive != nullptr && editor != nullptr)
                                 (*alive)->handleMidiSaveResult (result);
                         });
}

tolmek::MidiFileSaveController::DialogStyle SectionMidiExportActions::saveDialogStyle (const juce::File& exportedFile)
{
    tolmek::MidiFileSaveController::DialogStyle style;
    style.title = juce::String (VarneT::identity::productName) + " / " + exportedFile.getFileNameWithoutExtension() + " / Active section";

    const juce::uint32 colours[] { 0xff1e1e2e, 0xff181825, 0xff313244, 0xffcdd6f4, 0xffa6adc8, 0xff585b70,
                                   0xffb4befe, 0xfff38ba8, 0xff11111b, 0xffcba6f7, 0xff1e1e2e };

    for (size_t i = 0; i < std::size (colours); ++i)
        style.colours[i] = juce::Colour (colours[i]);

    return style;
}

void SectionMidiExportActions::handleMidiClipboardResult (const tolmek::FileClipboard::Result& result)
{
    const auto& show = result.ok ? statusLine.showStatus : statusLine.showError;

    if (show)
        show (result.getMessage ("Section"));
}

void SectionMidiExportActions::handleMidiSaveResult (const tolmek::MidiFileSaveController::Result& result)
{
    using Status = tolmek::MidiFileSaveController::Result::Status;

    if (result.status == Status::cancelled)
        return;

    const auto& show = result.status == Status::saved ? statusLine.showStatus : statusLine.showError;

    if (show)
        show (result.getMessage ("Section"));
}
