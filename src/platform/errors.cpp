#include "platform/errors.h"

namespace tov {

namespace {
struct ErrorEntry {
  ErrorCode code;
  const char* text;
};

constexpr ErrorEntry kErrorTexts[] = {
    {ErrorCode::UnknownPictureExtension, "Unknown picture file extension (%s)"},
    {ErrorCode::UnknownGraphicClass, "Unknown graphic class \"%s\" in a stored picture"},
    {ErrorCode::StoredPictureTruncated, "Stored picture is truncated"},
    {ErrorCode::PictureTooLarge, "Picture is too large"},
    {ErrorCode::CannotOpenFile, "Cannot open file %s"},
    {ErrorCode::FileReadError, "Cannot read file %s"},
    {ErrorCode::IntervalNotCompatible, "Interval not compatible with MinInterval property!"},
    {ErrorCode::StoredPictureTrailingData, "Stored picture has data after its end"},
    {ErrorCode::GraphicClassNameTooLong, "Graphic class name \"%s\" is too long to be stored"},
    {ErrorCode::CannotOpenXDisplay, "Cannot open the X display \"%s\""},
    {ErrorCode::XServerConnectionLost, "The connection to the X server was lost"},
    {ErrorCode::UnknownError, "Unknown error"},
    {ErrorCode::CannotCreateFolder, "Cannot create folder %s"},
    {ErrorCode::CannotWriteFile, "Cannot write file %s"},
    {ErrorCode::JpegEncodeFailed, "Cannot encode JPEG picture: %s"},
    {ErrorCode::SuiteToolUsage,
     "usage: make_suite SUITE_DIR            writes the demo frames to SUITE_DIR/menu/\n"
     "       make_suite --assets ASSETS_DIR  writes the form's stored pictures"},
};
}  // namespace

const char* errorText(ErrorCode code) {
  for (const ErrorEntry& e : kErrorTexts)
    if (e.code == code) return e.text;
  return "Unknown error";
}

std::string formatError(ErrorCode code, const std::string& detail) {
  std::string text = errorText(code);
  if (auto at = text.find("%s"); at != std::string::npos) text.replace(at, 2, detail);
  return text;
}

}  // namespace tov
