#include "plugin/InstanceNames.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace VarneT
{
namespace
{
constexpr std::array<const char*, 32> words {
    "Amber", "Blue",  "Cedar", "Cloud", "Copper", "Golden", "Ivory", "Lunar",
    "Moss",  "Night", "Quiet", "Rose",  "Silver", "Velvet", "Wild",  "Winter",
    "Badger", "Finch", "Fox",   "Hare",  "Heron",  "Koi",    "Lynx",  "Moth",
    "Otter",  "Owl",   "Raven", "Stag",  "Swan",   "Tern",   "Wolf",  "Wren",
};

bool isOneOf (const juce::String& text, size_t first)
{
    return std::any_of (words.begin() + (std::ptrdiff_t) first, words.begin() + (std::ptrdiff_t) first + 16,
                        [&] (const char* word) { return text == word; });
}
} // namespace

const char* const* instanceNameWords() noexcept { return words.data(); }

juce::String generateInstanceName()
{
    const auto seed = juce::Uuid().toDashedString().removeCharacters ("-").toUpperCase();

    std::uint32_t h = 0;
    for (auto p = seed.getCharPointer(); ! p.isEmpty(); ++p)
        h = h * 31u + (std::uint32_t) *p;

    return juce::String (words[h & 15u]) + " " + words[16 + ((h >> 4) & 15u)];
}

juce::String stripGeneratedNameSuffix (const juce::String& name)
{
    const auto a = name.indexOfChar (' ');
    const auto b = name.lastIndexOfChar (' ');

    if (a > 0 && a < b)
    {
        const auto first = name.substring (0, a);
        const auto second = name.substring (a + 1, b);
        const auto suffix = name.substring (b + 1);

        if (isOneOf (first, 0) && isOneOf (second, 16) && suffix.length() == 4
            && suffix.containsOnly ("0123456789ABCDEF"))
            return first + " " + second;
    }

    return name;
}

} // namespace VarneT
