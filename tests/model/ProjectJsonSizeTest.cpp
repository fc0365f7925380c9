// The document's size is counted from the project instead of writing it: the count must be the
// written text's size byte for byte, and every limit decision the one the text would give.

#include "model/ProjectJson.h"
#include "model/ProjectValidation.h"

#include "support/ProjectJsonSamples.h"

#include <gtest/gtest.h>

#include <limits>

using namespace VarneT;

namespace
{
size_t writtenBytes (const Project& project)
{
    return (size_t) projectToJsonText (project).getNumBytesAsUTF8();
}

std::vector<Project> sampleProjects()
{
    std::vector<Project> projects { project_samples::defaultLikeProject() };
    juce::Random random (20240611);
    for (int i = 0; i < 300; ++i)
        projects.push_back (project_samples::randomProject (random));

    return projects;
}
} // namespace

TEST (ProjectJsonSize, CountedSizeIsTheWrittenSizeForManyRandomProjects)
{
    auto projects = sampleProjects();
    projects.push_back (project_samples::largeProject (maxProjectJsonBytes));

    for (size_t i = 0; i < projects.size(); ++i)
    {
        SCOPED_TRACE ("project " + std::to_string (i));
        const auto text = projectToJsonText (projects[i]);
        EXPECT_EQ (projectJsonTextBytes (projects[i]), (size_t) text.getNumBytesAsUTF8());
        // Everything beyond ASCII is escaped: characters and bytes are the same count.
        EXPECT_EQ ((size_t) text.length(), (size_t) text.getNumBytesAsUTF8());
    }
}

TEST (ProjectJsonSize, EveryKindOfNumberIsCountedAsWritten)
{
    const double values[] = { 0.0, -0.0, 1.0, -3.0, 0.5, -0.25, 1.0 / 1024.0, 99999.9990234375, 1.0e5, -1.0e5,
                              999999.0, 1.0e6, 1.0e-5, 1.5e-5, 1.0e-6, 0.1, 1.0 / 3.0, -2.0 / 3.0, 123.456,
                              12345.678901234567, 4.0e12, 1.0e300, -1.0e-300, std::numeric_limits<double>::denorm_min(),
                              std::numeric_limits<double>::max(), std::numeric_limits<double>::quiet_NaN(),
                              std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                              2147483648.0, -2147483649.5, 0.1 + 0.2 };

    for (const auto value : values)
    {
        SCOPED_TRACE (value);
        auto project = project_samples::defaultLikeProject();
        auto& pattern = project.sections[0].sequence[0];
        pattern.lengthBeats = value;
        pattern.notes[0].startBeat = value;
        pattern.modifiers.humanize = -value;
        EXPECT_EQ (projectJsonTextBytes (project), writtenBytes (project));
    }

    for (const auto value : { std::numeric_limits<int>::min(), -1, 0, 9, 10, std::numeric_limits<int>::max() })
    {
        SCOPED_TRACE (value);
        auto project = project_samples::defaultLikeProject();
        project.midiChannel = value;
        project.sections[0].sequence[0].notes[0].velocity = value;
        project.sections[0].sequence[0].modifiers.variationSeed = (std::uint32_t) value;
        EXPECT_EQ (projectJsonTextBytes (project), writtenBytes (project));
    }
}

TEST (ProjectJsonSize, LimitDecisionsAreTheWrittenTextsDecisions)
{
    auto projects = sampleProjects();
    projects.resize (10);

    for (size_t i = 0; i < projects.size(); ++i)
    {
        SCOPED_TRACE ("project " + std::to_string (i));

        // The first note id grows so that the text lands just below, on and just above the limit.
        for (const auto target : { maxProjectJsonBytes - 1, maxProjectJsonBytes, maxProjectJsonBytes + 1, maxProjectJsonBytes + 7 })
        {
            auto project = projects[i];
            juce::String* id = nullptr;
            for (auto& section : project.sections)
                for (auto& pattern : section.sequence)
                    if (id == nullptr && ! pattern.notes.empty())
                        id = &pattern.notes[0].id;

            if (id == nullptr)
                continue;

            *id += juce::String::repeatedString ("n", (int) (target - writtenBytes (project)));
            ASSERT_EQ (writtenBytes (project), target);

            const auto refusedBySize = validateProject (project) == "Project JSON exceeds the 4 MB limit";
            EXPECT_EQ (refusedBySize, target > maxProjectJsonBytes) << target;
        }
    }
}
