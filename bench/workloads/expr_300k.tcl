set i 0
set x 0
while {$i < 300000} {
  set x [expr {$i * 2 + sqrt($i) - max($i, 7) / 3.0}]
  incr i
}
puts $x
