#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace tolmek
{

/** Keeps popup menus inside the editor: a menu opens in the free band above or below the control
    that opened it, inside a Host component that the editor owns. Message thread only. */
struct PopupMenuPlacement
{
    /** Marks the area menus may use. Its bounds are rewritten by every placement. */
    class Host : public juce::Component
    {
    };

    /** Re-targets the options at the nearest Host; options without a target component or without
        a Host among the target's ancestors' children come back unchanged. */
    static juce::PopupMenu::Options placeMenu (juce::PopupMenu::Options options);

    /** Finds the Host used for a target component, or nullptr. */
    static Host* findHost (juce::Component* target);

    /** Combo-box lists go through placeMenu too. */
    template <typename Base>
    class LookAndFeel : public Base
    {
    public:
        using Base::Base;

        juce::PopupMenu::Options getOptionsForComboBoxPopupMenu (juce::ComboBox& box, juce::Label& label) override
        {
            return placeMenu (Base::getOptionsForComboBoxPopupMenu (box, label));
        }
    };
};

} // namespace tolmek
