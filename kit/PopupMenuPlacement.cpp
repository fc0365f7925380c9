#include "kit/PopupMenuPlacement.h"

#include <algorithm>

namespace tolmek
{
namespace
{
constexpr int margin = 4;
constexpr int minimumBandHeight = 48;
} // namespace

PopupMenuPlacement::Host* PopupMenuPlacement::findHost (juce::Component* target)
{
    for (auto* c = target; c != nullptr; c = c->getParentComponent())
        for (auto* child : c->getChildren())
            if (auto* host = dynamic_cast<Host*> (child))
                return host;

    return nullptr;
}

juce::PopupMenu::Options PopupMenuPlacement::placeMenu (juce::PopupMenu::Options options)
{
    auto* target = options.getTargetComponent();
    if (target == nullptr)
        return options;

    auto* host = findHost (target);
    if (host == nullptr || host->getParentComponent() == nullptr)
        return options;

    auto* area = host->getParentComponent();
    const int W = area->getWidth();
    const int H = area->getHeight();
    const auto local = area->getLocalArea (nullptr, options.getTargetScreenArea());

    const int aw = std::max (0, W - 2 * margin);
    const int ah = std::max (0, H - 2 * margin);

    int x = local.getX(), y = local.getY(), w = local.getWidth(), h = local.getHeight();
    x = std::min (std::max (x, margin), margin + std::max (0, aw - w));
    y = std::min (std::max (y, margin), margin + std::max (0, ah - h));
    w = std::min (w, aw);
    h = std::min (h, ah);

    // A tie opens below.
    const bool above = ah / 2 + margin < y + h / 2;

    const int bandTop = above ? margin : y + h;
    const int bandHeight = above ? y - margin : std::max (0, H - margin - (y + h));

    if (bandHeight >= minimumBandHeight)
        host->setBounds (margin, bandTop, aw, bandHeight);
    else
        host->setBounds (margin, margin, aw, ah);

    host->toFront (false);

    const juce::Rectangle<int> strip (x, above ? y - 1 : y + h, std::max (1, w), 1);

    return options.withParentComponent (host)
                  .withTargetScreenArea (area->localAreaToGlobal (strip))
                  .withPreferredPopupDirection (above ? juce::PopupMenu::Options::PopupDirection::upwards
                                                      : juce::PopupMenu::Options::PopupDirection::downwards)
                  .withItemThatMustBeVisible (0);
}

} // namespace tolmek
