# Sourced by end-to-end tests: enters the run's test environment and gives the
# helpers every such test needs. Expects ZUVARIR_WINE_ENV (set by the test's
# properties) and ZUVARIR_SCR, the path of the saver under test. Where the
# environment's architecture cannot run here, the test ends as skipped (77).
set -u
[ -f "${ZUVARIR_WINE_ENV:-}/unavailable" ] && exit 77
# shellcheck disable=SC1091
source "${ZUVARIR_WINE_ENV:?no test environment}/env" || exit 1

zv_harness_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
ZUVARIR_PROGRAM_KEY='HKCU\Software\ZidaveVizur'
ZUVARIR_SYSTEM_KEY='HKCU\Software\Microsoft\Windows\CurrentVersion\Screen Savers'
zv_pids=()
# shellcheck source=checks.sh
source "$zv_harness_dir/checks.sh"

# Every process a test starts in the background is ended by its PID on exit, and
# a private environment (private_env.sh) is stopped; a tool that starts one
# environment after another calls it between them.
zv_cleanup() {
  local pid
  for pid in "${zv_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  zv_pids=()
  if [ -n "${zv_private_env:-}" ]; then
    "$zv_harness_dir/stop-env.sh" "$zv_private_env"
    rm -rf "$zv_private_env"
    zv_private_env=
  fi
  return 0
}
trap zv_cleanup EXIT

# Starts `wine PROGRAM ARGS...` in the background; its PID lands in $zv_last_pid.
# Its standard output goes to $zv_stdout and its standard error to $zv_stderr
# where those are set (a program's report, Wine's debug channels).
start_wine() {
  wine "$@" >"${zv_stdout:-/dev/null}" 2>"${zv_stderr:-/dev/null}" &
  zv_last_pid=$!
  zv_pids+=("$zv_last_pid")
}

# Starts the saver with ARGS in the background ($zv_last_pid).
start_saver() { start_wine "$ZUVARIR_SCR" "$@"; }

# Starts `zuvarir.scr /s` with the pointer at (X, Y), by default (500, 400), and
# waits for its window: $saver is its PID, $saver_window the X window. Fails a
# check when none shows.
start_full_screen() {
  xdotool mousemove "${1:-500}" "${2:-400}"
  start_saver /s
  saver=$zv_last_pid
  saver_window=$(wait_window Zuvarir 30) || { fail "no \"Zuvarir\" window"; return 1; }
}

# Starts the saver as the preview of a stand-in pane of WIDTH x HEIGHT (320 x
# 240), tests/display/preview_pane.exe, whose report goes to LOG, and waits up
# to 30 s for it to report the saver's child, or for the saver's error box:
# $pane is the pane's PID, $preview the saver's.
start_preview() {
  local i
  : >"$1"
  zv_stdout=$1 start_wine "$ZUVARIR_BUILD/tests/display/preview_pane.exe" "$(winepath -w "$ZUVARIR_SCR")" \
    "${2:-320}" "${3:-240}"
  pane=$zv_last_pid
  for ((i = 0; i < 300; i++)); do
    grep -q '^child\|^no child' "$1" || xdotool search --onlyvisible --name '^Zuvarir Error$' >/dev/null && break
    sleep 0.1
  done
  preview=$(prefix_processes ' /p ' | tail -n1)
}

# Waits up to SECONDS for PID (a child of this shell) to end and sets zv_exit to
# its exit code, or to "timeout" after ending it when it is still running.
# Not for use inside $(...): a subshell cannot wait for this shell's children.
wait_exit() {
  local pid=$1 seconds=$2 i
  for ((i = 0; i < seconds * 10; i++)); do
    if ! kill -0 "$pid" 2>/dev/null; then
      wait "$pid" && zv_exit=0 || zv_exit=$?
      return 0
    fi
    sleep 0.1
  done
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null || true
  zv_exit=timeout
}

# Waits up to SECONDS for a visible X window whose name matches NAME; prints its
# X id (the newest one) or nothing.
wait_window() {
  local name=$1 seconds=$2 i id
  for ((i = 0; i < seconds * 10; i++)); do
    id=$(xdotool search --onlyvisible --name "^${name}\$" 2>/dev/null | tail -n1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}

# Presses a key and prints the milliseconds until PID is seen gone (one gone
# before xdotool returned took that long too), from bash's own clock so that
# polling costs no process; ends PID after 30 s.
key_to_exit() {
  local start=${EPOCHREALTIME/./}
  xdotool key space
  while kill -0 "$1" 2>/dev/null && ((${EPOCHREALTIME/./} - start < 30000000)); do sleep 0.002; done
  echo $(((${EPOCHREALTIME/./} - start) / 1000))
  kill "$1" 2>/dev/null || true
}

# Frames per second of a program run with WINEDEBUG=+fps, its standard error in
# LOG: the median of the channel's figures ("... @ approx 61.23fps, total ..."
# every 1.5 s), without the first two, which count from its start; or, given
# AFTER (a count of figures, fps_count's), of the figures after those, without
# the next one, which straddles what changed. 0 where there is none.
median_fps() {
  grep -o 'approx [0-9.]*fps' "$1" | tail -n +$((${2:-1} + 2)) | tr -dc '0-9.\n' | sort -n |
    awk '{ v[NR] = $1 } END { print NR ? v[int((NR + 1) / 2)] : 0 }'
}
fps_count() { grep -c 'approx [0-9.]*fps' "$1" || true; }

# PIDs of the processes in this environment's prefix whose command line holds
# NAME (for instance zuvarir.scr), oldest first.
prefix_processes() {
  local pid
  for pid in $(grep -l -s -z -x -F "WINEPREFIX=$WINEPREFIX" /proc/[0-9]*/environ | cut -d/ -f3 | sort -n); do
    tr '\0' ' ' 2>/dev/null <"/proc/$pid/cmdline" | grep -q -F -- "$1" && echo "$pid"
  done
  return 0
}

# Percent of one core that PID used over SECONDS, user and system time of all its threads.
cpu_percent() {
  local before after
  before=$(awk '{ print $14 + $15 }' "/proc/$1/stat")
  sleep "$2"
  after=$(awk '{ print $14 + $15 }' "/proc/$1/stat")
  awk -v t=$((after - before)) -v s="$2" -v hz="$(getconf CLK_TCK)" 'BEGIN { printf "%.2f", 100 * t / hz / s }'
}

# "FPS fps, CPU % of a core, MS ms of CPU per frame" of PID over SECONDS, its
# frames from Wine's fps channel in LOG (median_fps, AFTER passed on).
frame_cost() {
  local after
  after=${4:+$(fps_count "$2")}
  awk -v c="$(cpu_percent "$1" "$3")" -v f="$(median_fps "$2" ${after:+"$after"})" \
    'BEGIN { printf "%.0f fps, %.0f %% of a core, %.2f ms of CPU per frame", f, c, f ? 10 * c / f : 0 }'
}

# Writes a PNG of the whole screen.
screenshot() { import -window root "$1"; }

# Registry helpers over Wine's real registry.
reg_delete_key() { wine reg delete "$1" /f >/dev/null 2>&1 || true; }
reg_delete_value() { wine reg delete "$1" /v "$2" /f >/dev/null 2>&1 || true; }
reg_set_dword() { wine reg add "$1" /v "$2" /t REG_DWORD /d "$3" /f >/dev/null 2>&1; }
reg_set_sz() { wine reg add "$1" /v "$2" /t REG_SZ /d "$3" /f >/dev/null 2>&1; }
# Prints the values of KEY as `wine reg query KEY [OPTIONS...]` lists them, one
# "NAME TYPE DATA" line each; fails where there is no KEY.
reg_values() {
  local listing
  listing=$(wine reg query "$@" 2>/dev/null) || return 1
  tr -d '\r' <<<"$listing" | sed -n 's/^ \{4\}//p' | sed 's/ \{4\}/ /; s/ \{4\}/ /'
}
# Prints the data of VALUE in KEY, or nothing.
reg_get() {
  local line
  line=$(reg_values "$1" /v "$2") || return 0
  line=${line#"$2 "}
  [[ $line != *" "* ]] || echo "${line#* }"
}

# The Windows probe (tests/harness/win_probe.cpp): `probe window CAPTION [MS]`,
# `probe press CAPTION ID`, `probe launch APP "CMDLINE"`.
probe() { wine "$ZUVARIR_BUILD/tests/harness/win_probe.exe" "$@" 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }
