#!/bin/bash
# Takes the README's screenshots from the real menu in an Xvfb server: every screen of the demo
# suite, in Afrikaans and in English, saved as 400 x 300 PNGs in docs/screens/.
# Usage: tools/screenshots.sh [BUILD_DIR]   (default: build; needs Xvfb, xdotool, imagemagick)
# The clicks are at fixed places of the 800 x 600 screens, and the waits give each animation
# time to end; a much slower machine may need longer waits.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
out=$here/docs/screens
mkdir -p "$out"

display=99
while [ -e /tmp/.X$display-lock ] || [ -e /tmp/.X11-unix/X$display ]; do display=$((display + 1)); done
export DISPLAY=:$display
work=$(mktemp -d)
Xvfb "$DISPLAY" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
menu=
cleanup() {
  [ -n "$menu" ] && kill "$menu" 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

shot() {  # shot NAME: the whole screen, halved
  import -window root "$work/shot.png"
  convert "$work/shot.png" -resize 400x300 "$out/$1.png"
  echo "  $1.png"
}
click() { xdotool mousemove "$1" "$2" click 1; }

cp -r "$build/suite" "$work/suite"

start_menu() {
  (cd "$work/suite" && SDL_AUDIODRIVER=dummy exec "$build/tovaleer") >/dev/null 2>&1 &
  menu=$!
  xdotool search --sync --onlyvisible --name "Tovaleer!" >/dev/null
}

# run LANG AREA_X AREA_Y NAME: one pass through the menu in one language.
run() {
  local lang=$1 name=$4
  start_menu
  sleep 0.4
  [ "$lang" = afr ] && shot start
  sleep 2  # frame 1, then the run to the language screen
  if [ "$lang" = afr ]; then
    shot language
    xdotool mousemove 216 257; sleep 0.6; shot language-hover
  fi
  click "$2" "$3"
  sleep 2.5
  xdotool type --delay 80 "$name"
  sleep 0.5; shot "name-$lang"
  if [ "$lang" = afr ]; then
    click 558 428; sleep 1; shot left-hand-question
    xdotool key Escape  # No: keep the mouse buttons as they are
  else
    click 612 428
  fi
  sleep 1.5
  xdotool mousemove 227 161; sleep 0.6; shot "menu-$lang"
  if [ "$lang" = afr ]; then
    click 227 161; sleep 0.3; shot launch
    sleep 2.5; shot activity
    kill "$(xdotool search --name ' - Tovaleer$' getwindowpid | head -1)"
    sleep 1.5
  fi
  click 487 416; sleep 2; shot "advert-$lang"
  click 762 570
  for _ in $(seq 50); do kill -0 "$menu" 2>/dev/null || break; sleep 0.1; done
  menu=
}

echo "docs/screens/:"
run afr 216 257 Anneke
run eng 584 256 John
