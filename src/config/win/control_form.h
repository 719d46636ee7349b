// The configuration dialog "Lumora設定": four pages (picture folders,
// sound folders, options, version) built from the resource script, the
// stored settings shown on them and written back by 保存, the picture
// groups stored as the user switches them, folders added by file dialog or
// by dropping them from the shell, and a random picture of the user's on
// the version page.
#pragma once

#include <windows.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/win/forms.h"
#include "app/win/handles.h"
#include "app/win/saver_catalog.h"
#include "config/dialog_settings.h"
#include "imaging/bitmap24.h"
#include "imaging/picture_formats.h"
#include "imaging/win/spi_host.h"
#include "media/log_file.h"
#include "media/volume_control.h"
#include "media/win/win_log.h"
#include "media/win/win_volume.h"

namespace lumora::win {

class TControlForm : public TForm {
 public:
  TControlForm();
  ~TControlForm() override;

  void FormCreate() override;
  void FormClose() override;

  // The control with this identifier, on the frame or on any page.
  HWND Item(int id) const;
  // The frame dialog (page control and buttons) and the pages 0 to 3.
  HWND Frame() const { return frame_; }
  HWND Page(int index) const { return pages_[static_cast<size_t>(index)]; }
  int ActivePage() const;
  void SetActivePage(int index);

  // The hand-over list's paths, parallel to ComboSS's items.
  std::vector<std::string> SaverPaths;
  // The group ListBox1 shows.
  int CurrentDataSet = 0;
  // Set when the dialog closes; long folder operations stop on it.
  bool StopRequested = false;

  // Event handlers, by the names of the controls they serve.
  void BtnOKClick();
  void BtnCancelClick();
  void CheckRolClick() { UpdateOptionStates(); }
  void CheckVolumeClick();
  void PanelColorClick();
  void BitBtn1Click();
  void BitBtn2Click();
  void Label3Click();
  void Label8Click();
  void BtnAddClick();
  void BtnAdd2Click();
  void BtnDeleteClick();
  void BtnDelete2Click();
  void ListBox1Click();
  void ListBox2Click();
  void ListBox1KeyPress(wchar_t key);
  void ListBox1KeyDown();
  void DataListChange();
  void ButtonDataSetNewClick();
  void ButtonDataSetDeleteClick();
  // Adds the dropped files' folders to the list of the active page.
  void DropFiles(const std::vector<std::wstring>& paths);
  void SPIsSearching(const std::wstring& fileName, bool& accept);
  void SPIsSearch(TSPI& spi, bool& accept);
  void SPIsPictureRegister(TSPI& spi, const std::string& extension, const std::string& description, bool& accept);

 protected:
  void CreateParams(CreateParamsData& params) override;
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR OnDialogMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
  void OnCommand(int id, int code);
  void CreatePages();
  void CreateFrame();
  SIZE WindowSizeForFrame() const;
  // A move to a monitor of another DPI: the pages again at that DPI.
  void RebuildForDpi(const RECT& suggested);
  void LayoutPages();
  void CreateHints();
  void SetHint(int id, const std::wstring& text);

  // The controls' state and back.
  void ShowSettings(const DialogSettings& settings);
  DialogSettings CollectSettings() const;
  void FillSaverList();
  void LoadDialogSettings();
  void SaveDialogSettings();
  void LoadDataSetFolders(int group);
  void SaveDataSetFolders(int group);
  void UpdateOptionStates();
  void ShowPanelColour(uint32_t colour);
  void ShowVersionPage();
  std::string PickRandomPicture();
  void DrawImage1(const DRAWITEMSTRUCT& item);
  void DrawPanelColour(const DRAWITEMSTRUCT& item);
  void OpenLog();
  void WriteLogLine(const std::string& what);

  // Folder lists.
  std::vector<std::string> ListItems(int id) const;
  void SetListItems(int id, const std::vector<std::string>& items);
  void AddFolderTo(int listId, const std::string& folder, bool withSubfolders, bool scanWhenListed);
  void UpdateDeleteButton(int listId, int buttonId);
  void ListClick(int listId, int buttonId);
  void RemoveSelected(int listId, int buttonId);
  void AddFolderByDialog(int listId, int subId, bool pictures);
  int SelectedGroup() const;
  int GroupCount() const;
  void UpdateGroupDelete();

  bool Checked(int id) const;
  void SetChecked(int id, bool checked);
  int RadioIndex(int firstId, int count) const;
  void SetRadioIndex(int firstId, int count, int index);
  std::wstring Text(int id) const;
  void SetText(int id, const std::wstring& text);

  HWND frame_ = nullptr;
  HWND pages_[4] = {};
  HWND tooltip_ = nullptr;
  UINT dpi_ = 96;
  // The settings as loaded: stored values the controls cannot show are
  // saved from here while the user leaves those controls alone.
  DialogSettings loaded_;
  bool volumeMoved_ = false;
  std::vector<std::wstring> saverNames_;
  UniqueFont titleFont_;
  uint32_t backColor_ = kButtonFaceColour;
  COLORREF customColours_[16] = {};
  COLORREF lastChosen_ = 0;
  Bitmap24 versionPicture_;
  bool hasVersionPicture_ = false;
  std::mt19937 random_;

  PictureFormats Formats;
  std::unique_ptr<TSPIs> SPIs;
  WinVolumeDevices VolumeDevices;
  TVolumeControl VolumeControl1{VolumeDevices};
  WinLogStorage LogStorage;
  WinLogClock LogClock;
  TLogFile LogFile1{LogStorage, LogClock, ProgramFolder(), [] { return ProgramFileVersion(); }};
  TSaverCatalog SaverCatalog;
};

}  // namespace lumora::win
