// The command line's TIME argument: an Earth moment written by a person or
// a script. Owns the accepted forms and their strict checking; called by the
// subcommands in cli.cpp (and by any later one that takes --at).
//
//   YYYY-MM-DDTHH:MM:SS         local time (the TZ of the process)
//   YYYY-MM-DDTHH:MM:SSZ        UTC
//   YYYY-MM-DDTHH:MM:SS+HH:MM   offset from UTC (or -HH:MM)
//   @SECONDS                    seconds since 1970-01-01T00:00:00Z, may be negative
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace orbel::cli {

// The Earth time written in `text`, or nullopt with a one-line English
// reason in *error (when error is given). Fields must be in range (the day
// must exist in its month) and nothing may follow the time.
std::optional<std::time_t> parseTimeArg(std::string_view text, std::string* error = nullptr);

// An integer written in decimal (optional leading '-', nothing else) that
// fits an int; nullopt otherwise.
std::optional<int> parseIntArg(std::string_view text) noexcept;

} // namespace orbel::cli
