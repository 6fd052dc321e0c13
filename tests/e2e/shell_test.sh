#!/usr/bin/env bash
# End-to-end checks of everything that reads standard input through a pipe:
# the interactive shell (cli, interp), the single-step prompt and the key and
# line commands. Keys are bytes from the pipe; end of input reads as Esc.
# Usage: shell_test.sh NUVEL_EMBED
set -u
bin="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
user=$(id -un 2>/dev/null || echo "")
export HOME="$work"

# check NAME WANT_CODE WANT_OUTPUT INPUT SCRIPT: runs SCRIPT with INPUT on
# standard input; the output must equal WANT_OUTPUT exactly once every shell
# prompt ("user@ count> ") is removed.
check() {
  local name="$1" want_code="$2" want_out="$3" input="$4" script="$5"
  printf '%s' "$script" > "$work/script.tcl"
  local out code
  out=$(printf '%b' "$input" | "$bin" "$work/script.tcl" 2>&1; echo "rc=$?")
  code="${out##*rc=}"
  out="${out%rc=*}"
  out=$(printf '%s' "$out" | sed -E "s/$user@ [0-9]+> //g")
  if [ "$code" != "$want_code" ]; then
    echo "FAIL $name: exit code $code, expected $want_code"; printf '%s\n' "$out" | head -30
    failures=$((failures + 1))
  elif [ "$out" != "$want_out" ]; then
    echo "FAIL $name: output differs"
    diff <(printf '%s\n' "$want_out") <(printf '%s\n' "$out") | head -30
    failures=$((failures + 1))
  else
    echo "ok   $name"
  fi
}

# --- The shell ---------------------------------------------------------------

check "shell: code lines, empty line, errors, end of input" 0 \
'[0:ok]
6
[0:ok]
[0:ok]
eval: Command or proc '"'"'nosuch_zz'"'"' was not found (autoexec is OFF)

[1:error]
[1:error]
fgets returned NULL in CLI
cli gave 0' \
'set x 5\nputs [+ $x 1]\n\nnosuch_zz\n\n' \
'autoexec off
puts "cli gave [catch cli]"
'

check "shell: exit with a value ends it and cli fails" 0 \
'[0:ok]
cli gave 1, after' \
'set y 1\nexit 3\nputs never\n' \
'puts "cli gave [catch cli], after"
'

check "shell: exit alone keeps the value of the last result" 0 \
'[0:ok]
[0:ok]
cli gave 1' \
'set a 7\nset b {}\nexit\n' \
'puts "cli gave [catch cli]"
'

check "shell: exit after a zero result" 0 \
'[0:ok]
cli gave 0' \
'set a 0\nexit\n' \
'puts "cli gave [catch cli]"
'

check "shell: the preprocessor converts radix literals" 0 \
'[0:ok]
16
[0:ok]
cli gave 1' \
'set h 0x10\nputs $h\nexit\n' \
'puts "cli gave [catch cli]"
'

check "shell: escapes off with autoexec on, and the note" 0 \
'Note: Backslash escapes are disabled in the CLI with autoexec ON + escape OFF
a\\tb
[0:ok]
escape after: ON' \
'puts "a\\\\tb"\nexit\n' \
'cli
puts "escape after: [option escape]"
'

check "shell: echo prints results, the code line shows the code name" 0 \
'42
[0:ok]
[3:break]
[6:stop]
[4:continue]
0
[0:ok]' \
'set v 42\nbreak\nstop\ncontinue\nset v 0\nexit\n' \
'option echo on
cli
'

check "shell: each line starts with errorCode 0" 0 \
'[1:error]
0
[0:ok]' \
'error x\nputs $errorCode\nexit\n' \
'cli
'

check "shell: variables persist across lines and after cli" 0 \
'[0:ok]
[0:ok]
kept 9' \
'set kept 9\nset zero 0\nexit\n' \
'cli
puts "kept $kept"
'

check "shell: cli -tty does nothing from a pipe" 0 \
'after' \
'set never 1\n' \
'cli -tty
puts after
'

check "interp: the shell in a fresh interpreter" 0 \
'[0:ok]
0
[0:ok]
outer 10' \
'set inner 0\nputs [info exists outer]\nexit\n' \
'set outer 1
interp
puts "outer [info exists outer][info exists inner]"
'

# --- The single-step prompt -------------------------------------------------------

step_script='option breakpoint on
set a 1
halt
set b 2
set c 3
puts "done $b $c"
'
prompt_line() { printf '(%s): Next [%s]  Info Next Trace Resume Vars Watch%s Quit ' "$1" "$2" "$3"; }

check "step: n and space run the next commands" 0 \
"$(prompt_line 5 set '(OFF)')
$(prompt_line 6 set '(OFF)')
$(prompt_line 7 puts '(OFF)')
done 2 3" \
'n n' "$step_script"

check "step: r resumes" 0 \
"$(prompt_line 5 set '(OFF)')
done 2 3" \
'r' "$step_script"

check "step: q stops the evaluation" 1 \
"$(prompt_line 5 set '(OFF)')" \
'q' "$step_script"

check "step: Esc stops the evaluation" 1 \
"$(prompt_line 5 set '(OFF)')" \
'\033' "$step_script"

check "step: end of input reads as Esc" 1 \
"$(prompt_line 5 set '(OFF)')" \
'' "$step_script"

check "step: Ctrl+C stops the evaluation" 1 \
"$(prompt_line 5 set '(OFF)')" \
'\003' "$step_script"

check "step: other keys prompt again; capitals work" 0 \
"$(prompt_line 5 set '(OFF)')
$(prompt_line 5 set '(OFF)')
$(prompt_line 5 set '(OFF)')
done 2 3" \
'xzR' "$step_script"

check "step: i shows the call history and prompts again" 0 \
"$(prompt_line 5 set '(OFF)')
Breakpoint stack:

   At: set {b} {2}

$(prompt_line 5 set '(OFF)')
done 2 3" \
'ir' "$step_script"

check "step: t shows the call history and runs the command" 0 \
"$(prompt_line 5 set '(OFF)')
Breakpoint stack:

   At: set {b} {2}

$(prompt_line 6 set '(OFF)')
done 2 3" \
'tr' "$step_script"

check "step: w toggles the watch list" 0 \
"$(prompt_line 8 set '(OFF)')
Watch: 'a'->'1'
Watch: 'b' is out of scope 
$(prompt_line 8 set '(ON) ')
$(prompt_line 8 set '(OFF)')
done" \
'wwr' 'option breakpoint on
set a 1
watch add a
watch add b
watch off
halt
set b 2
puts done
'

check "step: long watched values are cut" 1 \
"Watch: 'long'->'$(printf 'x%.0s' {1..34})'...
Watch: 'short'->'$(printf 'y%.0s' {1..38})'
$(prompt_line 10 set '(ON) ')
$(prompt_line 10 set '(OFF)')" \
'wq' 'option breakpoint on
set long [string repeat x 50]
set short [string repeat y 38]
watch add long
watch add short
halt
set x 1
'

check "step: v lists the variables and prompts again" 0 \
"$(prompt_line 4 set '(OFF)')

Defined variables at level 0
---------------------------------------------------------------------------
integer   tcl_cgi              0                                               
integer   autoexec_ran         0                                               
$(prompt_line 5 set '(OFF)')" \
'vr' 'option breakpoint on
halt
set a 1
'

check "step: resume ends single-step from the script" 0 \
"$(prompt_line 4 set '(OFF)')
$(prompt_line 5 resume '(OFF)')
end" \
'nn' 'option breakpoint on
halt
set a 1
resume
set b 2
puts end
'

check "step: halt does nothing with breakpoints off" 0 'end' '' 'halt
set a 1
puts end
'

check "step: a quit stop travels out of procedures" 0 \
"$(prompt_line 7 set '(OFF)')
caught 6" \
'q' 'option breakpoint on
proc p {} {halt; set inside 1; return ok}
puts "caught [catch p]"
'

check "step: trace lines pair up around a quit" 0 \
"Exec 7 (3)> 'set x 1'
$(prompt_line 8 set '(OFF)')
Exec 9 (1)> 'set y 2'
$(prompt_line 10 set '(OFF)')
Retn 9 (1)> 'set' -> '2'" \
'qn' 'option breakpoint on
trace add set
proc p {} {halt; set x 1}
catch p
halt
set y 2
'

# --- Keys and lines from a pipe ------------------------------------------------------

check "keys: getkey, -char, Enter from a line feed, end of input" 0 \
'97 b 13 27' \
'ab\n' \
'puts "[getkey] [getkey -char] [getkey] [getkey]"
'

check "keys: arrow and page sequences are decoded" 0 \
'328 336 331 333 329 337 327 335' \
'\033[A\033[B\033[D\033[C\033[5~\033[6~\033[H\033[F' \
'set r {}; loop i 0 8 {lappend r [getkey]}; puts $r
'

check "keys: inkey gives a waiting key, and nothing at the end" 0 \
'97 x {}' \
'ax' \
'set k [getkey]; set a [inkey -char]; set b [inkey]; puts [list $k $a $b]
'

check "keys: waitkey skips keys outside its list" 0 \
'89 27' \
'abY' \
'puts "[waitkey 0 {y 110}] [waitkey]"
'

check "keys: waitkey with a time limit" 0 \
'113' \
'q' \
'puts [waitkey 5000]
'

check "keys: pause prints its text and a line end" 0 \
'Press any key to continue . . . 
32
Go? 
27

-' \
' ' \
'puts [pause]
puts [pause "Go? "]
pause -
puts -
'

check "lines: input with a variable, a default and a prompt" 0 \
'Name? 5 alice
nobody
{} {}' \
'alice\n\n' \
'set n [input who -prompt "Name? "]
puts "$n $who"
puts [input -default nobody]
set e [input gone]
puts [list $e $gone]
'

check "lines: input -noecho from a pipe" 0 \
'secret' \
'secret\n' \
'puts [input -noecho]
'

check "lines: input_csv from standard input" 0 \
'Row: 3 {a b} c d
-1' \
'  a b , c,"d"\n' \
'set n [input_csv -prompt "Row: " x y z]
puts "$n [list $x] $y $z"
puts [input_csv x]
'

# --- The embedded demo from a pipe runs through and exits -----------------------------

out=$(printf 'puts never\n' | "$bin" 2>&1; echo "rc=$?")
if [[ "$out" == *"rc=0" && "$out" != *"never"* && "$out" == *"Goodbye from at_exit."* ]]; then
  echo "ok   demo from a pipe does not enter the shell"
else
  echo "FAIL demo from a pipe"; printf '%s\n' "$out" | tail -5
  failures=$((failures + 1))
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "all passed"
