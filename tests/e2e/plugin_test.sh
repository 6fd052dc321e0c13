#!/usr/bin/env bash
# End-to-end checks of plug-in libraries with the built program: the /DEBUG
# report and the sample nuvel_crc loaded from the lib folder beside
# nuvel_embed. Usage: plugin_test.sh NUVEL_EMBED
set -u
bin="$1"
libdir="$(cd "$(dirname "$bin")" && pwd)/lib"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

check() {
  local name="$1" want_code="$2" got_code="$3" want_out="$4" out="$5"
  if [ "$got_code" != "$want_code" ]; then
    echo "FAIL $name: exit code $got_code, expected $want_code"; echo "$out" | head -20
    failures=$((failures + 1))
  elif [ "$out" != "$want_out" ]; then
    echo "FAIL $name: output differs"; diff <(echo "$want_out") <(echo "$out") | head -20
    failures=$((failures + 1))
  else
    echo "ok   $name"
  fi
}

out=$("$bin" /DEBUG </dev/null 2>&1)
check "/DEBUG reports the library folder and its plug-ins" 0 $? \
  "Library folder: $libdir
Plug-ins found:
  nuvel_crc.so             v1.00 2026/Dec/08  CRC-32 of files (file crc)
Loaded: none" "$out"

out=$("$bin" /debug </dev/null 2>&1)
check "/debug in lower case is the same switch" 0 $? "Library folder: $libdir" "$(echo "$out" | head -1)"

printf '123456789' > "$work/check.txt"
cat > "$work/crc.tcl" <<SCRIPT
puts [lib nuvel_crc]
puts [file crc $work/check.txt]
puts [lib -unload nuvel_crc]
puts [catch {file crc $work/check.txt}]
SCRIPT
out=$("$bin" "$work/crc.tcl" </dev/null 2>&1)
check "lib nuvel_crc then file crc" 0 $? "1
cbf43926
1
file crc: lib nuvel_crc is not loaded

1" "$out"

[ "$failures" -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
