# A small text user interface: a coloured menu in a box that reads one key.
# Run it at a terminal:    build/nuvel_embed examples/menu.tcl
# or give it the key:      echo 2 | build/nuvel_embed examples/menu.tcl
# On a pipe (or with NO_COLOR set) it writes only plain text.

set items {"Say hello" "Show the time" "Screen size" "Quit"}

proc draw_menu {items} {
  cls
  console set_title "Nuvel menu"
  box 3 2 34 [+ [llength $items] 4] yellow blue
  textcolor white blue
  gotoxy 5 3
  # Each line ends with a line end, so that the text reads well on a pipe;
  # on a terminal the next gotoxy places the cursor again anyway.
  puts " Main menu "
  set row 5
  set n 1
  foreach item $items {
    gotoxy 5 $row
    textcolor yellow blue
    puts -nonewline "$n"
    textcolor white blue
    puts "  $item"
    incr row
    incr n
  }
  textcolor
  gotoxy 3 [+ $row 2]
  puts -nonewline "Press 1-[llength $items]: "
}

# One key, without waiting for Enter at a terminal.
proc read_choice {} {
  return [getkey -char]
}

draw_menu $items
set key [read_choice]
puts ""
switch -- $key {
  1 {textcolor green; puts "Hello from Nuvel!"}
  2 {textcolor cyan; puts "It is [clock format [clock seconds] -format %H:%M:%S]"}
  3 {textcolor magenta; puts "The window has [console width] columns and [console height] rows"}
  default {puts "Bye"}
}
textcolor
