// The report's text. Every blank, tab and newline of these formats is part
// of the output that users diff from run to run.
#include "report/report.h"

#include <cinttypes>

void print_report(const RunningStats& r, const SummaryStats& s, std::FILE* out) {
    std::fprintf(out, "\n samples= %" PRIu64 " ", r.n);
    std::fprintf(out, "\n\n time span= %12.6g sec to %12.6g sec", r.t0, r.t_last);
    std::fprintf(out, "\n\n duration= %12.6g sec ", s.duration);
    std::fprintf(out, "\n\n ymin= %9.4g G at %12.6g sec", r.ymin, r.t_ymin);
    std::fprintf(out, "\n ymax= %9.4g G at %12.6g sec", r.ymax, r.t_ymax);
    std::fprintf(out, "\n\n  ave= %9.4g G    std dev = %9.4g G   rms= %9.4g G", s.ave, s.sd,
                 s.rms);
    std::fprintf(out, "\n kurtosis= %9.4g", s.kurtosis);
    std::fprintf(out, "\n\n ________________________________________________ \n\n");
    std::fprintf(out, "\n dtmin= %11.6g sec\t between %11.6g & %11.6g sec\t", r.dtmin,
                 r.dtmin_t_end, r.dtmin_t_start);
    std::fprintf(out, "\n dt   = %11.6g sec\t\t", s.dt);
    std::fprintf(out, "\n dtmax= %11.6g sec\t between %11.6g & %11.6g sec\t\n", r.dtmax,
                 r.dtmax_t_end, r.dtmax_t_start);
    std::fprintf(out, "\n");
    std::fprintf(out, "\n SRmin= %11.6g samples/sec", s.sr_min);
    std::fprintf(out, "\n SR   = %11.6g samples/sec", s.sr);
    std::fprintf(out, "\n SRmax= %11.6g samples/sec\n", s.sr_max);
    std::fprintf(out, "\n (G/bit) = %11.6g \n", s.gbit);
}
