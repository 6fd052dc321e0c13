# Nuvel demo script, carried inside nuvel_embed and run when it starts
# without arguments. Build with -DNUVEL_EMBED_SCRIPT=app.tcl to carry your own.

proc at_exit {} {
    puts "Goodbye from at_exit."
}

set name Nuvel
puts "Hello from ${name}!"

# Procedures with default arguments and recursion.
proc fibonacci {n} {
    if {< $n 2} {return $n}
    return [+ [fibonacci [- $n 1]] [fibonacci [- $n 2]]]
}
proc greet {who {greeting Hello}} {
    return "$greeting, $who!"
}
puts [greet world]
puts [greet Nuvel Welcome]
puts "fibonacci 15 = [fibonacci 15]"

# Operator commands and the expression engine compute alike.
puts "6 * 7 = [* 6 7], and as an expression: [expr {6 * 7}]"

# Loops: while, foreach and for.
set total 0
set i 1
while {<= $i 10} {
    += total $i
    incr i
}
puts "The sum of 1 to 10 is ${total}."
foreach colour {red green blue} {
    puts " - $colour"
}

# Lists, arrays and dictionaries.
set primes [list 2 3 5 7 11]
puts "[llength $primes] primes, the last is [lindex $primes end]."
set capital(France) Paris
set capital(Japan) Tokyo
puts "The capital of Japan is $capital(Japan)."
set d [dict create lang Nuvel kind interpreter]
puts "[dict get $d lang] is an [dict get $d kind]."

# Errors are values you can catch.
set code [catch {error "something went wrong"} message]
puts "catch gave code $code: $message"
try {error boom} catch {puts "try caught: $::errorMsg"}

# Surplus words collect in args.
proc tally {first args} {
    return "$first and [llength $args] more"
}
puts [tally a b {} d]

# loop counts, foreach walks pairs, switch picks a case.
set total 0
loop i 1 6 {+= total $i}
puts "1 + 2 + ... + 5 = $total"
foreach {thing shade} {sea blue leaf green} {puts "$thing -> $shade"}
proc fact {n} {if {<= $n 1} {return 1}; return [* $n [fact [- $n 1]]]}
switch -glob [fact 5] {1?0 {puts "5! = [fact 5]"} default {puts "unexpected"}}

# At a terminal the demo ends in the interactive shell: type commands, see
# each one's code as [code:name], leave with exit. From a pipe it just ends.
# (cli fails when the shell's last result was a non-zero number; the demo
# ends normally either way.)
catch {cli -tty}
