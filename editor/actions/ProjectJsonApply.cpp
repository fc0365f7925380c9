#include "editor/actions/ProjectJsonApply.h"

#include "model/ProjectJson.h"
#include "plugin/PluginProcessor.h"

namespace
{
/** JUCE's document parser takes only an object or an array at the top, so a lone number, text,
    boolean or null fails there; such a text is JSON all the same, just not an object. */
bool isLoneJsonValue (const juce::String& text)
{
    const auto trimmed = text.trim();
    if (trimmed.isEmpty() || trimmed[0] == '{' || trimmed[0] == '[')
        return false;

    return trimmed == "null" || ! juce::JSON::fromString (trimmed).isVoid();
}
} // namespace

namespace VarneT
{
juce::String checkEditedProjectJson (const juce::String& text, Project& project)
{
    // Measured before parsing, so an oversized paste costs no parse.
    if (text.getNumBytesAsUTF8() > maxEditedProjectJsonBytes)
        return "Edited JSON exceeds the 4 MB project limit.";

    juce::var document;
    if (const auto parsed = parseJsonText (text, document); parsed.failed())
        return isLoneJsonValue (text) ? juce::String ("Edited JSON root must be an object.") : parsed.getErrorMessage();

    if (! document.isObject() || document.isArray())
        return "Edited JSON root must be an object.";

    return projectFromVar (document, project);
}

juce::String applyEditedProjectJson (VarneTAudioProcessor& processor, const juce::String& text)
{
    Project project;
    if (auto error = checkEditedProjectJson (text, project); error.isNotEmpty())
        return error;

    const auto document = projectToVar (project);

    if (auto error = VarneTAudioProcessor::validateProjectVar (document); error.isNotEmpty())
        return error;

    if (auto error = processor.applyProjectVar (document, true); error.isNotEmpty())
        return error;

    processor.markProjectClean();
    return {};
}
} // namespace VarneT
