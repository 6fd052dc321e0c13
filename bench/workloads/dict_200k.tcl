set i 0
while {$i < 200000} {dict set d $i $i; incr i}
set i 0
while {$i < 200000} {set x [dict get $d $i]; incr i}
