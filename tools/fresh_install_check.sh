#!/bin/bash
# Installs the Debian package on a fresh Debian system and starts the menu there, to show that
# the package brings everything the menu needs and nothing of this build machine is relied on.
# The fresh system is made by debootstrap (minimal variant) in a folder of its own; an X server
# (Xvfb, 800 x 600) runs inside it, as a school computer has one. Needs root and Debian's
# archive, and takes a few minutes; not part of `make test`.
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
mirror=http://deb.debian.org/debian

say() { printf '\n== %s\n' "$*"; }
in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }

cleanup() {
  pkill -f "^/usr/bin/Xvfb $display" 2>/dev/null || true
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

say "a fresh Debian bookworm in $root"
rm -rf "$root"
debootstrap --variant=minbase bookworm "$root" "$mirror" >/dev/null
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
in_root tovaleer-check /usr/share/tovaleer/suite

say "starting the menu with tovaleer-demo on Xvfb $display"
in_root Xvfb "$display" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
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
echo "the menu ended with status $status"
[ "$status" = 0 ] || { cat "$root/tmp/menu.log"; exit 1; }
say "fresh install: passed"
