#include "imaging/graphic.h"

#include <algorithm>
#include <mutex>
#include <string_view>

#include "imaging/jpeg.h"
#include "imaging/pngreader.h"

namespace tov {

namespace {

struct GraphicKind {
  std::string extension;  // upper case, no dot
  std::string className;
  GraphicFactory factory;
};

std::string upperAscii(std::string_view text) {
  std::string result(text);
  for (char& c : result)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return result;
}

std::string extensionKey(std::string_view extension) {
  if (!extension.empty() && extension.front() == '.') extension.remove_prefix(1);
  return upperAscii(extension);
}

bool sameText(std::string_view a, std::string_view b) { return upperAscii(a) == upperAscii(b); }

void addKind(std::vector<GraphicKind>& kinds, const std::string& extension,
             const std::string& className, GraphicFactory factory) {
  const std::string key = extensionKey(extension);
  auto existing = std::find_if(kinds.begin(), kinds.end(),
                               [&](const GraphicKind& k) { return k.extension == key; });
  if (existing != kinds.end()) {
    *existing = {key, className, std::move(factory)};
  } else {
    kinds.push_back({key, className, std::move(factory)});
  }
}

void addBuiltInKinds(std::vector<GraphicKind>& kinds) {
  for (const char* extension : {"JPG", "JPEG", "JPE"})
    addKind(kinds, extension, "TJPEGImage", [] { return std::make_unique<TJPEGImage>(); });
  addKind(kinds, "PNG", "TPngPicture", [] { return std::make_unique<TPngPicture>(); });
}

// Kinds are registered at start-up and looked up at every load; the lock keeps a load on
// another thread safe, and factories run outside it.
struct Registry {
  std::mutex lock;
  std::vector<GraphicKind> kinds;
  Registry() { addBuiltInKinds(kinds); }
};

Registry& registry() {
  static Registry instance;
  return instance;
}

template <typename Match>
std::unique_ptr<Graphic> createFirst(Match match) {
  GraphicFactory factory;
  {
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    auto found = std::find_if(r.kinds.begin(), r.kinds.end(), match);
    if (found == r.kinds.end()) return nullptr;
    factory = found->factory;
  }
  return factory();
}

}  // namespace

void registerGraphicKind(const std::string& extension, const std::string& className,
                         GraphicFactory factory) {
  Registry& r = registry();
  std::lock_guard guard(r.lock);
  addKind(r.kinds, extension, className, std::move(factory));
}

void unregisterGraphicKind(const std::string& className) {
  Registry& r = registry();
  std::lock_guard guard(r.lock);
  std::erase_if(r.kinds, [&](const GraphicKind& k) { return sameText(k.className, className); });
}

std::unique_ptr<Graphic> createGraphicForExtension(const std::string& extension) {
  const std::string key = extensionKey(extension);
  if (key.empty()) return nullptr;
  return createFirst([&](const GraphicKind& k) { return k.extension == key; });
}

std::unique_ptr<Graphic> createGraphicForClass(const std::string& className) {
  if (className.empty()) return nullptr;
  return createFirst([&](const GraphicKind& k) { return sameText(k.className, className); });
}

void registerBuiltInGraphicKinds() {
  Registry& r = registry();
  std::lock_guard guard(r.lock);
  addBuiltInKinds(r.kinds);
}

}  // namespace tov
