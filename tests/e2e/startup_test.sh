#!/usr/bin/env bash
# End-to-end checks of start-up: switches, argument checks, exit codes and
# embedding another script. Usage: startup_test.sh NUVEL_EMBED TEST_APP
set -u
bin="$1"
app="$2"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# expect NAME WANT_CODE WANT_OUTPUT_SUBSTRING -- COMMAND...
expect() {
  local name="$1" want_code="$2" want_out="$3"
  shift 4
  local out code
  out=$("$@" </dev/null 2>&1 | tr -d '\000'; exit "${PIPESTATUS[0]}")
  code=$?
  if [ "$code" != "$want_code" ]; then
    echo "FAIL $name: exit code $code, expected $want_code"; echo "$out" | head -20
    failures=$((failures + 1))
  elif [ -n "$want_out" ] && [[ "$out" != *"$want_out"* ]]; then
    echo "FAIL $name: output lacks '$want_out'"; echo "$out" | head -20
    failures=$((failures + 1))
  else
    echo "ok   $name"
  fi
}

printf 'puts one\n' > "$work/one.tcl"
printf 'puts two\n' > "$work/two.tcl"
printf 'puts before\nexit 3\nputs after\n' > "$work/exit3.tcl"
printf 'exit\n' > "$work/exit0.tcl"
printf 'set nosuch_var\n' > "$work/fail.tcl"
printf 'die "dying\\tnow"\n' > "$work/die.tcl"
printf 'die bye -code 9\n' > "$work/die9.tcl"
printf 'stop\n' > "$work/stop.tcl"
printf 'puts "argc=$argc argv0=$argv(0)"\n' > "$work/args.tcl"
printf 'set a [set b [set c 1]]\nputs a\000b\n' > "$work/nul.tcl"

expect "no arguments runs the embedded script" 0 "Hello from Nuvel" -- "$bin"
expect "usage" 0 "nuvel_embed" -- "$bin" "/?"
expect "echo, any case" 0 "# Nuvel demo script" -- "$bin" /echo
expect "usage before echo" 0 "Syntax: program.exe" -- "$bin" /ECHO "/?"
expect "embedded quote" 4 "Syntax error: Embedded \" found. Don't end quoted paths with a \\ character" -- "$bin" 'a"b'
expect "too many parameters" 1 "Too many parameters: use nuvel_embed /? for help" -- "$bin" 1 2 3 4 5 6 7 8 9 10 11
expect "too many parameters wins over /?" 1 "Too many parameters" -- "$bin" 1 2 3 4 5 6 7 8 9 10 11 "/?"
expect "other switches are sourced like files" 1 "source: File '/NOSUCH' not found" -- "$bin" /NOSUCH
expect "two files run in order" 0 "one
two" -- "$bin" "$work/one.tcl" "$work/two.tcl"
expect "exit value is the exit code" 3 "before" -- "$bin" "$work/exit3.tcl"
expect "exit without value" 0 "" -- "$bin" "$work/exit0.tcl"
expect "error gives 1" 1 "set: Variable 'nosuch_var' not found" -- "$bin" "$work/fail.tcl"
expect "die without code" 1 "dying	now" -- "$bin" "$work/die.tcl"
expect "die with code" 9 "bye" -- "$bin" "$work/die9.tcl"
expect "stop gives 1" 1 "" -- "$bin" "$work/stop.tcl"
expect "missing file" 1 "source: File '$work/missing.tcl' not found" -- "$bin" "$work/missing.tcl"
expect "file arguments" 0 "argc=1 argv0=" -- "$bin" "$work/args.tcl"
expect "NUL bytes in a script" 0 "" -- "$bin" "$work/nul.tcl"
expect "another embedded script" 7 "embedded app: argc=1" -- "$app"

# An uncaught error that was never shown is printed once on standard error;
# one already shown is not repeated.
printf 'puts start\nerror "it broke"\n' > "$work/silent.tcl"
expect "unshown error is printed" 1 "nuvel_embed: it broke" -- "$bin" "$work/silent.tcl"
shown=$("$bin" "$work/fail.tcl" 2>&1 </dev/null | grep -c "Variable 'nosuch_var' not found")
if [ "$shown" = 1 ]; then echo "ok   shown error once"; else
  echo "FAIL shown error appears $shown times"; failures=$((failures + 1)); fi

# The pager never waits for a key when its output is not a terminal, even
# with standard input an open pipe that sends nothing.
timeout 10 "$bin" "/?" >/dev/null 2>&1 < <(sleep 20)
code=$?
if [ "$code" = 0 ]; then echo "ok   usage does not wait on a pipe"; else
  echo "FAIL usage with an idle pipe on stdin: exit $code"; failures=$((failures + 1)); fi

# "--" hands the remaining words to the script as its arguments.
printf 'puts "argc=$argc 0=$argv(0) 1=$argv(1) 2=$argv(2) 3=$argv(3)"\n' > "$work/dash.tcl"
expect "arguments after --" 0 "argc=4 0=$work/dash.tcl 1=a 2=b c 3=-x" -- "$bin" "$work/dash.tcl" -- a "b c" -x
printf 'puts "argc=$argc last=$argv(1)"\n' > "$work/dash1.tcl"
expect "files before -- run in order" 0 "one
argc=2 last=z" -- "$bin" "$work/one.tcl" "$work/dash1.tcl" -- z

# An unknown name that is no program runs nothing: a condition written for
# another language must not empty the file it mentions.
printf 'keep me\n' > "$work/notes.txt"
printf 'set status ok\nif {$status > %s} {puts yes}\n' "$work/notes.txt" > "$work/typo.tcl"
expect "unknown name is not run" 1 "eval: Command or proc 'ok' was not found" -- "$bin" "$work/typo.tcl"
if [ "$(cat "$work/notes.txt")" = "keep me" ]; then echo "ok   file left alone"; else
  echo "FAIL the unknown command emptied a file"; failures=$((failures + 1)); fi
printf 'puts [echo from-a-program]\n' > "$work/prog.tcl"
expect "programs still run under autoexec" 0 "from-a-program" -- "$bin" "$work/prog.tcl"

# Deep nesting is an error with a message, never a crash.
python3 - "$work/deep.tcl" <<'PY'
import sys
n = 100000
open(sys.argv[1], "w").write("set a " + "[set b " * n + "1" + "]" * n + "\n")
PY
expect "brackets 100000 deep" 1 "eval: Brackets nested too deeply (more than 1000 levels)" -- "$bin" "$work/deep.tcl"

# A 10 MB script and a 1 MB word.
python3 - "$work/big.tcl" "$work/word.tcl" <<'PY'
import sys
with open(sys.argv[1], "w") as f:
    line = "set a {" + "x" * 90 + "}\n"
    f.write(line * (10 * 1024 * 1024 // len(line)))
    f.write("puts done\n")
open(sys.argv[2], "w").write("set w " + "y" * (1 << 20) + "\nputs ok\n")
PY
expect "10 MB script" 0 "done" -- "$bin" "$work/big.tcl"
expect "1 MB word" 0 "ok" -- "$bin" "$work/word.tcl"
printf 'set a {unterminated' > "$work/brace.tcl"
# A file whose preprocessing fails runs nothing and fails.
expect "unterminated brace at the end" 1 "Error: 1 too many { braces" -- "$bin" "$work/brace.tcl"

# at_exit runs after a failing file; a failing at_exit is a failure too.
printf 'proc at_exit {} {puts "at_exit ran"}\nset nosuch_var\n' > "$work/atexit_err.tcl"
printf 'proc at_exit {} {error "cleanup failed"}\nexit 0\n' > "$work/atexit_fail.tcl"
printf 'proc at_exit {} {puts cleanup}\nexit 5\n' > "$work/atexit_exit.tcl"
expect "at_exit after an error" 1 "at_exit ran" -- "$bin" "$work/atexit_err.tcl"
expect "failing at_exit" 1 "" -- "$bin" "$work/atexit_fail.tcl"
expect "at_exit keeps the exit value" 5 "cleanup" -- "$bin" "$work/atexit_exit.tcl"

# Ctrl+C stops a running script with "Interrupted".
printf 'puts started\nflush\nset i 0\nwhile {1} {incr i}\n' > "$work/forever.tcl"
"$bin" "$work/forever.tcl" > "$work/int.out" 2>&1 &
pid=$!
for _ in $(seq 100); do grep -q started "$work/int.out" 2>/dev/null && break; sleep 0.1; done
kill -INT "$pid"
wait "$pid"
code=$?
if [ "$code" = 1 ] && grep -q Interrupted "$work/int.out"; then
  echo "ok   interrupt"
else
  echo "FAIL interrupt: exit $code"; cat "$work/int.out"; failures=$((failures + 1))
fi

[ "$failures" = 0 ] || { echo "$failures failure(s)"; exit 1; }
