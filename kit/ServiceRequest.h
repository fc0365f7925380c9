#pragma once

#include "kit/JuceKit.h"

namespace tolmek
{

/** One HTTP request to the maker's web service at a time, cancellable from another thread. */
class ServiceRequest
{
public:
    struct Response
    {
        int status = 0;          // 0 when no answer arrived
        juce::String body;
        bool complete = false;   // the whole body arrived within the size cap

        bool succeeded() const noexcept { return complete && status >= 200 && status <= 299; }
    };

    /** Response bodies beyond this are not read and count as failures. */
    static constexpr int maxBodyBytes = 256 * 1024;

    /** Blocks until the answer arrived, the request failed or cancel() was called. */
    Response perform (const juce::URL& url, bool post, const juce::String& headers, int timeoutMs);

    /** Aborts the running request and makes every later one fail at once. Any thread. */
    void cancel();

private:
    juce::CriticalSection lock;
    juce::WebInputStream* active = nullptr;
    bool cancelled = false;
};

} // namespace tolmek
