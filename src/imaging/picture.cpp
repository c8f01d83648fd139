#include "imaging/picture.h"

#include <filesystem>

#include "imaging/file_image.h"
#include "platform/errors.h"
#include "platform/file_paths.h"

namespace tov {

void Picture::loadFromFile(const std::string& fileName) {
  const std::string extension = utf8Of(pathOf(fileName).extension());
  std::unique_ptr<Graphic> graphic = createGraphicForExtension(extension);
  if (!graphic) throw EInvalidGraphic(ErrorCode::UnknownPictureExtension, extension);
  graphic->loadFromBuffer(readFileImage(fileName));
  setGraphic(std::move(graphic));
}

void Picture::loadFromStored(std::span<const std::uint8_t> stored) {
  if (stored.empty()) throw EInvalidGraphic(ErrorCode::StoredPictureTruncated);
  const std::size_t nameLength = stored[0];
  if (stored.size() - 1 < nameLength) throw EInvalidGraphic(ErrorCode::StoredPictureTruncated);
  const std::string className(stored.begin() + 1, stored.begin() + 1 + nameLength);
  const std::span<const std::uint8_t> data = stored.subspan(1 + nameLength);

  if (className.empty()) {
    if (!data.empty()) throw EInvalidGraphic(ErrorCode::StoredPictureTrailingData);
    clear();
    return;
  }
  std::unique_ptr<Graphic> graphic = createGraphicForClass(className);
  if (!graphic) throw EInvalidGraphic(ErrorCode::UnknownGraphicClass, className);
  std::size_t consumed = 0;
  graphic->readStoredData(data, consumed);
  // A length inside the data that claims less than is there is as wrong as one claiming more.
  if (consumed != data.size()) throw EInvalidGraphic(ErrorCode::StoredPictureTrailingData);
  setGraphic(std::move(graphic));
}

std::vector<std::uint8_t> Picture::saveToStored() const {
  std::vector<std::uint8_t> out;
  if (!graphic_) {
    out.push_back(0);
    return out;
  }
  const std::string className = graphic_->className();
  if (className.size() > 255)
    throw EInvalidGraphicOperation(ErrorCode::GraphicClassNameTooLong, className);
  out.push_back(std::uint8_t(className.size()));
  out.insert(out.end(), className.begin(), className.end());
  graphic_->writeStoredData(out);
  return out;
}

void Picture::assign(const Picture& other) {
  setGraphic(other.graphic_ ? other.graphic_->clone() : nullptr);
}

void Picture::setGraphic(std::unique_ptr<Graphic> graphic) {
  graphic_ = std::move(graphic);
  ++generation_;
}

void Picture::clear() {
  graphic_.reset();
  ++generation_;
}

}  // namespace tov
