#include "platform/posix/file_names.h"

#include "platform/file_names.h"

#include <dirent.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

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

// Whole answers, so that a name asked again in another case costs its failed exact lookup and
// little more: no folder is read or stat'ed. The folders an answer was read from are watched
// with inotify, and any change in any of them forgets every answer (and every listing, which
// the same change may have made stale). Without inotify (no more watches, or a file system
// that reports nothing) no answer is kept and each lookup walks the path.
class ResolvedPaths {
 public:
  ResolvedPaths() : inotify_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}
  ~ResolvedPaths() {
    if (inotify_ >= 0) ::close(inotify_);
  }
  ResolvedPaths(const ResolvedPaths&) = delete;
  ResolvedPaths& operator=(const ResolvedPaths&) = delete;

  std::optional<std::string> find(const std::string& asked) {
    std::lock_guard lock(mutex_);
    forgetIfChanged();
    const auto found = answers_.find(asked);
    if (found == answers_.end()) return std::nullopt;
    return found->second;
  }

  void remember(const std::string& asked, const std::string& resolved, const std::vector<std::string>& folders) {
    std::lock_guard lock(mutex_);
    if (inotify_ < 0) return;
    for (const std::string& folder : folders)
      if (::inotify_add_watch(inotify_, folder.c_str(), kFolderChanges) < 0) return;
    if (answers_.size() >= kMaxAnswers) answers_.clear();
    answers_[asked] = resolved;
  }

 private:
  static constexpr std::uint32_t kFolderChanges =
      IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
  static constexpr std::size_t kMaxAnswers = 4096;

  void forgetIfChanged() {
    if (inotify_ < 0) return;
    alignas(inotify_event) char events[4096];
    bool changed = false;
    while (::read(inotify_, events, sizeof events) > 0) changed = true;
    if (!changed) return;
    answers_.clear();
    folderCache().forgetAll();
  }

  int inotify_;
  std::mutex mutex_;
  std::unordered_map<std::string, std::string> answers_;
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

}  // namespace

bool takenAsWritten(const std::string& path) {
  return path.empty() || path.find('\0') != std::string::npos || lexists(path);
}

std::string resolvePath(const std::string& path) { return takenAsWritten(path) ? path : resolveInAnyCase(path); }

std::string resolveInAnyCase(const std::string& path) {
  if (std::optional<std::string> known = resolvedPaths().find(path)) return *known;
  const std::vector<std::string> components = splitComponents(path);
  std::string resolved;
  // The folders whose changes can change the answer: every one from the first name found in
  // another case on (above it, the names exist as written, and the exact name wins).
  std::vector<std::string> foldersRead;
  for (std::size_t i = 0; i < components.size(); ++i) {
    const std::string& component = components[i];
    const bool first = i == 0;
    const std::string folder = folderAfter(resolved, first);
    if (!foldersRead.empty() && !passesUnchanged(component)) foldersRead.push_back(folder);
    const std::string asWritten = joined(resolved, first, component);
    if (passesUnchanged(component) || lexists(asWritten)) {
      resolved = asWritten;
      continue;
    }
    const std::optional<std::string> variant = folderCache().caseVariant(folder, component);
    if (!variant) return path;
    if (foldersRead.empty()) foldersRead.push_back(folder);
    resolved = joined(resolved, first, *variant);
  }
  resolvedPaths().remember(path, resolved, foldersRead);
  return resolved;
}

bool existsResolved(const std::string& path) {
  struct stat info {};
  return ::stat(resolvePath(path).c_str(), &info) == 0;
}

}  // namespace tov::posix

namespace tov {

std::string resolveFileName(std::string path) {
  // Handed back as it came when it exists as written: no copy on the common path.
  return posix::takenAsWritten(path) ? path : posix::resolveInAnyCase(path);
}

}  // namespace tov
