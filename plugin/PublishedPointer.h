#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace VarneT
{

/** Counts the audio thread's entries into and exits from a block: odd while it is inside one. */
class AudioReadEpoch
{
public:
    void enter() noexcept { counter.fetch_add (1, std::memory_order_seq_cst); }
    void exit() noexcept { counter.fetch_add (1, std::memory_order_seq_cst); }
    std::uint64_t now() const noexcept { return counter.load (std::memory_order_seq_cst); }

    struct ScopedRead
    {
        explicit ScopedRead (AudioReadEpoch& e) noexcept : epoch (e) { epoch.enter(); }
        ~ScopedRead() { epoch.exit(); }
        AudioReadEpoch& epoch;
    };

private:
    std::atomic<std::uint64_t> counter { 0 };
};

/** An immutable object published by the message thread. Host threads take shared references;
    the audio thread reads a plain pointer inside an AudioReadEpoch scope and never owns, waits
    or frees. A replaced object is released on the message thread once no block that may have
    read it is still running. */
template <typename T>
class PublishedPointer
{
public:
    explicit PublishedPointer (const AudioReadEpoch& e) : epoch (e) {}

    ~PublishedPointer() { audio.store (nullptr); }

    std::shared_ptr<const T> load() const { return shared.load(); }

    /** Message thread. */
    void store (std::shared_ptr<const T> object)
    {
        audio.store (object.get(), std::memory_order_seq_cst);
        auto previous = shared.exchange (std::move (object));
        releaseRetired();

        // A block that entered before the store may still read the previous object.
        if (previous != nullptr)
        {
            const auto stamp = epoch.now();
            if ((stamp & 1u) != 0)
                retired.emplace_back (std::move (previous), stamp);
        }
    }

    /** Audio thread, inside an AudioReadEpoch::ScopedRead. */
    const T* loadForAudio() const noexcept { return audio.load (std::memory_order_seq_cst); }

    /** Message thread: frees replaced objects that no running block can still be reading. */
    void releaseRetired()
    {
        const auto stamp = epoch.now();
        std::erase_if (retired, [stamp] (const auto& entry) { return entry.second != stamp; });
    }

    size_t retiredCount() const noexcept { return retired.size(); }

private:
    const AudioReadEpoch& epoch;
    std::atomic<std::shared_ptr<const T>> shared;
    std::atomic<const T*> audio { nullptr };
    std::vector<std::pair<std::shared_ptr<const T>, std::uint64_t>> retired;
};

} // namespace VarneT
