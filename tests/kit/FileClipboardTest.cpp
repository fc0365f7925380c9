// The export folder and the file clipboard: the file-drop payload and steps against a scripted
// system, the asynchronous completion with its log line (the X11 selection read by xclip is in
// gui/FileClipboardX11Test.cpp).

#include "kit/FileClipboard.h"
#include "kit/X11FileClipboard.h"
#include "support/ProcessRunner.h"
#include "support/ServiceTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

using tolmek::FileClipboard;

namespace
{
struct CapturingLogger final : juce::Logger
{
    CapturingLogger() { juce::Logger::setCurrentLogger (this); }
    ~CapturingLogger() override { juce::Logger::setCurrentLogger (nullptr); }
    void logMessage (const juce::String& message) override { lines.add (message); }
    juce::StringArray lines;
};

/** A clipboard system that fails at one named call and records every call. */
struct ScriptedDropSystem final : FileClipboard::DropSystem
{
    juce::String failAt;
    std::uint32_t errorCode = 1418;
    juce::StringArray calls;
    juce::HeapBlock<std::uint8_t> memory;
    juce::MemoryBlock published;
    int windowToken = 0, blockToken = 0;

    bool step (const char* name)
    {
        calls.add (name);
        return failAt != name;
    }

    void* createMessageWindow() override { return step ("createMessageWindow") ? &windowToken : nullptr; }
    void destroyWindow (void*) override { calls.add ("destroyWindow"); }
    void* allocate (std::size_t bytes) override
    {
        if (! step ("allocate"))
            return nullptr;
        memory.calloc (bytes);
        published.setSize (bytes);
        return &blockToken;
    }
    std::uint8_t* lock (void*) override { return step ("lock") ? memory.get() : nullptr; }
    void unlock (void*) override { calls.add ("unlock"); }
    void release (void*) override { calls.add ("release"); }
    bool open (void*) override { return step ("open"); }
    bool empty() override { return step ("empty"); }
    bool setFileDrop (void*) override
    {
        if (! step ("setFileDrop"))
            return false;
        published.copyFrom (memory.get(), 0, published.getSize());
        return true;
    }
    void close() override { calls.add ("close"); }
    std::uint32_t lastError() override { return errorCode; }
};

juce::String hexOf (const juce::MemoryBlock& block)
{
    return juce::String::toHexString (block.getData(), static_cast<int> (block.getSize()));
}

juce::File writeFile (const juce::File& folder, const juce::String& name, const juce::String& content)
{
    const auto file = folder.getChildFile (name);
    file.replaceWithText (content);
    return file;
}

struct ScratchFolder
{
    juce::File folder = juce::File::getSpecialLocation (juce::File::tempDirectory).getNonexistentChildFile ("clipboard", {});
    ScratchFolder() { folder.createDirectory(); }
    ~ScratchFolder() { folder.deleteRecursively(); }
};
} // namespace

TEST (MidiExportFolder, EachCallMakesANewLegalFolder)
{
    const auto a = tolmek::createMidiExportFolder ("Varne-T");
    const auto b = tolmek::createMidiExportFolder ("Va:r/ne?");
    ASSERT_TRUE (a.isDirectory());
    ASSERT_TRUE (b.isDirectory());

    const auto root = juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("Tolmek MIDI Exports");
    EXPECT_EQ (a.getParentDirectory(), root.getChildFile ("Varne-T"));
    EXPECT_EQ (b.getParentDirectory(), root.getChildFile ("Varne"));
    EXPECT_TRUE (a.getFileName().containsOnly ("0123456789abcdef"));
    EXPECT_EQ (a.getFileName().length(), 32);
    EXPECT_NE (a, tolmek::createMidiExportFolder ("Varne-T"));
    EXPECT_EQ (a.getNumberOfChildFiles (juce::File::findFilesAndDirectories), 0);

    const juce::String previous (std::getenv ("TMPDIR"));
    juce::TemporaryFile blocker;
    ASSERT_TRUE (blocker.getFile().replaceWithText ("x"));
    setenv ("TMPDIR", blocker.getFile().getFullPathName().toRawUTF8(), 1);
    const auto refused = tolmek::createMidiExportFolder ("Varne-T");
    previous.isEmpty() ? unsetenv ("TMPDIR") : setenv ("TMPDIR", previous.toRawUTF8(), 1);
    EXPECT_EQ (refused, juce::File());

    root.deleteRecursively();
}

TEST (FileClipboardDrop, PayloadIsTheHeaderAndOneWidePath)
{
    EXPECT_EQ (hexOf (FileClipboard::makeFileDropPayload ("/a")),
               "14 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 01 00 00 00 2f 00 61 00 00 00 00 00");

    // Outside the Basic Multilingual Plane: a surrogate pair, four bytes for one character.
    const auto payload = FileClipboard::makeFileDropPayload (juce::CharPointer_UTF8 ("C:\\\xf0\x9f\x8e\xb9.mid"));
    EXPECT_EQ (payload.getSize(), 24u + 2 * 9);
    EXPECT_EQ (hexOf (payload).substring (20 * 3), "43 00 3a 00 5c 00 3c d8 b9 df 2e 00 6d 00 69 00 64 00 00 00 00 00");
}

TEST (FileClipboardDrop, StepsFailInOrderAndCleanUp)
{
    const struct
    {
        const char* failAt;
        bool ownWindow;
        const char* message;
        const char* calls;
    } cases[] {
        { "", false, "", "createMessageWindow allocate lock unlock open empty setFileDrop close destroyWindow" },
        { "", true, "", "allocate lock unlock open empty setFileDrop close" },
        { "createMessageWindow", false, "Creating clipboard owner failed (Windows 1418).", "createMessageWindow" },
        { "allocate", false, "Allocating clipboard data failed (Windows 1418).", "createMessageWindow allocate destroyWindow" },
        { "lock", true, "Locking clipboard data failed (Windows 1418).", "allocate lock release" },
        { "open", false, "Opening clipboard failed (Windows 1418).", "createMessageWindow allocate lock unlock open release destroyWindow" },
        { "empty", true, "Emptying clipboard failed (Windows 1418).", "allocate lock unlock open empty close release" },
        { "setFileDrop", true, "Publishing file failed (Windows 1418).", "allocate lock unlock open empty setFileDrop close release" },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.failAt);
        ScriptedDropSystem system;
        system.failAt = c.failAt;
        int ownerWindow = 0;

        const auto result = FileClipboard::publishFileDrop (system, "/a", c.ownWindow ? &ownerWindow : nullptr);
        EXPECT_EQ (result.ok, juce::String (c.message).isEmpty());
        EXPECT_EQ (result.stage, "Windows CF_HDROP");
        EXPECT_EQ (result.message, c.message);
        EXPECT_EQ (system.calls.joinIntoString (" "), c.calls);

        if (result.ok)
        {
            EXPECT_EQ (hexOf (system.published), hexOf (FileClipboard::makeFileDropPayload ("/a")));
        }
    }
}

TEST (FileClipboard, ResultTexts)
{
    EXPECT_EQ ((FileClipboard::Result { true, "X11 file URI", {} }.getMessage ("Section")), "Section MIDI file copied to clipboard.");
    EXPECT_EQ ((FileClipboard::Result { false, "validation", "The MIDI file is missing or empty." }.getMessage ("Section")),
               "Could not copy Section MIDI file. The MIDI file is missing or empty. Use Save to Disk.");
}

TEST (FileClipboard, CompletionIsAlwaysLaterWithOneLogLine)
{
    ScratchFolder scratch;
    const auto good = writeFile (scratch.folder, "good.bin", "MThd");
    const auto emptyFile = writeFile (scratch.folder, "empty.bin", {});

    const FileClipboard::Result refused { false, "Windows CF_HDROP", "Opening clipboard failed (Windows 5)." };

    const struct
    {
        const char* name;
        juce::File file;
        bool publisherCalled;
        FileClipboard::Result expected;
        const char* logLine;
    } cases[] {
        { "published", good, true, { true, "Windows CF_HDROP", {} }, "MIDI file clipboard [Windows CF_HDROP]: file published" },
        { "publisher refused", good, true, refused, "MIDI file clipboard [Windows CF_HDROP]: Opening clipboard failed (Windows 5)." },
        { "missing", scratch.folder.getChildFile ("none.mid"), false, { false, "validation", "The MIDI file is missing or empty." },
          "MIDI file clipboard [validation]: The MIDI file is missing or empty." },
        { "empty", emptyFile, false, { false, "validation", "The MIDI file is missing or empty." }, nullptr },
        { "folder", scratch.folder, false, { false, "validation", "The MIDI file is missing or empty." }, nullptr },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        CapturingLogger log;
        bool publisherCalled = false;
        std::optional<FileClipboard::Result> delivered;

        FileClipboard::copyFileThrough ([&] (const juce::File&, juce::Component*)
                                        {
                                            publisherCalled = true;
                                            return c.expected;
                                        },
                                        c.file, nullptr, [&] (FileClipboard::Result r) { delivered = r; });

        EXPECT_FALSE (delivered.has_value()); // never inside the call
        EXPECT_EQ (publisherCalled, c.publisherCalled);
        ASSERT_TRUE (service_test::waitUntil ([&] { return delivered.has_value(); }));
        EXPECT_EQ (delivered->ok, c.expected.ok);
        EXPECT_EQ (delivered->stage, c.expected.stage);
        EXPECT_EQ (delivered->message, c.expected.message);
        ASSERT_EQ (log.lines.size(), 1);
        if (c.logLine != nullptr)
        {
            EXPECT_EQ (log.lines[0], c.logLine);
        }
    }

    // An empty completion: the copy and its log line happen all the same.
    CapturingLogger log;
    bool publisherCalled = false;
    FileClipboard::copyFileThrough ([&] (const juce::File&, juce::Component*) { publisherCalled = true; return FileClipboard::Result { true, "t", {} }; },
                                    good, nullptr, {});
    EXPECT_TRUE (publisherCalled);
    EXPECT_EQ (log.lines.size(), 1);
    juce::MessageManager::getInstance()->runDispatchLoopUntil (20);
}

TEST (FileClipboard, FileUris)
{
    EXPECT_EQ (tolmek::fileUriForPath ("/tmp/a b/Verse AB.mid"), "file:///tmp/a%20b/Verse%20AB.mid");
    EXPECT_EQ (tolmek::fileUriForPath (juce::CharPointer_UTF8 ("/t/\xc3\xa9#%.mid")), "file:///t/%C3%A9%23%25.mid");
}
