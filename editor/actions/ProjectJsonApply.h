#pragma once

#include "model/Project.h"

#include <juce_core/juce_core.h>

class VarneTAudioProcessor;

namespace VarneT
{
/** The largest edited project text, in UTF-8 bytes: the project limit. */
inline constexpr std::size_t maxEditedProjectJsonBytes = 4194304;

/** Reads an edited project text: size, syntax, an object root, then the reader with its upgrade
    and validation. On success `project` holds the result and the empty text is returned;
    otherwise the first failure, and `project` is as it was. */
juce::String checkEditedProjectJson (const juce::String& text, Project& project);

/** Applies an edited project text to the processor as one undoable edit and makes it the saved
    state. The processor sees only the normalised document, never the user's text. Returns the
    first failure or the empty text; on failure the project and its undo history are untouched. */
juce::String applyEditedProjectJson (VarneTAudioProcessor& processor, const juce::String& text);
} // namespace VarneT
