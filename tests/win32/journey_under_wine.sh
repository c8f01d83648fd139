#!/usr/bin/env bash
# The pupil's journey through the real tovaleer.exe under Wine, driven from outside as a pupil
# would drive it and read from outside: the display mode (xrandr), the screen (ImageMagick's
# import and compare against the demo folder's frames), the menu window's state (xprop) and
# the Windows stand-ins' log of how they were started.
#
#   run_under_wine.sh --driver --expect-mode 1024x768 journey_under_wine.sh TOVALEER_EXE SUITE_DIR
#
# One journey, in order: the display switched to 800 x 600; the question about the music,
# which Wine's missing MIDI device brings, answered No; the language, name and hand screens;
# an activity started with its five arguments, the menu out of the way while it runs and back
# after it, with the music's failed open reported; the report program with its six; a second copy that ends at once and
# brings the first forward; the exit with the advertisement; the display given back. Every
# wait is for a condition, with a generous limit: Wine on a busy machine is slow.
set -uo pipefail

program=$1
suite=$2

# Without a tool the journey is skipped (CTest's skip code 77), except in CI (CI=true).
for tool in openbox xdotool xprop xwininfo xmodmap xrandr import compare; do
  if ! command -v "$tool" >/dev/null; then
    echo "journey: $tool is not installed (tools/install-deps.sh installs it)" >&2
    [[ ${CI:-} == true ]] && exit 1
    exit 77
  fi
done

work=$(mktemp -d /tmp/tov-wine-journey-XXXXXX)
folder="$work/Suite vir Zoë"
cp -r "$suite" "$folder"
folder=$(cd "$folder" && pwd -P)
log=$folder/standin.log
end_file=$folder/end-program
ended_file=$folder/program-ended
menu_pid=""
second_pid=""
window_manager_pid=""

say() { echo "journey: $*" >&2; }
source "$(dirname "${BASH_SOURCE[0]}")/wine_script_steps.sh"

finish() {
  for pid in $second_pid $menu_pid $window_manager_pid; do
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  rm -rf "$work"
}
trap finish EXIT

# The last screen is kept where a failure can be looked at.
on_failure() {
  [[ -f $work/shot.png ]] && cp "$work/shot.png" /tmp/tovaleer-wine-journey-last-shot.png &&
    say "the last screen: /tmp/tovaleer-wine-journey-last-shot.png"
}

# ---- windows ----

menu_window=""
find_menu() { menu_window=$(window_named '^Tovaleer! Gr4-5 v4.2$'); [[ -n $menu_window ]]; }
window_state() { xprop -id "$menu_window" WM_STATE 2>/dev/null; }
viewable() { xwininfo -id "$1" 2>/dev/null | grep -q IsViewable; }
menu_away() { ! viewable "$menu_window" || window_state | grep -q Iconic; }
menu_back() { viewable "$menu_window" && ! window_state | grep -q Iconic; }


# ---- the stand-ins' log ----

# Field n (from 1) of start number line, its backslashes as the program got them.
start_field() {
  awk -F'\t' -v line="$1" -v n="$2" 'NR == line { print $n }' "$log" 2>/dev/null | sed 's/\\\\/\\/g'
}
starts() { [[ -f $log ]] && wc -l <"$log" || echo 0; }
started() { (($(starts) >= $1)); }
# expect_start LINE ARGUMENT...: the start on that line got exactly these arguments after its
# own name, from the program folder.
expect_start() {
  local line=$1
  shift
  local count
  count=$(awk -F'\t' -v line="$line" 'NR == line { print NF }' "$log")
  # The wide command line, the program's name, the arguments, the working folder.
  ((count == $# + 3)) || fail "start $line has $((count - 3)) arguments, not $#: $(sed -n "${line}p" "$log")"
  local n=3
  for expected in "$@"; do
    local got
    got=$(start_field "$line" "$n")
    [[ $got == "$expected" ]] || fail "start $line, argument $((n - 2)): [$got], not [$expected]"
    n=$((n + 1))
  done
  local working
  working=$(start_field "$line" "$count")
  [[ $working\\ == "$windows_folder" ]] || fail "start $line ran in $working, not $windows_folder"
}

# Ends the running stand-in as a pupil would end the program, and waits for its end and then
# for the menu.
end_program_and_expect_menu_back() {
  : >"$end_file"
  wait_for 60 test -e "$ended_file" || fail "the program did not end"
  rm -f "$end_file" "$ended_file"
  wait_for 60 menu_back || fail "the menu did not come back after the program ended ($(window_state))"
}

# ---- the journey ----

windows_folder="Z:${folder//\//\\}\\"
# A desktop has a window manager: through it the menu's minimised state shows on the X side
# (Wine asks it to iconify the window). openbox keeps its state in the journey's folder.
HOME=$work XDG_CONFIG_HOME=$work/config XDG_CACHE_HOME=$work/cache openbox --sm-disable >"$work/openbox.out" 2>&1 &
window_manager_pid=$!
managing() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; }
wait_for 60 managing || fail "openbox did not start managing the screen"
# Letters that the keyboard map lacks are typed by xdotool through a key it maps for a
# moment, which Wine reads its map before: keys of their own, given before Wine starts.
xmodmap -e 'keycode any = ediaeresis Ediaeresis' 2>/dev/null
[[ $(current_mode) == 1024x768 ]] || fail "the display starts at $(current_mode), not 1024x768"

say "start"
(cd "$folder" && TOVALEER_STANDIN_LOG=$log TOVALEER_STANDIN_END_WHEN=$end_file TOVALEER_STANDIN_END_FILE=$ended_file \
  exec wine "$program") \
  >"$work/menu.out" 2>&1 &
menu_pid=$!
wait_for 60 find_menu || fail "no menu window"
wait_for 60 mode_is 800x600 || fail "the display is at $(current_mode), not 800x600"

# Wine has no MIDI device here: the menu asks whether to disable the music, and is told No.
say "music question"
answer_box "^Confirm$" n

say "language screen"
reach_screen m4.jpg
click 584 256  # English

say "name and hand screen"
reach_screen m7e.jpg
# The name field comes with the hand buttons, after the frame: the left hand's picture differs
# from the frame once they are there.
wait_for 60 eval 'below 0.05 "$(difference menu/m7e.jpg "[43x35+537+411]")"' || fail "no hand buttons"
xdotool type --delay 60 'zoë du toit'
click 612 428  # right hand

say "menu screen"
reach_screen m10e.jpg

say "activity"
click 615 162  # option 6, Multiplication
wait_for 60 started 1 || fail "option 6 started nothing"
expect_start 1 "*$windows_folder#" "*ZOË DU TOIT#" "*#" "*#" "*TRUE#"
[[ $(start_field 1 2) == "${windows_folder}Option6\option6.exe" ]] || fail "option 6 started $(start_field 1 2)"
wait_for 60 menu_away || fail "the menu stays on the screen while the activity runs ($(window_state))"
end_program_and_expect_menu_back
# The music left for after the first activity cannot be opened either: the menu says why.
answer_box "^Tovaleer Gr 45$" Return
reach_screen m10e.jpg

say "report"
click 487 481  # the menu's report button
wait_for 60 started 2 || fail "the report button started nothing"
expect_start 2 "$windows_folder*" "ZOË DU TOIT*" "*" "*" "TRUE*" "ENG*"
wait_for 60 menu_away || fail "the menu stays on the screen while the report runs ($(window_state))"

say "second copy"
(cd "$folder" && exec wine "$program") >"$work/second.out" 2>&1 &
second_pid=$!
second_ended() { ! kill -0 "$second_pid" 2>/dev/null; }
wait_for 60 second_ended || fail "the second copy still runs"
wait "$second_pid"
second_code=$?
second_pid=""
((second_code == 0)) || fail "the second copy ended with $second_code"
wait_for 60 menu_back || fail "the second copy did not bring the first forward ($(window_state))"
menu_active() { [[ $(xdotool getactivewindow 2>/dev/null) == "$menu_window" ]]; }
wait_for 60 menu_active || fail "the first copy is not the active window"
mode_is 800x600 || fail "the second copy changed the display to $(current_mode)"
end_program_and_expect_menu_back
reach_screen m10e.jpg
((($(starts)) == 2)) || fail "$(starts) starts, not 2"

say "exit and advertisement"
click 487 416  # the menu's exit button
wait_for 60 eval '[[ -n $(window_named "^advertform$") ]]' || fail "no advertisement"
# The English advertisement: its top strip, above the picture view, matches the English
# background better than the Afrikaans one.
strip="[700x50+50+6]"
english_shown() {
  below "$(awk -v a="$(difference addback_E.jpg "$strip")" 'BEGIN { print a + 0.02 }')" \
    "$(difference addback_A.jpg "$strip")"
}
wait_for 60 english_shown || fail "the English advertisement is not shown"
click 762 570  # the advertisement's exit button
menu_ended() { ! kill -0 "$menu_pid" 2>/dev/null; }
wait_for 60 menu_ended || fail "the menu still runs after the advertisement"
wait "$menu_pid"
code=$?
menu_pid=""
((code == 0)) || fail "the menu ended with $code"
wait_for 60 mode_is 1024x768 || fail "the display was left at $(current_mode)"
say "done"
