# The one-pass awk alternative: count, amplitude extremes, the three power
# sums and the interval extremes of a record of "time amplitude" lines.
NR == 1 {
    n = 1; t = $1; y = $2
    ymin = y; ymax = y; s1 = y; s2 = y * y; s4 = y ^ 4
    dtmin = 1e90; dtmax = -1e90; tprev = t
    next
}
{
    n++; t = $1; y = $2
    if (y < ymin) ymin = y
    if (y > ymax) ymax = y
    s1 += y; s2 += y * y; s4 += y ^ 4
    dt = t - tprev
    if (dt < dtmin) dtmin = dt
    if (dt > dtmax) dtmax = dt
    tprev = t
}
END { print n, ymin, ymax, s1, s2, s4, dtmin, dtmax }
