# Nuvel demo script, carried inside nuvel_embed and run when it starts
# without arguments.
set name Nuvel
set greeting "Hello from $name"
puts $greeting
puts "Commands run so far: [cmdcount]"

# Errors are values you can catch.
set code [catch {error "something went wrong"} message]
puts "catch gave code $code and the message: $message"

# try runs its handler when the body fails.
try {error boom} catch {puts "try caught: $::errorMsg"}

# Arrays live beside plain variables.
set colour(sky) blue
set colour(grass) green
puts "The sky is $colour(sky) and the grass is $colour(grass)."

# Procedures take defaults and collect surplus words in args.
proc greet {who {greeting Hello} args} {
  if {== [llength $args] 0} {return "$greeting, $who!"}
  return "$greeting, $who! (and [llength $args] more)"
}
puts [greet world]
puts [greet Nuvel Hi a {} c]

# Loops: loop counts, foreach walks lists, while tests a condition script.
set total 0
loop i 1 6 {+= total $i}
puts "1 + 2 + ... + 5 = $total"
foreach {thing shade} {sea blue leaf green} {puts "$thing -> $shade"}
set n 1
while {< $n 100} {*= n 3}
puts "first power of 3 above 100: $n"

# switch picks a case; a recursive procedure shows the call stack.
proc fact {n} {if {<= $n 1} {return 1}; return [* $n [fact [- $n 1]]]}
switch -glob [fact 5] {1?0 {puts "5! = [fact 5]"} default {puts "unexpected"}}
