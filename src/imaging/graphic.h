#pragma once
// A graphic of any kind the picture layer reads, and the registry of kinds by file extension
// and by stored class name.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "imaging/bitmap.h"

namespace tov {

class Graphic {
 public:
  virtual ~Graphic() = default;
  // The class name written before the data when the graphic is stored with a form.
  virtual const char* className() const = 0;
  virtual int width() const = 0;
  virtual int height() const = 0;
  virtual bool empty() const = 0;
  virtual bool transparent() const { return false; }

  // Draws the graphic into dest (scaled when dest differs from its size).
  virtual void draw(Canvas& canvas, const Rect& dest) const = 0;

  // Reads the whole graphic from a file image in memory; on failure throws and keeps the
  // graphic as it was.
  virtual void loadFromMemory(std::span<const std::uint8_t> data) = 0;
  // The same, for a file image the caller gives away: a kind that keeps the file's bytes
  // takes the buffer instead of copying it.
  virtual void loadFromBuffer(std::vector<std::uint8_t>&& data) { loadFromMemory(data); }
  // The data part of the stored-picture format (what follows the class name).
  virtual void readStoredData(std::span<const std::uint8_t> data, std::size_t& consumed) = 0;
  virtual void writeStoredData(std::vector<std::uint8_t>& out) const = 0;

  virtual std::unique_ptr<Graphic> clone() const = 0;
};

using GraphicFactory = std::function<std::unique_ptr<Graphic>()>;

// Kinds register themselves once; extensions are compared without regard to letter case
// and are given without the dot ("JPG"; a leading dot is ignored). Class names are compared
// without regard to letter case too. Registering an extension again replaces its kind. The
// registry starts out holding the built-in kinds.
void registerGraphicKind(const std::string& extension, const std::string& className,
                         GraphicFactory factory);
void unregisterGraphicKind(const std::string& className);
std::unique_ptr<Graphic> createGraphicForExtension(const std::string& extension);  // null: none
std::unique_ptr<Graphic> createGraphicForClass(const std::string& className);     // null: none

// Registers the kinds the program is built with: JPEG and PNG.
void registerBuiltInGraphicKinds();

}  // namespace tov
