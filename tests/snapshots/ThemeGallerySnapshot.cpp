#include "SnapshotScenes.h"

#include "support/gallery/ThemeGallery.h"
#include "support/gui/GuiTestBench.h"

namespace gui = testing_support::gui;

// The gallery on the real desktop: one slider hovered by the real pointer shows its value bubble,
// and the first repeat button's menu is open inside its stage.
VARNET_SNAPSHOTS (themeGallery)
{
    testing_support::ThemeGallery gallery;
    gui::DesktopWindow window (gallery, { 0, 0 });

    juce::Component::unfocusAllComponents();

    // An open menu is modal and ends the hover, so the hovered slider is captured first.
    auto& slider = gallery.hoverSlider();
    gui::input::moveToCentreOf (slider);
    gui::pumpUntil ([&slider] { return slider.isMouseOver(); });
    const auto hovered = gui::snapshotOf (slider);

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
        g.drawImageAt (hovered, slider.getX(), slider.getY());
    }
    out.write ("theme_gallery.png", image);
    juce::PopupMenu::dismissAllActiveMenus();
    gui::flushMessages();
}
