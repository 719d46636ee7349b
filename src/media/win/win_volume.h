// The system's volume calls for the volume component: auxiliary (CD audio),
// wave output and MIDI output devices by number.
#pragma once

#include "media/volume_control.h"

namespace lumora::win {

class WinVolumeDevices final : public VolumeDevices {
 public:
  bool Read(int channel, int32_t device, uint32_t& volume) override;
  void Write(int channel, int32_t device, uint32_t volume) override;
};

}  // namespace lumora::win
