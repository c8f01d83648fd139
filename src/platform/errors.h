#pragma once
// The one base of every error this program raises, and the one table of error texts.
// Classes keep the names people know from the messages they see (EJPEG, EInvalidWave...);
// the text of each fixed message lives in errorText() and nowhere else.

#include <exception>
#include <string>

namespace tov {

enum class ErrorCode {
  UnknownPictureExtension,  // %s: the extension, with its dot
  UnknownGraphicClass,      // %s: the stored class name
  StoredPictureTruncated,
  PictureTooLarge,
  CannotOpenFile,           // %s: the file name
  FileReadError,            // %s: the file name
  IntervalNotCompatible,
  StoredPictureTrailingData,
  GraphicClassNameTooLong,  // %s: the class name
  CannotOpenXDisplay,       // %s: the display name
  XServerConnectionLost,
  UnknownError,             // something thrown that is not an error of this program
  CannotCreateFolder,       // %s: the folder
  CannotWriteFile,          // %s: the file name
  JpegEncodeFailed,         // %s: libjpeg's message
  SuiteToolUsage,
  InvalidWave,
  WaveHeaderTruncated,      // begins "GetWaveData: ", the name of the check people know
  WaveTooLarge,
  StreamReadError,
  StreamWriteError,
  CannotCreateFile,         // %s: the file name
  MidiValueOutOfRange,      // %s: which value, and the value
  MidiNotesOverlap,         // %s: channel, key and tick
  ScoreNotationInvalid,     // %s: the token that cannot be read
  MusicToolUsage,
  PngCannotResize,
  PngChunksIncompatible,
  PngInvalidFileHeader,
  PngUnexpectedEnd,
  PngIHDRNotFirst,
  PngUnknownCriticalChunk,
  PngInvalidCRC,
  PngInvalidIHDR,
  PngSizeExceeds,
  PngUnknownCompression,
  PngUnknownInterlace,
  PngInvalidPalette,
  PngMissingMultipleIDAT,
  PngZlibError,             // %s: zlib's text for the error
  PngNoImageData,
  PngHeaderNotPresent,
  PngNoSuchPaletteEntry,
  PngOutOfResources,
  ImgDecodeUsage,
  MuteButtonToolUsage,
  PngEncodeFailed,
  AudioErrorUnknown,        // a sound service failed without saying why
  AudioDeviceInUse,
  NoSoundFont,
  SoundFontMissing,         // %s: the file named by TOVALEER_SOUNDFONT
  SoundFontNotLoaded,       // %s: the sound font file
  NotAMidiFile,             // %s: the file name
  MidiFileTooLarge,         // %s: the file name
  NotEnoughTimers,
  StartFileNotFound,        // %s: the file to start
  StartPathNotFound,        // %s: the file to start
  StartAccessDenied,        // %s: the file to start
  StartOutOfMemory,         // %s: the file to start
  StartSharingViolation,    // %s: the file to start
  StartNoAssociation,       // %s: the file to start
  StartFailed,              // %s: the file to start
  InvalidDateEncode,        // %s: year-month-day as given
  InvalidTimeEncode,        // %s: hour:minute:second.millisecond as given
  MorphRateOutOfRange,
  InvalidCursorResource,    // %s: what is wrong with it
  CheckToolUsage,
  CheckToolHelp,
  CheckFolderNotFound,      // %s: the folder given
  OneInstanceDuplicate,     // a second TOneInstance in the program
  AdvertAssetsToolUsage,
  GuardianCannotStart,      // %s: the guardian's file and the system's reason
  GuardianNoAnswer,         // %s: the guardian's file
  GuardianGone,
  GuardianUsage,
  GuardianRecordIgnored,    // %s: the line that is not a record
  GuardianModeGivenBack,    // %s: the size, as 1024x768
  GuardianModeNotGivenBack, // %s: the size, as 1024x768
  GuardianDocksGivenBack,   // %s: how many dock windows
  GuardianPointerGivenBack,
  GuardianPointerNotGivenBack,
  FramePictureUnreadable,   // %s: the frame's file name
  MidiFilesNotRemoved,      // %s: the music folder
  StartNeedsWine,           // %s: the Windows program; InstallWineCommand follows
  StartNeedsWine32Bit,      // %s: the 32-bit Windows program; InstallWine32BitCommand follows
  InstallWineCommand,       // Debian's and Ubuntu's command that installs Wine
  InstallWine32BitCommand,  // and the one that adds its 32-bit part
  GuardianSettingGivenBack,     // %s: the setting and its value, as "org.gnome.desktop.peripherals.mouse left-handed false"
  GuardianSettingNotGivenBack,  // %s: the same
  XwaylandConnectionLost,       // %s: Xwayland's display, as :0
  JpegEmptyFile,                // libjpeg's text, which the other decoders give too
  JpegNotAJpegFile,             // %s: the first two bytes, as 0x47 0x49
  JpegUndecodable,              // %s: the decoder's reason
};

// The fixed text of an error, with "%s" where a detail goes.
const char* errorText(ErrorCode code);

// errorText() with its "%s" replaced by detail.
std::string formatError(ErrorCode code, const std::string& detail = {});

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  Exception(ErrorCode code, const std::string& detail = {}) : message_(formatError(code, detail)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& message() const noexcept { return message_; }
  virtual const char* className() const noexcept { return "Exception"; }

 private:
  std::string message_;
};

// Declares an error class NAME derived from BASE whose className() is its own name.
#define TOV_DECLARE_ERROR(NAME, BASE)                                          \
  class NAME : public BASE {                                                   \
   public:                                                                     \
    using BASE::BASE;                                                          \
    const char* className() const noexcept override { return #NAME; }          \
  }

TOV_DECLARE_ERROR(EInvalidGraphic, Exception);      // a picture the layer cannot read
TOV_DECLARE_ERROR(EInvalidGraphicOperation, Exception);
TOV_DECLARE_ERROR(EOutOfMemory, Exception);
TOV_DECLARE_ERROR(EFOpenError, Exception);          // a file that exists but cannot be opened
TOV_DECLARE_ERROR(EReadError, Exception);
TOV_DECLARE_ERROR(EWriteError, Exception);
TOV_DECLARE_ERROR(EFCreateError, Exception);        // a file that cannot be created or overwritten

TOV_DECLARE_ERROR(EOutOfResources, Exception);      // the system refused a timer or another resource
TOV_DECLARE_ERROR(EConvertError, Exception);        // a value that cannot be converted (an impossible date)
}  // namespace tov
