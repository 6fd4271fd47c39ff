#!/usr/bin/env bash
# Prints a TCP port of 127.0.0.1 in 40000-59999 that nothing listens on, for
# a simulated serial device server.
#
# Exit status: 0 with the port on standard output, 1 when 20 tries found none.
set -euo pipefail

port_in_use() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
for _ in $(seq 20); do
    candidate=$((40000 + RANDOM % 20000))
    if ! port_in_use "$candidate"; then
        echo "$candidate"
        exit 0
    fi
done
echo "free-port: no free loopback port found" >&2
exit 1
