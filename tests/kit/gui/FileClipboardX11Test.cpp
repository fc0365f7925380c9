// The file clipboard on X11: the plug-in owns the CLIPBOARD selection, and xclip, as a file manager
// would, reads the file back in every form offered.

#include "kit/FileClipboard.h"
#include "kit/X11FileClipboard.h"
#include "support/ProcessRunner.h"
#include "support/gui/GuiTestBench.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <dlfcn.h>

#include <atomic>
#include <optional>
#include <thread>

using tolmek::FileClipboard;
using testing_support::gui::pumpUntil;

namespace
{
// Xlib's error handler is one per process and belongs to the host: every call that replaces it from
// a thread other than the test's main (message) thread is counted here.
const auto mainThread = std::this_thread::get_id();
std::atomic<int> errorHandlerSwapsOffMainThread { 0 };
} // namespace

extern "C" XErrorHandler XSetErrorHandler (XErrorHandler handler)
{
    using Setter = XErrorHandler (*) (XErrorHandler);
    static const auto real = reinterpret_cast<Setter> (dlsym (RTLD_NEXT, "XSetErrorHandler"));

    if (std::this_thread::get_id() != mainThread)
        ++errorHandlerSwapsOffMainThread;

    return real (handler);
}

namespace
{
struct ScratchFolder
{
    juce::File folder = juce::File::getSpecialLocation (juce::File::tempDirectory).getNonexistentChildFile ("clipboard", {});
    ScratchFolder() { folder.createDirectory(); }
    ~ScratchFolder() { folder.deleteRecursively(); }
};

juce::File writeFile (const juce::File& folder, const juce::String& name, const juce::String& content)
{
    const auto file = folder.getChildFile (name);
    file.replaceWithText (content);
    return file;
}
} // namespace

TEST (FileClipboardX11, XclipReadsTheFileFromTheClipboard)
{
    ScratchFolder scratch;
    const auto file = writeFile (scratch.folder, "Verse AB.bin", "MThd");

    std::optional<FileClipboard::Result> delivered;
    FileClipboard::copyFile (file, nullptr, [&] (FileClipboard::Result r) { delivered = r; });
    ASSERT_TRUE (pumpUntil ([&] { return delivered.has_value(); }));
    ASSERT_TRUE (delivered->ok) << delivered->message;
    EXPECT_EQ (delivered->stage, "X11 file URI");

    auto read = [] (const char* target)
    {
        const auto run = testing_support::runProcess ({ "xclip", "-selection", "clipboard", "-t", target, "-o" }, 20000);
        EXPECT_EQ (run.exitCode, 0) << target << ": " << run.output;
        return run.output;
    };

    const auto uri = tolmek::fileUriForPath (file.getFullPathName());
    const auto targets = juce::StringArray::fromLines (read ("TARGETS"));
    EXPECT_TRUE (targets.contains ("text/uri-list")) << targets.joinIntoString (",");
    EXPECT_TRUE (targets.contains ("x-special/gnome-copied-files"));
    EXPECT_TRUE (targets.contains ("UTF8_STRING"));
    EXPECT_EQ (read ("text/uri-list"), uri + "\r\n");
    EXPECT_EQ (read ("x-special/gnome-copied-files"), "copy\n" + uri);
    EXPECT_EQ (read ("UTF8_STRING"), file.getFullPathName());

    // A later copy replaces the offer.
    const auto second = writeFile (scratch.folder, "Chorus.bin", "MThd");
    delivered.reset();
    FileClipboard::copyFile (second, nullptr, [&] (FileClipboard::Result r) { delivered = r; });
    ASSERT_TRUE (pumpUntil ([&] { return delivered.has_value(); }));
    EXPECT_EQ (read ("text/uri-list"), tolmek::fileUriForPath (second.getFullPathName()) + "\r\n");

    tolmek::shutdownX11FileClipboard();
}

TEST (FileClipboardX11, ServingTheClipboardNeverReplacesXlibsErrorHandler)
{
    ScratchFolder scratch;
    const auto file = writeFile (scratch.folder, "Bridge.bin", "MThd");
    errorHandlerSwapsOffMainThread = 0;

    std::optional<FileClipboard::Result> delivered;
    FileClipboard::copyFile (file, nullptr, [&] (FileClipboard::Result r) { delivered = r; });
    ASSERT_TRUE (pumpUntil ([&] { return delivered.has_value(); }));
    ASSERT_TRUE (delivered->ok) << delivered->message;

    // Every kind of request the owner answers, and one it refuses.
    for (const auto* target : { "TARGETS", "text/uri-list", "x-special/gnome-copied-files", "UTF8_STRING", "image/png" })
    {
        const auto run = testing_support::runProcess ({ "xclip", "-selection", "clipboard", "-t", target, "-o" }, 20000);
        EXPECT_EQ (run.exitCode == 0, juce::String (target) != "image/png") << target << ": " << run.output;
    }

    EXPECT_EQ (errorHandlerSwapsOffMainThread.load(), 0);
    tolmek::shutdownX11FileClipboard();
}
