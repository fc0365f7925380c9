#include "plugin/PluginProcessor.h"

#include <gtest/gtest.h>

TEST (ProcessorLifecycle, IdentityProgramsAndTailOutsideAPluginWrapper)
{
    VarneTAudioProcessor processor;

    EXPECT_EQ (processor.getName(), "Varne-T");
    EXPECT_EQ (processor.getNumPrograms(), 1);
    EXPECT_EQ (processor.getCurrentProgram(), 0);
    EXPECT_EQ (processor.getProgramName (0), "Default");
    EXPECT_EQ (processor.getTailLengthSeconds(), 0.0);
    EXPECT_TRUE (processor.acceptsMidi());
    EXPECT_TRUE (processor.producesMidi());
    EXPECT_TRUE (processor.hasEditor());

    // Created by no VST3 or Standalone wrapper: no bus at all, and a MIDI effect.
    EXPECT_EQ (processor.getBusCount (true), 0);
    EXPECT_EQ (processor.getBusCount (false), 0);
    EXPECT_TRUE (processor.isMidiEffect());
}
