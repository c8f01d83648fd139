# Steps the scripts that drive the real program under Wine share; sourced, with `say`, `work`
# (the script's own folder, holding the menu's output) and `folder` (the copy of the demo folder
# the menu runs in) set by the script first.

fail() {
  say "FAILED: $*"
  say "the menu's output: $(cat "$work/menu.out" 2>/dev/null)"
  if declare -F on_failure >/dev/null; then on_failure; fi
  exit 1
}

# wait_for LIMIT_SECONDS COMMAND...: true once COMMAND succeeds, false when the limit passes.
wait_for() {
  local limit=$1
  shift
  local deadline=$((SECONDS + limit))
  until "$@"; do
    ((SECONDS < deadline)) || return 1
    sleep 0.2
  done
}

current_mode() { xrandr --current | sed -n 's/.*current \([0-9]*\) x \([0-9]*\),.*/\1x\2/p'; }
mode_is() { [[ $(current_mode) == "$1" ]]; }

# ---- the screen, against the demo folder's frames ----

last_difference=1
# Root-mean-square difference, 0 to 1, between a region ("[WxH+X+Y]") of the screen and of a
# picture of the copied demo folder.
difference() {
  import -window root "$work/shot.png" 2>/dev/null
  last_difference=$(compare -metric RMSE "$work/shot.png$2" "$folder/$1$2" null: 2>&1 | sed -nE 's/.*\((.*)\)/\1/p')
  [[ -n $last_difference ]] || last_difference=1
  echo "$last_difference"
}
below() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }

# The frame's middle only: the mute picture and the buttons lie at its edges.
shows() { below "$(difference "menu/$1" "[700x360+50+50]")" 0.04; }
reach_screen() { wait_for 60 shows "$1" || fail "$1 did not come (difference $last_difference)"; }

click() {
  xdotool mousemove --sync "$1" "$2"
  xdotool click 1
}

# ---- windows ----

window_named() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1; }
# answer_box TITLE KEY: waits for the message box titled TITLE (a pattern) and answers it
# with KEY, a button's letter or Return.
box_shown() { [[ -n $(window_named "$1") ]]; }
box_gone() { ! box_shown "$1"; }
answer_box() {
  wait_for 60 box_shown "$1" || fail "no message box \"$1\""
  local box
  box=$(window_named "$1")
  # Without a window manager the box is given the keyboard's focus directly.
  xdotool windowactivate --sync "$box" 2>/dev/null || xdotool windowfocus --sync "$box"
  xdotool key "$2"
  wait_for 60 box_gone "$1" || fail "the message box \"$1\" stays after $2"
}
