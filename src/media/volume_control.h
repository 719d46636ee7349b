// The volume component: reads and sets the output levels of three channels
// (0 the auxiliary CD audio device, 1 the wave output, 2 the MIDI output) as
// levels 0 … 255, and keeps linked track bars in step with them. The saver
// sets the stored level while it runs and puts the previous levels back at
// the end; the dialog shows the wave level.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <stdexcept>

#include "app/settings.h"

namespace lumora {

// The system's volume calls. A volume holds the left level in its low 16
// bits and the right level in its high 16 bits.
class VolumeDevices {
 public:
  virtual ~VolumeDevices() = default;
  // False when the device cannot be read.
  virtual bool Read(int channel, int32_t device, uint32_t& volume) = 0;
  // Failures are not reported.
  virtual void Write(int channel, int32_t device, uint32_t volume) = 0;
};

// A track bar linked to a channel.
class VolumeTrackBar {
 public:
  virtual ~VolumeTrackBar() = default;
  virtual void SetRange(int minimum, int maximum) = 0;
  virtual int Position() const = 0;
  virtual void SetPosition(int position) = 0;
  virtual bool Vertical() const = 0;
  virtual void SetOnChange(std::function<void()> onChange) = 0;
};

class VolumeRangeError : public std::out_of_range {
 public:
  using std::out_of_range::out_of_range;
};

class TVolumeControl : public VolumeLevels {
 public:
  static constexpr int kChannels = 3;
  static constexpr int32_t kNoDevice = -1;

  explicit TVolumeControl(VolumeDevices& devices) : devices_(devices) {}
  ~TVolumeControl() override;
  TVolumeControl(const TVolumeControl&) = delete;
  TVolumeControl& operator=(const TVolumeControl&) = delete;

  // Device of each channel: 0 the first device of its kind, kNoDevice none
  // (reads give 0, writes do nothing).
  std::array<int32_t, kChannels> DeviceIds{0, 0, 0};
  // Interval of the shell's timer that calls SyncTrackBars, milliseconds.
  int32_t Interval = 500;

  // The level: (left + right) >> 9, 0 when the device cannot be read.
  // Raises VolumeRangeError for a channel outside 0 … 2.
  int GetVolume(int channel) override;
  // Both halves to level × 256. Raises VolumeRangeError for a channel
  // outside 0 … 2 or a level outside 0 … 255, and then changes nothing.
  void SetVolume(int channel, int level) override;

  int CDVolume() { return GetVolume(0); }
  int WaveVolume() { return GetVolume(1); }
  int MidiVolume() { return GetVolume(2); }

  // Links the bar (or none) to the channel and brings it up to date.
  void SetTrackBar(int channel, VolumeTrackBar* bar);
  VolumeTrackBar* TrackBar(int channel) const;
  // Every linked bar: range 0 … 255, the channel's level (255 − level when
  // vertical), and this component as its change handler.
  void SyncTrackBars();
  // The bar moved: the channels linked to it take its level.
  void TrackBarChanged(VolumeTrackBar* bar);
  // The bar is going away: its links are cleared.
  void TrackBarDestroyed(VolumeTrackBar* bar);

 private:
  static void CheckChannel(int channel);

  VolumeDevices& devices_;
  std::array<VolumeTrackBar*, kChannels> trackBars_{};
};

// The saver window's part: the volume component lent to the settings
// reader (which records the levels and sets the stored one), none in
// preview, so that a preview never changes the user's volume.
VolumeLevels* VolumeForSettings(bool preview, TVolumeControl& volume);

// At the end of the full-screen saver, with "Change Volume" on: the levels
// recorded at the start go back to the wave and MIDI outputs, each on its
// own, every error ignored.
void RestoreVolumes(VolumeLevels& volume, const SaverSettings& settings, const SavedVolumes& saved);

}  // namespace lumora
