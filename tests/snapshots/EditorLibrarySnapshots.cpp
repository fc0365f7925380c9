#include "SnapshotScenes.h"

#include "editor/PluginEditor.h"
#include "support/gui/GuiTestBench.h"

namespace gui = testing_support::gui;
using gui::findIn;

// The editor with its library open after three saves, then with the current project modified.
// The snapshot program runs with a temporary home, so the library is its own.
VARNET_SNAPSHOTS (editorWithProjectLibrary)
{
    VarneTAudioProcessor processor;
    processor.getTelemetryClient().markWelcomeSeen();
    {
        VarneTAudioProcessorEditor editor (processor);
        editor.setSize (1360, 820);
        gui::flushMessages();

        auto* projects = findIn<juce::TextButton> (editor, [] (juce::TextButton& b) { return b.getButtonText().startsWith ("Projects"); });
        auto* library = findIn<ProjectLibraryOverlay> (editor);
        if (projects == nullptr || library == nullptr)
            return;

        projects->onClick();
        const std::pair<const char*, const char*> saves[] { { "Bridge Sketch", "" },
                                                            { "Night 1.5", "Late set, slower voicings." },
                                                            { "Take 2", "Second pass" } };
        for (auto [name, description] : saves)
        {
            library->nameEditor.setText (name);
            library->descriptionEditor.setText (description);
            library->saveButton.onClick();
        }
        gui::flushMessages();
        out.write ("editor_project_library.png", editor);

        auto project = processor.getProjectCopy();
        if (! project.sections.empty())
        {
            project.sections[0].name = "Edited";
            processor.applyProjectEdit (project, true);
        }
        editor.updateProjectsButton (true);
        gui::flushMessages();
        out.write ("editor_project_library_modified.png", editor);

        processor.editorBeingDeleted (&editor);
    }
}
