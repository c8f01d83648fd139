#!/usr/bin/env bash
# The real tovaleer.exe under Wine, the pupil left-handed, ended from outside the way no program
# can answer (killed by its pid, as `taskkill /F` or TerminateProcess end it): its guardian gives
# the display mode and the mouse buttons back. Read from outside: the mode with xrandr, the
# buttons from the system parameter Wine keeps in its registry for the session.
#
#   run_under_wine.sh --driver --expect-mode 1024x768 guardian_under_wine.sh TOVALEER_EXE SUITE_DIR
#
# The guardian is found beside TOVALEER_EXE. Every wait is for a condition, with a generous
# limit: Wine on a busy machine is slow.
set -uo pipefail

program=$1
suite=$2

for tool in xrandr xdotool import compare; do
  if ! command -v "$tool" >/dev/null; then
    echo "guardian: $tool is not installed (tools/install-deps.sh installs it)" >&2
    [[ ${CI:-} == true ]] && exit 1
    exit 77
  fi
done

work=$(mktemp -d /tmp/tov-wine-guardian-XXXXXX)
folder=$work/suite
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


cp -r "$suite" "$folder"
[[ $(current_mode) == 1024x768 ]] || fail "the display starts at $(current_mode), not 1024x768"

say "start"
(cd "$folder" && exec wine "$program") >"$work/menu.out" 2>&1 &
menu_pid=$!
wait_for 60 mode_is 800x600 || fail "the display is at $(current_mode), not 800x600"

# What SPI_SETMOUSEBUTTONSWAP set for this session, not in the user's profile: "0" or "1".
buttons_swapped_value() {
  wine reg query 'HKCU\Software\Wine\Temporary System Parameters\Control Panel\Mouse' /v SwapMouseButtons 2>/dev/null |
    tr -d '\r' | awk '$1 == "SwapMouseButtons" { print $3 }'
}
buttons_swapped() { [[ $(buttons_swapped_value) == 1 ]]; }
buttons_normal() { [[ $(buttons_swapped_value) != 1 ]]; }

# Wine has no MIDI device here: the menu asks whether to disable the music, and is told No.
answer_box "^Confirm$" n

say "left hand"
reach_screen m4.jpg
click 584 256  # English
reach_screen m7e.jpg
# The question whether to exchange the buttons, over the name's label.
question_shown() { ! below "$(difference menu/m7e.jpg "[180x40+245+300]")" 0.05; }
# The field and the hand buttons come a moment after the frame, and the field must have the
# keyboard's focus: asked again until the question comes (each time a letter more in the name).
ask_for_the_left_hand() {
  click 590 310  # the name field
  xdotool type --delay 60 'a'
  click 558 428  # left hand
  wait_for 5 question_shown
}
wait_for 60 ask_for_the_left_hand || fail "no question whether to exchange the buttons"
click 369 328  # Yes
wait_for 60 buttons_swapped || fail "the left hand did not exchange the buttons"

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
wait_for 60 buttons_normal || fail "the mouse buttons were left exchanged"
said_buttons_given_back() { grep -q "tovaleer-guardian: .* the pointer mapping is as it was again" "$work/menu.out"; }
wait_for 60 said_buttons_given_back || fail "the guardian did not say it gave the buttons back"
say "done"
