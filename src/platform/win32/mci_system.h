#pragma once
// The calls of winmm that the music player makes: the MCI commands, the system's text for
// their errors, and the number of MIDI outputs. A double stands in for them in the tests:
// under Wine there is no MIDI device to play to, and MCI answers "play" with success anyway.

#include <windows.h>
#include <mmsystem.h>

#include <string>

namespace tov::win32 {

class IMciSystem {
 public:
  virtual ~IMciSystem() = default;
  // mciSendCommandW: parameters points to the command's own MCI_..._PARMS structure.
  virtual MCIERROR sendCommand(MCIDEVICEID device, UINT command, DWORD_PTR flags, void* parameters) = 0;
  // mciGetErrorStringW's text, in UTF-8; empty when the system has none for the code.
  virtual std::string errorText(MCIERROR error) = 0;
  // midiOutGetNumDevs: the outputs the sequencer can play to.
  virtual unsigned midiOutputCount() = 0;
};

// winmm's own, for the life of the program.
IMciSystem& systemMci();

}  // namespace tov::win32
