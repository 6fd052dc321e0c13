# A user's own script, embedded into a separate test binary.
puts "embedded app: argc=$argc"
exit 7
