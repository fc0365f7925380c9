#include "model/DefaultProject.h"

#include "model/BuiltInPerformances.h"

namespace VarneT
{
namespace
{
// "Lantern Ostinato", position 7 counted from 1.
constexpr size_t defaultPerformanceIndex = 6;
}

Project makeDefaultProject()
{
    const auto& performances = builtInPerformances();

    Project project;
    project.midiChannel = 1;
    // Scale source so that a fresh instance plays as soon as the transport runs, without MIDI input.
    project.pitchSource = PitchSource::scale;
    project.scale.root = 0;
    project.scale.name = "Major";
    project.previewChord = "Cmaj7";

    Section section;
    section.name = "Section 1";
    section.repeatCount = 1;
    section.sequence.push_back (performances[defaultPerformanceIndex]);
    project.sections.push_back (std::move (section));
    project.activeSectionIndex = 0;
    return project;
}

} // namespace VarneT
