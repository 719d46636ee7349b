#include "media/volume_control.h"

#include <string>

namespace lumora {

TVolumeControl::~TVolumeControl() {
  for (VolumeTrackBar* bar : trackBars_) {
    if (bar) bar->SetOnChange({});
  }
}

void TVolumeControl::CheckChannel(int channel) {
  if (channel < 0 || channel >= kChannels) throw VolumeRangeError("Range check error: channel " + std::to_string(channel));
}

int TVolumeControl::GetVolume(int channel) {
  CheckChannel(channel);
  uint32_t volume = 0;
  const int32_t device = DeviceIds[static_cast<size_t>(channel)];
  if (device == kNoDevice || !devices_.Read(channel, device, volume)) volume = 0;
  return static_cast<int>(((volume & 0xFFFFu) + (volume >> 16)) >> 9);
}

void TVolumeControl::SetVolume(int channel, int level) {
  CheckChannel(channel);
  const int32_t device = DeviceIds[static_cast<size_t>(channel)];
  if (device == kNoDevice) return;
  if (level < 0 || level > 255) throw VolumeRangeError("Range check error: level " + std::to_string(level));
  devices_.Write(channel, device, static_cast<uint32_t>(level) * 0x01000100u);
}

void TVolumeControl::SetTrackBar(int channel, VolumeTrackBar* bar) {
  CheckChannel(channel);
  if (trackBars_[static_cast<size_t>(channel)] == bar) return;
  trackBars_[static_cast<size_t>(channel)] = bar;
  SyncTrackBars();
}

VolumeTrackBar* TVolumeControl::TrackBar(int channel) const {
  CheckChannel(channel);
  return trackBars_[static_cast<size_t>(channel)];
}

void TVolumeControl::SyncTrackBars() {
  for (int channel = 0; channel < kChannels; ++channel) {
    VolumeTrackBar* bar = trackBars_[static_cast<size_t>(channel)];
    if (!bar) continue;
    bar->SetRange(0, 255);
    const int level = GetVolume(channel);
    bar->SetPosition(bar->Vertical() ? 255 - level : level);
    bar->SetOnChange([this, bar] { TrackBarChanged(bar); });
  }
}

void TVolumeControl::TrackBarChanged(VolumeTrackBar* bar) {
  for (int channel = 0; channel < kChannels; ++channel) {
    if (trackBars_[static_cast<size_t>(channel)] != bar) continue;
    const int position = bar->Position();
    SetVolume(channel, bar->Vertical() ? 255 - position : position);
  }
}

void TVolumeControl::TrackBarDestroyed(VolumeTrackBar* bar) {
  for (VolumeTrackBar*& linked : trackBars_) {
    if (linked == bar) linked = nullptr;
  }
}

VolumeLevels* VolumeForSettings(bool preview, TVolumeControl& volume) { return preview ? nullptr : &volume; }

void RestoreVolumes(VolumeLevels& volume, const SaverSettings& settings, const SavedVolumes& saved) {
  if (!settings.ChangeVolume) return;
  for (const auto& [channel, level] : {std::pair{1, saved.SavedVolume1}, std::pair{2, saved.SavedVolume2}}) {
    try {
      volume.SetVolume(channel, level % 256);
    } catch (...) {
      // A level that cannot be put back stays as it is.
    }
  }
}

}  // namespace lumora
