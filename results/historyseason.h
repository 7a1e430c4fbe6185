#pragma once

#include "historyfile.h"

// Who is who across a season's results files, and which records are one and the same test.
namespace HistorySeason {

// Gives every result its athlete: a code matches its other spellings (case and surrounding
// blanks aside) and names the athlete under its latest spelling; without a code the name does
// the same, except where two rows of one file share it: those stay apart, each with its slot.
// The same test found in several files (same athlete, day, sport, initial period and results)
// is kept once, at its first export, naming the other files. Results are oldest first on entry.
void settle(History *history);

// What the progress chart can show of a test.
enum class Measure { Distance, LastPeriod, Speed, Vo2Max };

// The value of a measure for a result, or false where it has none: no VO2max outside
// basketball, no last completed period where not even the first was completed.
bool value(const HistoryResult &result, Measure measure, double *out);

} // namespace HistorySeason
