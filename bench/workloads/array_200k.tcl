set i 0
while {$i < 200000} {set a($i) $i; incr i}
set i 0
while {$i < 200000} {set x $a($i); incr i}
