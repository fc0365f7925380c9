#pragma once

#include "kit/SettingsStore.h"

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

namespace tolmek
{

/** A user-chosen UI size for a plug-in editor: a small "UI 100%" button with a menu of fixed steps
    that owns the editor's scale and logical size, keeps its size limits and window size in step,
    and remembers the choice per user a moment after the last change. Message thread only.

    The window never opens or grows past the user area of the display it is on: the logical size
    shrinks toward its minimum first, then the largest step that fits is used. The user's choice is
    kept and stored as chosen, so a larger display shows it again.
*/
class EditorScaling : public juce::TextButton,
                      public juce::Timer
{
public:
    struct Config
    {
        int logicalWidth = 1360;
        int logicalHeight = 820;
        double minScale = 0.75;
        double maxScale = 2.0;
        double defaultScale = 1.0;
        bool resizable = true;
        int minWidth = 1160;
        int minHeight = 700;
        int maxWidth = 1900;
        int maxHeight = 1200;
    };

    class MenuLookAndFeel : public juce::LookAndFeel_V4
    {
    public:
        juce::Font getPopupMenuFont() override { return menuFont; }
        juce::Font menuFont { 14.0f };
    };

    /** Where an editor may extend, in screen coordinates; an empty rectangle sets no limit. */
    using UserAreaProvider = std::function<juce::Rectangle<int> (const juce::Component& editor)>;

    /** The user area of the display holding the editor while it is on screen, else of the main
        display; empty when no display is known. */
    static juce::Rectangle<int> displayUserAreaFor (const juce::Component& editor);

    /** Replaces displayUserAreaFor for every editor (tests stand in other displays); an empty
        function restores it. */
    static void setUserAreaProvider (UserAreaProvider);

    /** The menu's steps in percent, in menu order. */
    static constexpr int scaleSteps[] { 75, 90, 100, 115, 125, 150, 175, 200 };
    static constexpr int menuIdOffset = 1000;
    static constexpr int saveDelayMs = 250;

    EditorScaling (juce::AudioProcessorEditor& editor, juce::ComponentBoundsConstrainer& constrainer,
                   const juce::String& settingsKey, Config config);
    ~EditorScaling() override;

    /** Once, after the button and the editor's resize corner exist. */
    void activate();

    void setScale (double newScale);

    /** Back to the default scale; the logical size is kept. */
    void resetScale();

    /** The editor's size changed from outside (the host or the resize corner). */
    void editorResized();

    /** The scale in effect, which a display too small for the chosen one may lower. */
    double getScale() const noexcept { return scale; }
    int getLogicalWidth() const noexcept { return logicalWidth; }
    int getLogicalHeight() const noexcept { return logicalHeight; }
    bool isReady() const noexcept { return ready; }
    bool isMenuOpen() const noexcept { return menuOpen; }
    const Config& getConfig() const noexcept { return config; }

    /** Paint the text only, without a background. */
    void setTextOnly (bool shouldBeTextOnly);

    juce::PopupMenu createScaleMenu() const;
    void showScaleMenu();
    void applyMenuChoice (int result);

    void mouseDown (const juce::MouseEvent&) override;
    void focusGained (FocusChangeType) override;
    void paintButton (juce::Graphics&, bool highlighted, bool down) override;
    void timerCallback() override;

private:
    struct Fit
    {
        double scale;
        int logicalWidth, logicalHeight;
    };

    /** Re-checks the fit when the editor lands in a window, since a host attaches it after construction. */
    struct DisplayWatch : juce::ComponentListener
    {
        explicit DisplayWatch (EditorScaling& s) : scaling (s) {}
        void componentParentHierarchyChanged (juce::Component&) override { scaling.fitToDisplay(); }
        EditorScaling& scaling;
    };

    void readStoredValues();
    void saveSettings();
    void applyChosenScale();
    void fitToDisplay();
    juce::Rectangle<int> availableArea() const;
    bool tryScale (double candidate, juce::Rectangle<int> area, Fit& fit) const;
    Fit fitFor (double chosen, juce::Rectangle<int> area) const;
    bool isStepAvailable (int step) const;

    MenuLookAndFeel menuLookAndFeel;
    bool menuOpen = false;
    bool textOnly = false;
    bool focusedByKeyboard = false;
    juce::AudioProcessorEditor& editor;
    juce::ComponentBoundsConstrainer& constrainer;
    SettingsStore settings;
    Config config;
    int logicalWidth = 0;
    int logicalHeight = 0;
    double scale = 1.0;
    bool ready = false;
    bool inSetScale = false;
    bool dirty = false;
    juce::uint32 lastChangeMs = 0;
    double chosenScale = 1.0;
    int chosenLogicalWidth = 0;
    int chosenLogicalHeight = 0;
    DisplayWatch displayWatch { *this };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (EditorScaling)
};

/** The editor's resize corner: dragging resizes, a double-click returns to the default scale. */
class ScaleResetCorner : public juce::ResizableCornerComponent
{
public:
    ScaleResetCorner (juce::Component* componentToResize, juce::ComponentBoundsConstrainer* constrainer,
                      std::function<EditorScaling*()> scalingOfEditor);

    void mouseDoubleClick (const juce::MouseEvent&) override;

private:
    std::function<EditorScaling*()> scalingOfEditor;
};

} // namespace tolmek
