#pragma once

#include <juce_graphics/juce_graphics.h>

// The theme palette's entries that the project overlays paint with, by role.
namespace VarneT::overlayColours
{
inline const juce::Colour panelBackground { 0xff1e1e2e };
inline const juce::Colour menuBackground { 0xff181825 };
inline const juce::Colour backdrop { 0xff11111b };
inline const juce::Colour hoverFill { 0xff45475a };
inline const juce::Colour pressedFill { 0xff585b70 };
inline const juce::Colour outline { 0xff7f849c };
inline const juce::Colour captionText { 0xffa6adc8 };
inline const juce::Colour text { 0xffcdd6f4 };
inline const juce::Colour focus { 0xffb4befe };
inline const juce::Colour error { 0xfff38ba8 };
inline const juce::Colour success { 0xffa6e3a1 };
inline const juce::Colour teal { 0xff94e2d5 };
} // namespace VarneT::overlayColours
