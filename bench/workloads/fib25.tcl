proc rfib {n} {if {$n < 2} {return $n}; return [expr {[rfib [expr {$n - 1}]] + [rfib [expr {$n - 2}]]}]}
rfib 25
