#pragma once

// The plug-in's editor opened by a host through VST3 at the editor's default size, where to click
// in it, and the real pointer that clicks.

#include "plugin/PluginProcessor.h"
#include "support/ProbeEditor.h"
#include "support/ProcessRunner.h"
#include "support/ServiceTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace hosted_editor
{

constexpr int width = 1360, height = 820;

/** Opens the plug-in's editor in a window at the default size and waits until it is shown; fails
    the test and returns nothing when it cannot. */
inline std::unique_ptr<probe::HostedEditorWindow> openShown (juce::AudioPluginInstance& plugin)
{
    juce::String error;
    auto window = probe::HostedEditorWindow::open (plugin, error);
    EXPECT_NE (window, nullptr) << error;
    if (window == nullptr)
        return nullptr;

    window->setEditorSize (width, height);
    EXPECT_TRUE (service_test::waitUntil ([&] { return window->getEditor().isShowing() && window->getScreenBounds().getWidth() == width; }, 20000));
    return window;
}

/** Reads where things are from the same editor built in this process at the default size: the
    hosted one comes from the same code and lays out alike, but lives in the bundle, out of reach.
    The local editor is gone before any message is dispatched, so its own delayed calls never run. */
template <typename Result>
Result readLocalEditor (const std::function<Result (juce::AudioProcessorEditor&)>& read)
{
    VarneTAudioProcessor processor;
    std::unique_ptr<juce::AudioProcessorEditor> editor (processor.createEditor());
    editor->setSize (width, height);
    auto result = read (*editor);
    processor.editorBeingDeleted (editor.get());
    return result;
}

/** Runs xdotool with the given arguments: real pointer and wheel input through the X server. */
inline testing_support::ProcessOutput xdotool (const juce::StringArray& arguments)
{
    juce::StringArray command { "xdotool" };
    command.addArray (arguments);
    return testing_support::runProcess (command);
}

/** Clicks the first button at a point of the screen. */
inline testing_support::ProcessOutput clickAt (juce::Point<int> screenPosition)
{
    return xdotool ({ "mousemove", juce::String (screenPosition.x), juce::String (screenPosition.y), "click", "1" });
}

} // namespace hosted_editor
