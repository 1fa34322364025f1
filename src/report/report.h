// The statistics report: sixteen fixed writes to standard output that show
// the running statistics and the summary. Computes nothing; write failures
// are not tested here.
#pragma once

#include <cstdio>

#include "stats/running_stats.h"
#include "stats/summary_stats.h"

void print_report(const RunningStats& stats, const SummaryStats& summary,
                  std::FILE* out = stdout);
