# Sourced by end-to-end tests. interrupt_when_written PID FILE TEXT [TRIES]:
# waits (up to TRIES x 0.05 s, 200 by default) until FILE holds TEXT, sends
# the process SIGINT (Ctrl+C), waits up to 30 s for it to end, kills it if it
# has not, and returns its exit code. Sets `written` to 1 when TEXT was seen.
interrupt_when_written() {
  local pid="$1" file="$2" text="$3" tries="${4:-200}"
  written=0
  for _ in $(seq "$tries"); do
    if grep -q "$text" "$file" 2>/dev/null; then written=1; break; fi
    sleep 0.05
  done
  kill -INT "$pid" 2>/dev/null
  # A run that ignored the signal would never end: end it after a while.
  for _ in $(seq 600); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
  done
  kill -KILL "$pid" 2>/dev/null
  wait "$pid"
}
