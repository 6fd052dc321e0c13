# Joins a 200,000-element list and splits the text again, ten times.
set l {}
set i 0
while {$i < 200000} {
  lappend l item$i
  incr i
}
set n 0
while {$n < 10} {
  set text [join $l ,]
  set back [split $text ,]
  incr n
}
puts [llength $back]
