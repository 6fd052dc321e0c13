#!/usr/bin/env bash
# End-to-end checks of the waits: console output is flushed before a wait, and
# Ctrl+C ends sleep, after and vwait with "Interrupted".
# Usage: timer_test.sh NUVEL_EMBED
set -u
bin="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
# shellcheck source=interrupt.sh
. "$(dirname "$0")/interrupt.sh"

# interrupt NAME SCRIPT: runs the script, waits for "started" (written before
# the wait, so it shows only when the wait flushed it), sends SIGINT and
# expects "Interrupted" and exit code 1.
interrupt() {
  local name="$1"
  printf 'puts started\n%s\nputs after\n' "$2" > "$work/$name.tcl"
  "$bin" "$work/$name.tcl" > "$work/$name.out" 2>&1 &
  interrupt_when_written $! "$work/$name.out" started
  local code=$?
  local seen=$written
  if [ "$seen" = 1 ] && [ "$code" = 1 ] && grep -q Interrupted "$work/$name.out" &&
     ! grep -q '^after$' "$work/$name.out"; then
    echo "ok   $name"
  else
    echo "FAIL $name: exit $code, output flushed before the wait: $seen"
    cat "$work/$name.out"
    failures=$((failures + 1))
  fi
}

interrupt sleep 'sleep 100000000'
interrupt after 'after 100000000'
interrupt vwait 'after 100000000 {set x 1}; vwait x'
interrupt vwait_timeout 'vwait x -timeout 100000000'

[ "$failures" = 0 ] || { echo "$failures failure(s)"; exit 1; }
