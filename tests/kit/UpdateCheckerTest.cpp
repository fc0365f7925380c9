#include "kit/SettingsStore.h"
#include "kit/UpdateChecker.h"
#include "support/ServiceTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

using tolmek::UpdateChecker;
using State = tolmek::UpdateChecker::State;

namespace
{
const juce::String settingsKey = "TOLMEK/VarneT";
const juce::String documentPath = "/api/updates/varne-t.json";

juce::String updateDocument (const juce::String& latest, const juce::String& download = "https://example.invalid/get")
{
    return R"({"latest_version": ")" + latest + R"(", "download_url": ")" + download
         + R"(", "release_notes_url": "https://example.invalid/notes", "extra": 1})";
}

struct ChangeCounter : juce::ChangeListener
{
    void changeListenerCallback (juce::ChangeBroadcaster*) override { ++count; }
    int count = 0;
};

class UpdateCheckerTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        if (checker != nullptr)
            checker->removeChangeListener (&changes);

        checker.reset();
        service_test::removeInterProcessLockFile (store.getLockName());
    }

    UpdateChecker& makeChecker (const juce::String& url, const juce::String& version = "1.3.6")
    {
        if (checker != nullptr)
            checker->removeChangeListener (&changes);

        checker = std::make_unique<UpdateChecker> (UpdateChecker::Config { "varne-t", "Varne-T", version, url, settingsKey });
        checker->setClock ([this] { return clockTime; });
        checker->addChangeListener (&changes);
        return *checker;
    }

    /** Waits for the fetch to end and delivers the change messages it sent. */
    bool waitForChecker() const
    {
        const auto ended = service_test::waitUntil ([this] { return ! checker->isThreadRunning(); });
        juce::MessageManager::getInstance()->runDispatchLoopUntil (50);
        return ended;
    }

    void writeCache (const juce::String& latest, const juce::String& download, juce::Time checked) const
    {
        auto* cache = new juce::DynamicObject();
        cache->setProperty ("last_checked_utc", checked.toISO8601 (true));
        cache->setProperty ("latest_version", latest);
        cache->setProperty ("download_url", download);
        cache->setProperty ("release_notes_url", "");
        cache->setProperty ("update_available", true);
        store.writeSection ("updates", juce::var (cache));
    }

    service_test::TemporaryHome home;
    tolmek::SettingsStore store { settingsKey };
    juce::Time clockTime { juce::Time::getCurrentTime() };
    ChangeCounter changes;
    std::unique_ptr<UpdateChecker> checker;
};
} // namespace

TEST (UpdateCheckerVersions, ComparesNumerically)
{
    struct Row { const char* a; const char* b; int expected; };
    const Row rows[] = {
        { "1.4", "1.3.6", 1 },         { "1.3.6", "1.4", -1 },        { "v1.3.6", "1.3.6", 0 },
        { "V1.3.7", "1.3.6", 1 },      { "1.3.6.0", "1.3.6", 0 },     { "1.3.10", "1.3.9", 1 },
        { " 2.0 ", "1.9.9", 1 },       { "1.4.0-beta", "1.3.6", 0 },  { "1.3.6", "1.4.0-beta", 0 },
        { "", "1.3.6", 0 },            { "v", "1.3.6", 0 },           { "1..4", "1.3", 0 },
        { "1.4.", "1.3", 0 },          { "vv1.4", "1.3", 0 },         { "1.x", "1.3", 0 },
        { "99999999999999999999999", "1", 1 },
    };

    for (const auto& row : rows)
        EXPECT_EQ (UpdateChecker::compareVersions (row.a, row.b), row.expected) << row.a << " vs " << row.b;
}

TEST_F (UpdateCheckerTest, AnswersDecideTheStateAndTheCache)
{
    service_test::LoopbackServer server (home.getFolder());
    ASSERT_TRUE (server.isReady());

    struct Row { const char* name; int status; juce::String body; int bodyBytes; State expected; bool cached; };
    const Row rows[] = {
        { "newer", 200, updateDocument ("1.4.0"), 0, State::UpdateAvailable, true },
        { "same", 200, updateDocument ("1.3.6"), 0, State::UpToDate, true },
        { "newer by number", 200, updateDocument ("1.3.10"), 0, State::UpdateAvailable, true },
        { "newer without download", 200, updateDocument ("1.4.0", ""), 0, State::UpToDate, true },
        { "pre-release", 200, updateDocument ("1.4.0-beta"), 0, State::UpToDate, true },
        { "array", 200, "[1, 2]", 0, State::Idle, false },
        { "html", 200, "<html><body>hello</body></html>", 0, State::Idle, false },
        { "empty", 200, "", 0, State::Idle, false },
        { "server error with a JSON body", 500, updateDocument ("1.3.6"), 0, State::Idle, false },
        { "not found", 404, updateDocument ("1.4.0"), 0, State::Idle, false },
        { "redirect without location", 301, "", 0, State::Idle, false },
        { "endless body", 200, updateDocument ("1.4.0"), 4 * 1024 * 1024, State::Idle, false },
    };

    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.name);
        store.getFile().deleteFile();
        server.answer (row.status, row.body, 0.0, row.bodyBytes);

        auto& updates = makeChecker (server.baseUrl() + documentPath);
        updates.start();
        ASSERT_TRUE (waitForChecker());
        EXPECT_GE (changes.count, 1);

        EXPECT_EQ (updates.getState(), row.expected);
        EXPECT_EQ (updates.isUpdateAvailable(), row.expected == State::UpdateAvailable);

        const auto cache = store.readSection ("updates");
        EXPECT_EQ (tolmek::isJsonObject (cache), row.cached);

        if (row.cached)
        {
            EXPECT_EQ ((bool) cache["update_available"], row.expected == State::UpdateAvailable);
            EXPECT_EQ (cache["last_checked_utc"].toString(), clockTime.toISO8601 (true));
            EXPECT_EQ (updates.getLatestVersion(), cache["latest_version"].toString());
        }

        changes.count = 0;
    }

    const auto request = server.requests().getLast();
    EXPECT_EQ (request["method"].toString(), "GET");
    EXPECT_EQ (request["path"].toString(), documentPath);
    EXPECT_EQ (request["headers"]["Accept"].toString(), "application/json");
}

TEST_F (UpdateCheckerTest, RefusedConnectionRestoresTheEarlierState)
{
    auto& updates = makeChecker ("http://127.0.0.1:" + juce::String (service_test::closedLoopbackPort()) + documentPath);
    updates.start();
    EXPECT_EQ (updates.getState(), State::Checking);
    ASSERT_TRUE (waitForChecker());
    EXPECT_GE (changes.count, 1);
    EXPECT_EQ (updates.getState(), State::Idle);
    EXPECT_FALSE (store.getFile().exists());
}

TEST_F (UpdateCheckerTest, CacheAnswersForADayUnlessTheHostIsLocal)
{
    // Any loopback address other than the local names goes through the cache.
    service_test::LoopbackServer server (home.getFolder(), "127.0.0.2");
    ASSERT_TRUE (server.isReady());
    server.answer (200, updateDocument ("1.3.6"));
    const auto url = server.baseUrl() + documentPath;
    const auto checkedAt = clockTime;

    struct Row { const char* name; double hoursLater; bool fetches; };
    const Row rows[] = {
        { "23 hours old", 23.0, false },
        { "written in the future", -5.0, false },
        { "25 hours old", 25.0, true },
    };

    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.name);
        writeCache ("1.4.0", "https://example.invalid/get", checkedAt);
        clockTime = checkedAt + juce::RelativeTime::hours (row.hoursLater);
        const auto before = server.requests().size();

        auto& updates = makeChecker (url);
        updates.start();
        EXPECT_TRUE (updates.isUpdateAvailable()) << "a cached newer version shows at once";
        EXPECT_EQ (updates.getLatestVersion(), "1.4.0");
        ASSERT_TRUE (waitForChecker());

        EXPECT_EQ (server.requests().size() - before, row.fetches ? 1 : 0);
        EXPECT_EQ (updates.getState(), row.fetches ? State::UpToDate : State::UpdateAvailable);
    }

    // A cached newer version without a download address shows nothing.
    writeCache ("1.4.0", "", checkedAt);
    clockTime = checkedAt;
    auto& updates = makeChecker (url);
    updates.start();
    EXPECT_FALSE (updates.isUpdateAvailable());
    EXPECT_FALSE (updates.isThreadRunning());
}

TEST_F (UpdateCheckerTest, LocalHostNeverConsultsTheCache)
{
    service_test::LoopbackServer server (home.getFolder());
    ASSERT_TRUE (server.isReady());
    server.answer (200, updateDocument ("1.3.6"));
    writeCache ("1.4.0", "https://example.invalid/get", clockTime);

    for (const auto& host : { juce::String ("127.0.0.1"), juce::String ("localhost") })
    {
        SCOPED_TRACE (host);
        const auto before = server.requests().size();
        auto& updates = makeChecker ("http://" + host + ":" + juce::String (server.getPort()) + documentPath);
        updates.start();
        EXPECT_EQ (updates.getState(), State::Checking);
        ASSERT_TRUE (waitForChecker());
        EXPECT_EQ (server.requests().size(), before + 1);
        EXPECT_EQ (updates.getState(), State::UpToDate);
    }
}

TEST_F (UpdateCheckerTest, StaleCacheKeepsItsUpdateWhenTheFetchFails)
{
    service_test::LoopbackServer server (home.getFolder(), "127.0.0.2");
    ASSERT_TRUE (server.isReady());
    server.answer (500, "{}");
    writeCache ("1.4.0", "https://example.invalid/get", clockTime - juce::RelativeTime::hours (30));

    auto& updates = makeChecker (server.baseUrl() + documentPath);
    updates.start();
    EXPECT_EQ (updates.getState(), State::UpdateAvailable) << "no Checking while a known update shows";
    ASSERT_TRUE (waitForChecker());
    EXPECT_EQ (updates.getState(), State::UpdateAvailable);
    EXPECT_EQ (updates.getDownloadUrl(), "https://example.invalid/get");
}

TEST_F (UpdateCheckerTest, StartRunsOnlyOnce)
{
    service_test::LoopbackServer server (home.getFolder());
    ASSERT_TRUE (server.isReady());
    server.answer (200, updateDocument ("1.4.0"));

    auto& withoutVersion = makeChecker (server.baseUrl() + documentPath, "");
    withoutVersion.start();
    withoutVersion.start();
    EXPECT_FALSE (withoutVersion.isThreadRunning());
    EXPECT_EQ (withoutVersion.getState(), State::Idle);

    auto& updates = makeChecker (server.baseUrl() + documentPath);
    updates.start();
    ASSERT_TRUE (waitForChecker());
    updates.start();
    EXPECT_FALSE (updates.isThreadRunning());
    EXPECT_EQ (server.requests().size(), 1);
}

TEST_F (UpdateCheckerTest, DestructionDuringAStalledRequestIsPrompt)
{
    service_test::LoopbackServer server (home.getFolder());
    ASSERT_TRUE (server.isReady());
    server.answer (200, {}, 60.0);

    auto& updates = makeChecker (server.baseUrl() + documentPath);
    updates.start();
    ASSERT_TRUE (server.waitForRequests (1));

    const auto started = juce::Time::getMillisecondCounterHiRes();
    checker->removeChangeListener (&changes);
    checker.reset();
    EXPECT_LT (juce::Time::getMillisecondCounterHiRes() - started, 3000.0);
    EXPECT_FALSE (store.getFile().exists());
}
