// How many results one search produces. The search dialogs hold a fixed
// buffer of kMaxResults dates per run; every search and result text is
// handed a count within these bounds. Used by the dialogs and the command
// line.
#pragma once

#include <algorithm>

namespace orbel {

inline constexpr int kMinResults = 8;
inline constexpr int kMaxResults = 256;

// A requested result count brought into kMinResults..kMaxResults.
inline int clampResultCount(int count) {
    return std::clamp(count, kMinResults, kMaxResults);
}

} // namespace orbel
