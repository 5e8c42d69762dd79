// --json: the machine-readable form of what now, detail, search and watch
// print. Each command computes its moment or results once and hands the
// same values (and the very texts it would print) to these builders, so the
// JSON's text fields are always the plain output's lines. Everything here
// is UTF-8; the program's CP932 texts are converted on the way in. The
// shape is documented by docs/orbel-cli.schema.json.
#pragma once

#include "cli/cli.h"

#include <nlohmann/json.hpp>
#include <orlib/orlib.h>

#include <ctime>
#include <string>
#include <string_view>

namespace orbel::cli {

// Field order is kept as written, so a person reading the output sees the
// text first and the moment after it.
using Json = nlohmann::ordered_json;

// A fixed ASCII key per phase index 0..11 (status-bar styles select on it);
// "" outside that range.
const char* phaseKey(int index) noexcept;

// The day within the phase (0..6) as 0..100: its first day 0, its seventh 100.
int phasePercent(int lunarDay) noexcept;

// "2026-12-05T23:41:05+09:00": the local time (TZ) with its offset.
std::string isoLocal(std::time_t t);

// {"iso": isoLocal(t), "unix": t}
Json earthJson(std::time_t t);

// The Orithaven moment's fields, weekday and phase (index, name, key, day).
Json momentJson(const orlib::odate_t& o);

// The lines of a CP932 text as UTF-8, split at its line breaks; a final
// line break ends the last line rather than starting an empty one.
Json utf8Lines(std::string_view cp932);

// One CP932 line as UTF-8.
std::string utf8Line(std::string_view cp932);

// The object on one line of stdout, then LF.
void writeJson(Session& session, const Json& value);

// `now --json` from the moment and the three lines the text form prints.
void writeNowJson(Session& session, std::time_t t, const orlib::odate_t& o, std::string_view tip,
                  std::string_view gameLine, std::string_view earthLine);

// `search ... --json`: `conditions` as given, then one entry per result
// with its own line of `text` (the CP932 result text the plain form prints)
// and its moment; lines before the results (today's heading) go to
// "heading".
void writeSearchJson(Session& session, const char* search, Json conditions, std::string_view text,
                     const orlib::odate_t* results, int count);

} // namespace orbel::cli
