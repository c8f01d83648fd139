#pragma once
// Picture: a container of one graphic of any registered kind.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "imaging/graphic.h"

namespace tov {

class Picture {
 public:
  Picture() = default;
  Picture(const Picture& other) { assign(other); }
  Picture& operator=(const Picture& other) {
    if (this != &other) assign(other);
    return *this;
  }

  // Chooses the kind by the file's extension (EInvalidGraphic when none is registered),
  // reads the file (EFOpenError when it cannot be opened) and replaces the graphic. On any
  // failure the picture keeps what it held.
  void loadFromFile(const std::string& fileName);
  // Reads the stored-picture format: class-name length byte, class name, the kind's data.
  // The span holds exactly one picture: a short one and one with bytes left over after the
  // kind's data both raise EInvalidGraphic, as does an unknown class. An empty class name (a
  // single 0 byte) is the stored form of an empty picture. On failure the picture is kept.
  void loadFromStored(std::span<const std::uint8_t> stored);
  std::vector<std::uint8_t> saveToStored() const;

  // Copies the other picture's graphic (a deep copy), or clears when it holds none.
  void assign(const Picture& other);
  void setGraphic(std::unique_ptr<Graphic> graphic);
  void clear();

  const Graphic* graphic() const { return graphic_.get(); }
  bool empty() const { return !graphic_ || graphic_->empty(); }
  int width() const { return graphic_ ? graphic_->width() : 0; }
  int height() const { return graphic_ ? graphic_->height() : 0; }

  // Bumped at every change, so that views can tell they must repaint.
  std::uint64_t generation() const { return generation_; }

 private:
  std::unique_ptr<Graphic> graphic_;
  std::uint64_t generation_ = 0;
};

}  // namespace tov
