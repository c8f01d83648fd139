#pragma once
// File names matched the way Windows matches them: a suite copied from Windows media names its
// files in any letter case ("MENU/M1.JPG", "Option6/OPTION6.EXE"), and the menu and the suite's
// own programs ask for them in another ("menu/m1.jpg").
//
// The exact name wins: a path that exists as written comes back unchanged after one lstat
// (and, once answers are kept, a look among them; see below). Otherwise the path is walked component by component; a component
// that does not exist as written is looked for in its folder among the names that differ from
// it only in letter case. When several do ("a.wav", "A.wav", "A.WAV"), the first of them in
// byte order is taken ("A.WAV"), whatever the order the folder lists them in, and the walk
// goes on inside that one only. When a component has no such name, the path comes back
// unchanged, so the caller meets the missing file as it would have without the resolver.
//
// Letter case: Unicode simple case folding of names in UTF-8 ("ZOË" matches "zoë", "ß" does
// not match "ss"); a name that is not valid UTF-8 matches only itself, byte for byte.
//
// Shape: a relative path resolves against the current folder and stays relative; ".", ".."
// and empty components (a leading, doubled or trailing "/") pass unchanged, so "MENU/" comes
// back as "menu/". A symbolic link is followed as the system follows it: the entries of a
// linked folder are those listed through the link.
//
// Each folder's listing is cached, keyed by the folder's path, and used again only while a
// stat of the folder shows the same device, inode and modification time (to the nanosecond).
// A listing taken within a few seconds of the folder's last change is not trusted again,
// because a file system's clock is coarse (FAT keeps two-second times, others a kernel tick):
// a later change in the same tick would leave the time as it was. Whole answers are kept too,
// while inotify watches the folders they were read from (each watched before it is looked
// in): a name asked again in another case then costs a read of the (empty) inotify queue and
// one lstat showing that the answer still names a file; when it does not (a link to the
// suite pointed at a new copy, which no watch sees), the path is walked again. Any change in
// a watched folder forgets every answer and listing. No answer is kept from a folder on a
// file system whose watches miss changes made elsewhere (network shares, FUSE), so there
// every lookup walks the path. A kept answer is given before the exact name is looked up:
// only a folder above the watched ones replaced by one that holds the name in both cases
// could make it win over the exact name. Safe to call from any thread; the caches are shared
// by the whole process.

#include <cstdint>
#include <string>

namespace tov::posix {

// The path by which the file or folder that `path` names in any letter case exists, or `path`
// itself when it exists as written or when no such file or folder exists.
std::string resolvePath(const std::string& path);

// Whether `path` names an existing file or folder in some letter case. A folder check tells
// "found under another letter case" by resolvePath(path) != path.
bool existsResolved(const std::string& path);

// Whether inotify reports every change to the entries of a folder on a file system of this
// type (statfs's f_type): not where the files are shared over a network or served by a
// process, since changes made on other machines reach no watch here.
bool watchesSeeEveryChange(std::uint32_t fileSystemType);

}  // namespace tov::posix
