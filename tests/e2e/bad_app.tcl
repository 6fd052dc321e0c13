# An embedded script whose preprocessing fails: nothing of it may run.
puts "embedded bad app ran"
proc f {} {
  puts x
