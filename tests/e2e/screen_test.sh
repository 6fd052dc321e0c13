#!/usr/bin/env bash
# The screen commands at a real terminal (a tmux pane whose text is compared
# after the script drew on it), window size changes, the terminal restored
# after SIGTERM and Ctrl+C, plain text on pipes and with NO_COLOR, dialogs
# answered through a pipe, and sound and clipboard through stand-in tools.
set -u
NUVEL="$1"
DIR="$(mktemp -d)"
# Each pane gets a tmux server of its own (a new server on a socket just
# left by the old one can lose the race with its shutdown).
SOCKET_BASE="nuvel_screen_test_$$"
PANE=0
SOCKET="${SOCKET_BASE}_0"
cleanup() {
  command -v tmux >/dev/null 2>&1 && tmux -L "$SOCKET" kill-server 2>/dev/null
  rm -rf "$DIR"
}
trap cleanup EXIT
FAILED=0

check() {  # name expected actual
  if [ "$2" != "$3" ]; then
    printf 'FAIL %s\n--- expected:\n%s\n--- actual:\n%s\n' "$1" "$2" "$3"
    FAILED=1
  fi
}

# Waits (up to about 10 s) until a file exists.
wait_for() {
  for _ in $(seq 1 200); do
    [ -e "$1" ] && return 0
    sleep 0.05
  done
  return 1
}

# --- Pipes and NO_COLOR: nothing but text ------------------------------------------
cat > "$DIR/ui.tcl" <<'TCL'
cls
textcolor yellow blue
box 3 2 8 3
gotoxy 5 3
puts -nonewline "Menu"
textcolor
newline
puts -nonewline "xyz"
gotoxy 2 4
clreol
newline
console set_title "Title"
console hidecursor
console showcursor
beep
puts "[screen read 3 2 8]|[screen read 3 3 8]|[string trim [screen read 1 4]]"
TCL
expected='╔══════╗
║      ║
╚══════╝
Menu
xyz
╔══════╗|║ Menu ║|x'
out="$("$NUVEL" "$DIR/ui.tcl")"
check pipe-text "$expected" "$out"
check pipe-no-escapes 0 "$(printf '%s' "$out" | tr -cd '\033\007' | wc -c)"

# --- Dialogs answered through a pipe ------------------------------------------------
mkdir "$DIR/work" "$DIR/work/sub"
touch "$DIR/work/notes.txt"
cat > "$DIR/dialogs.tcl" <<'TCL'
puts "a=[msgbox "Save changes?" Editor yesnocancel question]"
puts "b=[msgbox "Done" "" ok]"
puts "c=[msgbox "Again?" "" retrycancel]"
puts "d=[inputbox Name Who guest]"
puts "e=[inputbox Name Who guest]"
puts "f=[get_fileopen Open "" $argv(1)]"
puts "g=[get_filesave Save "Text|*.txt" $argv(1)]"
puts "h=[get_folder Pick $argv(1)]"
puts "i=[msgbox "Quit?" "" yesno]"
puts "j=[inputbox Last]"
TCL
answers='n\n\n\x1b\nalice\nnone.txt\nnotes.txt\nnotes\nn\nnew\nsub\nn'
expected="Editor
Question: Save changes?
[Y]es [N]o [C]ancel? No
a=7
Done
[O]K? OK
b=1
Again?
[R]etry [C]ancel? Cancel
c=2
Who
Name [guest]: d=guest
Who
Name [guest]: e=alice
Open
File name: File not found
File name: f=$DIR/work/notes.txt
Save
File name: Overwrite? (y/n) n
File name: g=$DIR/work/new.txt
Pick
Folder: h=$DIR/work/sub
Quit?
[Y]es [N]o? No
i=7
Last: 
j="
check dialogs-pipe "$expected" "$(printf "$answers" | "$NUVEL" "$DIR/dialogs.tcl" -- "$DIR/work")"

# --- Sound and clipboard through stand-in tools ---------------------------------------
mkdir "$DIR/bin"
cat > "$DIR/bin/aplay" <<SH
#!/bin/sh
echo "play \$*" >> "$DIR/played"
[ -n "\${FAKE_PLAYER_HANGS:-}" ] && while :; do sleep 1; done
exit 0
SH
cat > "$DIR/bin/xclip" <<SH
#!/bin/sh
echo "xclip \$*" >> "$DIR/clip.log"
[ -n "\${FAKE_CLIP_HANGS:-}" ] && while :; do sleep 1; done
case "\$*" in
  *-o*) cat "$DIR/clip" 2>/dev/null || exit 1 ;;
  *-i*) cat > "$DIR/clip" ;;
esac
SH
chmod +x "$DIR/bin/aplay" "$DIR/bin/xclip"
touch "$DIR/sound.wav"
cat > "$DIR/desktop.tcl" <<'TCL'
set wav $argv(1)
puts "play=[play_wav $wav]"
set env_hang [setenv FAKE_PLAYER_HANGS 1]
puts "async=[play_wav $wav -async]"
after 100
puts "stop=[stop_wav] [stop_wav]"
puts "has=[clipboard has]"
puts "set=[clipboard set {two words}]"
puts "get=[clipboard]"
puts "clear=[clipboard clear] <[clipboard get]>"
TCL
expected='play=1
async=1
stop=1 0
has=1
set=1
get=two words
clear=1 <>'
check desktop-tools "$expected" "$(PATH="$DIR/bin:$PATH" DISPLAY=:99 WAYLAND_DISPLAY= \
  timeout 20 "$NUVEL" "$DIR/desktop.tcl" -- "$DIR/sound.wav" 2>&1)"
check desktop-argv "play $DIR/sound.wav
play $DIR/sound.wav" "$(cat "$DIR/played")"
check clipboard-argv 'xclip -selection clipboard -i
xclip -selection clipboard -o
xclip -selection clipboard -i
xclip -selection clipboard -o' "$(cat "$DIR/clip.log")"

# A clipboard tool that hangs is given up; a hanging player does not hold
# up play_wav -async, and the sound stops when the script ends.
cat > "$DIR/hang.tcl" <<'TCL'
puts "async=[play_wav $argv(1) -async -loop]"
puts "get=[catch {clipboard get} m] $m"
TCL
check clipboard-timeout "async=1
get=1 clipboard: Clipboard tool 'xclip' failed" \
  "$(PATH="$DIR/bin:$PATH" DISPLAY=:99 WAYLAND_DISPLAY= FAKE_CLIP_HANGS=1 FAKE_PLAYER_HANGS=1 \
    timeout 20 "$NUVEL" "$DIR/hang.tcl" -- "$DIR/sound.wav" 2>&1 | grep =)"
for _ in $(seq 1 40); do
  pgrep -f "$DIR/bin/aplay" >/dev/null || break
  sleep 0.05
done
check sound-stops-at-exit "" "$(pgrep -f "$DIR/bin/aplay")"

# Without a display or tools: Not supported.
cat > "$DIR/none.tcl" <<'TCL'
puts "has=[clipboard has]"
catch {clipboard get} m; puts "get=$m"
catch {play_wav $argv(1)} m; puts "play=$m"
TCL
check desktop-none "has=0
get=clipboard: Not supported on this platform
play=play_wav: Not supported on this platform" \
  "$(env -u DISPLAY -u WAYLAND_DISPLAY PATH=/nonexistent "$NUVEL" "$DIR/none.tcl" -- "$DIR/sound.wav" 2>&1 | grep =)"

# --- A real terminal: tmux -------------------------------------------------------------
if ! command -v tmux >/dev/null 2>&1; then
  echo "tmux is not installed: terminal cases skipped (make deps installs it)"
  exit $FAILED
fi

tm() { tmux -L "$SOCKET" "$@"; }
# Starts a command in a fresh 60x15 pane that stays after the command ends.
printf 'set -g remain-on-exit on\nset -g status off\n' > "$DIR/tmux.conf"
start_pane() {
  tm kill-server 2>/dev/null
  PANE=$((PANE + 1))
  SOCKET="${SOCKET_BASE}_$PANE"
  tm -f "$DIR/tmux.conf" new-session -d -x 60 -y 15 "$1"
}
pane_text() { tm capture-pane -p -t 0 | sed -e 's/ *$//'; }

cat > "$DIR/tui.tcl" <<'TCL'
cls
box 2 2 20 5 yellow blue
gotoxy 4 3
textcolor white blue
puts -nonewline "1 Start"
gotoxy 4 4
puts -nonewline "2 Quit"
textcolor
console scroll 2 8 10 2 -1
gotoxy 1 9
puts "cols=[console width] rows=[console height] at=[screen read 4 3 7]"
puts "curx=[console curx] cury=[console cury]"
writefile $argv(1) done
# Stays until the pane was read: a dead pane shows a line of its own.
while {! [file exists $argv(1).read]} {after 50}
TCL
start_pane "env -u NO_COLOR TERM=xterm-256color '$NUVEL' '$DIR/tui.tcl' -- '$DIR/tui.done'"
wait_for "$DIR/tui.done"
sleep 0.2
expected='
 ╔══════════════════╗
 ║ 1 Start          ║
 ║ 2 Quit           ║
 ║                  ║
 ╚══════════════════╝


cols=60 rows=15 at=1 Start
curx=1 cury=10'
check tmux-screen "$expected" "$(pane_text | head -n 10)"
# The frame is in yellow on blue (tmux shows the colours it was sent).
check tmux-colours 1 "$(tm capture-pane -p -e -t 0 | grep -c $'\033\\[93m\033\\[104m╔')"
touch "$DIR/tui.done.read"

# The window grows: the next size query and the screen model see it.
cat > "$DIR/winch.tcl" <<'TCL'
set dir $argv(1)
writefile $dir/winch.1 "before=[console width]x[console height] [screen columns]x[screen rows]"
while {! [file exists $dir/winch.2]} {after 50}
writefile $dir/winch.3 "after=[console width]x[console height] [screen columns]x[screen rows]"
TCL
start_pane "env -u NO_COLOR '$NUVEL' '$DIR/winch.tcl' -- '$DIR'"
wait_for "$DIR/winch.1"
tm resize-window -t 0 -x 70 -y 20
sleep 0.3
touch "$DIR/winch.2"
wait_for "$DIR/winch.3"
sleep 0.2
check tmux-winch "before=60x15 60x15 after=70x20 70x20" "$(cat "$DIR/winch.1") $(cat "$DIR/winch.3")"

# SIGTERM and Ctrl+C: the terminal is restored (cursor shown, colours reset,
# line mode back) before the process ends.
cat > "$DIR/busy.tcl" <<'TCL'
textcolor red green
console hidecursor
puts -nonewline "busy"
flush
writefile $argv(1) [pid]
while {== 1 1} {after 20}
TCL
# The pane runs a wrapper that ignores SIGINT itself (so it goes on after the
# program ends), reports the line mode and stays until it is released.
cat > "$DIR/wrap.sh" <<SH
trap '' INT
"$NUVEL" "$DIR/busy.tcl" -- "$DIR/busy.pid"
echo
echo after-exit
stty -a | grep -o -- '-icanon' || echo cooked
while [ ! -e "$DIR/release" ]; do sleep 0.05; done
SH
for how in term int; do
  rm -f "$DIR/busy.pid" "$DIR/release"
  start_pane "env -u NO_COLOR sh '$DIR/wrap.sh'"
  wait_for "$DIR/busy.pid"
  sleep 0.2
  check "tmux-hidden-$how" 0 "$(tm display -p -t 0 '#{cursor_flag}')"
  if [ "$how" = term ]; then
    kill -TERM "$(cat "$DIR/busy.pid")"
  else
    tm send-keys -t 0 C-c
  fi
  for _ in $(seq 1 100); do
    pane_text | grep -q '^cooked' && break
    sleep 0.05
  done
  check "tmux-cursor-$how" 1 "$(tm display -p -t 0 '#{cursor_flag}')"
  check "tmux-cooked-$how" 1 "$(pane_text | grep -c '^cooked')"
  # The line printed after the program has no colour of its own.
  check "tmux-colours-reset-$how" 'after-exit' "$(tm capture-pane -p -e -t 0 | grep 'after-exit')"
  touch "$DIR/release"
done

exit $FAILED
