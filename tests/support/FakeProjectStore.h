#pragma once

#include "kit/McpPluginBridge.h"

namespace bridge_fake
{

/** A small project document: version, name, level and about approximateBytes of notes in the
    multi-line form (none for 0). */
juce::var makeProject (const juce::String& name, int level = 1, juce::int64 approximateBytes = 0);

/** A project store standing in for the processor: a JSON tree plus switches for failure paths. */
struct FakeProjectStore
{
    juce::var project = makeProject ("Start");
    bool applyFails = false;            // refuse, leaving the project as it was
    bool applyChangesThenFails = false; // change the project, then report failure
    bool clampOnApply = false;          // take the project but limit "level" to 5
    bool exportNaN = false;
    bool writable = true;
    juce::String readOnlyReason;
    juce::String product = "Fake", pluginVersion = "1.0.0";
    int sectionCount = 2;
    int applyCount = 0;
    juce::StringArray changes;

    /** An edit made outside the bridge, as the editor would make it. */
    void editOutside (const juce::String& name);

    tolmek::McpPluginBridge::Callbacks callbacks();
};

} // namespace bridge_fake
