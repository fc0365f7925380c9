// The processor as the owner of the project: edits, undo, publication, the Section parameter
// and the state the host stores.

#include "support/PlaybackCases.h"
#include "support/PlaybackTestSupport.h"

#include "model/ProjectJson.h"
#include "plugin/InstanceNames.h"

using namespace playback_test;

namespace
{
/** Counts change messages and host notifications. */
struct Observer final : juce::ChangeListener, juce::AudioProcessorListener
{
    explicit Observer (VarneTAudioProcessor& p) : processor (p)
    {
        processor.addChangeListener (this);
        processor.addListener (this);
    }

    ~Observer() override
    {
        processor.removeChangeListener (this);
        processor.removeListener (this);
    }

    void changeListenerCallback (juce::ChangeBroadcaster*) override { ++changes; }
    void audioProcessorParameterChanged (juce::AudioProcessor*, int, float) override { ++parameterChanges; }
    void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails& details) override
    {
        parameterInfo += details.parameterInfoChanged ? 1 : 0;
        nonParameterState += details.nonParameterStateChanged ? 1 : 0;
    }

    VarneTAudioProcessor& processor;
    int changes = 0, parameterChanges = 0, parameterInfo = 0, nonParameterState = 0;
};

/** Whether the next playing block releases the sounding notes (a musical change). */
bool nextBlockReleases (probe::RenderSession& session)
{
    const auto start = session.position;
    for (const auto& row : rowsOf (session.run (64).output))
        if (row.kind == 'c' && row.number == 64 && row.sample == start)
            return true;
    return false;
}

juce::MemoryBlock stateOf (VarneTAudioProcessor& processor)
{
    juce::MemoryBlock block;
    processor.getStateInformation (block);
    return block;
}

juce::String stateText (VarneTAudioProcessor& processor)
{
    return stateOf (processor).toString();
}

void setState (VarneTAudioProcessor& processor, const juce::String& text)
{
    processor.setStateInformation (text.toRawUTF8(), (int) text.getNumBytesAsUTF8());
}

juce::String projectText (const VarneTAudioProcessor& processor)
{
    return VarneT::projectToJsonText (processor.getProjectCopy());
}
} // namespace

TEST (ProjectStore, StartsCleanWithAGeneratedName)
{
    VarneTAudioProcessor processor;
    const auto name = processor.getProjectCopy().identityName;
    EXPECT_NE (name, "Main");
    EXPECT_EQ (VarneT::stripGeneratedNameSuffix (name + " 0A1B"), name);
    EXPECT_FALSE (processor.isProjectDirty());
    EXPECT_FALSE (stateText (processor).contains ("editBaseline"));
}

TEST (ProjectStore, OnlyMusicalChangesReleaseNotesAndSectionChangesTellTheHost)
{
    VarneTAudioProcessor processor;
    Observer observer (processor);
    probe::Transport transport;
    transport.hasPosition = false; // Auto-Advance then follows Section ends, not host positions
    probe::RenderSession session (processor, 48000.0, 64, transport);
    session.run (4800);

    auto project = processor.getProjectCopy();
    project.identityName = "Renamed";
    ASSERT_EQ (processor.applyProjectEdit (project, true), "");
    EXPECT_FALSE (nextBlockReleases (session));
    EXPECT_EQ (observer.parameterInfo, 0);

    project.sections[0].name = "Verse";
    ASSERT_EQ (processor.applyProjectEdit (project, true), "");
    EXPECT_FALSE (nextBlockReleases (session));
    EXPECT_EQ (observer.parameterInfo, 1);

    project.sections[0].sequence[0].notes[0].velocity = 20;
    ASSERT_EQ (processor.applyProjectEdit (project, true), "");
    EXPECT_TRUE (nextBlockReleases (session));

    // Auto-Advance toggled from the editor: the request is set first, so nothing is released.
    processor.requestPlaybackMode (true);
    project.sectionPlaybackMode = VarneT::SectionPlaybackMode::advanceSections;
    ASSERT_EQ (processor.applyProjectEdit (project, true), "");
    EXPECT_FALSE (nextBlockReleases (session));

    juce::MessageManager::getInstance()->runDispatchLoopUntil (50);
    EXPECT_EQ (observer.changes, 1) << "change messages coalesce on the message thread";
}

TEST (ProjectStore, RefusedEditsLeaveEverythingAsItWas)
{
    VarneTAudioProcessor processor;
    const auto before = projectText (processor);

    auto invalid = processor.getProjectCopy();
    invalid.midiChannel = 17;
    EXPECT_EQ (processor.applyProjectEdit (invalid, true), "$.midiChannel: must be between 1 and 16");

    auto tooLarge = processor.getProjectCopy();
    tooLarge.sections[0].repeatCount = 8;
    auto& pattern = tooLarge.sections[0].sequence[0];
    pattern.repeatCount = 8;
    while (pattern.notes.size() < 2048)
    {
        auto note = pattern.notes[0];
        note.id = "extra-" + juce::String ((int) pattern.notes.size());
        pattern.notes.push_back (note);
    }
    const auto error = processor.applyProjectEdit (tooLarge, true);
    EXPECT_EQ (error, "Could not apply project edit");
    EXPECT_EQ (processor.applyProjectEdit (tooLarge, false), "Repeated section exceeds 32768 events; reduce its repeat counts or notes");

    EXPECT_EQ (processor.replacePattern (pattern, -1, 0), "Section index is out of range");
    EXPECT_EQ (processor.replacePattern (pattern, 0, 16), "Pattern index is out of range");
    EXPECT_EQ (processor.selectSection (1, true), "Section index is out of range");
    EXPECT_EQ (processor.selectSection (-1, true), "Section index is out of range");

    EXPECT_EQ (projectText (processor), before);
    EXPECT_FALSE (processor.getUndoManager().canUndo());
}

TEST (ProjectStore, UndoRedoDirtyAndTransactions)
{
    VarneTAudioProcessor processor;
    auto& undo = processor.getUndoManager();
    const auto original = projectText (processor);

    auto project = processor.getProjectCopy();
    project.sections[0].sequence[0].notes[1].velocity = 10;
    ASSERT_EQ (processor.applyProjectEdit (project, true), "");
    project.sections[0].sequence[0].notes[2].velocity = 11;
    ASSERT_EQ (processor.applyProjectEdit (project, true), "");
    EXPECT_TRUE (processor.isProjectDirty());

    // Two edits without a new transaction undo together.
    ASSERT_TRUE (undo.undo());
    EXPECT_EQ (projectText (processor), original);
    EXPECT_FALSE (processor.isProjectDirty());
    ASSERT_TRUE (undo.redo());
    EXPECT_EQ (projectText (processor), VarneT::projectToJsonText (project));

    processor.markProjectClean();
    EXPECT_FALSE (processor.isProjectDirty());

    // Selection is neither dirty nor undoable; a new Section and its selection are.
    project.sections.push_back (project.sections[0]);
    project.sections[1].name = "Chorus";
    ASSERT_EQ (processor.applyProjectEdit (project, true), "");
    processor.markProjectClean();
    ASSERT_EQ (processor.selectSection (1, true), "");
    EXPECT_EQ (processor.getProjectCopy().activeSectionIndex, 1);
    EXPECT_FALSE (processor.isProjectDirty());

    ASSERT_TRUE (undo.undo());
    EXPECT_TRUE (processor.isProjectDirty());
    EXPECT_EQ (processor.getNumSections(), 1);
}

TEST (ProjectStore, SectionParameterTextsValuesAndParsing)
{
    VarneTAudioProcessor processor;
    auto project = processor.getProjectCopy();
    project.sections.resize (3, project.sections[0]);
    project.sections[0].name = "Intro";
    project.sections[1].name = "Verse";
    project.sections[2].name = "Chorus";
    ASSERT_EQ (processor.applyProjectEdit (project, false), "");

    auto* parameter = dynamic_cast<juce::RangedAudioParameter*> (processor.getParameters()[0]);
    ASSERT_NE (parameter, nullptr);
    EXPECT_EQ (parameter->getParameterID(), "activeSection");
    EXPECT_EQ (parameter->getName (64), "Section");
    EXPECT_EQ (parameter->getNumSteps(), 4);
    EXPECT_TRUE (parameter->isDiscrete());
    EXPECT_EQ (parameter->getAllValueStrings(), juce::StringArray ({ "Intro", "Verse", "Chorus", "Auto-Advance" }));

    for (const auto& t : testing_support::sectionTexts)
        EXPECT_EQ (parameter->getText (t.value, 8), t.text) << t.value;

    for (const auto& p : testing_support::sectionParsing)
        EXPECT_FLOAT_EQ (parameter->getValueForText (p.text), p.value) << p.text;

    parameter->setValue (1.7f);
    EXPECT_EQ (parameter->getValue(), 1.0f);
    EXPECT_TRUE (processor.isAutoAdvanceSelected());
    parameter->setValue (-0.2f);
    EXPECT_EQ (parameter->getValue(), 0.0f);

    // Selecting a Section moves the parameter, unless Auto-Advance is selected.
    ASSERT_EQ (processor.selectSection (2, true), "");
    EXPECT_FLOAT_EQ (parameter->getValue(), 2.0f / 3.0f);
    project = processor.getProjectCopy();
    project.sectionPlaybackMode = VarneT::SectionPlaybackMode::advanceSections;
    ASSERT_EQ (processor.applyProjectEdit (project, false), "");
    EXPECT_FLOAT_EQ (parameter->getValue(), 1.0f);
    ASSERT_EQ (processor.selectSection (1, true), "");
    EXPECT_EQ (processor.getProjectCopy().activeSectionIndex, 1);
    EXPECT_FLOAT_EQ (parameter->getValue(), 1.0f);
}

TEST (ProjectStore, StateRoundTripsCleanAndDirty)
{
    VarneTAudioProcessor first;
    const auto clean = stateText (first);
    EXPECT_FALSE (clean.containsChar ('\n'));

    VarneTAudioProcessor second;
    setState (second, clean);
    EXPECT_EQ (projectText (second), projectText (first));
    EXPECT_FALSE (second.isProjectDirty());

    auto project = first.getProjectCopy();
    const auto baselineText = VarneT::projectToJsonText (project);
    project.sections[0].sequence[0].notes[0].velocity = 1;
    ASSERT_EQ (first.applyProjectEdit (project, true), "");
    const auto dirty = stateText (first);
    EXPECT_TRUE (dirty.contains ("\"editBaseline\""));

    setState (second, dirty);
    EXPECT_TRUE (second.isProjectDirty());
    EXPECT_FALSE (second.getUndoManager().canUndo());
    EXPECT_EQ (projectText (second), VarneT::projectToJsonText (project));

    second.markProjectClean();
    EXPECT_FALSE (stateText (second).contains ("editBaseline"));
    juce::ignoreUnused (baselineText);
}

TEST (ProjectStore, BadStatesChangeNothing)
{
    VarneTAudioProcessor processor;
    auto project = processor.getProjectCopy();
    project.identityName = "Keeper";
    ASSERT_EQ (processor.applyProjectEdit (project, true), "");
    const auto before = projectText (processor);

    // Valid, but over the compiler's event limit.
    auto overLimit = project;
    overLimit.sections[0].repeatCount = 8;
    auto& pattern = overLimit.sections[0].sequence[0];
    pattern.repeatCount = 8;
    for (int i = 0; i < 2000; ++i)
    {
        auto note = pattern.notes[0];
        note.id = "extra-" + juce::String (i);
        pattern.notes.push_back (note);
    }

    const juce::String badStates[] = { "", juce::String::fromUTF8 ("\xff\xfe garbage"), "not json", "[1,2,3]", "42",
                                       "{}", "{\"version\":7}", "null",
                                       juce::JSON::toString (VarneT::projectToVar (overLimit), true) };

    for (const auto& text : badStates)
    {
        setState (processor, text);
        EXPECT_EQ (projectText (processor), before) << text;
    }

    const char invalidUtf8[] = { '\xff', '\xfe', '\x80', '{', '}' };
    processor.setStateInformation (invalidUtf8, (int) sizeof (invalidUtf8));
    processor.setStateInformation (nullptr, 10);
    processor.setStateInformation ("{}", 0);
    EXPECT_EQ (projectText (processor), before);
    EXPECT_TRUE (processor.getUndoManager().canUndo()) << "a refused state keeps the undo history";
}

TEST (ProjectStore, BrokenBaselineMakesTheLoadedProjectItsOwnBaseline)
{
    VarneTAudioProcessor processor;
    auto document = juce::JSON::parse (stateText (processor));
    document.getDynamicObject()->setProperty ("editBaseline", "broken");
    auto identity = document["identity"];
    identity.getDynamicObject()->setProperty ("name", "Quiet Otter 3F2A");

    setState (processor, juce::JSON::toString (document, true));
    EXPECT_EQ (processor.getProjectCopy().identityName, "Quiet Otter");
    EXPECT_FALSE (processor.isProjectDirty());
}
