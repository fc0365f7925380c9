#pragma once

#include "kit/JuceKit.h"

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace tolmek
{

/** Makes one plug-in instance reachable by an outside MCP server through files: a presence record,
    a folder of request files and a folder of response files below the user's application-data
    folder. Everything runs on the message thread, from a 100 ms timer. */
class McpPluginBridge : private juce::Timer
{
public:
    struct Description
    {
        juce::String product;
        juce::String pluginVersion;
        juce::String displayName;
        juce::String instanceName;
        juce::String roleId;
        juce::String instrumentId;
        juce::String activeSectionName;
        int sectionCount = 0;
        bool writable = true;
        juce::String readOnlyReason;
    };

    struct ProductResourceResult
    {
        juce::var payload;
        juce::String errorCode;
        bool contentChanged = false;
    };

    struct Callbacks
    {
        std::function<juce::var()> exportJson;
        std::function<juce::Result (const juce::var&)> validateJson;
        std::function<juce::Result (const juce::var&)> applyJson;
        std::function<Description()> describe;
        std::function<void (const juce::String&)> changeApplied;
        std::function<juce::Result (const juce::String&, const juce::var&, ProductResourceResult&)> productResource;
    };

    /** Where the bridge keeps its folder and where it reads the time; the defaults are the user's
        application-data folder and the system clock. Tests and test hosts replace them. */
    struct Environment
    {
        juce::File applicationDataFolder;
        std::function<juce::int64()> clockMs;
        /** Reads a request file's text; JUCE's parser when empty. A product may hand in a
            stricter reader (one that refuses integers its parser would wrap). */
        std::function<juce::var (const juce::String&)> parseJson;
    };

    struct Snapshot
    {
        juce::var project;
        juce::String jsonText;
        juce::String contentRevision;
        juce::int64 revision = 0;
    };

    struct UndoRecord
    {
        Snapshot before;
        juce::String afterContentRevision;
        juce::String transactionId;
    };

    struct Request
    {
        juce::String requestId;
        juce::String instanceId;
        juce::String operation;
        juce::int64 createdAtMs = 0;
        juce::int64 expiresAtMs = 0;
        bool hasExpectedRevision = false;
        juce::int64 expectedRevision = 0;
        juce::var project;
        juce::var payload;
        juce::String transactionId;
        juce::String changeId;
    };

    /** An answer as written, kept for a repeated request. It is gzipped (256 answers about 4 MB
        projects must stay small) on a thread of its own, off the message thread; until then the
        text itself is kept. */
    class StoredAnswer
    {
    public:
        explicit StoredAnswer (juce::String answerText) : text (std::move (answerText)) {}
        void compress();
        juce::String read() const;

    private:
        mutable std::mutex lock;
        juce::String text;
        juce::MemoryBlock compressed;
    };

    struct CachedResponse
    {
        juce::String requestId;
        std::shared_ptr<StoredAnswer> answer;
    };

    enum class Phase
    {
        prepared,
        committed
    };

    struct Transaction
    {
        juce::String transactionId;
        juce::String changeId;
        Snapshot before;
        Snapshot next;
        Snapshot after;
        juce::int64 leaseUntilMs = 0;
        Phase phase = Phase::prepared;
        juce::int64 nextRecoveryAttemptMs = 0;
    };

    struct FinalizedTransaction
    {
        juce::String transactionId;
        juce::String changeId;
        Snapshot before;
        Snapshot after;
        juce::int64 keepUntilMs = 0;
    };

    static constexpr juce::int64 presenceLimitBytes = 4194304;
    static constexpr juce::int64 responseLimitBytes = 8388608;
    static constexpr juce::int64 requestLimitBytes = 4194304;
    static constexpr juce::int64 projectTextLimitBytes = 4190208;
    static constexpr int pollIntervalMs = 100;
    static constexpr juce::int64 presenceIntervalMs = 5000;
    static constexpr juce::int64 presenceLeaseMs = 15000;
    static constexpr juce::int64 transactionLeaseMs = 30000;
    static constexpr int requestsPerTick = 32;
    static constexpr int rememberedEntries = 256;

    explicit McpPluginBridge (Callbacks callbacks, Environment environment = {});
    ~McpPluginBridge() override;

    juce::String getInstanceId() const;
    juce::File getInstanceFolder() const { return instanceFolder; }
    juce::File getInstancesFolder() const { return instancesFolder; }
    bool hasStarted() const noexcept { return started; }
    juce::String getLastError() const;

    void timerCallback() override;

    juce::String start();
    void publishPresence();
    Description describeInstance() const;
    bool checkWritable (juce::String& refusal) const;
    static juce::String normaliseReadOnlyReason (const juce::String& refusal);
    juce::String writeJsonFileAtomically (const juce::File& target, const juce::var& value, juce::int64 limit);

    // Request intake
    void handleRequestFile (const juce::File& requestFile);
    bool parseRequest (const juce::var& document, const juce::String& stem, Request& request,
                       juce::String& errorCode, juce::String& errorMessage) const;
    juce::var makeResponse (const Request& request, bool ok, bool contentChanged, const juce::String& changeId,
                            const juce::var& project, const juce::var& payload,
                            const juce::String& errorCode, const juce::String& errorMessage) const;
    juce::var makeErrorResponse (const Request& request, const juce::String& errorCode, const juce::String& errorMessage) const;
    std::optional<juce::String> findCachedResponse (const juce::String& requestId) const;
    static bool isValidId (const juce::String& id);

    // Project operations
    juce::var dispatch (const Request& request);
    juce::String refreshRevision();
    /** Without the revision (which costs a hash of the text) when withRevision is false. */
    juce::String makeCandidate (const juce::var& project, Snapshot& candidate, bool withRevision = true) const;
    juce::String applyAndVerify (const Snapshot& candidate, const Snapshot& previous, Snapshot& result,
                                 juce::String& errorCode, juce::String& errorMessage);
    bool restoreSnapshot (const Snapshot& snapshot);
    const Snapshot& getCurrentSnapshot() const noexcept { return current; }

    // Transactions
    void checkTransactionLease (juce::int64 nowMs);
    const std::optional<Transaction>& getActiveTransaction() const noexcept { return transaction; }

private:
    juce::int64 now() const;
    void setLastError (const juce::String& text);
    juce::String writeTextAtomically (const juce::File& target, const juce::String& text, juce::int64 limit);
    juce::String exportProjectSnapshot (Snapshot& snapshot) const;
    /** The answer's text; a project the bridge has already printed is copied from its text. */
    juce::String answerText (const juce::var& answer) const;
    void notifyChange (const juce::String& changeId);
    void expireFinalizedTransactions (juce::int64 nowMs);
    void deleteInstanceFolder();

    juce::var handleGetJson (const Request&);
    juce::var handleValidateJson (const Request&);
    /** The checks that set_json and prepare_set share, in order; void when the change may go on. */
    juce::var checkProposedChange (const Request&, Snapshot& candidate);
    /** Rolls the project back from after to before (copies: applying may end the records they
        come from); void on success, else the error response. */
    juce::var restoreBefore (const Request&, Snapshot before, Snapshot after, const juce::String& changeId, Snapshot& result);
    juce::var handleSetJson (const Request&);
    juce::var handleUndo (const Request&);
    juce::var handleProductResource (const Request&);
    juce::var handlePrepareSet (const Request&);
    juce::var handleCommit (const Request&);
    juce::var handleFinalize (const Request&);
    juce::var handleRollback (const Request&);
    juce::var handleTransactionStatus (const Request&);
    juce::var candidateFailure (const Request&, const juce::String& failure) const;
    juce::var refusal (const Request&, const juce::String& refusalText) const;
    FinalizedTransaction* findFinalized (const juce::String& transactionId);
    void removeFinalized (const juce::String& transactionId);

    /** First-in first-out list of the most recent ids. */
    class RecentIds
    {
    public:
        bool contains (const juce::String& id) const;
        void remember (const juce::String& id);

    private:
        std::deque<juce::String> ids;
    };

    Callbacks callbacks;
    std::function<juce::int64()> clock;
    std::function<juce::var (const juce::String&)> parseJson;
    juce::File instancesFolder, instanceFolder, presenceFile, requestsFolder, responsesFolder;
    juce::String instanceId;

    Snapshot current;
    std::optional<UndoRecord> undoRecord;
    RecentIds usedChangeIds;
    std::optional<Transaction> transaction;
    std::deque<FinalizedTransaction> finalized;
    RecentIds completedTransactions, rolledBackTransactions;
    juce::String lastRecoveryTransactionId, lastRecoveryError;
    std::deque<CachedResponse> responseCache;
    juce::ThreadPool compressor { 1, 0, juce::Thread::Priority::low };

    bool snapshotIsFresh = false; // refreshed by the intake of the request now being handled
    Snapshot answeredCandidate;   // the project a validate_json answer carries, while it is written
    bool started = false;
    juce::int64 nextStartAttemptMs = 0;
    juce::int64 nextPresenceMs = 0;

    mutable juce::SpinLock lastErrorLock;
    juce::String lastError;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (McpPluginBridge)
};

} // namespace tolmek
