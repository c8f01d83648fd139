#!/usr/bin/env bash
# The real tovaleer.exe under Wine ended from outside the way no program can answer
# (killed by its pid, as `taskkill /F` or TerminateProcess end it): its guardian gives the display mode back. Read from
# outside with xrandr.
#
#   run_under_wine.sh --driver --expect-mode 1024x768 guardian_under_wine.sh TOVALEER_EXE SUITE_DIR
#
# The guardian is found beside TOVALEER_EXE. Every wait is for a condition, with a generous
# limit: Wine on a busy machine is slow.
set -uo pipefail

program=$1
suite=$2

if ! command -v xrandr >/dev/null; then
  echo "guardian: xrandr is not installed (tools/install-deps.sh installs it)" >&2
  [[ ${CI:-} == true ]] && exit 1
  exit 77
fi

work=$(mktemp -d /tmp/tov-wine-guardian-XXXXXX)
menu_pid=""

say() { echo "guardian: $*" >&2; }
source "$(dirname "${BASH_SOURCE[0]}")/wine_script_steps.sh"

finish() {
  if [[ -n $menu_pid ]]; then
    kill "$menu_pid" 2>/dev/null
    wait "$menu_pid" 2>/dev/null
  fi
  rm -rf "$work"
}
trap finish EXIT


cp -r "$suite" "$work/suite"
[[ $(current_mode) == 1024x768 ]] || fail "the display starts at $(current_mode), not 1024x768"

say "start"
(cd "$work/suite" && exec wine "$program") >"$work/menu.out" 2>&1 &
menu_pid=$!
wait_for 60 mode_is 800x600 || fail "the display is at $(current_mode), not 800x600"

say "killed"
# By its pid, which Wine's loader keeps for the program it runs: the end no program can
# answer, as taskkill /F or TerminateProcess on Windows.
kill -KILL "$menu_pid"
menu_ended() { ! kill -0 "$menu_pid" 2>/dev/null; }
wait_for 60 menu_ended || fail "the menu still runs after it was killed"
wait "$menu_pid"
menu_pid=""
wait_for 60 mode_is 1024x768 || fail "the display was left at $(current_mode)"
# It says so once the mode is set.
said_mode_given_back() { grep -q "tovaleer-guardian: .* 1024x768 again" "$work/menu.out"; }
wait_for 60 said_mode_given_back || fail "the guardian did not say it gave the mode back"
say "done"
