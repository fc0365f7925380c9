#pragma once

// The JUCE modules the model layer may use: core values, JSON and the undo manager.
#include <juce_core/juce_core.h>
#include <juce_data_structures/juce_data_structures.h>
