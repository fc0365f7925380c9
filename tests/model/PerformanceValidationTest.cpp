#include "model/BuiltInPerformances.h"
#include "model/DefaultProject.h"
#include "model/PatternFragments.h"
#include "model/ProjectJson.h"
#include "model/ProjectValidation.h"

#include <gtest/gtest.h>

using namespace VarneT;

TEST (PerformanceValidation, EveryBuiltInPerformanceIsAValidPattern)
{
    const auto& list = builtInPerformances();
    for (size_t i = 0; i < list.size(); ++i)
        EXPECT_EQ (validatePattern (list[i], "$.sections[0].sequence[" + juce::String ((int) i) + "]"), "") << list[i].name;
}

TEST (PerformanceValidation, DefaultProjectValidatesAndWritesTheSameTextEveryTime)
{
    const auto project = makeDefaultProject();
    EXPECT_EQ (validateProject (project), "");

    const auto text = projectToJsonText (project);
    EXPECT_EQ (projectToJsonText (makeDefaultProject()), text);
    EXPECT_TRUE (text.contains ("\"version\": 7")) << text;
    EXPECT_TRUE (text.contains ("Lantern Ostinato"));
}

TEST (PerformanceValidation, EveryPerformanceLoadedIntoTheDefaultProjectValidates)
{
    // As the dictionary list does: the chosen performance, cut into fragments when long, takes the
    // place of the shown Pattern.
    for (const auto& performance : builtInPerformances())
    {
        auto project = makeDefaultProject();
        std::vector<Pattern> patterns;
        ASSERT_EQ (loadPerformanceIntoSection (performance, 16, patterns), "");
        project.sections[0].sequence = patterns;
        EXPECT_EQ (validateProject (project), "") << performance.name;
    }
}
