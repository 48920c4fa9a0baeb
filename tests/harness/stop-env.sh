#!/usr/bin/env bash
# Stops what start-env.sh started for DIR: every Wine process of its prefix, its
# wineserver and its X server, each by the PID recorded at start.
set -u
dir=$(realpath -m "$1")
[ -f "$dir/env" ] || exit 0
# shellcheck disable=SC1091
source "$dir/env"
wineserver -k 2>/dev/null
for name in wineserver xserver; do
  if [ -f "$dir/$name.pid" ]; then
    pid=$(cat "$dir/$name.pid")
    kill "$pid" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null
    rm -f "$dir/$name.pid"
  fi
done
exit 0
