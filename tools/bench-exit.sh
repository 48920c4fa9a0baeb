#!/usr/bin/env bash
# How promptly a key ends the full-screen saver, over many starts (figures, not
# pass or fail): each start waits for the window and its first frame, presses a
# key 1.5 s later and times the exit to the moment the process is seen gone.
# An exit that takes over 1 s has each of the saver's threads captured as it
# waits (name, state and kernel wait channel from /proc, and Wine's seh and tid
# channels with timestamps) in a folder of its own under /tmp, which it names.
# Prints the median, the slowest and the count of exits over 1 s.
# Usage: tools/bench-exit.sh [x86|x64] [STARTS]   (default: as tools/run-saver.sh
# picks; 200 starts; build/<arch> built beforehand, by tools/test.sh for instance)
set -euo pipefail
cd "$(dirname "$0")/.."
arch=${1:-$(tests/harness/arch-runs.sh)}
starts=${2:-200}
build=$(realpath "${ZUVARIR_BUILD_DIR:-build}/$arch")
export ZUVARIR_SCR="$build/zuvarir.scr" ZUVARIR_BUILD=$build
[ -f "$ZUVARIR_SCR" ] || { echo "no $ZUVARIR_SCR" >&2; exit 1; }
source tests/harness/private_env.sh --arch "$arch" --size 1024x768
out=$(mktemp -d "${TMPDIR:-/tmp}/zuvarir-exit.XXXXXX")

# Prints "NAME STATE WCHAN" for each thread of PID.
threads() {
  local task
  for task in /proc/"$1"/task/*; do
    echo "$(cat "$task/comm" 2>/dev/null) $(awk '{ print $3 }' "$task/stat" 2>/dev/null) $(cat "$task/wchan" 2>/dev/null)"
  done
}

times=()
slow=0
for ((run = 1; run <= starts; run++)); do
  log=$ZUVARIR_WINE_ENV/run.log
  WINEDEBUG=+timestamp,+tid,+seh zv_stderr=$log start_full_screen || continue
  sleep 1.5
  pid=$(prefix_processes zuvarir.scr | tail -n 1)
  start=${EPOCHREALTIME/./}
  captured=
  xdotool key space
  while kill -0 "$saver" 2>/dev/null; do
    elapsed=$(((${EPOCHREALTIME/./} - start) / 1000))
    if [ "$elapsed" -gt 1000 ] && [ -z "$captured" ] && [ -n "$pid" ]; then
      threads "$pid" >"$out/slow-$run.threads"
      captured=yes
    fi
    [ "$elapsed" -gt 30000 ] && kill "$saver"
    sleep 0.002
  done
  wait "$saver" 2>/dev/null || true
  took=$(((${EPOCHREALTIME/./} - start) / 1000))
  times+=("$took")
  if [ "$took" -gt 1000 ]; then
    slow=$((slow + 1))
    cp "$log" "$out/slow-$run.log"
    echo "start $run: $took ms; threads and log in $out/slow-$run.*"
  fi
done
printf '%s\n' "${times[@]}" | sort -n | awk -v slow="$slow" -v arch="$arch" '
  { v[NR] = $1 } END { printf "%s, %d starts: key to exit median %d ms, slowest %d ms, %d over 1 s\n",
    arch, NR, v[int((NR + 1) / 2)], v[NR], slow }'
