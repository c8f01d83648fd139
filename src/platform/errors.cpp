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
    {ErrorCode::InvalidWave, "Invalid wave: the data is not a RIFF WAVE file"},
    {ErrorCode::WaveHeaderTruncated, "GetWaveData: the wave data ends inside its header"},
    {ErrorCode::WaveTooLarge, "Wave is too large"},
    {ErrorCode::StreamReadError, "Stream read error"},
    {ErrorCode::StreamWriteError, "Stream write error"},
    {ErrorCode::CannotCreateFile, "Cannot create file %s"},
    {ErrorCode::MidiValueOutOfRange, "MIDI value out of range: %s"},
    {ErrorCode::MidiNotesOverlap, "MIDI notes of the same key overlap: %s"},
    {ErrorCode::ScoreNotationInvalid, "Cannot read the score notation \"%s\""},
    {ErrorCode::MusicToolUsage, "usage: make_music MUSIC_DIR  writes the demo MIDI pieces to MUSIC_DIR"},
    {ErrorCode::PngCannotResize,
     "The \"Portable Network Graphics\" image can not be resize by changing width and height "
     "properties. Try assigning the image from a bitmap."},
    {ErrorCode::PngChunksIncompatible, "The chunks must be compatible to be assigned."},
    {ErrorCode::PngInvalidFileHeader,
     "The file being readed is not a valid \"Portable Network Graphics\" image because it "
     "contains an invalid header. This file may be corruped, try obtaining it again."},
    {ErrorCode::PngUnexpectedEnd,
     "This \"Portable Network Graphics\" image is invalid because the decoder found an "
     "unexpected end of the file."},
    {ErrorCode::PngIHDRNotFirst,
     "This \"Portable Network Graphics\" image is not supported or it might be invalid.\r\n"
     "(IHDR chunk is not the first)"},
    {ErrorCode::PngUnknownCriticalChunk,
     "This \"Portable Network Graphics\" image contains an unknown critical part which could "
     "not be decoded."},
    {ErrorCode::PngInvalidCRC,
     "This \"Portable Network Graphics\" image is not valid because it contains invalid pieces "
     "of data (crc error)"},
    {ErrorCode::PngInvalidIHDR,
     "The \"Portable Network Graphics\" image could not be loaded because one of its main piece "
     "of data (ihdr) might be corrupted"},
    {ErrorCode::PngSizeExceeds,
     "This \"Portable Network Graphics\" image is not supported because either it's width or "
     "height exceeds the maximum size, which is 65535 pixels length."},
    {ErrorCode::PngUnknownCompression,
     "This \"Portable Network Graphics\" image is encoded with an unknown compression scheme "
     "which could not be decoded."},
    {ErrorCode::PngUnknownInterlace,
     "This \"Portable Network Graphics\" image uses an unknown interlace scheme which could not "
     "be decoded."},
    {ErrorCode::PngInvalidPalette,
     "The \"Portable Network Graphics\" image contains an invalid palette."},
    {ErrorCode::PngMissingMultipleIDAT,
     "This \"Portable Network Graphics\" image is invalid because it has missing image parts."},
    {ErrorCode::PngZlibError,
     "Could not decompress the image because it contains invalid compressed data.\r\n"
     " Description: %s"},
    {ErrorCode::PngNoImageData, "This \"Portable Network Graphics\" image contains no data."},
    {ErrorCode::PngHeaderNotPresent,
     "This operation is not valid because the current image contains no valid header."},
    {ErrorCode::PngNoSuchPaletteEntry, "There is no such palette entry."},
    {ErrorCode::PngOutOfResources,
     "Some operation could not be performed because the system is out of resources. Close some "
     "windows and try again."},
    {ErrorCode::ImgDecodeUsage,
     "usage: imgdecode [--background RRGGBB] FILE OUT.ppm\n"
     "  draws FILE at its natural size over the background colour (default 000000) and writes "
     "a binary PPM"},
    {ErrorCode::MuteButtonToolUsage, "usage: make_mutebtn ASSETS_DIR  writes the main form's mute picture"},
    {ErrorCode::PngEncodeFailed, "Cannot encode PNG picture"},
    {ErrorCode::AudioErrorUnknown, "Unknown error code"},
    {ErrorCode::AudioDeviceInUse, "The audio device is already in use by this program"},
    {ErrorCode::NoSoundFont,
     "No General MIDI sound font was found in /usr/share/sounds/sf2/ or /usr/share/soundfonts/ "
     "(TOVALEER_SOUNDFONT may name one)"},
    {ErrorCode::SoundFontMissing, "The sound font %s named by TOVALEER_SOUNDFONT does not exist"},
    {ErrorCode::SoundFontNotLoaded, "Cannot load the sound font %s"},
    {ErrorCode::NotAMidiFile, "%s is not a MIDI file that the sequencer can play"},
    {ErrorCode::MidiFileTooLarge, "%s is too large for a MIDI file"},
    {ErrorCode::NotEnoughTimers, "Not enough timers available"},
    {ErrorCode::StartFileNotFound,
     "Cannot find \"%s\". Make sure the name is typed correctly, then try again."},
    {ErrorCode::StartPathNotFound,
     "Cannot start \"%s\": its folder, or the working folder given for it, does not exist."},
    {ErrorCode::StartAccessDenied, "Access to \"%s\" is denied: it may not be started."},
    {ErrorCode::StartOutOfMemory,
     "There is not enough memory, or there are too many programs running, to start \"%s\"."},
    {ErrorCode::StartSharingViolation,
     "\"%s\" is being written by another program and cannot be started now."},
    {ErrorCode::StartNoAssociation,
     "\"%s\" is not a program that this system can run, and no program is set up to open "
     "it that way."},
    {ErrorCode::StartFailed, "\"%s\" could not be started."},
    {ErrorCode::InvalidDateEncode, "Invalid argument to date encode: %s"},
    {ErrorCode::InvalidTimeEncode, "Invalid argument to time encode: %s"},
    {ErrorCode::MorphRateOutOfRange, "BlendRate must be between 0 and 256"},
    {ErrorCode::InvalidCursorResource, "Invalid cursor resource: %s"},
    {ErrorCode::CheckToolUsage,
     "usage: tovaleer-check [--strict] [--verbose] [FOLDER]\n"
     "       tovaleer-check --prepare-wine [FOLDER]"},
    {ErrorCode::CheckToolHelp,
     "Checks a program folder of Tovaleer Gr 4-5 (default: the current directory) for every file\n"
     "the menu will need: the frames of both languages in menu/, the sounds in fxsounds/,\n"
     "Sounds-afr/ and Sounds-eng/, the music in Music/, the eighteen activity programs and\n"
     "report/report.exe (and whether they can be started), the advertisement pictures add_A.jpg,\n"
     "addback_A.jpg, add_E.jpg and addback_E.jpg. Pictures, sounds and music are read the way the\n"
     "menu reads them. Names are found in any letter case, as the menu finds them (of several\n"
     "names that differ only in case, the first in byte order). Each problem is one line, then a\n"
     "summary line follows.\n"
     "\n"
     "  error:   the menu would fail: it ends, or asks a question that can end it\n"
     "           (a frame missing or undecodable, a selection tune that cannot be played)\n"
     "  warning: something will be silent or will not work (a sound, the music, an activity,\n"
     "           the report program, the advertisement screen); a Windows program that this\n"
     "           machine cannot run names the command that installs Wine or its 32-bit part\n"
     "  info:    no problem, for the record: how many names differ from the menu's only in\n"
     "           letter case, and the kinds of the programs (native, Windows 32-bit, Windows\n"
     "           64-bit, script, not runnable); Windows programs are started through Wine\n"
     "\n"
     "  --strict   warnings alone also give a non-zero exit status (3)\n"
     "  --verbose  also lists every file that is in order with each program's kind, and each\n"
     "             name found in another letter case\n"
     "\n"
     "Exit status: 0 the menu will run (warnings may remain); 1 the menu would fail;\n"
     "2 a wrong command line or no such folder; 3 warnings only, with --strict.\n"
     "\n"
     "tovaleer-check --prepare-wine [FOLDER] prepares Wine for the folder's Windows programs ahead,\n"
     "so that the first pupil's start does not wait for it: it runs wine wineboot -i, which\n"
     "creates the Wine prefix of the account that runs it (WINEPREFIX, else ~/.wine; run it as the\n"
     "pupils' account), says which prefix it prepared, and warns of programs in FOLDER that this\n"
     "machine's Wine cannot run. Exit status: 0 prepared; 1 not prepared (no wine on PATH, or\n"
     "wineboot failed); 2 a wrong command line or no such folder."},
    {ErrorCode::CheckFolderNotFound, "tovaleer-check: %s is not a folder"},
    {ErrorCode::OneInstanceDuplicate, "TOneInstance:\rAlready one TOneInstance control in this project!"},
    {ErrorCode::AdvertAssetsToolUsage,
     "usage: make_advert_assets ASSETS_DIR  writes the advertisement form's stored pictures"},
    {ErrorCode::GuardianCannotStart,
     "Cannot start the desktop guardian %s: should the menu end abnormally, the display mode, "
     "the taskbar and the mouse buttons stay as the menu left them"},
    {ErrorCode::GuardianNoAnswer,
     "The desktop guardian %s did not answer: should the menu end abnormally, the display mode, "
     "the taskbar and the mouse buttons stay as the menu left them"},
    {ErrorCode::GuardianGone,
     "The desktop guardian has ended: should the menu end abnormally, the display mode, the "
     "taskbar and the mouse buttons stay as the menu left them"},
    {ErrorCode::GuardianUsage,
     "tovaleer-guardian is started by tovaleer, which talks to it through its standard input; "
     "it is not run by hand"},
    {ErrorCode::GuardianRecordIgnored, "tovaleer-guardian: ignored a line that is not a record: %s"},
    {ErrorCode::GuardianModeGivenBack,
     "tovaleer-guardian: the menu ended without giving the display mode back; it is %s again"},
    {ErrorCode::GuardianModeNotGivenBack,
     "tovaleer-guardian: the menu ended without giving the display mode back, and %s could not "
     "be set again"},
    {ErrorCode::GuardianDocksGivenBack,
     "tovaleer-guardian: the menu ended with the taskbar hidden; %s dock window(s) shown again"},
    {ErrorCode::GuardianPointerGivenBack,
     "tovaleer-guardian: the menu ended with the mouse buttons exchanged; the pointer mapping "
     "is as it was again"},
    {ErrorCode::GuardianPointerNotGivenBack,
     "tovaleer-guardian: the menu ended with the mouse buttons exchanged, and the pointer "
     "mapping could not be put back (a button is held down)"},
    {ErrorCode::FramePictureUnreadable, "The picture %s cannot be shown:"},
    {ErrorCode::MidiFilesNotRemoved,
     "The music could not be turned off: these MIDI files in %s could not be removed. Ask "
     "whoever looks after this computer to remove them; until then the menu plays no music."},
    {ErrorCode::StartNeedsWine,
     "\"%s\" is a Windows program. To run Windows programs, this computer needs Wine, which "
     "is not installed. Ask whoever looks after this computer to install it; on Debian or "
     "Ubuntu: "},
    {ErrorCode::StartNeedsWine32Bit,
     "\"%s\" is a 32-bit Windows program. To run it, this computer needs the 32-bit part of "
     "Wine, which is not installed. Ask whoever looks after this computer to install it; on "
     "Debian or Ubuntu: "},
    {ErrorCode::InstallWineCommand, "sudo apt install wine"},
    {ErrorCode::InstallWine32BitCommand,
     "sudo dpkg --add-architecture i386 && sudo apt update && sudo apt install wine32:i386"},
    {ErrorCode::GuardianSettingGivenBack,
     "tovaleer-guardian: the menu ended without giving a desktop setting back; %s again"},
    {ErrorCode::GuardianSettingNotGivenBack,
     "tovaleer-guardian: the menu ended without giving a desktop setting back, and it could not "
     "be set again; it should be %s"},
    {ErrorCode::XwaylandConnectionLost,
     "The connection to Xwayland (%s) was lost: the X programs the menu starts no longer get "
     "Ctrl+Alt+Z or a left-handed pupil's mouse buttons"},
    {ErrorCode::JpegEmptyFile, "Empty input file"},
    {ErrorCode::JpegNotAJpegFile, "Not a JPEG file: starts with %s"},
    {ErrorCode::JpegUndecodable, "The JPEG picture cannot be decoded: %s"},
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
