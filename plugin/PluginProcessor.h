#pragma once

#include "kit/McpPluginBridge.h"
#include "kit/TelemetryClient.h"
#include "kit/TelemetryHostContext.h"
#include "kit/UpdateChecker.h"
#include "model/Project.h"
#include "plugin/HeldNotes.h"
#include "plugin/NoteTracker.h"
#include "plugin/ProjectCompiler.h"
#include "plugin/PublishedPointer.h"
#include "plugin/SectionCursor.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <array>
#include <atomic>
#include <memory>

class SectionParameter;

class VarneTAudioProcessor : public juce::AudioProcessor,
                             public juce::ChangeBroadcaster,
                             public juce::VST3ClientExtensions
{
public:
    VarneTAudioProcessor();
    ~VarneTAudioProcessor() override;

    //==============================================================================
    const juce::String getName() const override;

    void prepareToPlay (double sampleRate, int maximumExpectedSamplesPerBlock) override;
    void releaseResources() override;
    void processBlock (juce::AudioBuffer<float>&, juce::MidiBuffer&) override;
    using juce::AudioProcessor::processBlock;

    double getTailLengthSeconds() const override;
    bool acceptsMidi() const override;
    bool producesMidi() const override;
    bool isMidiEffect() const override;

    juce::AudioProcessorEditor* createEditor() override;
    bool hasEditor() const override;

    int getNumPrograms() override;
    int getCurrentProgram() override;
    void setCurrentProgram (int) override;
    const juce::String getProgramName (int) override;
    void changeProgramName (int, const juce::String&) override;

    void getStateInformation (juce::MemoryBlock&) override;
    void setStateInformation (const void* data, int sizeInBytes) override;

    //==============================================================================
    // Reading the project (message thread; the counts and names also from host threads).
    VarneT::Project getProjectCopy() const;
    juce::var getProjectVar() const;
    static juce::String validateProjectVar (const juce::var&);
    int getNumSections() const;
    juce::String getSectionName (int index) const;
    bool isProjectDirty() const;

    // Changing the project (message thread). Each returns an empty text or the error.
    juce::String commitProject (const VarneT::Project&);
    juce::String applyProjectEdit (const VarneT::Project&, bool undoable);
    juce::String applyProjectEdit (VarneT::Project&&, bool undoable);
    juce::String applyProjectVar (const juce::var&, bool undoable);
    juce::String replacePattern (const VarneT::Pattern&, int sectionIndex, int patternIndex);
    juce::String selectSection (int sectionIndex, bool notifyHost);
    void markProjectClean();

    /** The editor's clean snapshot (canonical project text, message thread). It lives here because
        the processor outlives its editors: a reopened editor still knows the project was edited. */
    juce::String editorCleanProjectJson;

    bool isAutoAdvanceSelected() const;
    void syncSectionParameter();

    juce::UndoManager& getUndoManager() noexcept { return undoManager; }

    // Kit services.
    tolmek::McpPluginBridge::Description describeForBridge() const;
    static tolmek::McpPluginBridge::Description describeForBridge (const VarneT::Project&);
    tolmek::McpPluginBridge* getMcpBridge() noexcept { return mcpBridge.get(); }
    tolmek::UpdateChecker& getUpdateChecker() noexcept { return updateChecker; }
    tolmek::TelemetryClient& getTelemetryClient() noexcept { return telemetryClient; }

    /** JUCE's VST3 wrapper hands the host application here; the host context keeps its name. */
    void setIHostApplication (Steinberg::FUnknown* host) override { hostContext.setIHostApplication (host); }

    // Held chord (message thread).
    juce::String getHeldChordName() const;
    juce::String getDisplayChordName() const;

    // Requests to the audio thread.
    void requestReleaseNotes() noexcept { releaseNotesRequested.store (true); }
    void requestPanic() noexcept { panicRequested.store (true); }
    void enableAudition() noexcept { auditionEnabled.store (true); }
    bool isAuditionEnabled() const noexcept { return auditionEnabled.load(); }
    void requestReseek() noexcept { reseekRequested.store (true); }
    void queueSection (int index) noexcept { queuedSectionRequest.store (index); }
    void requestPlaybackMode (bool autoAdvance) noexcept { playbackModeRequest.store (autoAdvance ? 1 : 0); }
    void withdrawPlaybackModeRequest() noexcept { playbackModeRequest.store (-1); }
    int getPlaybackModeRequest() const noexcept { return playbackModeRequest.load(); }
    std::shared_ptr<const VarneT::Project> getBaselineProject() const { return baselineProject.load(); }
    SectionParameter* getSectionParameter() const noexcept { return sectionParameter; }

    // Playback display, written by the audio thread once per block.
    bool isGenerating() const noexcept { return generating.load (std::memory_order_relaxed); }
    int getPlayingSection() const noexcept { return playingSection.load (std::memory_order_relaxed); }
    float getSectionProgress() const noexcept { return sectionProgress.load (std::memory_order_relaxed); }
    int getPlayingPattern() const noexcept { return playingPattern.load (std::memory_order_relaxed); }
    double getPatternBeat() const noexcept { return patternBeat.load (std::memory_order_relaxed); }
    float getPatternProgress() const noexcept { return patternProgress.load (std::memory_order_relaxed); }

    double getCurrentSampleRate() const noexcept { return currentSampleRate; }

    /** Makes the undo manager's actions call commitProject. */
    std::function<juce::Result (const VarneT::Project&)> projectChangeApplier();

private:
    static BusesProperties makeBusesProperties();

    /** commitProject of a value that the store then shares instead of copying. */
    juce::String commitSharedProject (std::shared_ptr<const VarneT::Project>);

    struct Transport
    {
        double tempo = 120.0;
        bool playing = false;
        bool hasPosition = false;
        double position = 0.0;
    };

    /** What one block plays from, once its project and transport are read. */
    struct Block
    {
        const VarneT::Project& project;
        const VarneT::CompiledProject& compiled;
        juce::MidiBuffer& midi;
        int sectionCount = 0;
        int numSamples = 0;
        int channel = 1;
        int inputEventCount = 0;
        /** Input events this many samples apart or closer change the held notes together (1 ms). */
        int groupWindow = 1;
        /** The Section parameter's choice: a Section index, or sectionCount for Auto-Advance. */
        int sectionChoice = 0;
        /** The project's active Section, clamped to the compiled Sections. */
        int activeSection = -1;
        double beatsPerSample = 0.0;
        /** Host beats at the block's first sample and just after its last one. */
        double startBeat = 0.0, endBeat = 0.0;
        /** The Section timeline is anchored anew: first block, host jump or re-seek request. */
        bool resynchronises = false;
        /** The pass began less than a sample before the next span, whose events then reach back
            to the pass start. */
        bool fromPassStart = false;

        bool autoAdvanceSelected() const noexcept { return sectionChoice >= sectionCount; }
    };

    // The playback loop's steps, in the order a block takes them.
    int captureInput (const juce::MidiBuffer&, int numSamples) noexcept;
    void serveNoteRequests (juce::MidiBuffer&, int channel) noexcept;
    Transport readTransport() const;
    void playStoppedBlock (const Block&) noexcept;
    void playPlayingBlock (Block&, const Transport&) noexcept;
    bool chooseSectionByPosition (Block&) noexcept;
    void resynchroniseSection (const Block&) noexcept;
    void serveSectionRequests (const Block&) noexcept;
    void catchUpWithEndedPasses (Block&) noexcept;
    void renderPasses (Block&) noexcept;
    int passEndSample (const Block&, double passEndBeat) const noexcept;
    void applyInputGroups (int firstEvent, int eventCount, int groupWindow) noexcept;

    void renderSpan (const VarneT::Project&, const VarneT::CompiledSection&, bool fromPassStart, double sectionBeatAtSegmentStart,
                     int segmentStartSample, int fromSample, int toSample, double beatsPerSample, juce::MidiBuffer&) noexcept;
    bool generatingNow (const VarneT::Project&) const noexcept;
    void updateHeldNotes (int firstEvent, int endEvent) noexcept;
    int nextInputGroupEnd (int firstEvent, int eventCount, int groupWindow) const noexcept;
    void releaseAll (juce::MidiBuffer&, int channel, int sample) noexcept;
    void publishDisplay (const VarneT::Project&, double blockEndBeat) noexcept;
    void publishIdleDisplay() noexcept;
    int sectionChoice (int compiledSectionCount, const VarneT::Project&) const noexcept;
    float sectionParameterValue() const noexcept;
    tolmek::McpPluginBridge::Callbacks makeBridgeCallbacks();

    //==============================================================================
    // Published state: shared pointers for the message thread and host threads, raw pointers
    // for the audio thread, which never takes a lock and never frees a project.
    VarneT::AudioReadEpoch audioReadEpoch;
    VarneT::PublishedPointer<VarneT::Project> currentProject { audioReadEpoch };
    std::atomic<std::shared_ptr<const VarneT::Project>> baselineProject;
    VarneT::PublishedPointer<VarneT::CompiledProject> compiledProject { audioReadEpoch };

    VarneT::NoteTracker noteTracker;
    juce::UndoManager undoManager;
    std::unique_ptr<tolmek::McpPluginBridge> mcpBridge;
    tolmek::UpdateChecker updateChecker;
    tolmek::TelemetryHostContext hostContext;
    tolmek::TelemetryClient telemetryClient;

    VarneT::HeldNoteState heldNotes;
    std::array<VarneT::InputEvent, 512> inputEvents {};

    std::atomic<bool> releaseNotesRequested { false };
    std::atomic<bool> panicRequested { false };
    std::atomic<bool> auditionEnabled { false };

    std::atomic<bool> generating { false };
    std::atomic<int> playingSection { -1 };
    std::atomic<float> sectionProgress { 0.0f };
    std::atomic<int> playingPattern { -1 };
    std::atomic<double> patternBeat { 0.0 };
    std::atomic<float> patternProgress { 0.0f };

    SectionParameter* sectionParameter = nullptr;

    VarneT::SectionCursor sectionCursor;
    std::atomic<int> queuedSectionRequest { -1 };
    std::atomic<int> playbackModeRequest { -1 };
    std::atomic<bool> reseekRequested { true };
    int lastSectionChoice = -1;
    double sectionStartBeat = 0.0;
    double currentSampleRate = 44100.0;
    double lastBlockEndBeat = 0.0;
    bool transportWasRunning = false;

    friend class SectionParameter;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VarneTAudioProcessor)
};
