#!/usr/bin/env python3
"""Writes loop-free variants of the list workloads (one command per line) for
builds that do not have while/incr yet: python3 make_unrolled.py OUTDIR"""
import random
import sys

out = sys.argv[1] if len(sys.argv) > 1 else "."
N = 200000


def write(name, lines):
    with open(f"{out}/{name}", "w") as f:
        f.write("\n".join(lines) + "\n")


write("u_lappend.tcl", ["set l {}"] + [f"lappend l {i}" for i in range(N)] + ["puts [llength $l]"])
big = " ".join(str(i) for i in range(N))
write("u_lindex.tcl", [f"set l {{{big}}}"] + [f"set e [lindex $l {i}]" for i in range(N)] + ["puts $e"])
rng = random.Random(1)
nums = " ".join(str(rng.randrange(2**31)) for _ in range(50000))
write("u_lsort.tcl", [f"set l {{{nums}}}", "set s [lsort $l -integer]", "puts [lindex $s 0]",
                      "set t [lsort $l]", "puts [llength $t]"])
items = " ".join(f"item{i}" for i in range(N))
write("u_join_split.tcl", [f"set l {{{items}}}"] +
      ["set text [join $l ,]", "set back [split $text ,]"] * 10 + ["puts [llength $back]"])
