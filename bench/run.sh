#!/usr/bin/env bash
# Times nuvel_embed on a set of workloads and, when tclsh or jimsh are
# installed, the same work in those interpreters, printing the ratios.
# Usage: bench/run.sh [NUVEL_EMBED] [RUNS]
# Workloads live in bench/workloads/NAME.nuvel (Nuvel) with optional
# NAME.tcl (the same work for tclsh and jimsh). A workload whose Nuvel
# commands are not built yet fails and is shown as "n/a".
set -u
here=$(cd "$(dirname "$0")" && pwd)
nuvel=${1:-$here/../build/nuvel_embed}
runs=${2:-3}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Generated workloads: start-up and straight-line dispatch.
printf 'set a 1\n' > "$tmp/startup.nuvel"
cp "$tmp/startup.nuvel" "$tmp/startup.tcl"
python3 - "$tmp" <<'PY'
import sys
d = sys.argv[1]
body = "set a 1\nset b $a\n" * 500000
open(f"{d}/dispatch_1m.nuvel", "w").write(body)
open(f"{d}/dispatch_1m.tcl", "w").write(body)
# About 1 MB that is mostly preprocessor work: comments, macros, skipped
# blocks and expr forms for the optimising walk; the commands left are cheap.
block = ("# a comment line that the preprocessor drops\n"
         "/* a block comment */\n"
         "#ifdef NEVER\nset never 1\n#endif\n"
         "set b [expr {LIMIT*2+1}] ;# True and False\n")
pre = "#define LIMIT 10\n" + block * (1024 * 1024 // len(block))
open(f"{d}/preprocess_1m.nuvel", "w").write(pre)
PY
cp "$here"/workloads/*.nuvel "$here"/workloads/*.tcl "$tmp"/ 2>/dev/null

# best_time FILE COMMAND... (FILE names the workload) -> "seconds peak_kb" of the fastest run, or "n/a".
best_time() {
  shift
  local best="" mem=""
  for _ in $(seq "$runs"); do
    /usr/bin/time -o "$tmp/time.out" -f "%e %M" "$@" >/dev/null 2>&1
    read -r t m < <(tail -1 "$tmp/time.out")
    [ -n "${t:-}" ] || { echo "n/a"; return; }
    if [ -z "$best" ] || awk "BEGIN{exit !($t < $best)}"; then best=$t; mem=$m; fi
  done
  echo "$best $mem"
}

ok_run() { "$@" >/dev/null 2>&1; }

tclsh=$(command -v tclsh || true)
jimsh=$(command -v jimsh || true)
printf '%-16s %12s %10s %12s %8s %12s %8s\n' workload "nuvel s" "nuvel KB" "tclsh s" ratio "jimsh s" ratio
for f in "$tmp"/*.nuvel; do
  name=$(basename "$f" .nuvel)
  if ok_run "$nuvel" "$f"; then
    read -r nt nm <<<"$(best_time "$f" "$nuvel" "$f")"
  else
    nt="n/a"; nm=""
  fi
  tt="-"; tr="-"; jt="-"; jr="-"
  if [ -f "$tmp/$name.tcl" ]; then
    if [ -n "$tclsh" ]; then
      read -r tt _ <<<"$(best_time "$tmp/$name.tcl" "$tclsh" "$tmp/$name.tcl")"
      [ "$nt" != "n/a" ] && tr=$(awk "BEGIN{ if ($tt > 0) printf \"%.2f\", $nt / $tt; else print \"-\" }")
    fi
    if [ -n "$jimsh" ]; then
      read -r jt _ <<<"$(best_time "$tmp/$name.tcl" "$jimsh" "$tmp/$name.tcl")"
      [ "$nt" != "n/a" ] && jr=$(awk "BEGIN{ if ($jt > 0) printf \"%.2f\", $nt / $jt; else print \"-\" }")
    fi
  fi
  printf '%-16s %12s %10s %12s %8s %12s %8s\n' "$name" "$nt" "${nm:-}" "$tt" "$tr" "$jt" "$jr"
done
echo "(ratio = nuvel time / other time; below 1 means nuvel is faster)"
