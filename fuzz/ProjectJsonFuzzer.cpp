// Any text: parse, read and validate; whatever reads must write, read back and write again to
// the same text, on several lines and on one.

#include "model/ProjectJson.h"
#include "model/ProjectValidation.h"

#include <cstdint>
#include <cstdlib>
#include <cstdio>

namespace
{
void check (bool condition, const char* what, const juce::String& detail)
{
    if (! condition)
    {
        std::fprintf (stderr, "%s: %s\n", what, detail.toRawUTF8());
        std::abort();
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size);

extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size)
{
    using namespace VarneT;

    const auto* chars = reinterpret_cast<const char*> (data);
    if (size > 8 * maxProjectJsonBytes || ! juce::CharPointer_UTF8::isValidString (chars, (int) size))
        return 0;

    const auto text = juce::String::fromUTF8 (chars, (int) size);

    juce::var document;
    if (parseJsonText (text, document).failed())
        return 0;

    Project project;
    project.identityName = "Untouched";
    const auto error = projectFromVar (document, project);

    if (error.isNotEmpty())
    {
        check (project.identityName == "Untouched" && project.sections.empty(), "failed read changed the project", error);
        check (error.contains (": ") || error == "Project JSON exceeds the 4 MB limit", "message without a path", error);
        return 0;
    }

    check (validateProject (project).isEmpty(), "read project is invalid", validateProject (project));

    const auto written = projectToJsonText (project);
    check ((size_t) written.getNumBytesAsUTF8() <= maxProjectJsonBytes, "read project exceeds the limit", {});

    for (const auto& again : { written, juce::JSON::toString (projectToVar (project), true) })
    {
        Project reread;
        const auto rereadError = projectFromJsonText (again, reread);
        check (rereadError.isEmpty(), "written text does not read back", rereadError);
        check (projectToJsonText (reread) == written, "read-back text differs", written);
    }

    return 0;
}
