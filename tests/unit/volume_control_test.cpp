#include "media/volume_control.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "app/memory_registry.h"

namespace lumora {
namespace {

// Devices with a stored volume per channel; channel 2 (MIDI) may be absent.
class Devices : public VolumeDevices {
 public:
  std::map<int, uint32_t> volume{{0, 0}, {1, 0}, {2, 0}};
  bool midiPresent = true;
  std::vector<std::pair<int, uint32_t>> writes;
  bool Read(int channel, int32_t, uint32_t& v) override {
    if (channel == 2 && !midiPresent) return false;
    v = volume[channel];
    return true;
  }
  void Write(int channel, int32_t, uint32_t v) override {
    writes.push_back({channel, v});
    if (channel != 2 || midiPresent) volume[channel] = v;
  }
};

class Bar : public VolumeTrackBar {
 public:
  int minimum = -1, maximum = -1, position = 0;
  bool vertical = false;
  std::function<void()> onChange;
  void SetRange(int lo, int hi) override { minimum = lo, maximum = hi; }
  int Position() const override { return position; }
  void SetPosition(int p) override { position = p; }
  bool Vertical() const override { return vertical; }
  void SetOnChange(std::function<void()> f) override { onChange = std::move(f); }
};

TEST(VolumeControl, LevelsAreTheMeanOfBothHalvesOver256) {
  Devices devices;
  TVolumeControl volume(devices);
  devices.volume[1] = 0x00008000;  // left 0x8000, right 0
  EXPECT_EQ(volume.WaveVolume(), 64);
  devices.volume[1] = 0xFFFFFFFF;
  EXPECT_EQ(volume.GetVolume(1), 255);
  volume.SetVolume(1, 200);
  EXPECT_EQ(devices.volume[1], 0xC800C800u);
  // A missing MIDI device reads as 0 and its writes go nowhere.
  devices.midiPresent = false;
  EXPECT_EQ(volume.MidiVolume(), 0);
  EXPECT_NO_THROW(volume.SetVolume(2, 10));
  // No device configured: nothing is read or written.
  volume.DeviceIds[0] = TVolumeControl::kNoDevice;
  devices.writes.clear();
  volume.SetVolume(0, 99);
  EXPECT_TRUE(devices.writes.empty());
}

TEST(VolumeControl, ChannelsAndLevelsOutOfRangeRaiseAndChangeNothing) {
  Devices devices;
  TVolumeControl volume(devices);
  EXPECT_THROW(volume.SetVolume(1, 256), VolumeRangeError);
  EXPECT_THROW(volume.SetVolume(1, -1), VolumeRangeError);
  EXPECT_THROW(volume.GetVolume(3), VolumeRangeError);
  EXPECT_THROW(volume.SetVolume(3, 0), VolumeRangeError);
  EXPECT_TRUE(devices.writes.empty());
}

TEST(VolumeControl, TrackBarsFollowTheLevelsAndSetThem) {
  Devices devices;
  devices.volume[1] = 0x64006400;  // level 100
  Bar horizontal, vertical;  // outlive the component, which unhooks them
  vertical.vertical = true;
  TVolumeControl volume(devices);
  volume.SetTrackBar(1, &horizontal);
  volume.SetTrackBar(2, &vertical);
  EXPECT_EQ(horizontal.maximum, 255);
  EXPECT_EQ(horizontal.position, 100);
  EXPECT_EQ(vertical.position, 255);  // level 0, drawn upside down
  vertical.position = 0;              // top of a vertical bar: loudest
  vertical.onChange();
  EXPECT_EQ(devices.volume[2], 0xFF00FF00u);
  volume.TrackBarDestroyed(&horizontal);
  EXPECT_EQ(volume.TrackBar(1), nullptr);
}

// The saver's sequence over the real settings reader: levels recorded at
// start, the stored level set, the recorded levels restored at close.
TEST(VolumeControl, SaverRecordsSetsAndRestoresButAPreviewChangesNothing) {
  for (bool preview : {false, true}) {
    MemoryRegistry registry;
    registry.LoadRegFile(
        "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Orvane\\Lumora]\n"
        "\"Draw Wait\"=dword:00000005\n\"MediaPlayer\"=dword:00000000\n\"End Option\"=dword:00000002\n"
        "\"Change Volume\"=dword:00000001\n\"Volume\"=dword:0000012c\n");
    Devices devices;
    devices.volume[1] = 0x50005000;  // level 80
    devices.volume[2] = 0x20002000;  // level 32
    TVolumeControl volume(devices);
    SaverSettings settings;
    std::vector<std::string> pictures, sounds;
    SavedVolumes saved;
    SettingsHooks hooks;
    hooks.volume = VolumeForSettings(preview, volume);
    ReadSettings(registry, settings, pictures, sounds, saved, hooks);
    if (preview) {
      EXPECT_TRUE(devices.writes.empty()) << "a preview changed the volume";
      continue;  // and a preview restores nothing at its end
    }
    // "Volume" 300 is level 44 (its low 8 bits) on the wave and MIDI outputs.
    EXPECT_EQ(devices.writes, (std::vector<std::pair<int, uint32_t>>{{1, 0x2C002C00}, {2, 0x2C002C00}}));
    RestoreVolumes(volume, settings, saved);
    EXPECT_EQ(devices.volume[1], 0x50005000u);
    EXPECT_EQ(devices.volume[2], 0x20002000u);
  }
}

}  // namespace
}  // namespace lumora
