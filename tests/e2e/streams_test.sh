#!/usr/bin/env bash
# Standard input and output of the built interpreter: gets from a pipe and a
# file, output to a closed descriptor, a full disk and a pipe whose reader is
# gone, streams left open at exit, and the NUVEL_CONFIG configuration file.
set -u
NUVEL="$1"
DIR="$(mktemp -d)"
trap 'rm -rf "$DIR"' EXIT
FAILED=0
# shellcheck source=interrupt.sh
. "$(dirname "$0")/interrupt.sh"

check() {  # name expected actual
  if [ "$2" != "$3" ]; then
    printf 'FAIL %s\n--- expected:\n%s\n--- actual:\n%s\n' "$1" "$2" "$3"
    FAILED=1
  fi
}

# gets from standard input: CR LF line ends, an empty line, a last line
# without a line end, then the end of input.
cat > "$DIR/gets.tcl" <<'TCL'
puts "1:[gets stdin line]<$line>"
puts "2:[gets stdin line]<$line>"
puts "3:[gets - line]<$line>"
puts "4:[gets stdin]"
puts "5:[gets stdin line]<$line>"
puts "eof:[eof stdin]"
TCL
expected='1:3<abc>
2:3<def>
3:0<>
4:last
5:<>
eof:1'
check gets-pipe "$expected" "$(printf 'abc\r\ndef\n\nlast' | "$NUVEL" "$DIR/gets.tcl")"
printf 'abc\r\ndef\n\nlast' > "$DIR/in.txt"
check gets-file "$expected" "$("$NUVEL" "$DIR/gets.tcl" < "$DIR/in.txt")"

# A prompt written before reading appears before the program waits.
cat > "$DIR/prompt.tcl" <<'TCL'
puts -nonewline "name? "
set n [gets stdin name]
puts "hello $name"
TCL
check prompt "name? hello bob" "$(echo bob | "$NUVEL" "$DIR/prompt.tcl")"

# tell and rewind on standard input when it is a file.
cat > "$DIR/tell.tcl" <<'TCL'
gets stdin
puts [tell stdin]
puts [rewind stdin]
puts [gets stdin]
TCL
check stdin-rewind "$(printf '5\n1\nabc')" "$("$NUVEL" "$DIR/tell.tcl" < "$DIR/in.txt")"

# A closed standard output is reported to the script; it never crashes.
cat > "$DIR/closed.tcl" <<'TCL'
set r [catch {puts hello} m]
puts stderr "r=$r m=$m"
puts stderr "flush=[flush]"
TCL
out="$("$NUVEL" "$DIR/closed.tcl" 2>&1 >&-)"
check closed-stdout "r=1 m=Failed to open the console
flush=0" "$out"

# A full disk: the failure is reported and the exit code says so.
cat > "$DIR/full.tcl" <<'TCL'
puts hello
TCL
"$NUVEL" "$DIR/full.tcl" > /dev/full 2> "$DIR/full.err"
check full-code 1 "$?"
check full-message "SafeWriteFile: Console not open" "$(cat "$DIR/full.err")"

# A reader that goes away: the write fails with an error, not SIGPIPE.
head -c 300000 /dev/zero | tr '\0' x > "$DIR/big.txt"
cat > "$DIR/pipe.tcl" <<TCL
set f [open $DIR/big.txt]
set t [read \$f]
puts \$t
puts \$t
TCL
"$NUVEL" "$DIR/pipe.tcl" 2>/dev/null | head -c 5 > /dev/null
code=${PIPESTATUS[0]}
check broken-pipe 1 "$code"
# Long texts arrive whole, written in several pieces.
check long-text 600002 "$("$NUVEL" "$DIR/pipe.tcl" | wc -c | tr -d ' ')"

# Streams still open at exit are flushed and closed.
cat > "$DIR/open.tcl" <<TCL
set h [open $DIR/left.txt w]
puts \$h "left open"
puts -nonewline \$h "no line end"
TCL
"$NUVEL" "$DIR/open.tcl"
check open-at-exit "left open
no line end" "$(cat "$DIR/left.txt")"

# The configuration file named by NUVEL_CONFIG is read by reset only.
printf '[Config]\nAutoExec=0\nStackTrace=yes\n' > "$DIR/nuvel.ini"
cat > "$DIR/config.tcl" <<'TCL'
puts "start:[option autoexec][option stacktrace]"
option autoexec reset
option stacktrace reset
puts "reset:[option autoexec][option stacktrace]"
TCL
check config-env "start:ONOFF
reset:OFFON" "$(NUVEL_CONFIG="$DIR/nuvel.ini" "$NUVEL" "$DIR/config.tcl")"
check config-none "start:ONOFF
reset:ONOFF" "$(env -u NUVEL_CONFIG "$NUVEL" "$DIR/config.tcl")"
cat > "$DIR/tclconfig.tcl" <<'TCL'
puts $tcl_config
TCL
check config-var "$DIR/nuvel.ini" "$(NUVEL_CONFIG="$DIR/nuvel.ini" "$NUVEL" "$DIR/tclconfig.tcl")"

# Ctrl+C ends a gets that waits on an idle pipe: the run stops with
# "Interrupted" long before the pipe would close.
printf 'puts start\nflush stdout\ngets stdin line\nputs "after <$line>"\n' > "$DIR/waiting.tcl"
# The Ctrl+C (SIGINT) goes once the script has written "start", so a slow
# start (a sanitizer build on a busy machine) cannot take it before the
# interpreter is ready; a run that hangs anyway is killed after 30 seconds.
"$NUVEL" "$DIR/waiting.tcl" > "$DIR/waiting.out" 2>&1 < <(exec sleep 60 2>/dev/null) &
interrupt_when_written $! "$DIR/waiting.out" start 400
waited=$?
check gets-interrupted "1 start
Interrupted" "$waited $(tr -d '\n' < "$DIR/waiting.out" | sed 's/start/start\n/' | head -c 40)"

exit $FAILED
