#include "support/FakeProjectStore.h"

#include "kit/McpJson.h"

#include <algorithm>
#include <limits>

namespace bridge_fake
{

juce::var makeProject (const juce::String& name, int level, juce::int64 approximateBytes)
{
    juce::DynamicObject::Ptr project (new juce::DynamicObject());
    project->setProperty ("version", 7);
    project->setProperty ("name", name);
    project->setProperty ("level", level);

    if (approximateBytes > 0)
    {
        // One note object is about 150 bytes in the multi-line form.
        juce::Array<juce::var> notes;
        const auto count = std::max<juce::int64> (0, (approximateBytes - 200) / 150);

        for (juce::int64 i = 0; i < count; ++i)
        {
            juce::DynamicObject::Ptr note (new juce::DynamicObject());
            note->setProperty ("id", "n" + juce::String (i).paddedLeft ('0', 7));
            note->setProperty ("pitch", 48 + (int) (i % 24));
            note->setProperty ("start", (double) (i % 64) * 0.25);
            note->setProperty ("length", 0.5);
            note->setProperty ("velocity", 100);
            notes.add (juce::var (note.get()));
        }

        project->setProperty ("notes", notes);
    }

    return juce::var (project.get());
}

void FakeProjectStore::editOutside (const juce::String& name)
{
    project = project.clone();
    project.getDynamicObject()->setProperty ("name", name);
}

tolmek::McpPluginBridge::Callbacks FakeProjectStore::callbacks()
{
    tolmek::McpPluginBridge::Callbacks c;

    c.exportJson = [this]
    {
        if (! exportNaN)
            return project;

        auto copy = project.clone();
        copy.getDynamicObject()->setProperty ("tempo", std::numeric_limits<double>::quiet_NaN());
        return copy;
    };

    c.validateJson = [] (const juce::var& candidate)
    {
        if (! candidate["name"].isString() || candidate["name"].toString().trim().isEmpty())
            return juce::Result::fail ("$.name: Name must not be empty");

        const auto& level = candidate["level"];
        if (! level.isVoid() && (! tolmek::mcpjson::isInteger (level) || (int) level < 0 || (int) level > 10))
            return juce::Result::fail ("$.level: Level must be a whole number from 0 to 10");

        return juce::Result::ok();
    };

    c.applyJson = [this] (const juce::var& candidate)
    {
        ++applyCount;

        if (applyFails)
            return juce::Result::fail ("Store refused the project");

        project = candidate.clone();

        if (clampOnApply && (int) project["level"] > 5)
            project.getDynamicObject()->setProperty ("level", 5);

        if (applyChangesThenFails)
        {
            applyFails = true;
            return juce::Result::fail ("Store broke halfway");
        }

        return juce::Result::ok();
    };

    c.describe = [this]
    {
        tolmek::McpPluginBridge::Description d;
        d.product = product;
        d.pluginVersion = pluginVersion;
        d.instanceName = project["name"].toString();
        d.activeSectionName = "Verse";
        d.sectionCount = sectionCount;
        d.writable = writable;
        d.readOnlyReason = readOnlyReason;
        return d;
    };

    c.changeApplied = [this] (const juce::String& changeId) { changes.add (changeId); };
    return c;
}

} // namespace bridge_fake
