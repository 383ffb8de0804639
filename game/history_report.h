// What `tapquill --history` shows: the last attempts, the personal best and
// trend, a chart of the speed, and the characters mistyped most often.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <vector>

#include "game/history.h"

// The report of `records` (oldest first) with the last `count` of them in
// the table; the chart is drawn with block characters when `utf8`, in ASCII
// otherwise.
std::string historyReport(const std::vector<ResultRecord>& records, size_t count, bool utf8);

// Reads the results file at `path` and writes the report to `out`; lines
// that are not records are skipped and counted in one line on `errors`.
// Returns the exit status: 0, or 1 when the file is there but cannot be read.
int showHistory(const std::string& path, size_t count, bool utf8, std::ostream& out,
                std::ostream& errors);
