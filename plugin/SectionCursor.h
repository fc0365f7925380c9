#pragma once

#include <algorithm>

namespace VarneT
{

/** -1 without Sections, else the index limited to the Sections. */
constexpr int clampSectionIndex (int index, int count) noexcept
{
    return count < 1 ? -1 : std::clamp (index, 0, count - 1);
}

/** Which compiled Section plays, and what follows it at its end. */
struct SectionCursor
{
    int current = -1;
    int pending = -1;
    bool advance = false;

    void reset (int index, int count, bool shouldAdvance) noexcept
    {
        current = clampSectionIndex (index, count);
        pending = -1;
        advance = shouldAdvance;
    }

    /** At a Section end: a queued Section first, else the next one under Auto-Advance (the
        first after the last), else the same Section again. */
    int next (int count) noexcept
    {
        if (count <= 0)
            return current = -1;

        if (pending >= 0)
        {
            current = std::min (pending, count - 1);
            pending = -1;
        }
        else if (advance)
        {
            current = (clampSectionIndex (current, count) + 1) % count;
        }

        return current;
    }
};

} // namespace VarneT
