#include "editor/actions/ProjectJsonApply.h"

#include "model/ProjectJson.h"
#include "plugin/PluginProcessor.h"

namespace VarneT
{
juce::String checkEditedProjectJson (const juce::String& text, Project& project)
{
    // Measured before parsing, so an oversized paste costs no parse.
    if (text.getNumBytesAsUTF8() > maxEditedProjectJsonBytes)
        return "Edited JSON exceeds the 4 MB project limit.";

    juce::var document;
    if (const auto parsed = parseJsonText (text, document); parsed.failed())
        return parsed.getErrorMessage();

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
