#include "kit/EditorScaling.h"

#include "kit/PopupMenuPlacement.h"

#include <cmath>

namespace tolmek
{
namespace
{
const char* const sectionName = "ui";

bool isNumber (const juce::var& value)
{
    return value.isInt() || value.isInt64() || value.isDouble();
}

EditorScaling::UserAreaProvider& userAreaProvider()
{
    static EditorScaling::UserAreaProvider provider;
    return provider;
}

int scaled (int logical, double scale)
{
    return juce::jmax (1, juce::roundToInt (logical * scale));
}

/** The largest logical length up to `logical`, and not below `minimum`, whose scaled length fits `limit`. */
int shrinkToFit (int logical, int minimum, double scale, int limit)
{
    auto length = juce::jlimit (juce::jmin (minimum, logical), logical, (int) std::floor (limit / scale));

    while (length > minimum && scaled (length, scale) > limit)
        --length;

    while (length < logical && scaled (length + 1, scale) <= limit)
        ++length;

    return length;
}
} // namespace

juce::Rectangle<int> EditorScaling::displayUserAreaFor (const juce::Component& editorOnScreen)
{
    const auto& displays = juce::Desktop::getInstance().getDisplays();
    const juce::Displays::Display* display = nullptr;

    if (editorOnScreen.getPeer() != nullptr)
        display = displays.getDisplayForRect (editorOnScreen.getScreenBounds());

    if (display == nullptr)
        display = displays.getPrimaryDisplay();

    return display != nullptr ? display->userArea : juce::Rectangle<int>();
}

void EditorScaling::setUserAreaProvider (UserAreaProvider provider)
{
    userAreaProvider() = std::move (provider);
}

EditorScaling::EditorScaling (juce::AudioProcessorEditor& editorToScale, juce::ComponentBoundsConstrainer& editorConstrainer,
                              const juce::String& settingsKey, Config scalingConfig)
    : editor (editorToScale),
      constrainer (editorConstrainer),
      settings (settingsKey),
      config (scalingConfig),
      logicalWidth (scalingConfig.logicalWidth),
      logicalHeight (scalingConfig.logicalHeight)
{
    readStoredValues();

    setName ("UI scaling");
    setTooltip ("Choose UI size. Drag the bottom-right corner to resize; double-click it to reset.");
    setWantsKeyboardFocus (true);
    setMouseClickGrabsKeyboardFocus (false);
    setMouseCursor (juce::MouseCursor::PointingHandCursor);
    onClick = [this] { showScaleMenu(); };
}

EditorScaling::~EditorScaling()
{
    stopTimer();
    editor.removeComponentListener (&displayWatch);

    if (menuOpen)
        juce::PopupMenu::dismissAllActiveMenus();

    // A change made just before the editor closes is still kept.
    saveSettings();
}

void EditorScaling::readStoredValues()
{
    const auto section = settings.readSection (sectionName);
    const auto storedScale = section.getProperty ("scale", {});
    scale = isNumber (storedScale) ? static_cast<double> (storedScale) : config.defaultScale;
    chosenScale = scale;
    chosenLogicalWidth = logicalWidth;
    chosenLogicalHeight = logicalHeight;

    if (! config.resizable)
        return;

    const auto storedSize = [&section] (const char* key, int fallback, int minimum, int maximum)
    {
        const auto value = section.getProperty (key, {});

        if (! isNumber (value))
            return fallback;

        const auto number = static_cast<double> (value);
        return std::isfinite (number) && number >= minimum && number <= maximum ? juce::roundToInt (number) : fallback;
    };

    logicalWidth = storedSize ("logicalWidth", config.logicalWidth, config.minWidth, config.maxWidth);
    logicalHeight = storedSize ("logicalHeight", config.logicalHeight, config.minHeight, config.maxHeight);
    chosenLogicalWidth = logicalWidth;
    chosenLogicalHeight = logicalHeight;
}

void EditorScaling::activate()
{
    ready = true;
    constrainer.setFixedAspectRatio (config.resizable ? 0.0 : (double) config.logicalWidth / (double) config.logicalHeight);
    editor.addComponentListener (&displayWatch);
    setScale (chosenScale);
    startTimer (saveDelayMs);
}

void EditorScaling::setScale (double x)
{
    if (! ready)
        return;

    // Above the largest step falls back to the default; below the smallest is raised to it.
    if (! std::isfinite (x) || x <= 0.0 || x > config.maxScale)
        x = config.defaultScale;

    chosenScale = juce::jmax (x, config.minScale);
    applyChosenScale();
}

void EditorScaling::applyChosenScale()
{
    const juce::ScopedValueSetter<bool> settingScale (inSetScale, true);

    const auto area = availableArea();
    const auto fit = fitFor (chosenScale, area);
    const auto x = fit.scale;
    scale = x;
    logicalWidth = fit.logicalWidth;
    logicalHeight = fit.logicalHeight;

    int minW, minH, maxW, maxH;

    if (config.resizable)
    {
        minW = juce::jmax (1, juce::roundToInt (config.minWidth * x));
        minH = juce::jmax (1, juce::roundToInt (config.minHeight * x));
        maxW = juce::jmax (minW, juce::roundToInt (config.maxWidth * x));
        maxH = juce::jmax (minH, juce::roundToInt (config.maxHeight * x));
    }
    else
    {
        minW = juce::jmax (1, juce::roundToInt (config.minScale * config.logicalWidth));
        minH = juce::jmax (1, juce::roundToInt (config.minScale * config.logicalHeight));
        maxW = juce::jmax (minW, juce::roundToInt (config.maxScale * config.logicalWidth));
        maxH = juce::jmax (minH, juce::roundToInt (config.maxScale * config.logicalHeight));
    }

    // The corner never drags the window past the display either.
    if (! area.isEmpty())
    {
        maxW = juce::jmax (minW, juce::jmin (maxW, area.getWidth()));
        maxH = juce::jmax (minH, juce::jmin (maxH, area.getHeight()));
    }

    constrainer.setSizeLimits (minW, minH, maxW, maxH);
    editor.setSize (scaled (logicalWidth, x), scaled (logicalHeight, x));

    // The host may have refused the exact size.
    if (! config.resizable)
    {
        scale = (double) editor.getWidth() / (double) config.logicalWidth;

        if (x == chosenScale)
            chosenScale = scale;
    }

    setButtonText ("UI " + juce::String (juce::roundToInt (scale * 100.0)) + "%");

    dirty = true;
    lastChangeMs = juce::Time::getMillisecondCounter();
}

void EditorScaling::fitToDisplay()
{
    if (! ready || inSetScale)
        return;

    const auto fit = fitFor (chosenScale, availableArea());

    if (fit.scale == scale && fit.logicalWidth == logicalWidth && fit.logicalHeight == logicalHeight
        && editor.getWidth() == scaled (logicalWidth, scale) && editor.getHeight() == scaled (logicalHeight, scale))
        return;

    applyChosenScale();
}

juce::Rectangle<int> EditorScaling::availableArea() const
{
    const auto& provider = userAreaProvider();
    const auto screenArea = provider ? provider (editor) : displayUserAreaFor (editor);

    if (screenArea.isEmpty())
        return {};

    // In the editor's own units, should a host scale it.
    const auto factor = juce::jmax (0.01f, juce::Component::getApproximateScaleFactorForComponent (&editor));
    return { (int) std::floor (screenArea.getWidth() / factor), (int) std::floor (screenArea.getHeight() / factor) };
}

bool EditorScaling::tryScale (double candidate, juce::Rectangle<int> area, Fit& fit) const
{
    fit = { candidate, config.logicalWidth, config.logicalHeight };

    if (config.resizable)
    {
        fit.logicalWidth = chosenLogicalWidth;
        fit.logicalHeight = chosenLogicalHeight;

        if (! area.isEmpty())
        {
            fit.logicalWidth = shrinkToFit (chosenLogicalWidth, config.minWidth, candidate, area.getWidth());
            fit.logicalHeight = shrinkToFit (chosenLogicalHeight, config.minHeight, candidate, area.getHeight());
        }
    }

    return area.isEmpty()
        || (scaled (fit.logicalWidth, candidate) <= area.getWidth() && scaled (fit.logicalHeight, candidate) <= area.getHeight());
}

EditorScaling::Fit EditorScaling::fitFor (double chosen, juce::Rectangle<int> area) const
{
    Fit fit;

    if (tryScale (chosen, area, fit))
        return fit;

    // The largest smaller step that fits; on a display too small for any, the smallest step.
    auto fallback = fit;

    for (auto i = (int) std::size (scaleSteps); --i >= 0;)
    {
        const auto value = scaleSteps[i] / 100.0;

        if (value >= chosen || value < config.minScale || value > config.maxScale)
            continue;

        if (tryScale (value, area, fit))
            return fit;

        fallback = fit;
    }

    return fallback;
}

bool EditorScaling::isStepAvailable (int step) const
{
    const auto value = step / 100.0;

    if (value < config.minScale || value > config.maxScale)
        return false;

    Fit fit;

    if (tryScale (value, availableArea(), fit))
        return true;

    // The smallest step stays available even on a display too small for it.
    for (const auto other : scaleSteps)
        if (other / 100.0 >= config.minScale && other / 100.0 <= config.maxScale)
            return other == step;

    return false;
}

void EditorScaling::resetScale()
{
    setScale (config.defaultScale);
}

void EditorScaling::editorResized()
{
    if (! ready || inSetScale)
        return;

    if (config.resizable)
    {
        // Dragging the corner changes how much content shows, not its size.
        chosenLogicalWidth = juce::jlimit (config.minWidth, config.maxWidth, juce::roundToInt (editor.getWidth() / scale));
        chosenLogicalHeight = juce::jlimit (config.minHeight, config.maxHeight, juce::roundToInt (editor.getHeight() / scale));
        setScale (chosenScale);
    }
    else
    {
        setScale (juce::jmin (config.maxScale, (double) editor.getWidth() / (double) config.logicalWidth));
    }
}

void EditorScaling::setTextOnly (bool shouldBeTextOnly)
{
    textOnly = shouldBeTextOnly;
    repaint();
}

juce::PopupMenu EditorScaling::createScaleMenu() const
{
    juce::PopupMenu menu;
    const auto tolerance = 0.5 / (double) logicalWidth + 1e-9;

    for (const auto step : scaleSteps)
    {
        const auto value = step / 100.0;
        menu.addItem (step + menuIdOffset, juce::String (step) + "%", isStepAvailable (step),
                      std::abs (scale - value) <= tolerance);
    }

    return menu;
}

void EditorScaling::showScaleMenu()
{
    auto& source = getLookAndFeel();

    for (const auto id : { juce::PopupMenu::backgroundColourId, juce::PopupMenu::textColourId,
                           juce::PopupMenu::headerTextColourId, juce::PopupMenu::highlightedBackgroundColourId,
                           juce::PopupMenu::highlightedTextColourId })
        menuLookAndFeel.setColour (id, source.findColour (id));

    menuLookAndFeel.menuFont = source.getPopupMenuFont();

    auto menu = createScaleMenu();
    menu.setLookAndFeel (&menuLookAndFeel);

    const auto options = PopupMenuPlacement::placeMenu (juce::PopupMenu::Options()
                                                            .withTargetComponent (this)
                                                            .withMaximumNumColumns (1)
                                                            .withStandardItemHeight (24));
    menuOpen = true;
    menu.showMenuAsync (options, [safeThis = juce::Component::SafePointer<EditorScaling> (this)] (int result)
    {
        if (safeThis != nullptr)
            safeThis->applyMenuChoice (result);
    });
}

void EditorScaling::applyMenuChoice (int result)
{
    menuOpen = false;

    for (const auto step : scaleSteps)
        if (result == step + menuIdOffset && isStepAvailable (step))
            setScale (step / 100.0);
}

void EditorScaling::saveSettings()
{
    if (! dirty || ! ready)
        return;

    // One read-modify-write keeps the three values together and a burst of changes to one write.
    const auto ok = settings.update ([this] (juce::var& root)
    {
        auto section = root.getProperty (sectionName, {});

        if (! isJsonObject (section))
        {
            section = juce::var (new juce::DynamicObject());
            root.getDynamicObject()->setProperty (sectionName, section);
        }

        auto* object = section.getDynamicObject();
        // The choice, not what a small display allows: a larger one shows it again.
        object->setProperty ("scale", chosenScale);

        if (config.resizable)
        {
            object->setProperty ("logicalWidth", chosenLogicalWidth);
            object->setProperty ("logicalHeight", chosenLogicalHeight);
        }

        return true;
    });

    if (ok)
        dirty = false;
}

void EditorScaling::timerCallback()
{
    if (juce::Time::getMillisecondCounter() - lastChangeMs >= (juce::uint32) saveDelayMs)
        saveSettings();
}

void EditorScaling::mouseDown (const juce::MouseEvent& event)
{
    focusedByKeyboard = false;
    repaint();
    juce::TextButton::mouseDown (event);
}

void EditorScaling::focusGained (FocusChangeType cause)
{
    if (cause == focusChangedByTabKey)
        focusedByKeyboard = true;
    else if (cause == focusChangedByMouseClick)
        focusedByKeyboard = false;

    juce::TextButton::focusGained (cause);
    repaint();
}

void EditorScaling::paintButton (juce::Graphics& g, bool highlighted, bool down)
{
    auto& lf = getLookAndFeel();

    if (! textOnly)
        lf.drawButtonBackground (g, *this,
                                 findColour (getToggleState() ? juce::TextButton::buttonOnColourId
                                                              : juce::TextButton::buttonColourId),
                                 highlighted, down);

    lf.drawButtonText (g, *this, highlighted, down);

    if (focusedByKeyboard && hasKeyboardFocus (false))
    {
        g.setColour (findColour (juce::TextButton::textColourOffId));
        g.drawRect (juce::Rectangle<float> (1.0f, 1.0f, (float) juce::jmax (0, getWidth() - 2),
                                            (float) juce::jmax (0, getHeight() - 2)), 2.0f);
    }
}

//==============================================================================
ScaleResetCorner::ScaleResetCorner (juce::Component* componentToResize, juce::ComponentBoundsConstrainer* cornerConstrainer,
                                    std::function<EditorScaling*()> scalingOf)
    : juce::ResizableCornerComponent (componentToResize, cornerConstrainer),
      scalingOfEditor (std::move (scalingOf))
{
}

void ScaleResetCorner::mouseDoubleClick (const juce::MouseEvent&)
{
    if (auto* scaling = scalingOfEditor ? scalingOfEditor() : nullptr)
        scaling->resetScale();
}

} // namespace tolmek
