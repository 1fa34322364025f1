// One run over an opened input: the read loop that feeds the statistics, and
// the report at its end. Kept apart from main so that tests and fuzzers can
// drive a whole run from any byte source.
#pragma once

#include <cstdio>

#include "driver/pair_reader.h"

// Reads every pair from reader, then prints the report on out. When the
// input yields no first pair, prints the no-data message instead and
// returns 1; otherwise returns 0.
int process_record(PairReader& reader, std::FILE* out);
