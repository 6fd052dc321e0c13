set i 0
while {$i < 1000000} {incr i}
