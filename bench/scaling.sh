#!/usr/bin/env bash
# scaling.sh [NUVEL_EMBED] [SIZES]: runs each operation below at n = 10k, 100k
# and 1M (or the sizes given, smallest first) and prints the times and the
# growth from the middle size to the largest. Linear work grows about 10x per
# 10x n (sorting a little more); a growth above 25x is marked "SUPER-LINEAR"
# and makes the script exit 1. Each row is one script; N is replaced by n.
# nested_eval nests n/20 evals (the evaluation depth limit is 60,000).
bin=$(realpath "${1:-$(dirname "$0")/../build/nuvel_embed}")
read -r -a sizes <<< "${2:-10000 100000 1000000}"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
ops=$(cat <<'OPS'
lappend_lindex|set l {}; loop i 0 N { lappend l $i; set x [lindex $l end] }
llength_grow|set l {}; loop i 0 N { lappend l $i; set n [llength $l] }
append_index|set s ""; loop i 0 N { append s x; set c [string index $s end] }
string_index|set s [string repeat "ab" N]; loop i 0 N { set c [string index $s $i] }
mids_walk|set s [string repeat "ab" N]; loop i 1 N { set c [mids $s $i 1] }
lindex_loop|set l [string repeat "1 " N]; loop i 0 N { set x [lindex $l $i] }
lrange_tail|set l {}; loop i 0 N { lappend l $i }; set x [llength [lrange $l 1 end]]
split_join|set s [string repeat "ab," N]; set t [join [split $s ,] ,]
array_set_get|loop i 0 N { set a($i) $i }; loop i 0 N { set x $a($i) }
array_unset|loop i 0 N { set a($i) $i }; loop i 0 N { unset a($i) }
array_names|loop i 0 N { set a($i) 1 }; set n [llength [array names a]]
dict_set_get|set d [dict create]; loop i 0 N { dict set d k$i $i }; loop i 0 N { set x [dict get $d k$i] }
vars_set_unset|loop i 0 N { set v$i 1 }; loop i 0 N { unset v$i }
proc_calls|proc f {a} { return $a }; loop i 0 N { f $i }
global_lappend|set g {}; proc f {i} { global g; lappend g $i }; loop i 0 N { f $i }
upvar_append|proc f {v i} { upvar $v s; append s $i }; set s {}; loop i 0 N { f s $i }
element_append|loop i 0 N { append a(x) y }; set n [string length $a(x)]
nested_eval|set m [/ N 20]; set o [format %c 123]; set c [format %c 125]; set a ""; set b ""; loop i 0 $m { append a "eval $o"; append b $c }; eval "${a}set z 1$b"
expr_unclosed|set o [format %c 91]; catch {expr "[string repeat $o N] && 2"}
lsort_int|set l {}; loop i 0 N { lappend l [expr {($i * 7919) % 1000003}] }; set l [lsort -integer $l]
lsort_text|set l {}; loop i 0 N { lappend l k[expr {($i * 7919) % 1000003}] }; set l [lsort $l]
OPS
)
status=0
printf "%-16s" "operation"
for n in "${sizes[@]}"; do printf "%12s" "n=$n"; done
printf "%10s\n" "growth"
while IFS='|' read -r name body; do
  printf "%-16s" "$name"
  times=()
  for n in "${sizes[@]}"; do
    printf '%s\n' "${body//N/$n}" > "$tmp/$name.nv"
    start=$(date +%s%N)
    if ! timeout 300 "$bin" "$tmp/$name.nv" > "$tmp/out" 2>&1; then
      printf "%12s" "failed"
      times+=(0)
      status=1
      continue
    fi
    ms=$((($(date +%s%N) - start) / 1000000))
    times+=("$ms")
    printf "%10sms" "$ms"
  done
  k=${#times[@]}
  if [ "$k" -ge 2 ] && [ "${times[$((k - 2))]}" -gt 0 ]; then
    growth=$(awk -v a="${times[$((k - 2))]}" -v b="${times[$((k - 1))]}" 'BEGIN { printf "%.1f", b / a }')
    printf "%9sx" "$growth"
    if awk -v g="$growth" 'BEGIN { exit !(g > 25) }'; then
      printf "  SUPER-LINEAR"
      status=1
    fi
  fi
  printf "\n"
done <<< "$ops"
exit $status
