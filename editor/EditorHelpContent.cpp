#include "editor/PluginEditor.h"

#include "VarneTIdentity.h"

tolmek::HelpContent VarneTAudioProcessorEditor::buildHelpContent()
{
    tolmek::HelpContent content;
    content.productName = "Varne-T";
    content.version = VarneT::identity::version;
    content.guideUrl = "https://www.tolmek.com/varne-t/guide";

    content.sections = {
        { "Quick start",
          "Route Varne-T's MIDI output to an instrument, then start the DAW transport. Choose a performance in PERFORMANCE DICTIONARY to replace the selected Pattern.",
          {} },
        { "Pitch source",
          "MIDI Chords follows held notes. Scale plays without input. Choosing a dictionary performance arms audition with the preview chord when no notes are held.",
          {} },
        { "Patterns",
          "Click or drag to draw. Drag notes to move; drag the right edge to resize. Right-click to duplicate or delete. Pattern Options sets length, grid and sustain.",
          {} },
        { "Sections",
          "Patterns play in order with repeats. Auto-Advance follows the DAW timeline; Section clicks change the editing view. With it off, clicks queue a Section after the current one finishes.",
          {} },
        { "Save & export",
          "Save in Projects. Use {} to copy or apply a complete project. Drag the export icon, or right-click for Copy / Save to Disk. Export covers the active Section; it skips Pattern Feel, Chance, Importance and Quantization.",
          {} },
        { "Shortcuts",
          {},
          { { "Cmd/Ctrl + Z", "Undo" },
            { "Cmd/Ctrl + Shift + Z", "Redo" },
            { "Cmd/Ctrl + D", "Duplicate selected note" },
            { "Delete / Backspace", "Delete selected note" } } },
    };

    content.mcpText = "Connect an AI client to edit Varne-T or manage saved Projects. Use this instance ID to select the right plugin.";
    return content;
}
