# Sorts 50,000 pseudo-random integers numerically and as text.
set l {}
set i 0
set x 12345
while {$i < 50000} {
  set x [expr {($x * 1103515245 + 12345) % 2147483648}]
  lappend l $x
  incr i
}
set s [lsort -integer $l]
puts [lindex $s 0]
set t [lsort $l]
puts [llength $t]
