# Appends 200,000 elements to one list variable, then counts them.
set l {}
set i 0
while {$i < 200000} {
  lappend l $i
  incr i
}
puts [llength $l]
