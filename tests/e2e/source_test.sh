#!/usr/bin/env bash
# End-to-end checks of script files: the preprocessor on files given on the
# command line and run by source, argument handling, failures and exit codes.
# Usage: source_test.sh NUVEL_EMBED TEST_APP BAD_APP
set -u
bin="$1"
bad_app="$3"
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
  last_out="$out"
}
# refuse NAME TEXT: the last output must not contain TEXT.
refuse() {
  if [[ "$last_out" == *"$2"* ]]; then
    echo "FAIL $1: output contains '$2'"; failures=$((failures + 1))
  else
    echo "ok   $1"
  fi
}

cat > "$work/macros.tcl" <<'TCL'
#!/usr/bin/env nuvel_embed
/* Preprocessed on its way in. */
#define GREETING "hello there"
#define COUNT 3
#ifdef COUNT
set n [+ COUNT 0]
puts "count=$n"
#else
puts "no count"
#endif
set xTrue kept
set t [== True 1]
puts "xTrue=$xTrue True=$t"
puts [list GREETING]
set l #__LINE__
puts "line=$l"
set f #__FILE__
puts "file=$f"
TCL
expect "macros and conditionals" 0 "count=3
xTrue=kept True=1
hello there
line=15
file=$work/macros.tcl" -- "$bin" "$work/macros.tcl"

# The caller's arguments come back after a nested source.
cat > "$work/outer.tcl" <<'TCL'
source [set argv(0)]_inner a b
puts "outer: $argc $argv(0) inner: $inner"
TCL
cp "$work/outer.tcl" "$work/outer.tcl_inner"
printf 'set inner "$argc $argv(1) $argv(2)"\n' > "$work/outer.tcl_inner"
expect "arguments restored" 0 "outer: 1 $work/outer.tcl inner: 3 a b" -- "$bin" "$work/outer.tcl"
printf 'set inner 1\nerror failing\n' > "$work/err.tcl_inner"
printf 'catch {source [set argv(0)]_inner z}\nputs "after error: $argc $argv(0)"\n' > "$work/err.tcl"
expect "arguments restored after an error" 0 "after error: 1 $work/err.tcl" -- "$bin" "$work/err.tcl"

# A file whose preprocessing fails runs nothing and gives 1.
printf 'puts "first ran"\nproc f {} {\n  puts x\n' > "$work/brace.tcl"
expect "missing brace" 1 "Error: 1 too many { braces
Error: Open brace started at line 2, last closing brace at 2" -- "$bin" "$work/brace.tcl"
refuse "missing brace runs nothing" "first ran"
printf 'puts "first ran"\n#define S "open\nputs S\n' > "$work/quote.tcl"
expect "quote mismatch" 1 "Error: Quote mismatch near line 2 (Count:3)" -- "$bin" "$work/quote.tcl"
refuse "quote mismatch runs nothing" "first ran"
printf 'puts "first ran"\n#ifdef A\n' > "$work/ifdef.tcl"
expect "missing endif" 1 "Error: #if(def) without matching #endif, or nested #if(def) near line: 2" -- "$bin" "$work/ifdef.tcl"
refuse "missing endif runs nothing" "first ran"
printf 'puts "one ran"\n' > "$work/one.tcl"
expect "a failing second file" 1 "one ran" -- "$bin" "$work/one.tcl" "$work/brace.tcl"
refuse "a failing second file runs nothing of it" "first ran"

# #exit ends the file with success; what came before runs.
printf 'puts before\n#exit now\nputs after\n{{{\n' > "$work/exit.tcl"
expect "#exit" 0 "before" -- "$bin" "$work/exit.tcl"
refuse "#exit drops the rest" "after"

# #echo prints while preprocessing; #if and #exec use a private interpreter.
printf 'puts run\n#echo preprocessing now\n#exec set ::p 1\n#if [info_nosuch]\n#endif\n' > "$work/ifbad.tcl"
expect "failing #if" 1 "Error: Error in #if or #exec macro expression 'info_nosuch'
Preprocessor error near line 4" -- "$bin" "$work/ifbad.tcl"
[[ "$last_out" == "preprocessing now"* ]] || { echo "FAIL #echo comes first"; failures=$((failures + 1)); }
refuse "failing #if runs nothing" "run"

# A file that sources itself through #exec ends with an error, not a crash.
printf '#exec source %s\nputs hi\n' "$work/self.tcl" > "$work/self.tcl"
expect "self-sourcing through #exec" 1 "Error: Error in #if or #exec macro expression 'source $work/self.tcl'" -- "$bin" "$work/self.tcl"

# Literals with base prefixes are decimal by the time the script runs.
printf 'puts [+ 0x10 0b11]\n' > "$work/hex.tcl"
expect "numeric literals" 0 "19" -- "$bin" "$work/hex.tcl"

# The embedded script follows the same rule.
expect "embedded script failing preprocessing" 1 "Error: 1 too many { braces" -- "$bad_app"
refuse "embedded script runs nothing" "embedded bad app ran"

# Hostile inputs: 1,000 open braces, a 1 MB script preprocessed in well under a second.
python3 - "$work/braces.tcl" "$work/big.tcl" <<'PY'
import sys
open(sys.argv[1], "w").write("set a " + "{" * 1000 + "\n")
with open(sys.argv[2], "w") as f:
    f.write("#define LIMIT 10\n")
    block = ("# a comment line that the preprocessor drops\n"
             "/* a block comment */ set a [+ LIMIT 1]\n"
             "set b \"text with True and \\t escapes\"\n"
             "set c [expr {$a*2+1}]\n")
    f.write(block * (1024 * 1024 // len(block)))
    f.write("puts done\n")
PY
expect "1,000 open braces" 1 "Error: 1000 too many { braces" -- "$bin" "$work/braces.tcl"
start=$(date +%s%N)
expect "1 MB script" 0 "done" -- "$bin" "$work/big.tcl"
elapsed=$(( ($(date +%s%N) - start) / 1000000 ))
echo "     1 MB script preprocessed and run in ${elapsed} ms"

[ "$failures" = 0 ] || { echo "$failures failure(s)"; exit 1; }
