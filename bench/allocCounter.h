// Counts heap allocations for the benchmarks.
//
// allocCounter.cpp replaces the global operator new and delete (every
// form) with versions that count before calling malloc/free. Linking it
// into a benchmark is enough; read allocationCount() before and after the
// timed loop to get the allocations of the code under test. The count
// covers the whole process, shared libraries included.
#pragma once

#include <cstdint>

namespace orbel::bench {

// Allocations made through operator new since the process started.
std::uint64_t allocationCount() noexcept;

} // namespace orbel::bench
