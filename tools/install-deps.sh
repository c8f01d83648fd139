#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing the menu need.
# Idempotent: apt-get runs only when a package is missing, so a prepared machine
# pays nothing for it.
set -euo pipefail

packages=(
  # build
  g++ cmake make pkg-config
  # libraries of the program
  qt6-base-dev libfontconfig-dev libjpeg-dev zlib1g-dev libsdl2-dev libsdl2-mixer-dev libfluidsynth-dev
  timgm6mb-soundfont libx11-dev libxrandr-dev libasound2-dev libwayland-dev wayland-protocols qt6-wayland libglib2.0-dev
  # tests and benchmarks, with the peers the benchmarks compare against
  googletest libgtest-dev libgmock-dev libbenchmark-dev libxdamage-dev libpng-dev libspng-dev libstb-dev
  # tests of a real suite's Windows programs: Wine runs them, mingw-w64 builds the Windows stand-in
  wine wine64 g++-mingw-w64-x86-64
  # the Windows program (make windows): mingw-w64's posix thread model, zlib built for it, and
  # JPEG samples for its tests under Wine made by libjpeg's tools (GoogleTest's source is above)
  g++-mingw-w64-x86-64-posix libz-mingw-w64-dev libjpeg-turbo-progs
  # the Windows program's installer and its zip (make windows)
  nsis zip
  # a sound card for the Windows program's tests under Wine: a PulseAudio null sink, recorded
  pulseaudio pulseaudio-utils
  # the test desktop
  xserver-xorg-core xserver-xorg-video-dummy xserver-xorg-input-libinput xvfb openbox tint2
  xdotool x11-utils x11-xserver-utils x11-xkb-utils xauth xdg-utils imagemagick
  # GNOME's platform theme, under which the message boxes are tested too
  qt6-gtk-platformtheme
  # the Wayland compositors of the tests
  weston mutter xwayland qt6-wayland dbus-daemon dbus-session-bus-common libglib2.0-dev
  libglib2.0-bin dconf-service dconf-gsettings-backend gsettings-desktop-schemas
  # the kiosk session's compositor, and sway, whose own pointer setting is tested
  cage sway
  pipewire wireplumber gstreamer1.0-pipewire gstreamer1.0-tools gstreamer1.0-plugins-base
  gstreamer1.0-plugins-good
  # demo content and fonts
  espeak-ng sox fonts-liberation fonts-dejavu-core
  # the volume control that the mute picture opens
  pavucontrol
  # the package check: Debian's own checks of the package, its AppStream description and its
  # desktop entries
  lintian appstream desktop-file-utils
  # the PNG loader's fuzzing (libFuzzer and its sanitizers come with clang's runtime)
  clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

echo "installing: ${missing[*]}"
sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
