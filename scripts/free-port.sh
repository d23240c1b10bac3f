# Sourced by the process tests and the benchmarks.
# free_port: a loopback port nothing listens on at this moment. Another process
# may take it before it is used: where the program binds it itself, let that
# bind be the probe.
# random_port: a port below the kernel's ephemeral range (32768 and up), which
# the local ends of other tests' connections would occupy unseen by a probe.
random_port() { echo $((20000 + RANDOM % 12000)); }
free_port() {
  local p
  for _ in $(seq 50); do
    p=$(random_port)
    (exec 3<>/dev/tcp/127.0.0.1/$p) 2>/dev/null || { echo $p; return; }
  done
}
