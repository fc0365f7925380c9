#pragma once

#include "support/ProbeHost.h"
#include "support/MidiRows.h"
#include "model/BuiltInPerformances.h"
#include "model/DefaultProject.h"
#include "plugin/PluginProcessor.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <future>
#include <map>

namespace playback_test
{

using testing_support::Row;
using testing_support::rowsOf;
using testing_support::describe;
using testing_support::noteOns;
using testing_support::expectBalanced;
using testing_support::finishesWithin;

/** A project of one Section holding the given performance, from the chord input. */
inline VarneT::Project chordInputProject (int performanceIndex)
{
    auto project = VarneT::makeDefaultProject();
    project.pitchSource = VarneT::PitchSource::chordInput;
    project.sections[0].sequence[0] = VarneT::builtInPerformances()[(size_t) performanceIndex];
    return project;
}

} // namespace playback_test
