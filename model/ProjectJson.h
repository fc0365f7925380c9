#pragma once

#include "model/Project.h"

namespace VarneT
{

/** The double that the written text carries for `value`: JUCE 7.0.5 writes 16 significant
    digits and reads back at most 18 digits after the leading zeros, so a value may move once
    before text and value agree. The writer stores this value; reading its text gives it back. */
double canonicalJsonDouble (double value);

/** "path: message", the form of every reader and validation failure. */
juce::String jsonPathError (const juce::String& path, const juce::String& message);

/** The version-7 document as a tree of new objects, keys in their fixed order. */
juce::var projectToVar (const Project& project);

/** The multi-line text of projectToVar's tree: the form that is measured, compared and counted. */
juce::String projectToJsonText (const Project& project);

/** UTF-8 bytes of projectToJsonText (project), counted from the project without writing it. */
std::size_t projectJsonTextBytes (const Project& project);

/** The text that projectToJsonText writes for a number field holding `value`. */
juce::String writtenJsonNumber (double value);

/** Reads a document of version 1 to 7, upgrades it and validates it. On success the result is
    moved into `project` and the empty text is returned; otherwise the first failure is returned
    and `project` is left as it was. */
juce::String projectFromVar (const juce::var& document, Project& project);

/** juce::JSON::parse with the same results and messages, except that numbers whose digits do not
    fit in 64 bits become doubles instead of wrapping around, "\uD8xx\uDCxx" escape pairs become
    one character, and nesting deeper than maxJsonNesting fails as a syntax error. */
juce::Result parseJsonText (const juce::String& text, juce::var& result);

/** parseJsonText, then projectFromVar; a parse failure returns the parser's message. */
juce::String projectFromJsonText (const juce::String& text, Project& project);

/** Object and array levels that parseJsonText accepts; a project document needs eight. */
inline constexpr int maxJsonNesting = 512;

} // namespace VarneT
