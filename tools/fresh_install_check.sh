#!/bin/bash
# Installs the Debian package on a fresh Debian system and starts the menu there, to show that
# the package brings everything the menu needs and nothing of this build machine is relied on.
# The fresh system is made by debootstrap (minimal variant) in a folder of its own; an X server
# (Xvfb, 800 x 600) runs inside it, as a school computer has one. Needs root and Debian's
# archive, and takes a few minutes; `make test` does not run it. The archive is the one this
# machine installs from (its first "deb" source of the release in /etc/apt), so the fresh
# system goes through the same mirror or proxy and the script names no host of its own.
#
# usage: tools/fresh_install_check.sh PACKAGE.deb [SCREENSHOT.png]
# The fresh system is made under $FRESH_ROOT (default /var/tmp/tovaleer-fresh) and removed at
# the end unless KEEP_FRESH_ROOT=1. The screenshot (default fresh-install.png) shows the menu
# as it came up there.
set -euo pipefail

deb=$(readlink -f "${1:?usage: $0 PACKAGE.deb [SCREENSHOT.png]}")
shot=$(readlink -f "${2:-fresh-install.png}")
root=${FRESH_ROOT:-/var/tmp/tovaleer-fresh}
display=:77
suite=bookworm

say() { printf '\n== %s\n' "$*"; }
in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }

# The first "deb" source of $suite itself (not -updates or -security) in this machine's apt
# sources: one-line entries in sources.list and sources.list.d/*.list, deb822 paragraphs in
# sources.list.d/*.sources.
debian_archive() {
  local file uri
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
    [ -f "$file" ] || continue
    case $file in
      *.sources) uri=$(awk -v suite="$suite" '
          BEGIN { RS = "" }
          {
            delete field; key = ""
            lines = split($0, line, "\n")
            for (i = 1; i <= lines; i++) {
              if (line[i] ~ /^#/) continue
              if (match(line[i], /^[A-Za-z0-9-]+:/)) {
                key = tolower(substr(line[i], 1, RLENGTH - 1))
                field[key] = substr(line[i], RLENGTH + 1)
              } else if (key != "") {
                field[key] = field[key] " " line[i]   # a continuation line
              }
            }
            if (tolower(field["enabled"]) ~ /no/) next
            if ((" " field["types"] " ") !~ /[ \t]deb[ \t]/) next
            if ((" " field["suites"] " ") !~ ("[ \t]" suite "[ \t]")) next
            split(field["uris"], uris, " ")
            print uris[1]; exit
          }' "$file") ;;
      *) uri=$(awk -v suite="$suite" '
          { sub(/#.*/, "") }
          $1 == "deb" {
            entry = substr($0, index($0, "deb") + 3)
            if (entry ~ /^[ \t]*\[/) entry = substr(entry, index(entry, "]") + 1)   # [options]
            split(entry, word, " ")
            if (word[2] == suite) { print word[1]; exit }
          }' "$file") ;;
    esac
    if [ -n "$uri" ]; then
      echo "$uri"
      return
    fi
  done
}

# The menu and the X server are ended by their own process ids: no other process that
# happens to match a name is touched.
menu=
xserver=
end_process() {
  [ -n "$1" ] || return 0
  kill "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}

cleanup() {
  end_process "$menu"
  end_process "$xserver"
  for mount in dev/pts dev proc sys; do umount -l "$root/$mount" 2>/dev/null || true; done
  [ "${KEEP_FRESH_ROOT:-0}" = 1 ] || rm -rf "$root"
}
trap cleanup EXIT

missing=()
for tool in debootstrap:debootstrap import:imagemagick; do
  command -v "${tool%%:*}" >/dev/null || missing+=("${tool##*:}")
done
if [ ${#missing[@]} -gt 0 ]; then
  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
fi

mirror=${FRESH_MIRROR:-$(debian_archive)}
if [ -z "$mirror" ]; then
  echo "no \"deb\" source of $suite in /etc/apt/sources.list or /etc/apt/sources.list.d/ (set FRESH_MIRROR)"
  exit 1
fi

say "a fresh Debian $suite in $root, from $mirror"
rm -rf "$root"
debootstrap --variant=minbase "$suite" "$root" "$mirror" >/dev/null
mount -t proc proc "$root/proc"
mount -t sysfs sys "$root/sys"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"

say "installing $(basename "$deb") with apt, which brings what it depends on"
cp "$deb" "$root/tmp/tovaleer.deb"
in_root apt-get update -qq
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq /tmp/tovaleer.deb >/dev/null
in_root dpkg -s tovaleer | grep -E '^(Status|Version|Depends):'
# The X server of this stand-in school computer; the package rightly does not depend on one.
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq xvfb >/dev/null

say "the folder check on the installed demo folder"
in_root tovaleer-check /usr/lib/tovaleer/suite

say "starting the menu with tovaleer-demo on Xvfb $display"
# chroot and env exec, so $! is the X server itself.
chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
  Xvfb "$display" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
xserver=$!
for _ in $(seq 50); do [ -S "$root/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
# No sound card here: SDL's silent driver stands in for the school computer's.
# chroot, env and the launcher all exec, so $! is the menu itself.
install -d -m 0700 "$root/run/user/0"
chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
  DISPLAY="$display" SDL_AUDIODRIVER=dummy XDG_RUNTIME_DIR=/run/user/0 tovaleer-demo \
  >"$root/tmp/menu.log" 2>&1 &
menu=$!
sleep 8
if ! kill -0 "$menu" 2>/dev/null; then
  echo "the menu ended by itself:"; cat "$root/tmp/menu.log"; exit 1
fi
# Xvfb also listens on the abstract socket, which is shared with this system.
import -display "$display" -window root "$shot"
colours=$(convert "$shot" -format '%k' info:)
echo "screenshot: $shot ($colours colours)"
[ "$colours" -gt 100 ] || { echo "the screen is (nearly) blank"; exit 1; }

say "ending the menu as the system would (SIGTERM)"
kill -TERM "$menu"
status=0
wait "$menu" || status=$?
menu=
echo "the menu ended with status $status"
[ "$status" = 0 ] || { cat "$root/tmp/menu.log"; exit 1; }
say "fresh install: passed"
