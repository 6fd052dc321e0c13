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
