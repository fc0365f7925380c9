#pragma once

#include <cstddef>

namespace bench
{
/** Heap allocations made by any thread since the program started. */
std::size_t allocationCount() noexcept;
} // namespace bench
