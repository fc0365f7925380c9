#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <memory>

namespace probe
{

/** Makes a bare X server (no window manager) safe for JUCE windows: one display connection stays
    open with the window-manager atoms interned, and X errors are logged instead of ending the
    process. Call once, before JUCE's GUI is initialised. */
void prepareBareXServer();

/** A top-level window on the current X display showing a hosted plug-in's editor, created through
    the plug-in format's own editor interface. */
class HostedEditorWindow
{
public:
    /** Opens the editor; on failure returns nothing and sets error. */
    static std::unique_ptr<HostedEditorWindow> open (juce::AudioProcessor&, juce::String& error);
    ~HostedEditorWindow();

    juce::AudioProcessorEditor& getEditor() noexcept { return *editor; }
    juce::Rectangle<int> getScreenBounds() const;

    /** Asks the hosted view for a new size, as a host window's resize does. */
    void setEditorSize (int width, int height);

private:
    HostedEditorWindow (juce::AudioProcessor&, std::unique_ptr<juce::AudioProcessorEditor>);

    juce::AudioProcessor& processor;
    std::unique_ptr<juce::AudioProcessorEditor> editor;
    std::unique_ptr<juce::DocumentWindow> window;
};

/** Reads an X window dump (the format `xwd` writes) into an image; invalid input gives a null image. */
juce::Image readXwd (const juce::MemoryBlock&);

/** Grabs the whole X screen with `xwd -root` into a PNG file. */
bool writeScreenshot (const juce::File& png, juce::String& error);

/** Grabs the X screen into an image (null with error set when the grab fails). */
juce::Image grabScreen (juce::String& error);

} // namespace probe
