#include "kit/SettingsStore.h"
#include "support/ServiceTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>

using tolmek::SettingsStore;

namespace
{
class SettingsStoreTest : public ::testing::Test
{
protected:
    void TearDown() override { service_test::removeInterProcessLockFile (store.getLockName()); }

    service_test::TemporaryHome home;
    SettingsStore store { "TOLMEK/VarneT" };

    juce::File file() const { return store.getFile(); }

    void writeRaw (const juce::String& text) const
    {
        file().getParentDirectory().createDirectory();
        file().replaceWithText (text);
    }

    juce::var parsedFile() const { return juce::JSON::parse (file().loadFileAsString()); }
};

juce::String childEnv (const char* name)
{
    auto* value = std::getenv (name);
    return value != nullptr ? juce::String (value) : juce::String();
}

/** Child processes that are ended when the test ends, however it ends. */
struct ChildProcesses : juce::OwnedArray<juce::ChildProcess>
{
    ~ChildProcesses()
    {
        for (auto* child : *this)
        {
            if (child->isRunning())
                child->kill();

            child->waitForProcessToFinish (5000);
        }
    }
};

juce::ChildProcess* startChild (ChildProcesses& children, const juce::String& job, const juce::File& baseFolder)
{
    setenv ("VARNET_SETTINGS_CHILD_JOB", job.toRawUTF8(), 1);
    setenv ("VARNET_SETTINGS_CHILD_BASE", baseFolder.getFullPathName().toRawUTF8(), 1);

    auto* child = children.add (new juce::ChildProcess());
    const juce::StringArray args { juce::File::getSpecialLocation (juce::File::currentExecutableFile).getFullPathName(),
                                   "--gtest_filter=SettingsStoreChild.Run" };
    const auto ok = child->start (args, 0);

    unsetenv ("VARNET_SETTINGS_CHILD_JOB");
    unsetenv ("VARNET_SETTINGS_CHILD_BASE");
    return ok ? child : nullptr;
}
} // namespace

TEST_F (SettingsStoreTest, FileLivesBelowTheApplicationDataFolder)
{
    EXPECT_EQ (file(), home.getFolder().getChildFile (".config/TOLMEK/VarneT/settings.json"));
    EXPECT_EQ (SettingsStore ("\\TOLMEK\\\\VarneT/").getFile(), file());

    const auto base = home.getFolder().getChildFile ("elsewhere");
    EXPECT_EQ (SettingsStore ("TOLMEK/VarneT", base).getFile(), base.getChildFile ("TOLMEK/VarneT/settings.json"));
}

TEST_F (SettingsStoreTest, LockNameIsAStableHashOfThePath)
{
    struct Row { const char* path; const char* lockName; };
    const Row rows[] = {
        { "/a", "tolmek-settings-12ec" },
        { "/home/user/.config/TOLMEK/VarneT/settings.json", "tolmek-settings-86ae2bf299ca80cf" },
        { "/tmp/\xc3\x9cn\xc3\xaf" "code/settings.json", "tolmek-settings-799223d286b8bd93" },
    };

    for (const auto& row : rows)
        EXPECT_EQ (SettingsStore::lockNameForPath (juce::String::fromUTF8 (row.path)), row.lockName) << row.path;

    EXPECT_EQ (store.getLockName(), SettingsStore ("TOLMEK/VarneT").getLockName());
    EXPECT_NE (store.getLockName(), SettingsStore ("TOLMEK/Other").getLockName());
}

TEST_F (SettingsStoreTest, EmptyKeyDisablesEverything)
{
    const SettingsStore disabled { "" };
    EXPECT_EQ (disabled.getFile(), juce::File());
    EXPECT_TRUE (disabled.readSection ("ui").isVoid());
    EXPECT_FALSE (disabled.setValue ("ui", "scale", 1.0));
    EXPECT_FALSE (disabled.writeSection ("ui", juce::var (new juce::DynamicObject())));
    EXPECT_FALSE (home.getFolder().getChildFile (".config").exists());
}

TEST_F (SettingsStoreTest, FirstWriteCreatesFoldersAndOneLineFile)
{
    EXPECT_TRUE (store.readSection ("ui").isVoid());
    ASSERT_TRUE (store.setValue ("ui", "scale", 1.25));
    EXPECT_EQ (file().loadFileAsString(), R"({"ui": {"scale": 1.25}, "schema": 1})");

    // The schema key keeps its first place; later sections follow it.
    ASSERT_TRUE (store.setValue ("updates", "latest_version", "1.4.0"));
    EXPECT_EQ (file().loadFileAsString(), R"({"ui": {"scale": 1.25}, "schema": 1, "updates": {"latest_version": "1.4.0"}})");

    EXPECT_EQ (file().getParentDirectory().findChildFiles (juce::File::findFilesAndDirectories, false).size(), 1)
        << "no temporary file is left beside the settings";
}

TEST_F (SettingsStoreTest, DamagedFilesReadAsNothingAndAreReplacedOnWrite)
{
    struct Row { const char* name; const char* content; bool keepsTelemetry; };
    const Row rows[] = {
        { "empty", "", false },
        { "array", "[1, 2, 3]", false },
        { "broken", "{\"ui\": {\"scale\": ", false },
        { "truncated", "{\"telemetry\": {\"install_id\": \"abc\"}, \"ui\": {\"scale\": 1", false },
        { "string", "\"settings\"", false },
        { "null", "null", false },
        { "binary", "\x01\x02\xff\xfe" "x", false },
        { "section of wrong type", "{\"telemetry\": {\"install_id\": \"abc\"}, \"ui\": 7}", true },
    };

    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.name);
        writeRaw (row.content);

        EXPECT_TRUE (store.readSection ("ui").isVoid());
        EXPECT_EQ (store.readNumber ("ui", "scale", 2.5), 2.5);
        ASSERT_TRUE (store.setValue ("ui", "scale", 1.5));

        const auto root = parsedFile();
        ASSERT_TRUE (tolmek::isJsonObject (root));
        EXPECT_EQ (store.readNumber ("ui", "scale", 0.0), 1.5);
        EXPECT_EQ (tolmek::isJsonObject (root.getProperty ("telemetry", {})), row.keepsTelemetry);
        EXPECT_EQ ((int) root.getProperty ("schema", {}), 1);
    }
}

TEST_F (SettingsStoreTest, FileThatCannotBeReadIsNeverReplaced)
{
    // A folder in the file's place.
    file().createDirectory();
    EXPECT_TRUE (store.readSection ("ui").isVoid());
    EXPECT_FALSE (store.setValue ("ui", "scale", 1.0));
    EXPECT_TRUE (file().isDirectory());
    file().deleteRecursively();

    // A symbolic link to a file that holds other sections: neither followed nor replaced.
    const auto target = home.getFolder().getChildFile ("target.json");
    const juce::String content = R"({"telemetry": {"install_id": "abc"}, "schema": 1})";
    target.replaceWithText (content);
    ASSERT_TRUE (target.createSymbolicLink (file(), true));

    EXPECT_TRUE (store.readSection ("telemetry").isVoid());
    EXPECT_FALSE (store.writeSection ("ui", juce::var (new juce::DynamicObject())));
    EXPECT_TRUE (file().isSymbolicLink());
    EXPECT_EQ (target.loadFileAsString(), content);
}

TEST_F (SettingsStoreTest, WriteSectionReplacesOnlyWithObjects)
{
    ASSERT_TRUE (store.setValue ("ui", "scale", 1.0));
    const auto before = file().loadFileAsString();

    EXPECT_FALSE (store.writeSection ("ui", 3));
    EXPECT_FALSE (store.writeSection ("ui", juce::var (juce::Array<juce::var> { 1, 2 })));
    EXPECT_EQ (file().loadFileAsString(), before);

    auto* replacement = new juce::DynamicObject();
    replacement->setProperty ("logicalWidth", 1360);
    ASSERT_TRUE (store.writeSection ("ui", juce::var (replacement)));
    EXPECT_EQ (store.readNumber ("ui", "scale", -1.0), -1.0);
    EXPECT_EQ (store.readNumber ("ui", "logicalWidth", -1.0), 1360.0);
}

TEST_F (SettingsStoreTest, SetValueTurnsANonObjectSectionIntoAnObject)
{
    writeRaw (R"({"ui": 5, "updates": {"latest_version": "1.4"}})");
    ASSERT_TRUE (store.setValue ("ui", "scale", 2));
    EXPECT_EQ (file().loadFileAsString(), R"({"ui": {"scale": 2}, "updates": {"latest_version": "1.4"}, "schema": 1})");
}

TEST_F (SettingsStoreTest, ReadNumberTakesOnlyNumbers)
{
    writeRaw (R"({"ui": {"int": 3, "double": 1.75, "big": 5000000000, "text": "4", "flag": true, "none": null}})");

    struct Row { const char* key; double expected; };
    const Row rows[] = { { "int", 3.0 }, { "double", 1.75 }, { "big", 5000000000.0 },
                         { "text", -1.0 }, { "flag", -1.0 }, { "none", -1.0 }, { "missing", -1.0 } };

    for (const auto& row : rows)
        EXPECT_EQ (store.readNumber ("ui", row.key, -1.0), row.expected) << row.key;

    EXPECT_EQ (store.readNumber ("absent", "int", -1.0), -1.0);
}

TEST_F (SettingsStoreTest, OlderFilesGoOnlyWithASuccessfulWrite)
{
    const auto folder = file().getParentDirectory();
    const juce::StringArray older { "telemetry.json", "update-check.json", "ui_scale.json" };
    folder.createDirectory();

    for (const auto& name : older)
        folder.getChildFile (name).replaceWithText ("{}");

    file().createDirectory();
    EXPECT_FALSE (store.setValue ("ui", "scale", 1.0));

    for (const auto& name : older)
        EXPECT_TRUE (folder.getChildFile (name).existsAsFile()) << name;

    file().deleteRecursively();
    ASSERT_TRUE (store.setValue ("ui", "scale", 1.0));

    for (const auto& name : older)
        EXPECT_FALSE (folder.getChildFile (name).exists()) << name;
}

// Not a test of its own: the body of the child processes that the tests below start.
TEST (SettingsStoreChild, Run)
{
    const auto job = juce::StringArray::fromTokens (childEnv ("VARNET_SETTINGS_CHILD_JOB"), ":", {});

    if (job.isEmpty())
        GTEST_SKIP() << "runs only as a child process";

    const SettingsStore child { "TOLMEK/VarneT", juce::File (childEnv ("VARNET_SETTINGS_CHILD_BASE")) };

    if (job[0] == "write")
    {
        for (int i = 1; i <= job[2].getIntValue(); ++i)
            ASSERT_TRUE (child.setValue (job[1], "count", i));
    }
    else if (job[0] == "hold")
    {
        juce::InterProcessLock lock (child.getLockName());
        ASSERT_TRUE (lock.enter (5000));
        juce::File (job[2]).replaceWithText ("held");

        const auto parent = getppid();
        const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) job[1].getIntValue();

        while (juce::Time::getMillisecondCounter() < end && getppid() == parent)
            juce::Thread::sleep (20);
    }
}

TEST_F (SettingsStoreTest, ProcessesWritingDifferentSectionsKeepEverySection)
{
    const auto base = home.getFolder().getChildFile ("shared");
    const SettingsStore shared { "TOLMEK/VarneT", base };
    const juce::StringArray sections { "telemetry", "updates", "ui", "extra" };
    constexpr int writesPerChild = 40;

    ChildProcesses children;

    for (const auto& section : sections)
        ASSERT_NE (startChild (children, "write:" + section + ":" + juce::String (writesPerChild), base), nullptr);

    int invalidSnapshots = 0;

    const auto anyRunning = [&]
    {
        for (auto* child : children)
            if (child->isRunning())
                return true;

        return false;
    };

    // Readers that take no lock still see a whole file at every moment.
    while (anyRunning())
    {
        if (shared.getFile().existsAsFile() && ! tolmek::isJsonObject (juce::JSON::parse (shared.getFile().loadFileAsString())))
            ++invalidSnapshots;

        juce::Thread::sleep (1);
    }

    for (auto* child : children)
        EXPECT_EQ (child->getExitCode(), 0u) << child->readAllProcessOutput();

    EXPECT_EQ (invalidSnapshots, 0);

    for (const auto& section : sections)
        EXPECT_EQ (shared.readNumber (section, "count", 0.0), (double) writesPerChild) << section;

    service_test::removeInterProcessLockFile (shared.getLockName());
}

TEST_F (SettingsStoreTest, LockHeldByAnotherProcessFailsQuietlyAfterABoundedWait)
{
    ASSERT_TRUE (store.setValue ("ui", "scale", 1.0));
    const auto before = file().loadFileAsString();
    const auto marker = home.getFolder().getChildFile ("held");

    // The child uses the same settings file through a base folder equal to the application-data folder.
    const auto appData = juce::File::getSpecialLocation (juce::File::userApplicationDataDirectory);
    ChildProcesses children;
    ASSERT_NE (startChild (children, "hold:60000:" + marker.getFullPathName(), appData), nullptr);
    ASSERT_TRUE (service_test::waitUntil ([&] { return marker.existsAsFile(); }));

    const auto started = juce::Time::getMillisecondCounterHiRes();
    EXPECT_FALSE (store.setValue ("ui", "scale", 2.0));
    EXPECT_TRUE (store.readSection ("ui").isVoid());
    const auto waited = juce::Time::getMillisecondCounterHiRes() - started;

    EXPECT_LT (waited, 2.0 * SettingsStore::lockTimeoutMs + 1000.0);
    EXPECT_EQ (file().loadFileAsString(), before);

    // The system releases the lock of a process that ends.
    children[0]->kill();
    children[0]->waitForProcessToFinish (5000);
    EXPECT_TRUE (store.setValue ("ui", "scale", 2.0));
}
