#include "kit/FileClipboard.h"

#include "kit/X11FileClipboard.h"

#include <cstring>

namespace tolmek
{

juce::File createMidiExportFolder (const juce::String& productName)
{
    const auto folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                            .getChildFile ("Tolmek MIDI Exports")
                            .getChildFile (juce::File::createLegalFileName (productName))
                            .getChildFile (juce::Uuid().toString());

    if (folder.createDirectory().wasOk() && folder.isDirectory())
        return folder;

    return {};
}

juce::String FileClipboard::Result::getMessage (const juce::String& kind) const
{
    if (ok)
        return kind + " MIDI file copied to clipboard.";

    return "Could not copy " + kind + " MIDI file. " + message + " Use Save to Disk.";
}

namespace
{
void complete (const FileClipboard::Result& result, FileClipboard::Completion onComplete)
{
    juce::Logger::writeToLog ("MIDI file clipboard [" + result.stage + "]: "
                              + (result.ok ? juce::String ("file published") : result.message));

    juce::MessageManager::callAsync ([result, onComplete = std::move (onComplete)]
    {
        if (onComplete)
            onComplete (result);
    });
}
} // namespace

void FileClipboard::copyFile (const juce::File& file, juce::Component* owner, Completion onComplete)
{
    copyFileThrough ([] (const juce::File& f, juce::Component*) { return publishFileOnX11Clipboard (f); },
                     file, owner, std::move (onComplete));
}

void FileClipboard::copyFileThrough (const Publisher& publisher, const juce::File& file,
                                     juce::Component* owner, Completion onComplete)
{
    if (! file.existsAsFile() || file.getSize() <= 0)
    {
        complete ({ false, "validation", "The MIDI file is missing or empty." }, std::move (onComplete));
        return;
    }

    complete (publisher (file, owner), std::move (onComplete));
}

juce::MemoryBlock FileClipboard::makeFileDropPayload (const juce::String& fullPath)
{
    juce::MemoryBlock utf16;

    auto put16 = [&utf16] (std::uint32_t unit)
    {
        const std::uint8_t bytes[2] { static_cast<std::uint8_t> (unit & 0xff), static_cast<std::uint8_t> (unit >> 8) };
        utf16.append (bytes, 2);
    };

    for (auto p = fullPath.getCharPointer(); ! p.isEmpty();)
    {
        const auto c = static_cast<std::uint32_t> (p.getAndAdvance());

        if (c >= 0x10000)
        {
            put16 (0xd800 + ((c - 0x10000) >> 10));
            put16 (0xdc00 + ((c - 0x10000) & 0x3ff));
        }
        else
        {
            put16 (c);
        }
    }

    juce::MemoryBlock block (utf16.getSize() + 24, true);
    auto* bytes = static_cast<std::uint8_t*> (block.getData());
    bytes[0] = 20; // pFiles
    bytes[16] = 1; // fWide
    std::memcpy (bytes + 20, utf16.getData(), utf16.getSize());
    return block;
}

FileClipboard::Result FileClipboard::publishFileDrop (DropSystem& system, const juce::String& fullPath, void* ownerWindow)
{
    auto failure = [&system] (const char* step)
    {
        return Result { false, dropStage,
                        juce::String (step) + " failed (Windows " + juce::String (system.lastError()) + ")." };
    };

    auto* window = ownerWindow;
    const bool madeWindow = window == nullptr;

    if (madeWindow)
    {
        window = system.createMessageWindow();

        if (window == nullptr)
            return failure ("Creating clipboard owner");
    }

    Result result { true, dropStage, {} };
    void* block = nullptr;
    bool opened = false, taken = false;

    [&]
    {
        const auto payload = makeFileDropPayload (fullPath);

        if ((block = system.allocate (payload.getSize())) == nullptr)
        {
            result = failure ("Allocating clipboard data");
            return;
        }

        auto* bytes = system.lock (block);

        if (bytes == nullptr)
        {
            result = failure ("Locking clipboard data");
            return;
        }

        std::memcpy (bytes, payload.getData(), payload.getSize());
        system.unlock (block);

        if (! (opened = system.open (window)))
        {
            result = failure ("Opening clipboard");
            return;
        }

        if (! system.empty())
        {
            result = failure ("Emptying clipboard");
            return;
        }

        if (! (taken = system.setFileDrop (block)))
            result = failure ("Publishing file");
    }();

    if (opened)
        system.close();

    if (block != nullptr && ! taken)
        system.release (block);

    if (madeWindow)
        system.destroyWindow (window);

    return result;
}

} // namespace tolmek
