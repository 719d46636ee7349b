#include "media/win/win_volume.h"

#include <windows.h>
#include <mmsystem.h>

namespace lumora::win {

bool WinVolumeDevices::Read(int channel, int32_t device, uint32_t& volume) {
  DWORD value = 0;
  MMRESULT result = MMSYSERR_BADDEVICEID;
  const auto id = static_cast<UINT>(device);
  switch (channel) {
    case 0: result = ::auxGetVolume(id, &value); break;
    // The wave and MIDI calls take a device number in place of a handle.
    case 1: result = ::waveOutGetVolume(reinterpret_cast<HWAVEOUT>(static_cast<UINT_PTR>(id)), &value); break;
    case 2: result = ::midiOutGetVolume(reinterpret_cast<HMIDIOUT>(static_cast<UINT_PTR>(id)), &value); break;
    default: break;
  }
  volume = value;
  return result == MMSYSERR_NOERROR;
}

void WinVolumeDevices::Write(int channel, int32_t device, uint32_t volume) {
  const auto id = static_cast<UINT>(device);
  switch (channel) {
    case 0: ::auxSetVolume(id, volume); break;
    case 1: ::waveOutSetVolume(reinterpret_cast<HWAVEOUT>(static_cast<UINT_PTR>(id)), volume); break;
    case 2: ::midiOutSetVolume(reinterpret_cast<HMIDIOUT>(static_cast<UINT_PTR>(id)), volume); break;
    default: break;
  }
}

}  // namespace lumora::win
