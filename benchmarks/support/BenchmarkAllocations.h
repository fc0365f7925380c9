#pragma once

#include <cstddef>

namespace bench
{
/** Heap allocations made by any thread since the program started. */
std::size_t allocationCount() noexcept;

/** Points HOME and TMPDIR at a fresh folder once, so that the processors a benchmark makes keep
    their instance folders and settings there. */
void isolateUserFolders();
} // namespace bench
