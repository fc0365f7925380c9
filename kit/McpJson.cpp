#include "kit/McpJson.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

namespace tolmek::mcpjson
{


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

    // Names are sorted by their UTF-8 bytes, which is the code-point order of the texts.
    if (value.isObject())
    {
        auto* object = value.getDynamicObject();

        if (object == nullptr)
            return "Project contains an unsupported object";

        const auto& properties = object->getProperties();
        const auto* const items = properties.begin(); // by reference: getName() copies, which counts references
        const auto count = (size_t) properties.size();
        int nearby[16];
        std::vector<int> far (count > std::size (nearby) ? count : 0);
        auto* const order = far.empty() ? nearby : far.data();

        for (size_t i = 0; i < count; ++i)
            order[i] = (int) i;

        const auto less = [items] (int a, int b)
        {
            return std::strcmp (items[a].name.getCharPointer().getAddress(), items[b].name.getCharPointer().getAddress()) < 0;
        };

        if (! std::is_sorted (order, order + count, less))
            std::sort (order, order + count, less);

        juce::DynamicObject::Ptr sorted (new juce::DynamicObject());
        auto& names = sorted->getProperties();

        for (size_t i = 0; i < count; ++i)
        {
            juce::var canonical;

            if (auto error = canonicalise (items[order[i]].value, canonical); error.isNotEmpty())
                return error;

            names.set (items[order[i]].name, std::move (canonical));
        }

        result = juce::var (sorted.get());
        return {};
    }

    result = value;
    return {};
}

namespace
{
/** Prints exactly as JUCE's JSON writer does in its multi-line form, with less work per value:
    plain strings are copied whole and each distinct number is printed once. */
class Printer
{
public:
    /** A tree `known` (when given) is written from its text `knownText` instead of printed again:
        one level down a value's text is its own text with more spaces after each line break
        (strings print with their line breaks escaped). */
    Printer (std::string& o, const juce::DynamicObject* known = nullptr, const juce::String* knownText = nullptr)
        : out (o), knownTree (known), knownTreeText (knownText) {}

    void write (const juce::var& v, int indent)
    {
        if (v.isString())
        {
            writeString (v.toString());
        }
        else if (v.isVoid())
        {
            raw ("null", 4);
        }
        else if (v.isUndefined())
        {
            raw ("undefined", 9);
        }
        else if (v.isBool())
        {
            static_cast<bool> (v) ? raw ("true", 4) : raw ("false", 5);
        }
        else if (v.isDouble())
        {
            const auto d = static_cast<double> (v);

            if (std::isfinite (d))
                text (numberText (d));
            else
                raw ("null", 4);
        }
        else if (auto* array = v.getArray())
        {
            out += '[';

            if (! array->isEmpty())
            {
                for (int i = 0; i < array->size(); ++i)
                {
                    lineBreak (indent + 2);
                    write (array->getReference (i), indent + 2);

                    if (i < array->size() - 1)
                        out += ',';
                }

                lineBreak (indent);
            }

            out += ']';
        }
        else if (v.isObject())
        {
            if (auto* object = v.getDynamicObject(); object != nullptr && object == knownTree)
            {
                writeIndented (*knownTreeText, indent);
            }
            else if (object != nullptr)
            {
                const auto& properties = object->getProperties();
                out += '{';

                for (const auto& item : properties)
                {
                    if (&item != properties.begin())
                        out += ',';

                    lineBreak (indent + 2);
                    writeString (item.name.getCharPointer().getAddress());
                    raw (": ", 2);
                    write (item.value, indent + 2);
                }

                lineBreak (indent);
                out += '}';
            }
        }
        else if (v.isInt() || v.isInt64())
        {
            // The digits JUCE's own conversion gives, without building a text for each number.
            char digits[24];
            const auto end = std::to_chars (digits, digits + sizeof (digits), static_cast<juce::int64> (v)).ptr;
            raw (digits, (size_t) (end - digits));
        }
        else
        {
            text (v.toString());
        }
    }

private:
    void raw (const char* bytes, size_t size) { out.append (bytes, size); }

    void writeIndented (const juce::String& known, int indent)
    {
        const auto* p = known.toRawUTF8();
        const auto* const end = p + std::strlen (p);

        while (p < end)
        {
            const auto* lineEnd = static_cast<const char*> (std::memchr (p, '\n', (size_t) (end - p)));
            const auto* next = lineEnd == nullptr ? end : lineEnd + 1;
            raw (p, (size_t) (next - p));

            if (lineEnd != nullptr)
                out.append ((size_t) indent, ' ');

            p = next;
        }
    }
    void text (const juce::String& s) { raw (s.toRawUTF8(), std::strlen (s.toRawUTF8())); }

    void lineBreak (int indent)
    {
        out += "\r\n";
        out.append ((size_t) indent, ' ');
    }

    void writeString (const juce::String& s) { writeString (s.toRawUTF8()); }

    void writeString (const char* bytes)
    {
        const auto size = std::strlen (bytes);

        for (size_t i = 0; i < size; ++i)
        {
            const auto c = (unsigned char) bytes[i];

            if (c < 32 || c >= 127 || c == '"' || c == '\\')
            {
                out += '"';
                text (juce::JSON::escapeString (juce::String (juce::CharPointer_UTF8 (bytes))));
                out += '"';
                return;
            }
        }

        out += '"';
        raw (bytes, size);
        out += '"';
    }

    const juce::String& numberText (double d)
    {
        std::uint64_t bits;
        std::memcpy (&bits, &d, sizeof (bits));
        auto& slot = numbers[(bits ^ (bits >> 29) ^ (bits >> 47)) % numbers.size()];

        if (! slot.used || slot.bits != bits)
        {
            slot.used = true;
            slot.bits = bits;
            slot.text = juce::var (d).toString(); // JUCE's own printing of the number
        }

        return slot.text;
    }

    struct Number
    {
        bool used = false;
        std::uint64_t bits = 0;
        juce::String text;
    };

    std::string& out;
    const juce::DynamicObject* const knownTree;
    const juce::String* const knownTreeText;
    std::array<Number, 509> numbers;
};

// Large texts are printed into one buffer kept for the thread, whose memory is already in use,
// then copied once into the text handed out.
juce::String print (Printer& printer, std::string& out, const juce::var& value)
{
    printer.write (value, 0);
    return juce::String::fromUTF8 (out.data(), (int) out.size());
}

std::string& printBuffer (size_t expectedSize)
{
    static thread_local std::string buffer;
    buffer.clear();

    if (buffer.capacity() > 4 * (expectedSize + 1048576)) // give back what one huge text took
        buffer.shrink_to_fit();

    buffer.reserve (expectedSize + expectedSize / 8);
    return buffer;
}
} // namespace

juce::String format (const juce::var& value, size_t expectedSize)
{
    if (expectedSize < 65536)
    {
        std::string out;
        out.reserve (1024);
        Printer printer (out);
        return print (printer, out, value);
    }

    auto& out = printBuffer (expectedSize);
    Printer printer (out);
    return print (printer, out, value);
}

juce::String formatWithEmbedded (const juce::var& object, const juce::var& embedded, const juce::String& embeddedText)
{
    auto& out = printBuffer ((size_t) utf8Size (embeddedText));
    Printer printer (out, embedded.getDynamicObject(), &embeddedText);
    return print (printer, out, object);
}

bool sameCanonicalContent (const juce::var& value, const juce::var& canonical) noexcept
{
    if (value.isDouble())
    {
        const auto d = static_cast<double> (value);

        if (! std::isfinite (d))
            return false;

        constexpr double twoToThe63 = 9223372036854775808.0;

        if (std::trunc (d) == d && d >= -twoToThe63 && d < twoToThe63)
            return canonical.isInt64() && static_cast<juce::int64> (canonical) == static_cast<juce::int64> (d);

        return canonical.isDouble() && static_cast<double> (canonical) == d;
    }

    if (value.isString())
    {
        if (! canonical.isString())
            return false;

        const auto a = value.toString(), b = canonical.toString();
        return a.getCharPointer() == b.getCharPointer() || a == b; // usually the very same text
    }

    if (value.isInt())
        return canonical.isInt() && static_cast<int> (canonical) == static_cast<int> (value);

    if (value.isInt64())
        return canonical.isInt64() && static_cast<juce::int64> (canonical) == static_cast<juce::int64> (value);

    if (value.isBool())
        return canonical.isBool() && static_cast<bool> (canonical) == static_cast<bool> (value);

    if (value.isVoid())
        return canonical.isVoid();

    if (auto* array = value.getArray())
    {
        auto* other = canonical.getArray();

        if (other == nullptr || other->size() != array->size())
            return false;

        for (int i = 0; i < array->size(); ++i)
            if (! sameCanonicalContent (array->getReference (i), other->getReference (i)))
                return false;

        return true;
    }

    auto* object = value.getDynamicObject();
    auto* other = canonical.getDynamicObject();

    if (object == nullptr || other == nullptr || canonical.isArray())
        return false;

    // The canonical object holds the same names, each once, in sorted order; names are pooled, so
    // finding one is a pointer comparison.
    const auto& properties = object->getProperties();
    const auto& sorted = other->getProperties();

    if (properties.size() != sorted.size())
        return false;

    for (const auto& item : sorted)
    {
        const auto* mine = properties.getVarPointer (item.name);

        if (mine == nullptr || ! sameCanonicalContent (*mine, item.value))
            return false;
    }

    return true;
}

juce::int64 utf8Size (const juce::String& text) noexcept
{
    return (juce::int64) std::strlen (text.toRawUTF8());
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
    // Byte by byte: every character that matters is ASCII, and no byte of a longer UTF-8
    // sequence is.
    int depth = 0, deepest = 0;
    bool inString = false, escaped = false;
    char quote = 0;

    for (const auto* p = text.toRawUTF8(); *p != 0 && deepest <= limit; ++p)
    {
        const auto c = *p;

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
