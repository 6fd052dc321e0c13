#!/usr/bin/env bash
# End-to-end checks at a real terminal (a tmux pane): the shell's line editor
# (Ctrl+A/Ctrl+E, history, Ctrl+C abandoning a line, the history file), the
# single-step prompt reading keys in raw mode, and the terminal settings put
# back afterwards, also when SIGTERM ends the process.
# Usage: terminal_test.sh NUVEL_EMBED
set -u
bin="$1"
if ! command -v tmux >/dev/null 2>&1; then
  echo "SKIP: tmux is not installed (make deps installs it); the terminal paths are untested"
  exit 0
fi
work=$(mktemp -d)
sock="nuvel_test_$$"
tm() { tmux -L "$sock" -f /dev/null "$@"; }
trap 'tm kill-server >/dev/null 2>&1; rm -rf "$work"' EXIT
failures=0

# The pane runs the program between two readings of the terminal settings.
cat > "$work/wrap.sh" <<'SH'
#!/usr/bin/env bash
tag="$1"; shift
before=$(stty -g)
"$@"
echo "$?" > "$WORK/$tag.rc"
after=$(stty -g)
if [ "$before" = "$after" ]; then echo same > "$WORK/$tag.stty"; else echo differ > "$WORK/$tag.stty"; fi
echo "PANE-DONE"
sleep 600
SH
chmod +x "$work/wrap.sh"

start() {  # start TAG SCRIPT_FILE: a fresh window running the program
  tm new-window -d -n "$1" -e "WORK=$work" -e "HOME=$work" -e "TERM=xterm" \
    "$work/wrap.sh $1 $bin $2"
}
screen() { tm capture-pane -p -t "$1"; }
# wait_for TAG TEXT: waits (up to 20 s, so a fault cannot hang the suite)
# until TEXT is on the screen.
wait_for() {
  local i
  for i in $(seq 1 200); do
    if screen "$1" | grep -qF -- "$2"; then return 0; fi
    sleep 0.1
  done
  return 1
}
# wait_count TAG REGEX N: waits until N lines of the screen match REGEX.
wait_count() {
  local i
  for i in $(seq 1 200); do
    if [ "$(screen "$1" | grep -c -- "$2")" -ge "$3" ]; then return 0; fi
    sleep 0.1
  done
  return 1
}
ok() { echo "ok   $1"; }
fail() {
  echo "FAIL $1"; screen "$2" | sed -e 's/^/  | /' | grep -v '^  | $' | tail -25
  failures=$((failures + 1))
}
expect_screen() {  # expect_screen NAME TAG TEXT
  if wait_for "$2" "$3"; then ok "$1"; else fail "$1: '$3' not on the screen" "$2"; fi
}
refuse_screen() {  # refuse_screen NAME TAG TEXT
  if screen "$2" | grep -qF -- "$3"; then fail "$1: '$3' on the screen" "$2"; else ok "$1"; fi
}
expect_restored() {  # expect_restored NAME TAG WANT_RC
  if ! wait_for "$2" "PANE-DONE"; then fail "$1: the program did not end" "$2"; return; fi
  local rc stty
  rc=$(cat "$work/$2.rc" 2>/dev/null)
  stty=$(cat "$work/$2.stty" 2>/dev/null)
  if [ "$rc" != "$3" ]; then
    fail "$1: exit code $rc, expected $3" "$2"
  elif [ "$stty" != "same" ]; then
    fail "$1: terminal settings not restored" "$2"
  else
    ok "$1"
  fi
}

tm new-session -d -s main -x 120 -y 40 "sleep 600"

# --- The shell's line editor ------------------------------------------------------
printf 'autoexec off\nputs "cli gave [catch cli]"\n' > "$work/shell.tcl"
start shell "$work/shell.tcl"
expect_screen "shell: prompt at a terminal" shell "@ "
tm send-keys -t shell 'set x 5' Enter
expect_screen "shell: a line runs" shell "[0:ok]"
# Ctrl+A goes to the start of the line, Ctrl+E back to its end.
tm send-keys -t shell 'uts edite' C-a 'p' C-e 'd' Enter
expect_screen "shell: Ctrl+A and Ctrl+E edit the line" shell "edited"
tm send-keys -t shell 'uts home_end' Home 'p' End '_ok' Enter
expect_screen "shell: Home and End move along the line" shell "home_end_ok"
tm send-keys -t shell 'puts [+ $x 1]' Left Left '4' Enter
expect_screen "shell: cursor keys edit the line" shell "46"
tm send-keys -t shell Up Enter
if wait_count shell '^46$' 2; then
  ok "shell: Up recalls the previous line"
else
  fail "shell: Up recalls the previous line" shell
fi
tm send-keys -t shell 'puts abandoned_line' C-c
sleep 0.3
tm send-keys -t shell 'puts after_interrupt' Enter
expect_screen "shell: the line after Ctrl+C runs" shell "after_interrupt"
if screen shell | grep -q '^abandoned_line$'; then
  fail "shell: Ctrl+C abandons the line" shell
else
  ok "shell: Ctrl+C abandons the line"
fi
# The last non-empty result was 5 (set x 5), so cli reports a failure.
tm send-keys -t shell 'exit' Enter
expect_screen "shell: exit leaves the shell" shell "cli gave 1"
expect_restored "shell: terminal restored after the shell" shell 0
if grep -q 'edited' "$work/.nuvel_history" 2>/dev/null; then
  ok "shell: lines saved in ~/.nuvel_history"
else
  echo "  history file: $(cat "$work/.nuvel_history" 2>&1 | head -5)"
  failures=$((failures + 1)); echo "FAIL shell: lines saved in ~/.nuvel_history"
fi

# History from the file is there in the next session; Ctrl+D ends input.
start shell2 "$work/shell.tcl"
expect_screen "shell: second session starts" shell2 "@ "
tm send-keys -t shell2 Up
expect_screen "shell: history read from the file" shell2 "exit"
tm send-keys -t shell2 C-u C-d
expect_screen "shell: Ctrl+D ends input" shell2 "fgets returned NULL in CLI"
expect_restored "shell: terminal restored after end of input" shell2 0

# --- The single-step prompt in raw mode ----------------------------------------------------
cat > "$work/step.tcl" <<'TCL'
option breakpoint on
set a 1
watch add a
halt
set b 2
set c 3
puts "steps done"
TCL
start step "$work/step.tcl"
expect_screen "step: prompt shown" step "Info Next Trace Resume Vars Watch(ON)  Quit"
expect_screen "step: watch line shown" step "Watch: 'a'->'1'"
tm send-keys -t step 'n'
expect_screen "step: a key without Enter runs the command" step "Next [set]"
tm send-keys -t step 'w'
expect_screen "step: w switches the watch display" step "Watch(OFF) Quit"
tm send-keys -t step 'r'
expect_screen "step: r resumes" step "steps done"
refuse_screen "step: keys are not echoed" step "wr"
expect_restored "step: terminal restored after single-step" step 0

start stepq "$work/step.tcl"
expect_screen "step: prompt for quitting" stepq "Quit"
tm send-keys -t stepq C-c
expect_restored "step: Ctrl+C quits with the terminal restored" stepq 1
refuse_screen "step: nothing runs after the quit" stepq "steps done"

# --- SIGTERM while raw mode or the line editor holds the terminal ---------------------------------
printf 'puts "pid=[pid]"\nputs [getkey]\n' > "$work/key.tcl"
start key "$work/key.tcl"
if wait_for key "pid="; then
  sleep 0.3
  kill -TERM "$(screen key | sed -n 's/^pid=\([0-9]*\).*/\1/p' | head -1)"
  expect_restored "SIGTERM during getkey restores the terminal" key 143
else
  fail "getkey script did not start" key
fi

printf 'puts "pid=[pid]"\ncli\n' > "$work/cli.tcl"
start cli "$work/cli.tcl"
if wait_for cli "pid=" && wait_for cli "@ "; then
  tm send-keys -t cli 'puts half'
  wait_for cli "puts half"
  kill -TERM "$(screen cli | sed -n 's/^pid=\([0-9]*\).*/\1/p' | head -1)"
  expect_restored "SIGTERM in the line editor restores the terminal" cli 143
else
  fail "cli script did not start" cli
fi

# --- The embedded demo ends in the shell at a terminal ---------------------------------------
start demo ""
expect_screen "demo: ends in the shell at a terminal" demo "@ "
tm send-keys -t demo 'exit' Enter
expect_screen "demo: exit leaves the shell" demo "Goodbye from at_exit."
expect_restored "demo: terminal restored" demo 0

if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "all passed"
