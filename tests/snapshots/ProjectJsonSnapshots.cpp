#include "SnapshotScenes.h"

#include "editor/ProjectJsonOverlay.h"
#include "editor/VarneTTheme.h"
#include "editor/actions/ProjectJsonApply.h"
#include "model/ProjectJson.h"
#include "plugin/PluginProcessor.h"

namespace
{
/** An editor-sized surface under the overlay, so that its translucent backdrop shows. */
struct EditorSurface : juce::Component
{
    EditorSurface() { setSize (1360, 820); setLookAndFeel (&theme); }
    ~EditorSurface() override { setLookAndFeel (nullptr); }

    void paint (juce::Graphics& g) override
    {
        g.fillAll (VarneTTheme::colour (VarneTTheme::Palette::contentBackground));
        g.setColour (VarneTTheme::colour (VarneTTheme::Palette::cardBackground));
        for (int i = 0; i < 8; ++i)
            g.fillRoundedRectangle (juce::Rectangle<float> (24.0f + 166.0f * (float) i, 60.0f, 150.0f, 700.0f), 6.0f);
    }

    VarneTTheme::LookAndFeel theme;
};
} // namespace

// The project as JSON, then the same overlay after a refused apply.
VARNET_SNAPSHOTS (projectJson)
{
    VarneTAudioProcessor processor;
    EditorSurface surface;
    ProjectJsonOverlay overlay;
    surface.addChildComponent (overlay);
    overlay.onApply = [&processor] (const juce::String& text)
    {
        const auto error = VarneT::applyEditedProjectJson (processor, text);
        return error.isEmpty() ? juce::Result::ok() : juce::Result::fail (error);
    };

    const auto text = VarneT::projectToJsonText (processor.getProjectCopy());
    overlay.open (text);
    out.write ("project_json.png", surface);

    overlay.editor.setText (text.replace ("\"velocity\": ", "\"velocity\": -"), juce::dontSendNotification);
    overlay.apply();
    out.write ("project_json_refused.png", surface);

    overlay.editor.setText (text.substring (0, text.length() / 3), juce::dontSendNotification);
    overlay.apply();
    out.write ("project_json_parse_error.png", surface);
}
