set i 0
set s 0
while {$i < 1000000} {
  set s [expr {$s + $i * 3}]
  set s [expr {$s % 1000003}]
  incr i
}
puts $s
