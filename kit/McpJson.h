#pragma once

#include "kit/JuceKit.h"

namespace tolmek::mcpjson
{

/** Copies a JSON tree with object keys sorted by their UTF-8 bytes and whole-number doubles turned
    into 64-bit integers, so that equal content always prints the same. Returns the first failure,
    or an empty text on success. */
juce::String canonicalise (const juce::var& value, juce::var& result);

/** Multi-line JSON text as the bridge writes it (CR LF line ends). A guess of its size in bytes
    saves growing a large text step by step. */
juce::String format (const juce::var& value, size_t expectedSize = 0);

/** The text format() gives for an object, with the value of any property that is the tree
    `embedded` written from `embeddedText` (its format()) instead of formatted again. */
juce::String formatWithEmbedded (const juce::var& object, const juce::var& embedded, const juce::String& embeddedText);

/** True only when canonicalise (value) would succeed with a tree that prints exactly as
    `canonical` does; false whenever in doubt. Much cheaper than canonicalising and printing. */
bool sameCanonicalContent (const juce::var& value, const juce::var& canonical) noexcept;

/** Bytes of the text's UTF-8 form, without decoding it. */
juce::int64 utf8Size (const juce::String& text) noexcept;

/** 64 lower-case hexadecimal digits of the SHA-256 of the text's UTF-8 bytes. */
juce::String sha256Hex (const juce::String& text);

/** True for whole numbers stored as integers (JSON numbers without fraction or exponent). */
bool isInteger (const juce::var& value) noexcept;

/** Deepest nesting of arrays and objects in a JSON text, counted without parsing it; strings are
    skipped. Stops counting once the limit is passed. */
int nestingDepth (const juce::String& text, int limit) noexcept;

} // namespace tolmek::mcpjson
