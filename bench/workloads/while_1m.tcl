set i 0
set s 0
while {$i < 1000000} {incr s $i; incr i}
