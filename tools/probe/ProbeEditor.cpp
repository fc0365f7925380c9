#include "ProbeEditor.h"

#include <X11/Xlib.h>

#include <iostream>

namespace probe
{
namespace
{
int logXError (Display* display, XErrorEvent* event)
{
    char text[256] {};
    XGetErrorText (display, event->error_code, text, (int) sizeof (text));
    std::cerr << "varnet-probe: X error ignored: " << text << " (request " << (int) event->request_code << ")\n";
    return 0;
}

class ProbeWindow final : public juce::DocumentWindow
{
public:
    ProbeWindow() : juce::DocumentWindow ("Varne-T probe", juce::Colours::black, 0, true) {}
    void closeButtonPressed() override {}
};
} // namespace

void prepareBareXServer()
{
    static Display* display = nullptr;
    if (display != nullptr)
        return;

    XSetErrorHandler (logXError);
    display = XOpenDisplay (nullptr);
    if (display == nullptr)
        return;

    for (const char* name : { "WM_PROTOCOLS", "WM_DELETE_WINDOW", "_NET_WM_PING", "WM_STATE", "_NET_WM_WINDOW_TYPE",
                              "_NET_WM_WINDOW_TYPE_NORMAL", "_NET_WM_STATE", "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_NAME",
                              "_NET_WM_PID", "_NET_WM_ICON", "_NET_SUPPORTED", "_MOTIF_WM_HINTS", "XdndAware", "UTF8_STRING" })
        XInternAtom (display, name, False);
}

std::unique_ptr<HostedEditorWindow> HostedEditorWindow::open (juce::AudioProcessor& processor, juce::String& error)
{
    if (! processor.hasEditor())
    {
        error = "the plug-in has no editor";
        return {};
    }

    std::unique_ptr<juce::AudioProcessorEditor> editor (processor.createEditorIfNeeded());
    if (editor == nullptr)
    {
        error = "the plug-in did not create its view";
        return {};
    }

    return std::unique_ptr<HostedEditorWindow> (new HostedEditorWindow (processor, std::move (editor)));
}

HostedEditorWindow::HostedEditorWindow (juce::AudioProcessor& p, std::unique_ptr<juce::AudioProcessorEditor> e)
    : processor (p), editor (std::move (e)), window (std::make_unique<ProbeWindow>())
{
    window->setUsingNativeTitleBar (true);
    window->setContentNonOwned (editor.get(), true);
    window->setTopLeftPosition (0, 0);
    window->setVisible (true);
}

HostedEditorWindow::~HostedEditorWindow()
{
    window->clearContentComponent();
    window.reset();
    processor.editorBeingDeleted (editor.get());
    editor.reset();
}

juce::Rectangle<int> HostedEditorWindow::getScreenBounds() const
{
    return editor->getScreenBounds();
}

void HostedEditorWindow::setEditorSize (int width, int height)
{
    editor->setSize (width, height);
}

//==============================================================================
juce::Image readXwd (const juce::MemoryBlock& data)
{
    const auto* bytes = static_cast<const juce::uint8*> (data.getData());
    const auto size = data.getSize();

    auto field = [&] (size_t index) -> juce::uint32
    {
        const auto* p = bytes + index * 4;
        return ((juce::uint32) p[0] << 24) | ((juce::uint32) p[1] << 16) | ((juce::uint32) p[2] << 8) | (juce::uint32) p[3];
    };

    if (size < 100)
        return {};

    const auto headerSize = field (0), version = field (1), format = field (2);
    const auto width = field (4), height = field (5), byteOrder = field (7), bitsPerPixel = field (11), bytesPerLine = field (12);
    const auto redMask = field (14), greenMask = field (15), blueMask = field (16), colourCount = field (19);

    // Only true-colour ZPixmap dumps, as any 24- or 32-bit X server writes them.
    if (version != 7 || format != 2 || (bitsPerPixel != 32 && bitsPerPixel != 24) || width == 0 || height == 0
        || width > 16384 || height > 16384 || headerSize < 100 || colourCount > 65536)
        return {};

    const auto pixelsAt = (size_t) headerSize + (size_t) colourCount * 12;
    if (bytesPerLine < width * (bitsPerPixel / 8) || pixelsAt + (size_t) bytesPerLine * height > size)
        return {};

    auto channel = [] (juce::uint32 pixel, juce::uint32 mask) -> juce::uint8
    {
        if (mask == 0)
            return 0;
        int shift = 0;
        while (((mask >> shift) & 1u) == 0)
            ++shift;
        const auto value = (pixel & mask) >> shift;
        const auto maximum = mask >> shift;
        return (juce::uint8) (value * 255u / maximum);
    };

    juce::Image image (juce::Image::RGB, (int) width, (int) height, false);
    juce::Image::BitmapData out (image, juce::Image::BitmapData::writeOnly);
    const auto pixelBytes = bitsPerPixel / 8;

    for (juce::uint32 y = 0; y < height; ++y)
    {
        const auto* row = bytes + pixelsAt + (size_t) y * bytesPerLine;
        for (juce::uint32 x = 0; x < width; ++x)
        {
            const auto* p = row + (size_t) x * pixelBytes;
            juce::uint32 pixel = 0;
            for (juce::uint32 i = 0; i < pixelBytes; ++i)
                pixel |= (juce::uint32) p[byteOrder == 0 ? i : pixelBytes - 1 - i] << (8 * i);

            out.setPixelColour ((int) x, (int) y, juce::Colour (channel (pixel, redMask), channel (pixel, greenMask), channel (pixel, blueMask)));
        }
    }

    return image;
}

juce::Image grabScreen (juce::String& error)
{
    const auto dump = juce::File::createTempFile (".xwd");
    juce::ChildProcess xwd;
    if (! xwd.start (juce::StringArray { "xwd", "-root", "-silent", "-out", dump.getFullPathName() }, 0))
    {
        error = "xwd could not be started (package x11-apps)";
        return {};
    }

    xwd.waitForProcessToFinish (30000);
    juce::MemoryBlock data;
    dump.loadFileAsData (data);
    dump.deleteFile();

    auto image = readXwd (data);
    if (! image.isValid())
        error = "xwd wrote no readable screen dump";
    return image;
}

bool writeScreenshot (const juce::File& png, juce::String& error)
{
    const auto image = grabScreen (error);
    if (! image.isValid())
        return false;

    const auto temporary = png.getSiblingFile (png.getFileName() + ".part");
    {
        juce::FileOutputStream stream (temporary);
        juce::PNGImageFormat format;
        if (! stream.openedOk() || ! format.writeImageToStream (image, stream))
        {
            error = "could not write " + png.getFullPathName();
            temporary.deleteFile();
            return false;
        }
    }

    if (! temporary.moveFileTo (png))
    {
        error = "could not write " + png.getFullPathName();
        return false;
    }

    return true;
}

} // namespace probe
