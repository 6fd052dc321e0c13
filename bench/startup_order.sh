#!/usr/bin/env bash
# startup_order.sh BIN > embed/startup.order: the text sections of the
# functions that start-up runs, one per line, for the linker to place side by
# side. The kernel maps a program's pages 64 KB at a time around each first
# touch, so start-up code spread over the binary costs resident memory and
# page faults; placed together it takes a few such windows. BIN must be built
# with -ffunction-sections (as release builds are). A stale list only costs
# locality: names it lacks are placed as usual, names it has that are gone
# are ignored.
set -euo pipefail
bin=$(realpath "${1:?usage: startup_order.sh path/to/nuvel_embed}")
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
valgrind --tool=callgrind --demangle=no --callgrind-out-file="$tmp/cg" "$bin" \
  "$here/suite/startup.nv" > /dev/null 2> "$tmp/err"
# The registration functions and static initialisers share named sections.
printf '%s\n' .text.startup.register '.text.startup*'
# Then the functions in order of their cost at start-up, heaviest first. A
# constructor or destructor is named by its complete-object symbol (C1, D1),
# an alias of the base-object one (C2, D2) whose section holds the code.
callgrind_annotate --threshold=100 "$tmp/cg" 2> /dev/null |
  grep -F "[$bin]" |
  sed -n 's/^ *[0-9,]* *([^)]*) *???:\([^ ]*\) \[.*/\1/p' |
  grep -v '^0x' |
  sed 's/\(C\|D\)1E/\12E/' |
  awk '!seen[$0]++ { print ".text." $0 }'
