#include "plugin/PluginProcessor.h"

#include "model/DefaultProject.h"
#include "model/ProjectChangeAction.h"
#include "model/ProjectComparison.h"
#include "model/ProjectJson.h"
#include "model/ProjectValidation.h"
#include "model/Scales.h"
#include "plugin/InstanceNames.h"
#include "plugin/SectionParameter.h"
#include "plugin/ServiceConfigs.h"

#include "VarneTIdentity.h"

#include <cmath>
#include <cstdlib>

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
    // Each bridge change is an undo step of its own: closed before, so that it never joins the
    // editor's open step (and a client's changes never pile up in one that JUCE cannot trim), and
    // after, so that the user's next edit never joins it.
    callbacks.applyJson = [this, asResult] (const juce::var& document)
    {
        undoManager.beginNewTransaction();
        const auto result = applyProjectVar (document, true);
        undoManager.beginNewTransaction();
        return asResult (result);
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
    description.product = VarneT::identity::productName;
    description.pluginVersion = VarneT::identity::version;
    description.displayName = juce::String (VarneT::identity::productName) + " - " + project.identityName;
    description.instanceName = project.identityName;
    description.sectionCount = count;
    description.writable = true;

    if (count > 0)
        description.activeSectionName = project.sections[(size_t) juce::jlimit (0, count - 1, project.activeSectionIndex)].name;

    return description;
}

const juce::String VarneTAudioProcessor::getName() const { return VarneT::identity::productName; }

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
const juce::String VarneTAudioProcessor::getProgramName (int) { return "Default"; }
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
    if (const auto project = currentProject.load())
        return VarneT::projectToVar (*project);

    return VarneT::projectToVar (VarneT::makeDefaultProject());
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

    const auto current = currentProject.load();
    return ! VarneT::sameApartFromSelection (current != nullptr ? *current : VarneT::makeDefaultProject(), *baseline);
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
    return commitSharedProject (std::make_shared<const VarneT::Project> (project));
}

juce::String VarneTAudioProcessor::commitSharedProject (std::shared_ptr<const VarneT::Project> shared)
{
    const auto& project = *shared;

    std::shared_ptr<const VarneT::CompiledProject> compiled;
    if (auto error = VarneT::compileProject (project, compiled); error.isNotEmpty())
        return error;

    const auto previous = currentProject.load();
    const auto sectionsChanged = previous == nullptr || sectionNamesDiffer (*previous, project);
    const auto sameContent = previous != nullptr && VarneT::sameMusicalContent (*previous, project);

    currentProject.store (shared);
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
    return applyProjectEdit (VarneT::Project (project), undoable);
}

juce::String VarneTAudioProcessor::applyProjectEdit (VarneT::Project&& project, bool undoable)
{
    if (auto error = VarneT::validateProject (project); error.isNotEmpty())
        return error;

    auto after = std::make_shared<const VarneT::Project> (std::move (project));

    if (! undoable)
        return commitSharedProject (std::move (after));

    auto before = currentProject.load();
    if (before == nullptr)
        before = std::make_shared<const VarneT::Project> (VarneT::makeDefaultProject());

    // The undo step holds the very values the store publishes: nothing is copied or written.
    auto action = std::make_unique<VarneT::ProjectChangeAction> (
        [this] (const std::shared_ptr<const VarneT::Project>& shared)
        {
            const auto error = commitSharedProject (shared);
            return error.isEmpty() ? juce::Result::ok() : juce::Result::fail (error);
        },
        std::move (before), std::move (after));

    if (! undoManager.perform (action.release(), "Edit " + juce::String (VarneT::identity::productName) + " project"))
        return "Could not apply project edit";

    return {};
}

juce::String VarneTAudioProcessor::applyProjectVar (const juce::var& document, bool undoable)
{
    VarneT::Project project;
    if (auto error = VarneT::projectFromVar (document, project); error.isNotEmpty())
        return error;

    auto error = applyProjectEdit (std::move (project), undoable);
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
    return applyProjectEdit (std::move (project), true);
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
        error = commitSharedProject (std::make_shared<const VarneT::Project> (std::move (project)));

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
