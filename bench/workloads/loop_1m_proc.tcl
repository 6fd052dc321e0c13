proc run {} {set s 0; for {set i 0} {$i < 1000000} {incr i} {incr s $i}; return $s}
run
