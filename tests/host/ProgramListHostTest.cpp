// The program list a VST3 host reads through IUnitInfo, asked through the raw interfaces of the
// built bundle's factory.

#include "support/ProbeHost.h"

#include <pluginterfaces/vst/ivstaudioprocessor.h>
#include <pluginterfaces/vst/ivstcomponent.h>
#include <pluginterfaces/vst/ivsteditcontroller.h>
#include <pluginterfaces/vst/ivstmessage.h>
#include <pluginterfaces/vst/ivstunits.h>

#include <gtest/gtest.h>

#include <dlfcn.h>

namespace
{
using namespace Steinberg;

const juce::File bundle { VARNET_VST3_BUNDLE };

juce::String fromString128 (const Vst::String128 text)
{
    return juce::String (juce::CharPointer_UTF16 (reinterpret_cast<const juce::CharPointer_UTF16::CharType*> (text)));
}

/** Releases a raw interface when the test leaves its scope. */
template <typename Interface>
struct Owned
{
    Interface* pointer = nullptr;
    ~Owned()
    {
        if (pointer != nullptr)
            pointer->release();
    }
    Interface* operator->() const { return pointer; }
    void** out() { return reinterpret_cast<void**> (&pointer); }
};
} // namespace

TEST (ProgramListHost, OneProgramListWithOneNamedProgram)
{
    // The JUCE host loads and initialises the module; the raw factory is then taken from it.
    juce::String error;
    auto plugin = probe::loadBundle (bundle, 48000.0, 512, error);
    ASSERT_TRUE (plugin.has_value()) << error;

    const auto binaries = bundle.getChildFile ("Contents").findChildFiles (juce::File::findFiles, true, "*.so");
    ASSERT_EQ (binaries.size(), 1);
    auto* module = dlopen (binaries.getFirst().getFullPathName().toRawUTF8(), RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE (module, nullptr);

    using GetFactory = IPluginFactory* (*)();
    auto getFactory = reinterpret_cast<GetFactory> (dlsym (module, "GetPluginFactory"));
    ASSERT_NE (getFactory, nullptr);
    Owned<IPluginFactory> factory { getFactory() };
    ASSERT_NE (factory.pointer, nullptr);

    Owned<Vst::IComponent> component;
    for (int32 i = 0; i < factory->countClasses() && component.pointer == nullptr; ++i)
    {
        PClassInfo info;
        if (factory->getClassInfo (i, &info) == kResultOk && juce::String (info.category) == kVstAudioEffectClass)
            factory->createInstance (info.cid, Vst::IComponent::iid, component.out());
    }
    ASSERT_NE (component.pointer, nullptr);
    ASSERT_EQ (component->initialize (nullptr), kResultOk);

    TUID controllerId;
    ASSERT_EQ (component->getControllerClassId (controllerId), kResultOk);
    Owned<Vst::IEditController> controller;
    ASSERT_EQ (factory->createInstance (controllerId, Vst::IEditController::iid, controller.out()), kResultOk);
    ASSERT_EQ (controller->initialize (nullptr), kResultOk);

    // A host connects the two halves before it asks the controller anything.
    Owned<Vst::IConnectionPoint> componentPoint, controllerPoint;
    ASSERT_EQ (component->queryInterface (Vst::IConnectionPoint::iid, componentPoint.out()), kResultOk);
    ASSERT_EQ (controller->queryInterface (Vst::IConnectionPoint::iid, controllerPoint.out()), kResultOk);
    componentPoint->connect (controllerPoint.pointer);
    controllerPoint->connect (componentPoint.pointer);

    Owned<Vst::IUnitInfo> units;
    ASSERT_EQ (controller->queryInterface (Vst::IUnitInfo::iid, units.out()), kResultOk);

    ASSERT_EQ (units->getProgramListCount(), 1);
    Vst::ProgramListInfo list {};
    ASSERT_EQ (units->getProgramListInfo (0, list), kResultOk);
    EXPECT_EQ (list.programCount, 1);
    EXPECT_EQ (fromString128 (list.name), "Factory Presets");

    Vst::String128 name {};
    ASSERT_EQ (units->getProgramName (list.id, 0, name), kResultOk);
    EXPECT_EQ (fromString128 (name), "Default");

    controllerPoint->disconnect (componentPoint.pointer);
    componentPoint->disconnect (controllerPoint.pointer);
    controller->terminate();
    component->terminate();
    dlclose (module);
}
