// The saver window: full screen over all monitors, or a still picture inside
// the preview host. It shows the slideshow over a copy of the desktop and
// ends on a mouse jump, a mouse button or a character key.
#pragma once

#include <windows.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/datetime.h"
#include "app/settings.h"
#include "saver/caption.h"
#include "saver/input_rules.h"
#include "saver/picture_drawing.h"
#include "saver/slideshow_driver.h"
#include "saver/win/find_first.h"
#include "saver/win/zoom_window.h"
#include "imaging/picture_formats.h"
#include "imaging/win/spi_host.h"
#include "media/log_file.h"
#include "media/volume_control.h"
#include "media/win/media_player_form.h"
#include "media/win/player_forms.h"
#include "media/win/win_volume.h"
#include "media/win/win_log.h"
#include "app/win/forms.h"

namespace lumora::win {

// Handle of the preview host from the command line; 0 outside preview.
extern uint32_t PreviewParentHandle;
// Upper-cased switch character of the command line.
extern char SwitchCharacterOfCommandLine;
// The program's first command-line argument as given (the switch); the
// saver that takes over at the end gets it too.
extern std::string FirstCommandLineArgument;

class TLumora : public TForm {
 public:
  TLumora();
  ~TLumora() override;

  // Components.
  TImage ImageMain{*this};
  TImage ImageDeskTop{*this};
  TLabel LabelGroup{*this};
  TLabel Label2{*this};
  TTimer Timer1{*this};

  // Settings and folder lists read at creation.
  SaverSettings Settings;
  std::vector<std::string> PictureFolders;
  std::vector<std::string> SoundFolders;
  SavedVolumes Volumes;

  // Window state.
  bool Created = false;
  bool Activated = false;
  bool PaintedOnce = false;
  bool Closing = false;
  bool HandedOver = false;
  bool PasswordVerified = false;
  uint32_t PlatformId = 0;
  MouseReference Mouse;  // MouseArmed, LastMouseX, LastMouseY
  bool SoundPlaying = false;
  bool PictureBusy = false;
  DateTime LastShownTime = 0;
  std::vector<std::string> PictureFiles;
  std::vector<std::string> SoundFiles;
  std::mt19937 Random;

  // The two folder scanners, joined before the lists they fill go away.
  std::unique_ptr<TMFindFirst> PictureScanner;
  std::unique_ptr<TMFindFirst> SoundScanner;
  // The slideshow loop and its view of this window; the group queue is the
  // driver's.
  std::unique_ptr<SlideshowHost> DriverHost;
  std::unique_ptr<SlideshowDriver> Driver;
  bool CloseHandled = false;

  // Darkens, places and draws the pictures on ImageMain; owns the tiling
  // grid's cells and the smooth-resampling bitmap.
  std::unique_ptr<PictureComposer> Composer;
  // The window of the zoom-out effect (full screen only), and the file it
  // plays for turned pictures.
  std::unique_ptr<TZoomVideo> Video;
  static std::wstring ZoomBitmapPath();

  // The caption of the picture being prepared or drawn.
  std::string CurrentCaption;
  DayNames CaptionDayNames;

  // Picture files by extension; the plug-in host adds its formats here.
  PictureFormats Formats;
  // The Susie plug-ins of the Susie and program folders; import plug-ins
  // only, each announced extension registered with Formats.
  std::unique_ptr<win::TSPIs> SPIs;
  void SPIsSearching(const std::wstring& fileName, bool& accept);
  void SPIsSearch(win::TSPI& spi, bool& accept);
  void SPIsPictureRegister(win::TSPI& spi, const std::string& extension, const std::string& description,
                           bool& accept);
  // Larger files are refused before reading (no picture within the pixel
  // budget needs more).
  static constexpr uint64_t kMaxPictureFileBytes = 512ull << 20;

  // Output levels: set to "Volume" while the saver runs when "Change
  // Volume" is on, put back at the end (full screen only).
  WinVolumeDevices VolumeDevices;
  TVolumeControl VolumeControl1{VolumeDevices};
  // The sound player window (full screen only): the media-player control
  // when "MediaPlayer" is on, else the MCI player.
  std::unique_ptr<TFormMPlay> FormMPlay;
  std::unique_ptr<TFormMPlay2> FormMPlay2;
  void CreatePlayerWindow();

  // The display-history log (full screen only).
  WinLogStorage LogStorage;
  WinLogClock LogClock;
  TLogFile LogFile1{LogStorage, LogClock, ProgramFolder(), [] { return ProgramFileVersion(); }};
  bool LogFailureReported = false;
  // Writes a line; a log that fails is reported once in Label2 and the
  // show goes on as if it had been written.
  void WriteLogLine(const std::string& line);

  bool InPreview() const { return PreviewParentHandle != 0; }
  void ClearMouseArmed() { Mouse.armed = false; }

  void FormCreate() override;
  void FormActivate() override;
  void FormPaint() override;
  void FormCloseQuery(bool& canClose) override;
  void FormClose() override;
  void FormDestroy() override;
  void FormKeyDown(WORD key) override;
  void FormKeyPress(char32_t character) override;
  void FormMouseDown(MouseButton button, int32_t x, int32_t y) override;
  void FormMouseMove(int32_t x, int32_t y) override;
  void Timer1Timer();

  void CaptureDesktop();
  void CreateComposer();
  void ShowPreviewIcon();

  // The steps of one driver cycle; false when nothing was left just now.
  bool PlayNextSound();
  bool ShowNextPicture();
  std::string TakeNextPicture();
  std::string TakeNextSound();
  void ShowGroupLabel(int32_t number);
  uint32_t RandomBelow(uint32_t bound);
  void WaitUnlessClosing(double seconds);

 protected:
  void CreateParams(CreateParamsData& params) override;

 private:
  void HideCursor();
};

// Shows the saver as a child of the preview host (PreviewParentHandle),
// filling the host.
TLumora* StartPreview();

}  // namespace lumora::win
