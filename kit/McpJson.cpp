#include "kit/McpJson.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace tolmek::mcpjson
{

namespace
{
bool utf8Less (const juce::String& a, const juce::String& b)
{
    // Code-point order of the texts equals the byte order of their UTF-8 forms.
    return std::strcmp (a.toRawUTF8(), b.toRawUTF8()) < 0;
}
} // namespace

juce::String canonicalise (const juce::var& value, juce::var& result)
{
    if (value.isUndefined() || value.isMethod() || value.isBinaryData())
        return "Project contains a non-JSON value";

    if (value.isDouble())
    {
        const auto d = static_cast<double> (value);

        if (! std::isfinite (d))
            return "Project contains a non-finite number";

        constexpr double twoToThe63 = 9223372036854775808.0;

        if (std::trunc (d) == d && d >= -twoToThe63 && d < twoToThe63)
            result = static_cast<juce::int64> (d);
        else
            result = d;

        return {};
    }

    if (auto* array = value.getArray())
    {
        juce::Array<juce::var> copy;
        copy.ensureStorageAllocated (array->size());

        for (const auto& element : *array)
        {
            juce::var canonical;

            if (auto error = canonicalise (element, canonical); error.isNotEmpty())
                return error;

            copy.add (std::move (canonical));
        }

        result = std::move (copy);
        return {};
    }

    if (value.isObject())
    {
        auto* object = value.getDynamicObject();

        if (object == nullptr)
            return "Project contains an unsupported object";

        const auto& properties = object->getProperties();
        std::vector<int> order ((size_t) properties.size());

        for (int i = 0; i < properties.size(); ++i)
            order[(size_t) i] = i;

        std::sort (order.begin(), order.end(), [&properties] (int a, int b)
        {
            return utf8Less (properties.getName (a).toString(), properties.getName (b).toString());
        });

        juce::DynamicObject::Ptr sorted (new juce::DynamicObject());

        for (auto index : order)
        {
            juce::var canonical;

            if (auto error = canonicalise (*properties.getVarPointerAt (index), canonical); error.isNotEmpty())
                return error;

            sorted->setProperty (properties.getName (index), std::move (canonical));
        }

        result = juce::var (sorted.get());
        return {};
    }

    result = value;
    return {};
}

juce::String format (const juce::var& value)
{
    return juce::JSON::toString (value, false, 15);
}

juce::String sha256Hex (const juce::String& text)
{
    return juce::SHA256 (text.toUTF8()).toHexString().toLowerCase();
}

bool isInteger (const juce::var& value) noexcept
{
    return value.isInt() || value.isInt64();
}

int nestingDepth (const juce::String& text, int limit) noexcept
{
    int depth = 0, deepest = 0;
    bool inString = false, escaped = false;
    juce::juce_wchar quote = 0;

    for (auto p = text.getCharPointer(); ! p.isEmpty() && deepest <= limit;)
    {
        const auto c = p.getAndAdvance();

        if (inString)
        {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == quote)
                inString = false;
        }
        else if (c == '"' || c == '\'')
        {
            inString = true;
            quote = c;
        }
        else if (c == '[' || c == '{')
        {
            deepest = std::max (deepest, ++depth);
        }
        else if (c == ']' || c == '}')
        {
            --depth;
        }
    }

    return deepest;
}

} // namespace tolmek::mcpjson
