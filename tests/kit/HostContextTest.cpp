#include "kit/TelemetryHostContext.h"

#include <pluginterfaces/base/funknown.h>
#include <pluginterfaces/vst/ivsthostapplication.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>

using tolmek::TelemetryHostContext;

namespace
{
/** A host that answers IHostApplication::getName with a fixed UTF-16 text. */
class FakeHost : public Steinberg::Vst::IHostApplication
{
public:
    FakeHost (const juce::String& nameToReport, bool offersApplication = true, bool nameSucceeds = true)
        : offers (offersApplication), succeeds (nameSucceeds)
    {
        auto utf16 = nameToReport.toUTF16();

        for (int i = 0; i < 128 && ! utf16.isEmpty(); ++i)
            name[i] = static_cast<Steinberg::Vst::TChar> (*utf16.getAddress()), ++utf16;
    }

    Steinberg::tresult PLUGIN_API getName (Steinberg::Vst::String128 out) override
    {
        if (! succeeds)
            return Steinberg::kResultFalse;

        std::memcpy (out, name, sizeof (name));
        return Steinberg::kResultOk;
    }

    Steinberg::tresult PLUGIN_API createInstance (Steinberg::TUID, Steinberg::TUID, void** obj) override
    {
        *obj = nullptr;
        return Steinberg::kNotImplemented;
    }

    Steinberg::tresult PLUGIN_API queryInterface (const Steinberg::TUID wanted, void** obj) override
    {
        if (offers && (Steinberg::FUnknownPrivate::iidEqual (wanted, Steinberg::Vst::IHostApplication_iid)
                       || Steinberg::FUnknownPrivate::iidEqual (wanted, Steinberg::FUnknown_iid)))
        {
            addRef();
            *obj = static_cast<Steinberg::Vst::IHostApplication*> (this);
            return Steinberg::kResultOk;
        }

        *obj = nullptr;
        return Steinberg::kNoInterface;
    }

    Steinberg::uint32 PLUGIN_API addRef() override { return (Steinberg::uint32) ++references; }
    Steinberg::uint32 PLUGIN_API release() override { return (Steinberg::uint32) --references; }

    std::atomic<int> references { 1 };

private:
    Steinberg::Vst::String128 name {};
    bool offers, succeeds;
};

juce::String nameThroughHost (const juce::String& reported)
{
    FakeHost host (reported);
    TelemetryHostContext context;
    context.setIHostApplication (&host);
    EXPECT_EQ (host.references.load(), 1) << "the interface is released again";
    return context.getHostName();
}
} // namespace

TEST (TelemetryHostContext, SanitisesTheHostName)
{
    const juce::String hundred = juce::String::repeatedString ("abcdefghij", 10);

    struct Row { juce::String reported; juce::String expected; };
    const Row rows[] = {
        { "Some/Host", "" },
        { "Some\\Host", "" },
        { "Some\tHost", "" },
        { "Some\nHost", "" },
        { "Some Host 12", "Some Host 12" },
        { "Some Host (x64)", "Some Host (x64" },
        { "~Some Host~", "Some Host" },
        { "UNKNOWN", "" },
        { "  -unknown.  ", "" },
        { "(Host+)", "Host" },
        { " ._Studio One_. ", "Studio One" },
        { juce::String::fromUTF8 ("H\xc3\xb4st \xe2\x9c\x93 9"), "Hst  9" },
        { hundred, hundred.substring (0, 64) },
        { "", "" },
    };

    for (const auto& row : rows)
        EXPECT_EQ (nameThroughHost (row.reported), row.expected) << row.reported;
}

TEST (TelemetryHostContext, MissingOrFailingHostsGiveNoName)
{
    TelemetryHostContext context;
    FakeHost named ("Host A");
    context.setIHostApplication (&named);
    ASSERT_EQ (context.getHostName(), "Host A");

    context.setIHostApplication (nullptr);
    EXPECT_EQ (context.getHostName(), "");

    FakeHost withoutApplication ("Host B", false);
    context.setIHostApplication (&withoutApplication);
    EXPECT_EQ (context.getHostName(), "");

    FakeHost failing ("Host C", true, false);
    context.setIHostApplication (&failing);
    EXPECT_EQ (context.getHostName(), "");
    EXPECT_EQ (failing.references.load(), 1);
}

TEST (TelemetryHostContext, UnterminatedNameIsCutAtItsLastUnit)
{
    FakeHost host (juce::String::repeatedString ("x", 200));
    TelemetryHostContext context;
    context.setIHostApplication (&host);
    EXPECT_EQ (context.getHostName(), juce::String::repeatedString ("x", 64));
}

TEST (TelemetryHostContext, ServesAsTheWrappersClientExtensions)
{
    TelemetryHostContext context;
    juce::VST3ClientExtensions& extensions = context;
    FakeHost host ("Host A");
    extensions.setIHostApplication (&host);
    EXPECT_EQ (context.getHostName(), "Host A");
}
