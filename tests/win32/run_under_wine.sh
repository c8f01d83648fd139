#!/usr/bin/env bash
# Runs a Windows test program under Wine on an X server of its own, in the Wine prefix of the
# build tree (TOVALEER_WINE_PREFIX), made here the first time it is needed.
#
#   run_under_wine.sh [--shell-desktop | --driver] [--expect-mode WxH] [--sound] PROGRAM [ARGUMENT...]
#
# --shell-desktop  runs the program inside `wine explorer /desktop=shell,1024x768`, the one
#                  Wine set-up that draws a taskbar; the program's result comes back through
#                  the file named by TOVALEER_RESULT_FILE, since explorer's exit code is its own.
# --driver         runs PROGRAM on this machine, not under Wine, with the server's DISPLAY and
#                  the prefix's Wine environment: a test that starts Windows programs itself and
#                  watches them from outside (xdotool, xrandr). It ends what it started.
# --sound          gives Wine a sound card: a PulseAudio daemon of the run's own (no system
#                  instance, no user's settings) with one null sink of 16-bit samples, one
#                  channel, at TOVALEER_SOUND_RATE, whose monitor parec records from the start.
#                  The program finds the raw samples in the file TOVALEER_SOUND_RECORDING
#                  names (as Wine names it), growing while it runs.
# --expect-mode    fails unless the X server's own mode is WxH once the program has ended: Wine
#                  does not give a display mode back by itself.
#
# The server is Xorg with the dummy driver (its modes can be switched), else Xvfb with an
# 800x600 mode added. Everything started here is ended by its pid, and the prefix's
# wineserver with `wineserver -k`, before this script returns.
#
# Without Wine or an X server the run is skipped (exit code 77, CTest's SKIP_RETURN_CODE),
# except in CI (CI=true), where it fails.
set -uo pipefail

shell_desktop=0
driver=0
expect_mode=""
sound=0
while [[ $# -gt 0 ]]; do
  case "$1" in
    --shell-desktop) shell_desktop=1; shift ;;
    --driver) driver=1; shift ;;
    --expect-mode) expect_mode=$2; shift 2 ;;
    --sound) sound=1; shift ;;
    *) break ;;
  esac
done
program=$1
shift

here=$(cd "$(dirname "$0")" && pwd)
prefix=${TOVALEER_WINE_PREFIX:?TOVALEER_WINE_PREFIX names the build tree\'s Wine prefix}
export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
work=$(mktemp -d /tmp/tov-wine-test-XXXXXX)
server_pid=""
pulse_pid=""
record_pid=""

# end_by_pid PID: ends a process this script started, and waits for it.
end_by_pid() {
  [[ -n $1 ]] || return 0
  kill "$1" 2>/dev/null
  wait "$1" 2>/dev/null
}

finish() {
  wineserver -k >/dev/null 2>&1
  wineserver -w >/dev/null 2>&1
  end_by_pid "$record_pid"
  end_by_pid "$pulse_pid"
  end_by_pid "$server_pid"
  rm -rf "$work"
}
trap finish EXIT

say() { echo "run_under_wine: $*" >&2; }

# Exits with the skip code, or fails in CI.
cannot_run() {
  if [[ ${CI:-} == true ]]; then
    say "$* (required in CI)"
    exit 1
  fi
  say "$*: skipped"
  exit 77
}

# Once per build tree; a lock keeps two test runs from making it together, and a mark says
# it was made to its end. Made without a display: Mono and Gecko are not wanted.
make_prefix() {
  exec 9>"$prefix.lock"
  flock 9
  if [[ ! -e $prefix/.tovaleer-ready ]]; then
    local started=$SECONDS
    rm -rf "$prefix"
    if ! (unset DISPLAY; wine wineboot -i && wineserver -w) >"$prefix.log" 2>&1; then
      say "wine wineboot -i did not make $prefix (see $prefix.log)"
      exit 1
    fi
    touch "$prefix/.tovaleer-ready"
    say "made the Wine prefix $prefix in $((SECONDS - started)) s"
  fi
  exec 9>&-
}

# Starts the server with -displayfd and waits until it says its display number.
start_server() {
  local number_file=$work/display
  : >"$number_file"
  "$@" 3>"$number_file" >"$work/server.out" 2>&1 &
  server_pid=$!
  local waited=0
  while [[ ! -s $number_file ]] && kill -0 "$server_pid" 2>/dev/null && ((waited < 300)); do
    sleep 0.1
    waited=$((waited + 1))
  done
  if [[ ! -s $number_file ]]; then
    kill "$server_pid" 2>/dev/null
    wait "$server_pid" 2>/dev/null
    server_pid=""
    return 1
  fi
  export DISPLAY=:$(head -n1 "$number_file")
}

start_x() {
  mkdir -p "$work/xorg.conf.d"
  if start_server Xorg -displayfd 3 -config "$here/xorg-dummy.conf" -configdir "$work/xorg.conf.d" \
      -logfile "$work/xorg.log" -noreset -nolisten tcp -novtswitch -sharevts; then
    return 0
  fi
  say "Xorg with the dummy driver did not start ($(tail -n 3 "$work/server.out" | tr '\n' ' ')); Xvfb instead"
  start_server Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset ||
    cannot_run "no X server could be started"
  xrandr --newmode 800x600_60 40.00 800 840 968 1056 600 601 605 628 +hsync +vsync >/dev/null 2>&1
  xrandr --addmode screen 800x600_60 >/dev/null 2>&1
}

# wait_for_sound MESSAGE PID COMMAND...: until COMMAND succeeds against the daemon; fails with
# MESSAGE when the process PID ends first or 30 s pass.
wait_for_sound() {
  local message=$1 pid=$2 waited=0
  shift 2
  until HOME=$PULSE_RUNTIME_PATH "$@" >/dev/null 2>&1; do
    if ! kill -0 "$pid" 2>/dev/null || ((waited >= 300)); then
      say "$message: $(tail -n 3 "$work/pulse.out" "$work/parec.out" 2>/dev/null | tr '\n' ' ')"
      exit 1
    fi
    sleep 0.1
    waited=$((waited + 1))
  done
}

# The sink's samples are the test waves' own, so that the daemon has nothing to convert.
start_sound() {
  command -v pulseaudio >/dev/null && command -v parec >/dev/null || cannot_run "PulseAudio is not installed"
  local runtime=$work/pulse
  mkdir -m 700 "$runtime"
  export TOVALEER_SOUND_RATE=22050
  # HOME too: the daemon and its clients look for a cookie and settings there.
  export PULSE_RUNTIME_PATH=$runtime PULSE_STATE_PATH=$runtime PULSE_COOKIE=$runtime/cookie
  export PULSE_SERVER=unix:$runtime/native
  # The sink must not rewind: a stream that joins a running sink is mixed into time the monitor
  # has already recorded, and its first tenth of a second or so never reaches the recording.
  HOME=$runtime pulseaudio -n --daemonize=no --use-pid-file=no --exit-idle-time=-1 --disable-shm -F /dev/null \
    -L "module-native-protocol-unix socket=$runtime/native auth-anonymous=1" \
    -L "module-null-sink sink_name=tovaleer rate=$TOVALEER_SOUND_RATE channels=1 format=s16le norewinds=1" \
    >"$work/pulse.out" 2>&1 &
  pulse_pid=$!
  wait_for_sound "PulseAudio did not start" "$pulse_pid" pactl info
  HOME=$runtime parec --device=tovaleer.monitor --raw --format=s16le --channels=1 \
    --rate="$TOVALEER_SOUND_RATE" --latency-msec=20 >"$work/recording.raw" 2>"$work/parec.out" &
  record_pid=$!
  # Recording before the program starts: nothing it plays is missed.
  wait_for_sound "parec did not start recording" "$record_pid" eval '[[ -n $(pactl list short source-outputs) ]]'
  # As the Windows program names it: on drive Z:, Wine's root of the file system.
  export TOVALEER_SOUND_RECORDING="Z:${work//\//\\}\\recording.raw"
}

command -v wine >/dev/null && command -v wineserver >/dev/null || cannot_run "Wine is not installed"
make_prefix
start_x
((sound)) && start_sound
# A wineserver of another display would serve this one wrongly.
wineserver -k >/dev/null 2>&1
wineserver -w >/dev/null 2>&1

# The program's output goes through a file: the wineserver it starts would keep a pipe of
# ours open for as long as it lingers.
output=$work/output
if ((shell_desktop)); then
  export TOVALEER_RESULT_FILE=$work/result
  wine explorer /desktop=shell,1024x768 "$program" "$@" >"$output" 2>&1
  # Written by a Windows program: the line ends in "\r\n".
  result=$(head -n1 "$TOVALEER_RESULT_FILE" 2>/dev/null | tr -d '\r')
  [[ -n $result ]] || result="no result: the program did not end its run"
elif ((driver)); then
  "$program" "$@" >"$output" 2>&1
  result=$?
else
  wine "$program" "$@" >"$output" 2>&1
  result=$?
fi
cat "$output"

if [[ -n $expect_mode ]]; then
  mode=$(xrandr --current | sed -n 's/.*current \([0-9]*\) x \([0-9]*\),.*/\1x\2/p')
  if [[ $mode != "$expect_mode" ]]; then
    say "the X display was left at $mode, not $expect_mode"
    [[ $result == 0 ]] && result=1
  fi
fi
[[ $result == 0 ]] || say "failed: $result"
exit "$([[ $result =~ ^[0-9]+$ ]] && echo "$result" || echo 1)"
