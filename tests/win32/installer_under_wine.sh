#!/usr/bin/env bash
# The Windows installer under Wine, run as an administrator's script would run it: installed
# silently (/S) into the build tree's prefix, checked from outside (the files, the Start-menu
# entry as the shell reads it, the uninstall entry in the registry), then uninstalled silently
# with the command that entry names, after which Program Files, the Start menus and the
# registry's list of installed programs must be as they were before.
#
#   run_under_wine.sh --driver installer_under_wine.sh INSTALLER READ_SHORTCUT STAGE_DIR SUITE_DIR VERSION
#
# STAGE_DIR holds the programs as the installer carries them, SUITE_DIR the demo suite.
set -uo pipefail

installer=$1
read_shortcut=$2
stage=$3
suite=$4
version=$5

say() { echo "installer: $*" >&2; }

# Wine's menu builder would copy the Start-menu entry into this machine's own menus, in $HOME.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}winemenubuilder.exe=d"

work=$(mktemp -d /tmp/tov-wine-installer-XXXXXX)
menu_pid=""
source "$(dirname "${BASH_SOURCE[0]}")/wine_script_steps.sh"
drive_c=$WINEPREFIX/drive_c
program_files="$drive_c/Program Files"
install_dir="$program_files/Tovaleer"
start_menus=("$drive_c/ProgramData/Microsoft/Windows/Start Menu"
             "$drive_c/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu")
shortcut_windows='C:\ProgramData\Microsoft\Windows\Start Menu\Programs\Tovaleer Gr 4-5.lnk'
shortcut="${start_menus[0]}/Programs/Tovaleer Gr 4-5.lnk"
installed_programs='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
uninstall_key="$installed_programs\\Tovaleer"

# Removes what an install leaves, so that the prefix, which the other tests share, is clean
# even after a failed run.
remove_install() {
  rm -rf "$install_dir" "$shortcut"
  wine reg delete "$uninstall_key" /f >/dev/null 2>&1
}

# The uninstaller's copy of itself in the temp folder, which NSIS leaves for the next reboot.
uninstaller_copies() { find "$drive_c/users" -maxdepth 4 -name '~nsu*.tmp' | LC_ALL=C sort; }
uninstaller_copies >"$work/copies-before"

left_clean=0
finish() {
  if [[ -n $menu_pid ]]; then
    kill "$menu_pid" 2>/dev/null
    wait "$menu_pid" 2>/dev/null
  fi
  ((left_clean)) || remove_install
  uninstaller_copies | LC_ALL=C comm -13 "$work/copies-before" - | while read -r copy; do rm -rf "$copy"; done
  rm -rf "$work"
}
trap finish EXIT

# Everything an install may touch, one line each: every path under Program Files and the
# Start menus, and the registry's list of installed programs with its values.
listing() {
  local root
  for root in "$program_files" "${start_menus[@]}"; do
    [[ -d $root ]] && (cd "$root" && find . | LC_ALL=C sort | sed "s|^\.|$root|")
  done
  wine reg query "$installed_programs" /s 2>&1 | tr -d '\r'
}

# A file's path on this machine from its Windows path.
unix_path() { wine winepath -u "$1" 2>/dev/null | tr -d '\r'; }

if [[ -e $install_dir || -e $shortcut ]] || wine reg query "$uninstall_key" >/dev/null 2>&1; then
  say "removing what an earlier run left"
  remove_install
fi
listing >"$work/before"

say "install"
wine "$installer" /S || fail "the installer ended with status $?"

say "files"
{
  printf './%s\n' LICENSE.txt tovaleer-guardian.exe tovaleer.exe uninstall.exe
  (cd "$suite" && find . -type f | sed 's|^\./|./Demo/|')
} | LC_ALL=C sort >"$work/expected-files"
(cd "$install_dir" && find . -type f | LC_ALL=C sort) >"$work/installed-files" ||
  fail "nothing installed in $install_dir"
diff "$work/expected-files" "$work/installed-files" >&2 || fail "the installed files are not the expected ones"
for program in tovaleer.exe tovaleer-guardian.exe; do
  cmp -s "$stage/$program" "$install_dir/$program" || fail "$program is not the one built"
done

say "Start-menu entry"
[[ -f $shortcut ]] || fail "no shortcut at $shortcut"
wine "$read_shortcut" "$shortcut_windows" >"$work/shortcut" || fail "the shell cannot read $shortcut"
target=$(sed -n 1p "$work/shortcut" | tr -d '\r')
start_in=$(sed -n 2p "$work/shortcut" | tr -d '\r')
target_file=$(unix_path "$target")
start_in_folder=$(unix_path "$start_in")
# The menu starts its guardian from its own folder and reads its program folder from the
# folder it is started in.
cmp -s "$stage/tovaleer.exe" "$target_file" || fail "the shortcut's target $target is not the program"
cmp -s "$stage/tovaleer-guardian.exe" "$(dirname "$target_file")/tovaleer-guardian.exe" ||
  fail "no guardian beside $target"
[[ -n $start_in ]] && diff -rq "$suite" "$start_in_folder" >&2 ||
  fail "the shortcut starts the program in \"$start_in\", not in the demo suite"

say "uninstall entry"
wine reg query "$uninstall_key" 2>&1 | tr -d '\r' >"$work/entry" || fail "no key $uninstall_key"
value() { sed -n "s/^ *$1 *REG_[A-Z_]* *//p" "$work/entry"; }
[[ -n $(value DisplayName) ]] || fail "no DisplayName in $uninstall_key"
[[ $(value DisplayVersion) == "$version" ]] || fail "DisplayVersion is \"$(value DisplayVersion)\", not $version"
[[ $(unix_path "$(value InstallLocation)") -ef $install_dir ]] ||
  fail "InstallLocation \"$(value InstallLocation)\" is not $install_dir"
uninstaller=$(value UninstallString)
uninstaller=${uninstaller//\"/}
[[ $(value QuietUninstallString) == "\"$uninstaller\" /S" ]] ||
  fail "QuietUninstallString is \"$(value QuietUninstallString)\""
uninstaller_file=$(unix_path "$uninstaller")
[[ -f $uninstaller_file ]] || fail "the UninstallString names $uninstaller, which is not there"

say "refused while the menu runs"
# The installed menu as its Start-menu entry starts it: its single-instance mutex tells the
# installer (and the uninstaller, through the same check) that the program's files are in use.
# The installer then ends with status 2, before it has touched anything.
(cd "$install_dir/Demo" && exec wine "$install_dir/tovaleer.exe") >"$work/menu.out" 2>&1 &
menu_pid=$!
menu_shown() { [[ -n $(window_named '^Tovaleer! Gr4-5 v4.2$') ]]; }
wait_for 60 menu_shown || fail "the installed menu did not start"
touch -d '2000-01-01' "$install_dir/tovaleer.exe"
wine "$installer" /S
status=$?
((status == 2)) || fail "the installer ended with status $status while the menu ran, not 2"
[[ $(stat -c %Y "$install_dir/tovaleer.exe") == $(date -d '2000-01-01' +%s) ]] ||
  fail "the installer replaced the program while it ran"
kill "$menu_pid"
wait "$menu_pid"
menu_pid=""

say "uninstall"
wine "$uninstaller_file" /S || fail "the uninstaller ended with status $?"
# It has copied itself to the temp folder, started the copy and returned; the copy is a
# process of this prefix, and the prefix's wineserver ends only once it has ended.
wineserver -w
listing >"$work/after"
diff "$work/before" "$work/after" >&2 || fail "the uninstaller left these behind (> lines) or removed them (< lines)"
left_clean=1
say "done"
