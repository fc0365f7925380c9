#pragma once

#include "kit/JuceKit.h"

#include <vector>

namespace tolmek
{

/** What a product shows in the help dialog: plain data, filled by the editor and moved in. */
struct HelpContent
{
    struct Shortcut
    {
        juce::String keys;
        juce::String action;
    };

    struct Section
    {
        juce::String title;
        juce::String body;
        std::vector<Shortcut> shortcuts;
    };

    juce::String productName;
    juce::String version;
    juce::String guideUrl;            // empty hides the guide button
    std::vector<Section> sections;
    juce::String mcpText;             // empty hides the MCP block
    juce::String noticesText;         // appended to "Built with JUCE. "
    juce::String extraLinkText;
    juce::String extraLinkUrl;        // empty hides the extra link
};

} // namespace tolmek
