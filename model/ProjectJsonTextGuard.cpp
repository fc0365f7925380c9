#include "model/ProjectJson.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <string>

namespace VarneT
{
namespace
{
//==============================================================================
// Text guard in front of juce::JSON::parse.
//
// JUCE 7.0.5's parser accumulates integer digits and exponent digits in signed integers that
// overflow (wrapping huge integers into ordinary ones), reads past the end after a lone '-', and
// recurses once per nesting level. The guard rewrites the few affected tokens in place, byte for
// byte, so that every position and therefore every parser message stays the same.

constexpr const char* int64MaxDigits = "9223372036854775807";
constexpr juce::int64 exponentCap = 999999999;

bool isDigit (char c) { return c >= '0' && c <= '9'; }

bool isHexDigit (char c)
{
    return isDigit (c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int hexValue (char c)
{
    return isDigit (c) ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : c - 'A' + 10;
}

class NumberGuard
{
public:
    NumberGuard (const char* t, size_t n) : text (t), size (n) {}

    bool hasSurrogateEscapes = false;
    std::string patched; // empty while the text needs no change

    void run()
    {
        size_t i = 0;
        int depth = 0;

        while (i < size)
        {
            const char c = text[i];

            if (c == '"' || c == '\'')
            {
                i = skipString (i);
            }
            else if (c == '[' || c == '{')
            {
                if (++depth > maxJsonNesting)
                    patch (i, "?", 1);
                ++i;
            }
            else if (c == ']' || c == '}')
            {
                depth = std::max (0, depth - 1);
                ++i;
            }
            else if (c == '-')
            {
                guardMinus (i);
                ++i;
            }
            else if (isDigit (c))
            {
                i = guardNumber (i);
            }
            else
            {
                ++i;
            }
        }
    }

private:
    const char* text;
    size_t size;

    void patch (size_t at, const char* bytes, size_t count)
    {
        if (patched.empty())
            patched.assign (text, size);
        std::memcpy (patched.data() + at, bytes, count);
    }

    size_t skipString (size_t i)
    {
        const char quote = text[i++];

        while (i < size && text[i] != quote)
        {
            if (text[i] == '\\' && i + 1 < size)
            {
                if (text[i + 1] == 'u' && i + 5 < size && isHexDigit (text[i + 2]) && isHexDigit (text[i + 3])
                    && isHexDigit (text[i + 4]) && isHexDigit (text[i + 5]))
                {
                    const int high = hexValue (text[i + 2]) * 16 + hexValue (text[i + 3]);
                    hasSurrogateEscapes = hasSurrogateEscapes || (high >= 0xd8 && high <= 0xdb);
                }
                ++i;
            }
            ++i;
        }

        return i + 1;
    }

    // The parser takes a '-' and any white space after it as the sign of whatever follows and
    // reads it as a digit even when it is none; a '?' makes it report a syntax error instead.
    void guardMinus (size_t i)
    {
        juce::CharPointer_UTF8 p (text + i + 1);
        p.incrementToEndOfWhitespace();

        if (! p.isDigit())
            patch (i, "?", 1);
    }

    static bool exceedsInt64 (const char* digits, size_t count)
    {
        while (count > 0 && *digits == '0')
        {
            ++digits;
            --count;
        }

        if (count != 19)
            return count > 19;

        return std::string (digits, count) > int64MaxDigits;
    }

    // Returns the index after the number token that starts at `start`.
    size_t guardNumber (size_t start)
    {
        size_t i = start;
        while (i < size && isDigit (text[i]))
            ++i;
        const size_t integerEnd = i;

        size_t fractionStart = integerEnd, fractionEnd = integerEnd;
        size_t exponentDigitsStart = 0, exponentDigitsEnd = 0;
        bool exponentNegative = false;

        if (i < size && (text[i] == '.' || text[i] == 'e' || text[i] == 'E'))
        {
            if (text[i] == '.')
            {
                fractionStart = ++i;
                while (i < size && isDigit (text[i]))
                    ++i;
                fractionEnd = i;
            }

            if (i < size && (text[i] == 'e' || text[i] == 'E'))
            {
                size_t j = i + 1;
                if (j < size && (text[j] == '+' || text[j] == '-'))
                    exponentNegative = text[j++] == '-';

                const size_t digitsStart = j;
                while (j < size && isDigit (text[j]))
                    ++j;

                if (j > digitsStart)
                {
                    exponentDigitsStart = digitsStart;
                    exponentDigitsEnd = j;
                    i = j;
                }
            }
        }

        const size_t end = i;

        if (exceedsInt64 (text + start, integerEnd - start))
            rewriteAsExponent (start, end, integerEnd, fractionStart, fractionEnd, exponentDigitsStart,
                               exponentDigitsEnd, exponentNegative);
        else if (exponentDigitsEnd > exponentDigitsStart)
            capExponentDigits (exponentDigitsStart, exponentDigitsEnd);

        return end;
    }

    static juce::int64 exponentValue (const char* digits, size_t count)
    {
        juce::int64 value = 0;
        for (size_t i = 0; i < count; ++i)
            value = std::min<juce::int64> (value * 10 + (digits[i] - '0'), 1000000000000LL);
        return value;
    }

    // Exponents beyond nine significant digits give 0 or infinity anyway; nine nines keep that
    // result without overflowing the parser's int.
    void capExponentDigits (size_t from, size_t to)
    {
        size_t first = from;
        while (first < to && text[first] == '0')
            ++first;

        if (to - first <= 9)
            return;

        std::string digits (to - from - 9, '0');
        digits += "999999999";
        patch (from, digits.data(), digits.size());
    }

    // An integer part beyond 64 bits becomes d.ddd...e<exponent> in the same number of bytes, so
    // that the parser reads it as the double it is.
    void rewriteAsExponent (size_t start, size_t end, size_t integerEnd, size_t fractionStart, size_t fractionEnd,
                            size_t exponentDigitsStart, size_t exponentDigitsEnd, bool exponentNegative)
    {
        size_t firstSignificant = start;
        while (text[firstSignificant] == '0')
            ++firstSignificant;

        std::string mantissa (text + firstSignificant, integerEnd - firstSignificant);
        mantissa.append (text + fractionStart, fractionEnd - fractionStart);

        auto exponent = exponentValue (text + exponentDigitsStart, exponentDigitsEnd - exponentDigitsStart);
        if (exponentNegative)
            exponent = -exponent;
        exponent += (juce::int64) (integerEnd - firstSignificant) - 1;
        exponent = std::clamp (exponent, -exponentCap, exponentCap);

        std::string exponentText (1, 'e');
        exponentText += std::to_string (exponent);
        const size_t length = end - start;
        std::string token (1, mantissa[0]);

        if (length >= exponentText.size() + 2)
        {
            token += '.';
            const size_t digits = length - exponentText.size() - 2;
            for (size_t d = 0; d < digits; ++d)
                token += d + 1 < mantissa.size() ? mantissa[d + 1] : '0';
        }

        token += exponentText;
        jassert (token.size() == length);
        patch (start, token.data(), token.size());
    }
};

// "\uD83D\uDE00" reaches the parsed text as two surrogate code points; joins each pair into the
// character it encodes.
juce::String joinSurrogatePairs (const juce::String& text)
{
    std::u32string joined;
    joined.reserve ((size_t) text.length());
    bool changed = false;

    for (auto p = text.getCharPointer(); ! p.isEmpty();)
    {
        auto c = p.getAndAdvance();
        const auto next = *p;

        if (c >= 0xd800 && c <= 0xdbff && next >= 0xdc00 && next <= 0xdfff)
        {
            c = 0x10000 + ((c - 0xd800) << 10) + (next - 0xdc00);
            ++p;
            changed = true;
        }

        joined.push_back ((char32_t) c);
    }

    if (! changed)
        return text;

    return juce::String (juce::CharPointer_UTF32 (reinterpret_cast<const juce::juce_wchar*> (joined.c_str())));
}

void joinSurrogatePairsInTree (juce::var& value)
{
    if (value.isString())
    {
        value = joinSurrogatePairs (value.toString());
    }
    else if (auto* array = value.getArray())
    {
        for (auto& element : *array)
            joinSurrogatePairsInTree (element);
    }
    else if (auto* object = value.getDynamicObject())
    {
        auto& properties = object->getProperties();
        for (int i = 0; i < properties.size(); ++i)
            joinSurrogatePairsInTree (*properties.getVarPointerAt (i));
    }
}
} // namespace

//==============================================================================
juce::Result parseJsonText (const juce::String& text, juce::var& result)
{
    NumberGuard guard (text.toRawUTF8(), text.getNumBytesAsUTF8());
    guard.run();

    const auto parsed = guard.patched.empty()
                            ? juce::JSON::parse (text, result)
                            : juce::JSON::parse (juce::String::fromUTF8 (guard.patched.data(), (int) guard.patched.size()),
                                                 result);

    if (parsed.wasOk() && guard.hasSurrogateEscapes)
        joinSurrogatePairsInTree (result);

    return parsed;
}

} // namespace VarneT
