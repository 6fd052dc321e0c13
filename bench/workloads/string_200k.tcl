# Builds a text with 200,000 appends, then searches it from both ends.
set s {}
set i 0
while {$i < 200000} {
  append s "w$i,"
  incr i
}
puts [string length $s]
set hits 0
set i 0
while {$i < 400} {
  if {[string first "w[expr {$i * 499}]," $s] >= 0} {incr hits}
  if {[string last "w[expr {$i * 13}]," $s] >= 0} {incr hits}
  incr i
}
puts $hits
