#include "SnapshotScenes.h"

#include "support/gallery/ThemeGallery.h"
#include "support/gui/GuiTestBench.h"

namespace gui = testing_support::gui;

// The gallery on the real desktop: its showcase controls hovered by the real pointer (a slider
// shows its value bubble), and the first repeat button's menu open inside its stage.
VARNET_SNAPSHOTS (themeGallery)
{
    testing_support::ThemeGallery gallery;
    gui::DesktopWindow window (gallery, { 0, 0 });

    juce::Component::unfocusAllComponents();

    // One pointer hovers one control at a time, and an open menu is modal and ends any hover:
    // each hovered look is captured first and laid over the final image.
    std::vector<std::pair<juce::Point<int>, juce::Image>> hovered;
    for (auto* control : gallery.hoverShowcase())
    {
        gui::input::moveToCentreOf (*control);
        gui::pumpUntil ([control] { return control->isMouseOver (true); });
        gui::flushMessages();
        const auto area = gallery.getLocalArea (control, control->getLocalBounds());
        hovered.emplace_back (area.getPosition(), gallery.createComponentSnapshot (area));
    }
    gui::input::moveTo ({ 5, 5 });

    auto& button = gallery.menuRepeatButton();
    button.buildRepeatMenu().showMenuAsync (button.repeatMenuOptions());
    gui::pumpUntil ([&gallery]
    {
        for (auto* child : gallery.menuStage().getChildren())
            if (dynamic_cast<tolmek::PopupMenuPlacement::Host*> (child) != nullptr && child->getNumChildComponents() > 0)
                return child->getChildComponent (0)->isShowing();
        return false;
    });
    gui::flushMessages();

    auto image = gui::snapshotOf (gallery);
    {
        juce::Graphics g (image);
        for (const auto& [position, look] : hovered)
            g.drawImageAt (look, position.x, position.y);
    }
    out.write ("theme_gallery.png", image);
    juce::PopupMenu::dismissAllActiveMenus();
    gui::flushMessages();
}
