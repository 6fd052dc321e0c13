#!/usr/bin/env bash
# Child processes of the built interpreter: the order of the interpreter's
# and the children's output on one pipe, and Ctrl+C while a child runs.
set -u
NUVEL="$1"
DIR="$(mktemp -d)"
trap 'rm -rf "$DIR"' EXIT
FAILED=0

check() {  # name expected actual
  if [ "$2" != "$3" ]; then
    printf 'FAIL %s\n--- expected:\n%s\n--- actual:\n%s\n' "$1" "$2" "$3"
    FAILED=1
  fi
}

# What the script printed before a child started comes before the child's
# output, even when standard output is a pipe.
cat > "$DIR/order.tcl" <<'TCL'
puts a
exec echo b
puts -nonewline c
exec echo d
spawn v -echo /bin/echo e
puts f
set s [pipe {echo g}]
puts $s
TCL
check order "$(printf 'a\nb\ncd\ne\nf\ng')" "$("$NUVEL" "$DIR/order.tcl")"

# Ctrl+C reaches the whole process group (setsid gives the interpreter its
# own). A child that ends by it stops the script; the interpreter survives.
cat > "$DIR/int_killed.tcl" <<'TCL'
puts before
exec kill -INT 0
puts after
TCL
out="$(setsid -w "$NUVEL" "$DIR/int_killed.tcl" 2>&1)"
rc=$?
check int-killed-output "$(printf 'before\nInterrupted')" "$out"
check int-killed-survives 1 "$rc"

# A child that handles Ctrl+C and ends normally: the script goes on.
cat > "$DIR/int_handled.tcl" <<'TCL'
puts before
set r [exec {trap "" INT; kill -INT 0; exit 4}]
puts "after $r"
TCL
out="$(setsid -w "$NUVEL" "$DIR/int_handled.tcl" 2>&1)"
rc=$?
check int-handled-output "$(printf 'before\nafter 4')" "$out"
check int-handled-code 0 "$rc"

# The same through spawn: the captured child ends by Ctrl+C, the script stops.
cat > "$DIR/int_spawn.tcl" <<'TCL'
spawn v /bin/sh -c {echo partial; kill -INT 0; sleep 5}
puts "after [string length $v]"
TCL
out="$(setsid -w "$NUVEL" "$DIR/int_spawn.tcl" 2>&1)"
check int-spawn "Interrupted" "$out"

# exec of a lone shell name prints how to come back, the first time only;
# shell prints it every time it starts without words.
cat > "$DIR/notice.tcl" <<'TCL'
puts [exec sh]
puts [exec sh]
puts [shell]
puts [shell echo inside]
TCL
expected='Type EXIT to exit the shell and return to Nuvel

0
0
Type EXIT to exit the shell and return to Nuvel

0
inside
0'
check shell-notice "$expected" "$("$NUVEL" "$DIR/notice.tcl" < /dev/null 2>/dev/null)"

# The interactive shell reads the interpreter's standard input.
cat > "$DIR/shell.tcl" <<'TCL'
set r [shell]
puts "back $r"
TCL
expected='Type EXIT to exit the shell and return to Nuvel

typed
back 0'
check shell-input "$expected" "$(printf 'echo typed\nexit\n' | "$NUVEL" "$DIR/shell.tcl" 2>/dev/null)"

exit $FAILED
