#!/usr/bin/env bash
# The help file as an installed or built program finds it: in the current
# folder first, then beside the executable and in its ../doc and
# ../share/nuvel folders; through a pipe a topic is printed without pager
# prompts; "command /?" shows the command's topic.
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

printf 'help puts\n' > "$DIR/help.tcl"
printf 'puts /?\n' > "$DIR/slash.tcl"
printf 'find zebra\n' > "$DIR/find.tcl"

# A small help file of its own.
cat > "$DIR/topics.man" <<'MAN'
.puts
puts from the local file
..code
puts hi
..end
..link
never shown
..end
..end
.zebra
A zebra line.
..end
.horse
zebra again
zebra once more
..end
MAN

# From a folder without a help file, the built program finds the copy beside
# it (the build puts doc/nuvel.man next to nuvel_embed).
out="$(cd "$DIR" && "$NUVEL" help.tcl)"
check beside-exe "puts ?-nonewline? ?stream? text" "$(printf '%s\n' "$out" | head -1 | sed 's/ *$//')"
case "$out" in *"-- More"*|*"-- End"*) check no-prompts "" "pager prompt in piped output";; esac
out="$(cd "$DIR" && "$NUVEL" slash.tcl | head -1 | sed 's/ *$//')"
check slash "puts ?-nonewline? ?stream? text" "$out"

# A file in the current folder comes first.
mkdir -p "$DIR/here"
cp "$DIR/topics.man" "$DIR/here/nuvel.man"
out="$(cd "$DIR/here" && "$NUVEL" ../help.tcl)"
check current-folder "puts from the local file                                                       
puts hi" "$out"

# find lists each topic once, sorted, and counts them.
out="$(cd "$DIR/here" && "$NUVEL" ../find.tcl)"
expected=" Help topics containing keyword 'zebra'                                        

Topic                     Text

horse                     zebra again                                           
zebra                     A zebra line.                                         

Found 2 topic(s)"
check find "$expected" "$out"

# An installed layout: bin/nuvel_embed with share/nuvel/nuvel.man.
mkdir -p "$DIR/inst/bin" "$DIR/inst/share/nuvel" "$DIR/empty"
cp "$NUVEL" "$DIR/inst/bin/nuvel_embed"
cp "$DIR/topics.man" "$DIR/inst/share/nuvel/nuvel.man"
out="$(cd "$DIR/empty" && "$DIR/inst/bin/nuvel_embed" ../help.tcl | head -1 | sed 's/ *$//')"
check installed "puts from the local file" "$out"

# No help file anywhere.
rm "$DIR/inst/share/nuvel/nuvel.man"
out="$(cd "$DIR/empty" && "$DIR/inst/bin/nuvel_embed" ../help.tcl)"
check missing "Help file 'nuvel.man' not found" "$out"

exit $FAILED
