#include "kit/ServiceRequest.h"

namespace tolmek
{

ServiceRequest::Response ServiceRequest::perform (const juce::URL& url, bool post, const juce::String& headers, int timeoutMs)
{
    juce::WebInputStream stream (url, post);
    stream.withExtraHeaders (headers).withConnectionTimeout (timeoutMs).withNumRedirectsToFollow (5);

    {
        const juce::ScopedLock sl (lock);

        if (cancelled)
            return {};

        active = &stream;
    }

    const juce::ScopeGuard forget { [this]
    {
        const juce::ScopedLock sl (lock);
        active = nullptr;
    } };

    Response response;

    if (! stream.connect (nullptr) || stream.isError())
        return response;

    response.status = stream.getStatusCode();

    juce::MemoryOutputStream body;
    char buffer[4096];
    bool tooLarge = false;

    while (! stream.isExhausted())
    {
        const auto numRead = stream.read (buffer, (int) sizeof (buffer));

        if (numRead <= 0)
            break;

        if (body.getDataSize() + (size_t) numRead > (size_t) maxBodyBytes)
        {
            tooLarge = true;
            break;
        }

        body.write (buffer, (size_t) numRead);
    }

    response.complete = ! tooLarge && ! stream.isError();
    response.body = body.toUTF8();
    return response;
}

void ServiceRequest::cancel()
{
    const juce::ScopedLock sl (lock);
    cancelled = true;

    if (active != nullptr)
        active->cancel();
}

} // namespace tolmek
