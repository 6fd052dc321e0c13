proc add2 {a b} {expr {$a + $b}}
for {set i 0} {$i < 500000} {incr i} {add2 $i 1}
