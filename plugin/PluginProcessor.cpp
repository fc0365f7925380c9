#include "plugin/PluginProcessor.h"

#include "model/DefaultProject.h"
#include "model/ProjectChangeAction.h"
#include "model/ProjectJson.h"
#include "model/ProjectValidation.h"
#include "model/Scales.h"
#include "plugin/InstanceNames.h"
#include "plugin/ServiceConfigs.h"

#include <cmath>
#include <cstdlib>

//==============================================================================
/** The most Sections a valid project holds. */
constexpr int maxSectionsOnHostGrid = 64;

/** The host's choice of the playing Section: one step per Section, then Auto-Advance. */
class SectionParameter final : public juce::RangedAudioParameter
{
public:
    explicit SectionParameter (VarneTAudioProcessor& p)
        : juce::RangedAudioParameter (juce::ParameterID { "activeSection", 1 }, "Section"), processor (p)
    {
    }

    float indexToValue (int index) const
    {
        const auto n = processor.getNumSections();
        return n <= 0 ? 0.0f : (float) juce::jlimit (0, n, index) / (float) n;
    }

    int valueToIndex (float v) const
    {
        const auto n = processor.getNumSections();
        return n <= 0 ? 0 : juce::jlimit (0, n, (int) std::nearbyint ((float) n * v));
    }

    float getValue() const override { return value.load (std::memory_order_relaxed); }
    void setValue (float newValue) override { value.store (juce::jlimit (0.0f, 1.0f, newValue), std::memory_order_relaxed); }
    float getDefaultValue() const override { return 0.0f; }
    int getNumSteps() const override
    {
        // JUCE's VST3 wrapper reads the step count once, when the host builds its parameter list,
        // and never again; a VST3 host keeps that grid whatever Sections follow. It gets the grid of
        // the largest project instead, on which every Section of any project and Auto-Advance have
        // a step (a grid value k/64 reads back as round(n * k/64), which reaches 0..n for n <= 64).
        if (processor.wrapperType == juce::AudioProcessor::wrapperType_VST3)
            return maxSectionsOnHostGrid + 1;

        return juce::jmax (processor.getNumSections() + 1, 1);
    }
    bool isDiscrete() const override { return true; }

    juce::String getText (float v, int) const override
    {
        const auto n = processor.getNumSections();
        const auto i = valueToIndex (v);
        return i == n ? juce::String ("Auto-Advance") : sectionText (i);
    }

    float getValueForText (const juce::String& text) const override
    {
        const auto t = text.trim();
        const auto n = processor.getNumSections();

        if (t.equalsIgnoreCase ("Auto-Advance"))
            return indexToValue (n);

        for (int i = 0; i < n; ++i)
            if (processor.getSectionName (i).equalsIgnoreCase (t))
                return indexToValue (i);

        const auto number = std::atoi (t.toRawUTF8());
        return number > 0 ? indexToValue (number - 1) : 0.0f;
    }

    juce::StringArray getAllValueStrings() const override
    {
        juce::StringArray texts;
        for (int i = 0; i < processor.getNumSections(); ++i)
            texts.add (sectionText (i));

        texts.add ("Auto-Advance");
        return texts;
    }

    const juce::NormalisableRange<float>& getNormalisableRange() const override
    {
        static const juce::NormalisableRange<float> range;
        return range;
    }

private:
    juce::String sectionText (int index) const
    {
        const auto sectionName = processor.getSectionName (index);
        return sectionName.isEmpty() ? "Section " + juce::String (index + 1) : sectionName;
    }

    VarneTAudioProcessor& processor;
    std::atomic<float> value { 0.0f };
};

//==============================================================================
namespace
{
bool isVst3OrStandalone (juce::AudioProcessor::WrapperType type) noexcept
{
    return type == juce::AudioProcessor::wrapperType_VST3 || type == juce::AudioProcessor::wrapperType_Standalone;
}

juce::AudioProcessorListener::ChangeDetails onlyNonParameterState()
{
    return juce::AudioProcessorListener::ChangeDetails().withNonParameterStateChanged (true);
}

juce::AudioProcessorListener::ChangeDetails onlyParameterInfo()
{
    return juce::AudioProcessorListener::ChangeDetails().withParameterInfoChanged (true);
}

bool sectionNamesDiffer (const VarneT::Project& a, const VarneT::Project& b)
{
    if (a.sections.size() != b.sections.size())
        return true;

    for (size_t i = 0; i < a.sections.size(); ++i)
        if (a.sections[i].name != b.sections[i].name)
            return true;

    return false;
}

/** The project with its names and selection neutralised: what playback hears. */
juce::String musicalContentText (VarneT::Project project)
{
    project.identityName = "Main";
    project.activeSectionIndex = 0;
    for (auto& section : project.sections)
        section.name = "Section";

    return VarneT::projectToJsonText (project);
}

juce::String textIgnoringSelection (VarneT::Project project)
{
    project.activeSectionIndex = 0;
    return VarneT::projectToJsonText (project);
}
} // namespace

//==============================================================================
juce::AudioProcessor::BusesProperties VarneTAudioProcessor::makeBusesProperties()
{
    // The wrapper type is only known through the host type while the instance is being created.
    BusesProperties buses;

    if (isVst3OrStandalone (juce::PluginHostType::getPluginLoadedAs()))
        buses = buses.withOutput ("Output", juce::AudioChannelSet::stereo(), true);

    return buses;
}

VarneTAudioProcessor::VarneTAudioProcessor()
    : juce::AudioProcessor (makeBusesProperties()),
      updateChecker (VarneT::makeUpdateCheckerConfig()),
      telemetryClient (VarneT::makeTelemetryConfig (wrapperType, hostContext))
{
    VarneT::prepareMusicTables();

    auto start = VarneT::makeDefaultProject();
    if (start.identityName == "Main")
        start.identityName = VarneT::generateInstanceName();

    std::shared_ptr<const VarneT::CompiledProject> compiled;
    VarneT::compileProject (start, compiled);

    auto shared = std::make_shared<const VarneT::Project> (std::move (start));
    currentProject.store (shared);
    baselineProject.store (shared);
    compiledProject.store (compiled);

    auto parameter = std::make_unique<SectionParameter> (*this);
    sectionParameter = parameter.get();
    addParameter (parameter.release());
    sectionParameter->setValue (sectionParameter->indexToValue (shared->activeSectionIndex));

    tolmek::McpPluginBridge::Environment bridgeEnvironment;
    bridgeEnvironment.parseJson = [] (const juce::String& text)
    {
        juce::var document;
        return VarneT::parseJsonText (text, document).wasOk() ? document : juce::var();
    };
    mcpBridge = std::make_unique<tolmek::McpPluginBridge> (makeBridgeCallbacks(), std::move (bridgeEnvironment));
    updateChecker.start();
}

VarneTAudioProcessor::~VarneTAudioProcessor()
{
    // The bridge goes first, while every target of its callbacks still exists.
    mcpBridge.reset();
}

tolmek::McpPluginBridge::Callbacks VarneTAudioProcessor::makeBridgeCallbacks()
{
    auto asResult = [] (const juce::String& error)
    {
        return error.isEmpty() ? juce::Result::ok() : juce::Result::fail (error);
    };

    tolmek::McpPluginBridge::Callbacks callbacks;
    callbacks.exportJson = [this] { return getProjectVar(); };
    // Validation also runs the compiler, so that it never accepts what applying would refuse.
    callbacks.validateJson = [asResult] (const juce::var& document)
    {
        VarneT::Project project;
        auto error = VarneT::projectFromVar (document, project);
        if (error.isEmpty())
        {
            std::shared_ptr<const VarneT::CompiledProject> compiled;
            error = VarneT::compileProject (project, compiled);
        }
        return asResult (error);
    };
    // Each bridge change is an undo step of its own; joined into one open transaction, a client's
    // changes would pile up in the history without bound, since JUCE never trims an open one.
    callbacks.applyJson = [this, asResult] (const juce::var& document)
    {
        undoManager.beginNewTransaction();
        return asResult (applyProjectVar (document, true));
    };
    callbacks.describe = [this] { return describeForBridge(); };
    callbacks.changeApplied = [this] (const juce::String&) { sendChangeMessage(); };
    return callbacks;
}

tolmek::McpPluginBridge::Description VarneTAudioProcessor::describeForBridge() const
{
    return describeForBridge (getProjectCopy());
}

tolmek::McpPluginBridge::Description VarneTAudioProcessor::describeForBridge (const VarneT::Project& project)
{
    const auto count = (int) project.sections.size();

    tolmek::McpPluginBridge::Description description;
    description.product = "Varne-T";
    description.pluginVersion = "1.3.6";
    description.displayName = "Varne-T - " + project.identityName;
    description.instanceName = project.identityName;
    description.sectionCount = count;
    description.writable = true;

    if (count > 0)
        description.activeSectionName = project.sections[(size_t) juce::jlimit (0, count - 1, project.activeSectionIndex)].name;

    return description;
}

const juce::String VarneTAudioProcessor::getName() const { return "Varne-T"; }

void VarneTAudioProcessor::prepareToPlay (double sampleRate, int)
{
    telemetryClient.prepareToPlay (sampleRate);
    currentSampleRate = sampleRate;
    lastBlockEndBeat = 0.0;
    transportWasRunning = false;
    publishIdleDisplay();
    noteTracker.reset();
}

void VarneTAudioProcessor::releaseResources()
{
    noteTracker.reset();
}

double VarneTAudioProcessor::getTailLengthSeconds() const { return 0.0; }
bool VarneTAudioProcessor::acceptsMidi() const { return true; }
bool VarneTAudioProcessor::producesMidi() const { return true; }
bool VarneTAudioProcessor::isMidiEffect() const { return ! isVst3OrStandalone (wrapperType); }

bool VarneTAudioProcessor::hasEditor() const { return true; }

int VarneTAudioProcessor::getNumPrograms() { return 1; }
int VarneTAudioProcessor::getCurrentProgram() { return 0; }
void VarneTAudioProcessor::setCurrentProgram (int) {}
const juce::String VarneTAudioProcessor::getProgramName (int) { return {}; }
void VarneTAudioProcessor::changeProgramName (int, const juce::String&) {}

//==============================================================================
VarneT::Project VarneTAudioProcessor::getProjectCopy() const
{
    if (auto project = currentProject.load())
        return *project;

    return VarneT::makeDefaultProject();
}

juce::var VarneTAudioProcessor::getProjectVar() const
{
    return VarneT::projectToVar (getProjectCopy());
}

juce::String VarneTAudioProcessor::validateProjectVar (const juce::var& document)
{
    VarneT::Project project;
    return VarneT::projectFromVar (document, project);
}

int VarneTAudioProcessor::getNumSections() const
{
    const auto project = currentProject.load();
    return project != nullptr ? (int) project->sections.size() : 0;
}

juce::String VarneTAudioProcessor::getSectionName (int index) const
{
    const auto project = currentProject.load();
    if (project == nullptr || ! juce::isPositiveAndBelow (index, (int) project->sections.size()))
        return {};

    return project->sections[(size_t) index].name;
}

bool VarneTAudioProcessor::isProjectDirty() const
{
    const auto baseline = baselineProject.load();
    if (baseline == nullptr)
        return false;

    return textIgnoringSelection (getProjectCopy()) != textIgnoringSelection (*baseline);
}

float VarneTAudioProcessor::sectionParameterValue() const noexcept
{
    return sectionParameter->getValue();
}

bool VarneTAudioProcessor::isAutoAdvanceSelected() const
{
    return sectionParameter != nullptr
           && sectionParameter->valueToIndex (sectionParameter->getValue()) >= getNumSections();
}

void VarneTAudioProcessor::syncSectionParameter()
{
    const auto project = currentProject.load();
    if (sectionParameter == nullptr || project == nullptr || isAutoAdvanceSelected())
        return;

    sectionParameter->beginChangeGesture();
    sectionParameter->setValueNotifyingHost (sectionParameter->indexToValue (project->activeSectionIndex));
    sectionParameter->endChangeGesture();
}

//==============================================================================
juce::String VarneTAudioProcessor::commitProject (const VarneT::Project& project)
{
    std::shared_ptr<const VarneT::CompiledProject> compiled;
    if (auto error = VarneT::compileProject (project, compiled); error.isNotEmpty())
        return error;

    const auto previous = currentProject.load();
    const auto sectionsChanged = previous == nullptr || sectionNamesDiffer (*previous, project);
    const auto sameContent = previous != nullptr && musicalContentText (*previous) == musicalContentText (project);

    currentProject.store (std::make_shared<const VarneT::Project> (project));
    compiledProject.store (compiled);

    if (sectionParameter != nullptr)
    {
        const auto index = project.sectionPlaybackMode == VarneT::SectionPlaybackMode::advanceSections
                               ? (int) project.sections.size()
                               : project.activeSectionIndex;
        sectionParameter->setValue (sectionParameter->indexToValue (index));
    }

    if (sectionsChanged)
        updateHostDisplay (onlyParameterInfo());

    if (! sameContent && playbackModeRequest.load() < 0)
    {
        releaseNotesRequested.store (true);
        reseekRequested.store (true);
    }

    sendChangeMessage();
    return {};
}

std::function<juce::Result (const VarneT::Project&)> VarneTAudioProcessor::projectChangeApplier()
{
    return [this] (const VarneT::Project& project)
    {
        const auto error = commitProject (project);
        return error.isEmpty() ? juce::Result::ok() : juce::Result::fail (error);
    };
}

juce::String VarneTAudioProcessor::applyProjectEdit (const VarneT::Project& project, bool undoable)
{
    if (auto error = VarneT::validateProject (project); error.isNotEmpty())
        return error;

    if (! undoable)
        return commitProject (project);

    auto action = std::make_unique<VarneT::ProjectChangeAction> (projectChangeApplier(), getProjectCopy(), project);

    if (! undoManager.perform (action.release(), "Edit Varne-T project"))
        return "Could not apply project edit";

    return {};
}

juce::String VarneTAudioProcessor::applyProjectVar (const juce::var& document, bool undoable)
{
    VarneT::Project project;
    if (auto error = VarneT::projectFromVar (document, project); error.isNotEmpty())
        return error;

    auto error = applyProjectEdit (project, undoable);
    if (error.isEmpty())
        updateHostDisplay (onlyNonParameterState());

    return error;
}

juce::String VarneTAudioProcessor::replacePattern (const VarneT::Pattern& pattern, int sectionIndex, int patternIndex)
{
    auto project = getProjectCopy();

    if ((size_t) (unsigned) sectionIndex >= project.sections.size())
        return "Section index is out of range";

    auto& sequence = project.sections[(size_t) sectionIndex].sequence;
    if ((size_t) (unsigned) patternIndex >= sequence.size())
        return "Pattern index is out of range";

    sequence[(size_t) patternIndex] = pattern;
    return applyProjectEdit (project, true);
}

juce::String VarneTAudioProcessor::selectSection (int sectionIndex, bool notifyHost)
{
    auto project = getProjectCopy();

    if ((size_t) (unsigned) sectionIndex >= project.sections.size())
        return "Section index is out of range";

    project.activeSectionIndex = sectionIndex;

    const auto queued = ! isAutoAdvanceSelected();
    if (queued)
        queuedSectionRequest.store (sectionIndex);

    auto error = VarneT::validateProject (project);
    if (error.isEmpty())
        error = commitProject (project);

    if (error.isNotEmpty())
    {
        if (queued)
            queuedSectionRequest.store (-1);

        return error;
    }

    if (notifyHost)
        syncSectionParameter();

    return {};
}

void VarneTAudioProcessor::markProjectClean()
{
    baselineProject.store (currentProject.load());
    undoManager.beginNewTransaction ({});
    updateHostDisplay (onlyNonParameterState());
    sendChangeMessage();
}

//==============================================================================
void VarneTAudioProcessor::getStateInformation (juce::MemoryBlock& destination)
{
    auto state = getProjectVar();
    const auto baseline = baselineProject.load();

    if (baseline != nullptr && isProjectDirty())
        if (auto* object = state.getDynamicObject())
            object->setProperty ("editBaseline", VarneT::projectToVar (*baseline));

    const auto text = juce::JSON::toString (state, true, 15);
    destination.setSize (text.getNumBytesAsUTF8());
    if (! destination.isEmpty())
        destination.copyFrom (text.toRawUTF8(), 0, destination.getSize());
}

void VarneTAudioProcessor::setStateInformation (const void* data, int sizeInBytes)
{
    if (data == nullptr || sizeInBytes <= 0)
        return;

    juce::var document;
    if (VarneT::parseJsonText (juce::String::fromUTF8 (static_cast<const char*> (data), sizeInBytes), document).failed())
        return;

    juce::var editBaseline;
    if (auto* object = document.getDynamicObject())
    {
        editBaseline = object->getProperty ("editBaseline");
        object->removeProperty ("editBaseline");
    }

    VarneT::Project project;
    if (VarneT::projectFromVar (document, project).isNotEmpty())
        return;

    project.identityName = VarneT::stripGeneratedNameSuffix (project.identityName);

    if (commitProject (project).isNotEmpty())
        return;

    VarneT::Project baseline;
    if (editBaseline.isVoid() || VarneT::projectFromVar (editBaseline, baseline).isNotEmpty())
        baseline = project;

    baseline.identityName = VarneT::stripGeneratedNameSuffix (baseline.identityName);
    baselineProject.store (std::make_shared<const VarneT::Project> (std::move (baseline)));
    undoManager.clearUndoHistory();
}

//==============================================================================
juce::String VarneTAudioProcessor::getHeldChordName() const
{
    return heldNotes.getHeldChordName();
}

juce::String VarneTAudioProcessor::getDisplayChordName() const
{
    return heldNotes.getDisplayChordName (getProjectCopy().previewChord);
}
