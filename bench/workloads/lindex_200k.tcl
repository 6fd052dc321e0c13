# Builds a 200,000-element list, then reads every element by index.
set l {}
set i 0
while {$i < 200000} {
  lappend l $i
  incr i
}
set i 0
set sum 0
while {$i < 200000} {
  set e [lindex $l $i]
  incr i
}
puts $e
