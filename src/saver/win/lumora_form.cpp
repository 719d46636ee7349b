#include "saver/win/lumora_form.h"

#include <shlobj.h>

#include <cmath>
#include <cstdlib>

#include "app/text.h"
#include "app/win/handles.h"
#include "app/win/utilities.h"
#include "app/win/wide.h"
#include "app/win/win_registry.h"
#include "app/file_bytes.h"
#include "imaging/bmp_write.h"
#include "imaging/exif.h"
#include "imaging/win/metafile.h"
#include "imaging/win/spi_graphic.h"
#include "saver/composition.h"
#include "saver/file_queue.h"
#include "saver/picture_step.h"
#include "saver/win/caption_draw.h"
#include "saver/zoom_effect.h"

namespace lumora::win {

uint32_t PreviewParentHandle = 0;
char SwitchCharacterOfCommandLine = 0;
std::string FirstCommandLineArgument;

namespace {

HWND PreviewHost() { return reinterpret_cast<HWND>(static_cast<uintptr_t>(PreviewParentHandle)); }

using VerifyScreenSavePwdFn = BOOL(WINAPI*)(HWND);

// What the slideshow loop sees of the saver window.
class SaverDriverHost : public SlideshowHost {
 public:
  explicit SaverDriverHost(TLumora& saver) : saver_(saver) {}

  bool Closing() override { return saver_.Closing; }
  void SetClosing() override { saver_.Closing = true; }
  void CloseWindow() override { saver_.Close(); }
  bool PlayNextSound() override { return saver_.PlayNextSound(); }
  bool ShowNextPicture() override { return saver_.ShowNextPicture(); }
  void ShowGroupLabel(int32_t number) override { saver_.ShowGroupLabel(number); }
  void HideGroupLabel() override {
    if (saver_.LabelGroup.visible) {
      saver_.LabelGroup.visible = false;
      saver_.Invalidate();
    }
  }
  void LoadGroupFolders(int32_t group) override {
    WinRegistry registry;
    SettingsHooks hooks;
    hooks.closing = [this] { return saver_.Closing; };
    hooks.yield = [] { win::YieldToMessages(); };
    lumora::LoadGroupFolders(registry, group, saver_.PictureFolders, hooks);
  }
  bool PicturePassDone() override { return saver_.PictureScanner && saver_.PictureScanner->PassDone; }
  void ResumePictureScanner() override {
    if (saver_.PictureScanner) saver_.PictureScanner->Resume();
  }
  bool SoundPassDone() override { return saver_.SoundScanner && saver_.SoundScanner->PassDone; }
  void ResumeSoundScanner() override {
    if (saver_.SoundScanner) saver_.SoundScanner->Resume();
  }
  bool HasSoundFolders() override { return !saver_.SoundFolders.empty(); }
  void YieldToMessages() override { win::YieldToMessages(); }
  void WaitSeconds(double seconds) override { saver_.WaitUnlessClosing(seconds); }
  void Sleep(uint32_t milliseconds) override {
    if (!saver_.Closing) ::Sleep(milliseconds);
  }
  uint32_t Random(uint32_t bound) override { return saver_.RandomBelow(bound); }
  bool FileExists(const std::string& path) override {
    const DWORD attributes = ::GetFileAttributesW(Wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
  }
  void RunCommandLine(const std::string& commandLine) override { win::RunCommandLine(Wide(commandLine)); }
  std::string FirstArgument() override { return FirstCommandLineArgument; }
  bool HandedOver() override { return saver_.HandedOver; }
  void SetHandedOver() override { saver_.HandedOver = true; }
  void ClearMouseArmed() override { saver_.ClearMouseArmed(); }
  void WriteLog(const std::string& line) override { saver_.WriteLogLine(line); }
  std::string NowText() override { return saver_.LogFile1.NowText(); }

 private:
  TLumora& saver_;
};

}  // namespace

TLumora::TLumora() : TForm(L"TLumora", L"Lumora") {
  RegisterBuiltInFormats(Formats);
  Formats.Register("wmf", DecodeWindowsMetafile);
  Formats.Register("emf", DecodeEnhancedMetafile);
  SPIs = CreateFormHost(*this, Formats);
  DriverHost = std::make_unique<SaverDriverHost>(*this);
  Driver = std::make_unique<SlideshowDriver>(*DriverHost, Settings);
}

void TLumora::SPIsSearching(const std::wstring&, bool& accept) { accept = true; }

void TLumora::SPIsSearch(TSPI& spi, bool& accept) { accept = spi.GetKind() == TSPI::Kind::kIn; }

void TLumora::SPIsPictureRegister(TSPI&, const std::string& extension, const std::string&, bool& accept) {
  // "*.*" would stand for every file; every real extension, jpg and bmp
  // included, goes to the plug-in that announces it.
  if (extension == "*") accept = false;
}

TLumora::~TLumora() {
  // The workers hold references to the lists: join them first.
  PictureScanner.reset();
  SoundScanner.reset();
}

void TLumora::CreateParams(CreateParamsData& params) {
  if (InPreview()) {
    params.parent = PreviewHost();
    params.style = (params.style & ~WS_POPUP) | WS_CHILD;
  }
}

void TLumora::FormCreate() {
  // Errors that reach the framework while the saver runs go to the red
  // label at the bottom; no message box interrupts the show.
  TApplication::Instance().OnException = [this](const std::string& message) { Label2.SetCaption(message); };

  ImageMain.alignClient = true;
  ImageMain.center = true;
  ImageDeskTop.visible = false;
  LabelGroup.bounds = Rect{Scale(8), Scale(8), Scale(8), Scale(8)};
  LabelGroup.transparent = false;
  LabelGroup.background = ::GetSysColor(COLOR_CAPTIONTEXT);
  Label2.textColour = RGB(255, 0, 0);
  Label2.bold = true;
  Label2.alignBottom = true;
  SetColour(ColorToRGB(kDesktopColour));
  Timer1.SetEnabled(false);
  Timer1.SetInterval(1000);
  Timer1.OnTimer = [this] { Timer1Timer(); };
  Random.seed(static_cast<unsigned>(::GetTickCount()) ^ ::GetCurrentProcessId());

  WinRegistry registry;
  SettingsHooks hooks;
  hooks.closing = [this] { return Closing; };
  hooks.yield = [] { YieldToMessages(); };
  // A preview leaves the volume alone: it would not put it back.
  hooks.volume = VolumeForSettings(InPreview(), VolumeControl1);
  ReadSettings(registry, Settings, PictureFolders, SoundFolders, Volumes, hooks);

  PlatformId = PlatformIdFromSystem();
  CreateComposer();

  if (InPreview()) {
    ShowPreviewIcon();
  } else {
    if (PlatformId == kPlatformWin9x) ::SystemParametersInfoW(SPI_SCREENSAVERRUNNING, 1, nullptr, 0);
    HideCursor();
    TrimLogFile(LogStorage, Settings.LogFile);
    if (!IsBlank(Settings.LogFile)) {
      LogFile1.LogFileName = std::string(Trim(Settings.LogFile));
      LogFile1.SetActive(true);
    }
    CreatePlayerWindow();
    if (!Settings.DisplayPlayer) SetStayOnTop();
    Driver->BuildGroupQueue();
    PictureScanner = std::make_unique<TMFindFirst>(PictureFolders, PictureFiles, Settings.IsNewFolderAdd, "Photo");
    PictureScanner->Resume();
    SoundScanner = std::make_unique<TMFindFirst>(SoundFolders, SoundFiles, Settings.IsNewFolderAdd2, "Music");
    SoundScanner->FolderCount = static_cast<int32_t>(SoundFolders.size());
    SoundScanner->Resume();
    SetBounds(0, 0, ::GetSystemMetrics(SM_CXVIRTUALSCREEN), ::GetSystemMetrics(SM_CYVIRTUALSCREEN));
    SetColour(ColorToRGB(Settings.BackColor));
    CaptureDesktop();
    const std::wstring workFolder = GetAppDataPath() + L"ORVANE";
    ::SHCreateDirectoryExW(nullptr, workFolder.c_str(), nullptr);
    Video = std::make_unique<TZoomVideo>(Handle(), [this] { return Closing; });
  }
  SetVisible(true);
  Created = true;
}

void TLumora::HideCursor() {
  while (!Closing) {
    if (::ShowCursor(FALSE) < 0) break;
    ::Sleep(100);
    TApplication::Instance().ProcessMessages();
  }
}

std::wstring TLumora::ZoomBitmapPath() { return GetAppDataPath() + L"ORVANE\\lumora.bmp"; }

void TLumora::CreateComposer() {
  DrawingSettings drawing;
  drawing.drawPosision = Settings.DrawPosision;
  drawing.graphicsSize = Settings.GraphicsSize;
  drawing.drawColor = Settings.DrawColor;
  drawing.screenClear = Settings.ScreenClear;
  drawing.brightness = Settings.Brightness;
  drawing.smoothZoom = Settings.SmoothZoom;
  drawing.rotate = Settings.Rotate;
  drawing.dispFileName = Settings.DispFileName;
  drawing.backColor = ColorToRGB(Settings.BackColor);
  DrawingHooks hooks;
  hooks.uniform = [this] { return std::uniform_real_distribution<double>(0, 1)(Random); };
  hooks.below = [this](int32_t n) { return n < 1 ? 0 : static_cast<int32_t>(RandomBelow(static_cast<uint32_t>(n))); };
  hooks.closing = [this] { return Closing; };
  hooks.yield = [] { YieldToMessages(); };
  hooks.caption = [this](PixelView target, Point at) { DrawCaptionText(target, at, CurrentCaption); };
  Composer = std::make_unique<PictureComposer>(drawing, std::move(hooks));
  CaptionDayNames = LocaleDayNames();
}

void TLumora::CreatePlayerWindow() {
  // Shown before the saver window, without taking the focus; it stays in
  // the corner of the primary screen for the whole show, sounds or not.
  TForm* player = nullptr;
  if (Settings.MediaPlayer) {
    FormMPlay = std::make_unique<TFormMPlay>();
    FormMPlay->OnSoundEnded = [this] { SoundPlaying = false; };
    player = FormMPlay.get();
  } else {
    FormMPlay2 = std::make_unique<TFormMPlay2>();
    FormMPlay2->OnSoundEnded = [this] { SoundPlaying = false; };
    player = FormMPlay2.get();
  }
  player->CreateHandleAndRun();
  ::ShowWindow(player->Handle(), SW_SHOWNOACTIVATE);
}

void TLumora::CaptureDesktop() {
  if (Closing) return;
  const int32_t width = ::GetSystemMetrics(SM_CXVIRTUALSCREEN);
  const int32_t height = ::GetSystemMetrics(SM_CYVIRTUALSCREEN);
  ImageDeskTop.picture.SetSize(width, height);
  WindowDC screen(nullptr);
  // The screen DC's (0, 0) is the primary monitor's corner; the copy starts
  // at the virtual screen's corner so monitors left of or above the primary
  // one line up with the window placed there.
  ::BitBlt(ImageDeskTop.picture.DC(), 0, 0, width, height, screen.get(), ::GetSystemMetrics(SM_XVIRTUALSCREEN),
           ::GetSystemMetrics(SM_YVIRTUALSCREEN), SRCCOPY);
}

void TLumora::ShowPreviewIcon() {
  HICON icon = ::LoadIconW(TApplication::Instance().ModuleInstance(), L"MAINICON");
  ImageDeskTop.picture.SetSize(32, 32, ColorToRGB(Settings.BackColor));
  if (icon) ::DrawIconEx(ImageDeskTop.picture.DC(), 0, 0, icon, 32, 32, 0, nullptr, DI_NORMAL);
  RECT client{};
  ::GetClientRect(Handle(), &client);
  const Size size = PreviewIconSize(client.right, client.bottom);
  ImageDeskTop.bounds = Rect{0, 0, size.width, size.height};
}

void TLumora::FormActivate() {
  if (Activated) return;
  Activated = true;
  if (!InPreview()) {
    if (!Settings.Capture) {
      FillRectangle(ImageDeskTop.picture.DC(), {0, 0, Width(), Height()}, ColorToRGB(Settings.BackColor));
    }
    if (!Closing) {
      const Size client = ClientSize();
      ImageMain.picture.SetSize(client.width, client.height, Colour());
      StretchDraw(ImageMain.picture.DC(), {0, 0, Width(), Height()}, ImageDeskTop.picture);
      ImageMain.Changed();
    }
  }
  WaitSeconds(2);
  if (!InPreview() && !Closing) Timer1.SetEnabled(true);
}

void TLumora::FormPaint() {
  if (PaintedOnce || !InPreview()) return;
  PaintedOnce = true;
  RECT host{};
  ::GetClientRect(PreviewHost(), &host);
  const Size client = ClientSize();
  ImageMain.picture.SetSize(client.width, client.height, Colour());
  const Point at = PreviewIconPosition(host.right - host.left, host.bottom - host.top);
  Draw(ImageMain.picture.DC(), at.x, at.y, ImageDeskTop.picture);
  ImageMain.Changed();
}

void TLumora::Timer1Timer() {
  Timer1.SetEnabled(false);
  ClearMouseArmed();
  Driver->RunSlideshow();
}

void TLumora::WaitUnlessClosing(double seconds) {
  // WaitSeconds that gives up as soon as input or the end rule closes the
  // window, so the saver goes away at once.
  const int steps = static_cast<int>(seconds * 100);
  for (int i = 0; i < steps && !Closing; ++i) {
    ::Sleep(10);
    TApplication::Instance().ProcessMessages();
  }
}

uint32_t TLumora::RandomBelow(uint32_t bound) {
  if (bound <= 1) return 0;
  return std::uniform_int_distribution<uint32_t>(0, bound - 1)(Random);
}

void TLumora::ShowGroupLabel(int32_t number) {
  LabelGroup.SetCaption("グループ " + std::to_string(number));
  LabelGroup.visible = true;
  Invalidate();
}

std::string TLumora::TakeNextPicture() {
  // A scanner that is gone or finishing (the window closes) sends nothing
  // more: stop waiting for it.
  return lumora::TakeNextPicture(
      PictureFiles, Settings.RandomSort, [this](uint32_t bound) { return RandomBelow(bound); },
      [this] { return Closing || !PictureScanner || PictureScanner->Idle(); },
      [this] {
        WaitUnlessClosing(5);
        TApplication::Instance().ProcessMessages();
      });
}

std::string TLumora::TakeNextSound() {
  return lumora::TakeNextSound(
      SoundFiles, Settings.RandomSortS, [this](uint32_t bound) { return RandomBelow(bound); },
      [this] { return Closing || !SoundScanner || SoundScanner->PassDone || SoundScanner->Finished(); },
      [] {
        ::Sleep(100);
        TApplication::Instance().ProcessMessages();
      });
}

bool TLumora::ShowNextPicture() {
  if (Closing || PictureBusy || !Activated) return true;
  const std::string path = TakeNextPicture();
  if (path.empty()) return false;
  const DWORD attributes = ::GetFileAttributesW(Wide(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return true;

  PictureBusy = true;
  struct Done {
    TLumora& saver;
    ~Done() { saver.PictureBusy = false; }
  } done{*this};

  TExif exif;
  Bitmap24 work;
  std::vector<uint8_t> bytes;
  try {
    // The log line comes before decoding, so a file that breaks the
    // decoder is still on record; a log that fails does not stop the step.
    WriteLogLine(LogFile1.NowText() + ", " + path);
    bytes = ReadFileBytes(path, kMaxPictureFileBytes);
    try {
      exif.ReadFromBytes(bytes.data(), bytes.size());
    } catch (...) {
      exif.Clear();  // shown without orientation handling
    }
    work = Formats.Decode(bytes, ExtensionOf(path), path);
  } catch (const std::exception&) {
    return true;  // a broken file never stops the show
  }
  bytes.clear();
  bytes.shrink_to_fit();
  if (work.width < 1 || work.height < 1) return true;

  if (ImageMain.picture.Empty()) return true;

  if (Settings.DispFileName) {
    CurrentCaption = CaptionText({path, exif.DateTimeOriginal, exif.DateTime, FileWriteTime(path),
                                  std::floor(win::Now())},
                                 CaptionDayNames);
  }
  const PreparedPicture prepared =
      Composer->Prepare(std::move(work), exif.Orientation, {ImageMain.picture.Width(), ImageMain.picture.Height()});
  // A turned picture differs from its file: the zoom plays it from the
  // temporary bitmap, saved as it will be shown. When the file cannot be
  // written the zoom shows the same picture from memory.
  bool zoomFromFile = false;
  if (Settings.Zoom && !Closing && ZoomFromTemporaryBitmap(Settings.Rotate, exif.Orientation)) {
    try {
      WriteFileBytes(Utf8(ZoomBitmapPath()), EncodeBmp24(prepared.picture));
      zoomFromFile = true;
    } catch (const std::exception&) {
    }
  }

  // The previous picture stays "Draw Wait" seconds; loading this one
  // happened during that time.
  while (!Closing && (win::Now() - LastShownTime) * 86400.0 < Settings.DrawWait) {
    YieldToMessages();
    ::Sleep(500);
  }
  if (Closing) return true;
  if (Video && ZoomApplies(Settings.Zoom, Closing, path)) {
    Video->SetSources(&prepared.picture, ZoomBitmapPath());
    ShowZoomEffect(*Video,
                   {prepared.at.x, prepared.at.y, prepared.at.x + prepared.shown.width,
                    prepared.at.y + prepared.shown.height},
                   zoomFromFile, Settings.DrawWait);
  }
  LastShownTime = win::Now();
  try {
    Composer->DrawPicture(prepared, ImageMain.picture.Pixels(), ImageDeskTop.picture.Pixels());
  } catch (...) {
    // A failed draw leaves the screen as far as it got.
  }
  Composer->DrawCaption(prepared, ImageMain.picture.Pixels());
  ImageMain.Changed();
  if (Settings.Zoom && Video) {
    // The picture drawn underneath takes the zoom window's place.
    ::UpdateWindow(Handle());
    Video->Stop();
    YieldToMessages();
  }
  YieldToMessages();
  return true;
}

bool TLumora::PlayNextSound() {
  if (InPreview() || SoundPlaying || Closing || !Activated) return true;
  const std::string path = TakeNextSound();
  if (path.empty()) return false;
  SoundPlaying = true;
  if (Settings.MediaPlayer) {
    // The window reports a file it cannot start as ended.
    if (FormMPlay) {
      FormMPlay->PlayFile(Wide(path));
    } else {
      SoundPlaying = false;
    }
    return true;
  }
  if (!FormMPlay2 || !FormMPlay2->MediaPlayer) {
    SoundPlaying = false;
    return true;
  }
  TMediaPlayer& player = *FormMPlay2->MediaPlayer;
  if (Closing) {
    // Closed while waiting for the file: it is not played.
    try {
      player.Stop();
      player.Close();
    } catch (const std::exception&) {
      SoundPlaying = false;
    }
    return true;
  }
  try {
    // The player window must not be hidden behind a stay-on-top saver.
    ::SetWindowPos(Handle(), HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    player.FileName = Wide(path);
    player.Open();
    player.SetWait(false);
    player.SetNotify(true);
    player.Play();
  } catch (const std::exception&) {
    // A file no device plays costs one cycle; nothing is shown.
    SoundPlaying = false;
  }
  return true;
}

void TLumora::FormMouseMove(int32_t x, int32_t y) {
  if (InPreview()) return;
  if (MouseMoveEndsSaver(Mouse, x, y)) {
    Closing = true;
    Close();
  }
}

void TLumora::FormMouseDown(MouseButton, int32_t, int32_t) {
  if (InPreview()) return;
  Closing = true;
  Close();
}

void TLumora::FormKeyPress(char32_t character) {
  // With a log, the space bar only adds a line and the show goes on.
  if (ActionForCharacter(character, Settings.LogFile) == KeyPressAction::LogOnly) {
    WriteLogLine(LogFile1.NowText() + ", Press Key!!");
    return;
  }
  if (InPreview()) return;
  WriteLogLine(LogFile1.NowText() + ", Press Key!!");
  Closing = true;
  Close();
}

void TLumora::WriteLogLine(const std::string& line) {
  try {
    LogFile1.WriteLog(line);
  } catch (const LogError& error) {
    if (!LogFailureReported) {
      LogFailureReported = true;
      Label2.SetCaption(error.what());
    }
  }
}

void TLumora::FormKeyDown(WORD key) {
  if (key != VK_F3 || InPreview()) return;
  // Skip the rest of the current group: the scanner ends its pass, and with
  // no files or folders left the driver moves on.
  if (PictureScanner) {
    PictureScanner->StopPass = true;
    while (!PictureScanner->Idle() && !Closing) YieldToMessages();
  }
  PictureFiles.clear();
  PictureFolders.clear();
}

void TLumora::FormCloseQuery(bool& canClose) {
  canClose = true;
  Closing = true;
  TRotateImage::AbortRotation();
  if (!PasswordCheckNeeded(InPreview(), SwitchCharacterOfCommandLine, PasswordVerified, PlatformId, HandedOver)) {
    return;
  }
  WinRegistry registry;
  const std::unique_ptr<RegistryKey> desktop = registry.Open("Control Panel\\desktop", false);
  if (!desktop) return;
  int32_t usePassword = 0;
  try {
    usePassword = ReadInteger(*desktop, "ScreenSaveUsePassword");
  } catch (const RegistryError&) {
    return;
  }
  if (usePassword == 0) return;

  ::ShowCursor(TRUE);
  std::wstring path = GetSystemDirectoryPath();
  if (!path.empty() && path.back() != L'\\') path += L'\\';
  path += L"PASSWORD.CPL";
  UniqueModule library(::LoadLibraryW(path.c_str()));
  if (!library) return;
  const auto verify = reinterpret_cast<VerifyScreenSavePwdFn>(
      reinterpret_cast<void*>(::GetProcAddress(library.get(), "VerifyScreenSavePwd")));
  if (!verify) return;
  const bool verified = verify(Handle()) != FALSE;
  canClose = verified;
  PasswordVerified = verified;
  library.reset();
  if (!verified) {
    ::ShowCursor(FALSE);
    Closing = false;
    HandedOver = false;
  }
}

void TLumora::FormClose() {
  Closing = true;
  Created = false;
  TRotateImage::AbortRotation();
  if (InPreview()) return;
  // The slideshow's last close request follows the one that input or the
  // end rule made: the work below is done once.
  if (CloseHandled) return;
  CloseHandled = true;
  try {
    WinRegistry registry;
    SaveGroupCountUp(registry, Settings);
  } catch (...) {
    // A registry that refuses the write must not keep the saver open.
    TApplication::Instance().HandleException();
  }
  if (PictureScanner) PictureScanner->Terminate();
  if (SoundScanner) SoundScanner->Terminate();
  if (FormMPlay) FormMPlay->Close();
  if (FormMPlay2) FormMPlay2->Close();
  if (PlatformId == kPlatformWin9x) ::SystemParametersInfoW(SPI_SCREENSAVERRUNNING, 0, nullptr, 0);
  ::ShowCursor(TRUE);
  RestoreVolumes(VolumeControl1, Settings, Volumes);
}

void TLumora::FormDestroy() {
  LogFile1.SetActive(false);  // the end banner
  TApplication::Instance().OnException = nullptr;  // the label goes with the window
  if (!InPreview()) TApplication::Instance().ShowAppWindow(SW_SHOWNORMAL);
}

TLumora* StartPreview() {
  TApplication& app = TApplication::Instance();
  app.ShowAppWindow(SW_HIDE);
  ::ShowWindow(PreviewHost(), SW_SHOW);
  RECT host{};
  ::GetWindowRect(PreviewHost(), &host);
  TLumora* saver = app.CreateForm<TLumora>();
  saver->SetBounds(0, 0, host.right - host.left, host.bottom - host.top);
  return saver;
}

}  // namespace lumora::win
