#include "platform/posix/file_names.h"

#include "platform/file_names.h"

#include <dirent.h>
#include <linux/magic.h>
#include <sys/inotify.h>
#include <sys/statfs.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <QByteArray>
#include <QString>
#include <QStringDecoder>

namespace tov::posix {

namespace {

// Two-second FAT times and a kernel tick's coarse clock both fit well inside it.
constexpr std::int64_t kUntrustedAfterChangeNs = 3'000'000'000;
// A menu reads from a handful of folders; a runaway caller must not grow the cache forever.
constexpr std::size_t kMaxCachedFolders = 256;

bool lexists(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

std::int64_t nanoseconds(const timespec& time) {
  return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

// The clock the kernel stamps file times with, so that a change made after this reading can
// never carry an earlier time.
std::int64_t fileSystemNow() {
  timespec now {};
  ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
  return nanoseconds(now);
}

// Names that differ only in letter case have the same key. A key made from valid UTF-8 is
// valid UTF-8 and one made from anything else is not, so the two kinds never meet.
std::string caseKey(std::string_view name) {
  // The BOM is a character of the name like any other, not a marker to drop.
  QStringDecoder decoder(QStringConverter::Utf8,
                         QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
  const QString text = decoder(QByteArrayView(name.data(), static_cast<qsizetype>(name.size())));
  if (decoder.hasError()) return std::string(name);
  return text.toCaseFolded().toStdString();
}

struct FolderStamp {
  dev_t device = 0;
  ino_t inode = 0;
  std::int64_t modifiedNs = 0;
  bool operator==(const FolderStamp&) const = default;
};

std::optional<FolderStamp> stampOf(const std::string& folder) {
  struct stat info {};
  if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return std::nullopt;
  return FolderStamp{info.st_dev, info.st_ino, nanoseconds(info.st_mtim)};
}

struct FolderListing {
  FolderStamp stamp;
  bool trusted = false;                      // may be used again while the stamp holds
  std::map<std::string, std::string> names;  // case key -> the first name in byte order
};

std::optional<std::map<std::string, std::string>> readFolder(const std::string& folder) {
  DIR* stream = ::opendir(folder.c_str());
  if (!stream) return std::nullopt;
  std::map<std::string, std::string> names;
  while (const dirent* entry = ::readdir(stream)) {
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    auto [at, added] = names.try_emplace(caseKey(name), name);
    if (!added && name < at->second) at->second = name;
  }
  ::closedir(stream);
  return names;
}

class FolderCache {
 public:
  // The name in `folder` that differs from `name` only in letter case, if there is one.
  std::optional<std::string> caseVariant(const std::string& folder, const std::string& name) {
    std::lock_guard lock(mutex_);
    const FolderListing* listing = currentListing(folder);
    if (!listing) return std::nullopt;
    const auto found = listing->names.find(caseKey(name));
    if (found == listing->names.end()) return std::nullopt;
    return found->second;
  }

  void forgetAll() {
    std::lock_guard lock(mutex_);
    folders_.clear();
  }

 private:
  const FolderListing* currentListing(const std::string& folder) {
    // Taken before the stat: a change after this moment gets a time at or after it.
    const std::int64_t now = fileSystemNow();
    const std::optional<FolderStamp> stamp = stampOf(folder);
    if (!stamp) return nullptr;
    const auto cached = folders_.find(folder);
    if (cached != folders_.end() && cached->second.trusted && cached->second.stamp == *stamp)
      return &cached->second;
    std::optional<std::map<std::string, std::string>> names = readFolder(folder);
    if (!names) return nullptr;
    if (cached == folders_.end() && folders_.size() >= kMaxCachedFolders) folders_.clear();
    FolderListing& listing = folders_[folder];
    listing.stamp = *stamp;
    listing.trusted = now - stamp->modifiedNs > kUntrustedAfterChangeNs;
    listing.names = std::move(*names);
    return &listing;
  }

  std::mutex mutex_;
  std::map<std::string, FolderListing> folders_;
};

FolderCache& folderCache() {
  static FolderCache cache;
  return cache;
}

// Whole answers, so that a name asked again in another case costs a look at the answer and
// little more: no folder is read or stat'ed. Every folder an answer was read from is watched
// with inotify before it is looked in, and any change in any of them forgets every answer (and
// every listing, which the same change may have made stale). A change inotify cannot see (a
// folder above the watched ones replaced, a link pointed elsewhere) is met by the lstat that
// shows an answer still names a file before it is given. Where a folder's changes may go
// unreported (no more watches, a network or user-space file system) its answers are not kept.
class ResolvedPaths {
 public:
  ResolvedPaths() : inotify_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}
  ~ResolvedPaths() {
    if (inotify_ >= 0) ::close(inotify_);
  }
  ResolvedPaths(const ResolvedPaths&) = delete;
  ResolvedPaths& operator=(const ResolvedPaths&) = delete;

  // The answer kept for `asked`, if it still names a file; an answer that does not is forgotten.
  std::optional<std::string> kept(const std::string& asked) {
    // Lookups of names that exist as written pay nothing here until an answer is kept.
    if (!anyKept_.load(std::memory_order_relaxed)) return std::nullopt;
    std::optional<std::string> answer = find(asked);
    if (!answer || lexists(*answer)) return answer;
    std::lock_guard lock(mutex_);
    answers_.erase(asked);
    return std::nullopt;
  }

  // Watches the entries of `folder` from now on. False when a change there could go unseen,
  // so that answers read from it must not be kept.
  bool watch(const std::string& folder) {
    std::lock_guard lock(mutex_);
    if (inotify_ < 0) return false;
    const int watch = ::inotify_add_watch(inotify_, folder.c_str(), kFolderChanges);
    if (watch < 0) return false;
    const auto [known, added] = seesEveryChange_.try_emplace(watch, false);
    if (added) {
      struct statfs info {};
      known->second = ::statfs(folder.c_str(), &info) == 0 &&
                      watchesSeeEveryChange(static_cast<std::uint32_t>(info.f_type));
    }
    return known->second;
  }

  void remember(const std::string& asked, const std::string& resolved) {
    std::lock_guard lock(mutex_);
    if (answers_.size() >= kMaxAnswers) answers_.clear();
    answers_[asked] = resolved;
    anyKept_.store(true, std::memory_order_relaxed);
  }

 private:
  static constexpr std::uint32_t kFolderChanges =
      IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
  static constexpr std::size_t kMaxAnswers = 4096;

  std::optional<std::string> find(const std::string& asked) {
    std::lock_guard lock(mutex_);
    // The queue is read only for a name that has an answer: an exact name costs no read.
    const auto found = answers_.find(asked);
    if (found == answers_.end() || forgotAfterChange()) return std::nullopt;
    return found->second;
  }

  // Whether a watched folder has changed, which forgets every answer.
  bool forgotAfterChange() {
    alignas(inotify_event) char events[4096];
    bool changed = false;
    while (::read(inotify_, events, sizeof events) > 0) changed = true;
    if (!changed) return false;
    answers_.clear();
    // A removed folder's watch number may be given to another folder later.
    seesEveryChange_.clear();
    folderCache().forgetAll();
    return true;
  }

  int inotify_;
  std::mutex mutex_;
  std::atomic<bool> anyKept_ = false;
  std::unordered_map<std::string, std::string> answers_;
  std::unordered_map<int, bool> seesEveryChange_;  // by watch: on a file system that reports all
};

ResolvedPaths& resolvedPaths() {
  static ResolvedPaths paths;
  return paths;
}

std::vector<std::string> splitComponents(const std::string& path) {
  std::vector<std::string> components;
  std::size_t from = 0;
  for (std::size_t slash = path.find('/'); slash != std::string::npos; slash = path.find('/', from)) {
    components.push_back(path.substr(from, slash - from));
    from = slash + 1;
  }
  components.push_back(path.substr(from));
  return components;
}

bool passesUnchanged(const std::string& component) {
  return component.empty() || component == "." || component == "..";
}

std::string joined(const std::string& prefix, bool first, const std::string& component) {
  return first ? component : prefix + "/" + component;
}

// The folder that holds the component after `walked`. The first component of a relative path
// is in the current folder; after the empty component before a leading "/", walked is empty
// and the folder is the root.
std::string folderAfter(const std::string& walked, bool first) {
  if (first) return ".";
  return walked.empty() ? "/" : walked;
}

bool takenAsWritten(const std::string& path) {
  return path.empty() || path.find('\0') != std::string::npos || lexists(path);
}

// The walk for a path that does not exist as written.
std::string resolveInAnyCase(const std::string& path) {
  const std::vector<std::string> components = splitComponents(path);
  std::string resolved;
  // From the first name found in another case on, every folder looked in is watched before
  // the look, since a change in any of them can change the answer (above it, the names exist
  // as written, and the exact name wins).
  bool watching = false;
  bool keepable = true;
  for (std::size_t i = 0; i < components.size(); ++i) {
    const std::string& component = components[i];
    const bool first = i == 0;
    const std::string asWritten = joined(resolved, first, component);
    if (passesUnchanged(component)) {
      resolved = asWritten;
      continue;
    }
    const std::string folder = folderAfter(resolved, first);
    if (watching) keepable = resolvedPaths().watch(folder) && keepable;
    if (lexists(asWritten)) {
      resolved = asWritten;
      continue;
    }
    if (!watching) {
      watching = true;
      keepable = resolvedPaths().watch(folder) && keepable;
      // The exact name may have come between the look and the watch.
      if (lexists(asWritten)) {
        resolved = asWritten;
        continue;
      }
    }
    const std::optional<std::string> variant = folderCache().caseVariant(folder, component);
    if (!variant) return path;
    resolved = joined(resolved, first, *variant);
  }
  if (keepable) resolvedPaths().remember(path, resolved);
  return resolved;
}

}  // namespace

bool watchesSeeEveryChange(std::uint32_t fileSystemType) {
  // Shared over a network, clustered, or served by a process (FUSE): changes made on other
  // machines, or behind the server's back, reach no watch here.
  constexpr std::uint32_t kGfs2Magic = 0x01161970;
  constexpr std::uint32_t kVirtualBoxSharedFolderMagic = 0x786F4256;
  switch (fileSystemType) {
    case NFS_SUPER_MAGIC:
    case SMB_SUPER_MAGIC:
    case CIFS_SUPER_MAGIC:
    case SMB2_SUPER_MAGIC:
    case FUSE_SUPER_MAGIC:
    case V9FS_MAGIC:
    case CODA_SUPER_MAGIC:
    case AFS_SUPER_MAGIC:
    case AFS_FS_MAGIC:
    case CEPH_SUPER_MAGIC:
    case OCFS2_SUPER_MAGIC:
    case kGfs2Magic:
    case kVirtualBoxSharedFolderMagic: return false;
    default: return true;
  }
}

std::string resolvePath(const std::string& path) {
  if (std::optional<std::string> known = resolvedPaths().kept(path)) return std::move(*known);
  return takenAsWritten(path) ? path : resolveInAnyCase(path);
}

bool existsResolved(const std::string& path) {
  struct stat info {};
  return ::stat(resolvePath(path).c_str(), &info) == 0;
}

}  // namespace tov::posix

namespace tov {

std::string resolveFileName(std::string path) {
  if (std::optional<std::string> known = posix::resolvedPaths().kept(path)) return std::move(*known);
  // Handed back as it came when it exists as written: moved, not copied (a conditional
  // expression would copy it).
  if (posix::takenAsWritten(path)) return path;
  return posix::resolveInAnyCase(path);
}

}  // namespace tov
