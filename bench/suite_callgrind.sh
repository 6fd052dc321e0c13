#!/usr/bin/env bash
# suite_callgrind.sh BIN [WORKLOAD...]: instruction counts (valgrind callgrind) of
# the workloads in suite/, scaled down so that each runs in seconds under
# valgrind. Counts repeat exactly from run to run, so they show the effect of a
# change even on a loaded machine; wall-clock ratios come from suite/compare.sh.
bin=$(realpath "${1:?usage: suite_callgrind.sh path/to/nuvel_embed [workload...]}"); shift
src=$(cd "$(dirname "$0")" && pwd)/suite
tmp=$(mktemp -d)
declare -A S=(
 [startup]='s/x/x/'
 [loop_arith]='s/main 1000000/main 100000/'
 [loop_arith_top]='s/set n 1000000/set n 100000/'
 [loop_arith_expr]='s/main 1000000/main 100000/'
 [fib_rec]='s/fibr 29/fibr 22/'
 [string_build]='s/rounds 3/rounds 1/; s/main 200000/main 50000/'
 [list_ops]='s/rounds 4/rounds 1/; s/main 200000 50000/main 50000 30000/'
 [array_hash]='s/rounds 2/rounds 1/; s/main 200000/main 50000/'
 [expr_math]='s/main 300000/main 30000/'
 [proc_calls]='s/rounds 3/rounds 1/; s/main 500000/main 100000/'
)
ws=${*:-startup loop_arith loop_arith_top loop_arith_expr fib_rec string_build list_ops array_hash expr_math proc_calls}
for w in $ws; do
  sed "${S[$w]}" $src/$w.nv > $tmp/$w.nv
  out=$(valgrind --tool=callgrind --callgrind-out-file=$tmp/$w.cg $bin $tmp/$w.nv 2>$tmp/err)
  ir=$(grep -o 'Collected : [0-9]*' $tmp/err | awk '{print $3}')
  printf "%-16s %14s  %s\n" $w $ir "$out"
done
rm -rf $tmp
