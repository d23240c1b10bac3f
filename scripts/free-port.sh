# Sourced by the process tests and the benchmarks.
# free_port: a loopback port nothing listens on at this moment. Another process
# may take it before it is used: where the program binds it itself, let that
# bind be the probe.
free_port() {
  local p
  for _ in $(seq 50); do
    p=$((20000 + RANDOM % 30000))
    (exec 3<>/dev/tcp/127.0.0.1/$p) 2>/dev/null || { echo $p; return; }
  done
}
