#include "config/win/control_form.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>
#include <cmath>

#include "app/file_bytes.h"
#include "app/settings.h"
#include "app/text.h"
#include "app/win/utilities.h"
#include "app/win/wide.h"
#include "app/win/win_registry.h"
#include "config/win/control_ids.h"
#include "config/win/options_page.h"
#include "config/win/pictures_page.h"
#include "config/win/sounds_page.h"
#include "config/win/version_page.h"
#include "imaging/win/metafile.h"
#include "imaging/win/spi_graphic.h"

namespace lumora::win {

namespace {

constexpr int kPageCount = 4;
constexpr const wchar_t* kPageCaptions[kPageCount] = {L"画像フォルダー", L"サウンドフォルダー", L"オプション",
                                                      L"バージョン情報"};
constexpr int kPageTemplates[kPageCount] = {IDD_PICTURES_PAGE, IDD_SOUNDS_PAGE, IDD_OPTIONS_PAGE, IDD_VERSION_PAGE};
constexpr const wchar_t* kHomePage = L"https://lumora.example.org/";
constexpr const wchar_t* kBoard = L"https://lumora.example.org/bbs/";
// The version picture's box: 145 pixels square, the scaled side 160 × the
// picture's proportion (at 96 DPI).
constexpr int kImageBox = 145;
constexpr double kImageScale = 160.0;
constexpr uint64_t kMaxVersionPictureBytes = 512ull << 20;

// The picture list's keys: "." removes the current item; any key, down or
// up, updates the delete button.
LRESULT CALLBACK ListBox1Keys(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
  auto* form = reinterpret_cast<TControlForm*>(data);
  try {
    if (message == WM_CHAR && wParam == L'.') {
      form->ListBox1KeyPress(L'.');
      return 0;
    }
    if (message == WM_KEYDOWN || message == WM_KEYUP) {
      const LRESULT result = ::DefSubclassProc(list, message, wParam, lParam);
      form->ListBox1KeyDown();
      return result;
    }
  } catch (...) {
    TApplication::Instance().HandleException();
  }
  return ::DefSubclassProc(list, message, wParam, lParam);
}

// Disables a control until the end of the scope, failures included.
class DisabledWhile {
 public:
  explicit DisabledWhile(HWND control) : control_(control) { ::EnableWindow(control_, FALSE); }
  ~DisabledWhile() { ::EnableWindow(control_, TRUE); }
  DisabledWhile(const DisabledWhile&) = delete;
  DisabledWhile& operator=(const DisabledWhile&) = delete;

 private:
  HWND control_;
};

std::wstring GroupName(int index) { return L"グループ " + std::to_wstring(index + 1); }

// Subfolder names of a folder, "." and ".." included as the system lists them.
std::vector<std::string> Subfolders(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW data{};
  HANDLE find = ::FindFirstFileW(Wide(folder + "*.*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) names.push_back(Utf8(data.cFileName));
  } while (::FindNextFileW(find, &data));
  ::FindClose(find);
  return names;
}

}  // namespace

TControlForm::TControlForm() : TForm(L"TControlForm", L"Lumora設定") {
  RegisterBuiltInFormats(Formats);
  Formats.Register("wmf", DecodeWindowsMetafile);
  Formats.Register("emf", DecodeEnhancedMetafile);
  random_.seed(static_cast<unsigned>(::GetTickCount()) ^ ::GetCurrentProcessId());
}

TControlForm::~TControlForm() {
  if (tooltip_) ::DestroyWindow(tooltip_);
}

void TControlForm::CreateParams(CreateParamsData& params) {
  params.style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  // On top of other windows, with a taskbar button of its own.
  params.exStyle = WS_EX_TOPMOST | WS_EX_APPWINDOW | WS_EX_CONTROLPARENT;
}

// ---------------------------------------------------------------------------
// Opening and closing

void TControlForm::FormCreate() {
  INITCOMMONCONTROLSEX controls{sizeof controls,
                                ICC_TAB_CLASSES | ICC_BAR_CLASSES | ICC_LINK_CLASS | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);
  SetColour(::GetSysColor(COLOR_BTNFACE));
  CreatePages();

  // The plug-ins add their formats for the version picture and the
  // picture-file dialog; JPEG stays with the built-in decoder.
  try {
    SPIs = CreateFormHost(*this, Formats);
  } catch (const std::exception&) {
    TApplication::Instance().HandleException();
  }

  // 1. Folders dropped from the shell.
  ::DragAcceptFiles(Handle(), TRUE);
  // 2. A saver running full screen is asked to close.
  if (HWND saver = ::FindWindowW(L"TLumora", L"Lumora")) {
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutW(saver, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, 2000, &ignored);
  }
  // 3. The option defaults are the controls' initial state.
  DialogSettings initial;
  ShowSettings(initial);
  // 4. The present wave volume as the end of the track bar's selection.
  try {
    const int wave = VolumeControl1.GetVolume(1);
    ::SendMessageW(Item(IDC_TRACKBAR1), TBM_SETSEL, TRUE, MAKELPARAM(1, std::clamp(wave, 1, 255)));
  } catch (const std::exception&) {
  }
  // 5, 6.
  FillSaverList();
  LoadDialogSettings();
  // 7. The display-history log.
  OpenLog();
  WriteLogLine(", Load Done");
  // 8. The selected group's folders (the older list stays when the group
  // has none stored), or a first group.
  if (GroupCount() > 0) {
    LoadDataSetFolders(SelectedGroup());
  } else {
    ::SendMessageW(Item(IDC_DATALIST), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(GroupName(0).c_str()));
    ::SendMessageW(Item(IDC_DATALIST), CB_SETCURSEL, 0, 0);
    CurrentDataSet = 0;
  }
  UpdateGroupDelete();
  // 9.
  ShowVersionPage();
  WriteLogLine(", About Done");

  SetVisible(true);
  ::SetForegroundWindow(Handle());
  ::SetFocus(Item(IDOK));
}

void TControlForm::FormClose() {
  StopRequested = true;
  ::DragAcceptFiles(Handle(), FALSE);
  TApplication::Instance().SetDialogWindow(nullptr);
}

void TControlForm::CreatePages() {
  CreateFrame();
  dpi_ = Dpi();
  // The window takes the frame dialog's size, centred on the work area.
  const SIZE size = WindowSizeForFrame();
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  SetBounds(work.left + (work.right - work.left - size.cx) / 2, work.top + (work.bottom - work.top - size.cy) / 2,
            size.cx, size.cy);
}

void TControlForm::CreateFrame() {
  HINSTANCE instance = TApplication::Instance().ModuleInstance();
  frame_ = ::CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_CONTROLFORM), Handle(), DialogProc,
                                reinterpret_cast<LPARAM>(this));
  if (!frame_) throw std::runtime_error("the dialog's resources are missing");
  HWND tabs = ::GetDlgItem(frame_, IDC_PAGES);
  for (int i = 0; i < kPageCount; ++i) {
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(kPageCaptions[i]);
    TabCtrl_InsertItem(tabs, i, &item);
    pages_[i] = ::CreateDialogParamW(instance, MAKEINTRESOURCEW(kPageTemplates[i]), frame_, DialogProc,
                                     reinterpret_cast<LPARAM>(this));
    // Tab order: each page right after the page control.
    ::SetWindowPos(pages_[i], i == 0 ? tabs : pages_[i - 1], 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  LayoutPages();
  TApplication::Instance().SetDialogWindow(frame_);

  // The title in a larger bold face.
  LOGFONTW font{};
  font.lfHeight = -Scale(18);
  font.lfWeight = FW_BOLD;
  font.lfCharSet = SHIFTJIS_CHARSET;
  wcscpy(font.lfFaceName, L"ＭＳ Ｐゴシック");
  titleFont_.reset(::CreateFontIndirectW(&font));
  ::SendMessageW(Item(IDC_LABELTITLE), WM_SETFONT, reinterpret_cast<WPARAM>(titleFont_.get()), FALSE);

  // Track bar: 1 to 255, page 8, a tick every 16.
  HWND track = Item(IDC_TRACKBAR1);
  ::SendMessageW(track, TBM_SETRANGE, FALSE, MAKELPARAM(1, 255));
  ::SendMessageW(track, TBM_SETPAGESIZE, 0, 8);
  ::SendMessageW(track, TBM_SETTICFREQ, 16, 0);
  CreateHints();
  ::SetWindowSubclass(Item(IDC_LISTBOX1), ListBox1Keys, 1, reinterpret_cast<DWORD_PTR>(this));
}

SIZE TControlForm::WindowSizeForFrame() const {
  RECT frame{};
  ::GetWindowRect(frame_, &frame);
  RECT outer{0, 0, frame.right - frame.left, frame.bottom - frame.top};
  ::AdjustWindowRectEx(&outer, static_cast<DWORD>(::GetWindowLongPtrW(Handle(), GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongPtrW(Handle(), GWL_EXSTYLE)));
  return SIZE{outer.right - outer.left, outer.bottom - outer.top};
}

void TControlForm::RebuildForDpi(const RECT& suggested) {
  // The pages are made again from their templates at the new DPI, with
  // everything the user has entered so far.
  const DialogSettings settings = CollectSettings();
  const std::vector<std::string> pictures = ListItems(IDC_LISTBOX1);
  std::vector<std::wstring> groups;
  for (int i = 0; i < GroupCount(); ++i) groups.push_back(GroupName(i));
  const int group = SelectedGroup();
  const bool sub = Checked(IDC_CHECKSUB), sub2 = Checked(IDC_CHECKSUB2), save = ::IsWindowEnabled(Item(IDOK));
  const std::wstring title = Text(IDC_LABELTITLE), version = Text(IDC_LABELVERSION),
                     copyright = Text(IDC_LABELCOPYLEFT), fileName = Text(IDC_LABELFILENAME);
  RECT image{};
  ::GetClientRect(Item(IDC_IMAGE1), &image);
  const UINT oldDpi = dpi_;

  TApplication::Instance().SetDialogWindow(nullptr);
  if (tooltip_) ::DestroyWindow(tooltip_);
  tooltip_ = nullptr;
  ::DestroyWindow(frame_);
  frame_ = nullptr;
  CreateFrame();
  dpi_ = Dpi();

  HWND combo = Item(IDC_COMBOSS);
  ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"なし"));
  for (size_t i = 1; i < SaverPaths.size(); ++i) {
    ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(saverNames_[i].c_str()));
  }
  ShowSettings(settings);
  SetListItems(IDC_LISTBOX1, pictures);
  SetListItems(IDC_LISTBOX2, settings.SoundFolders);
  for (const std::wstring& name : groups) {
    ::SendMessageW(Item(IDC_DATALIST), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
  }
  ::SendMessageW(Item(IDC_DATALIST), CB_SETCURSEL, static_cast<WPARAM>(group), 0);
  SetChecked(IDC_CHECKSUB, sub);
  SetChecked(IDC_CHECKSUB2, sub2);
  ::EnableWindow(Item(IDOK), save);
  ::EnableWindow(Item(IDC_TRACKBAR1), Checked(IDC_CHECKVOLUME));
  UpdateOptionStates();
  UpdateGroupDelete();
  SetText(IDC_LABELTITLE, title);
  SetText(IDC_LABELVERSION, version);
  SetText(IDC_LABELCOPYLEFT, copyright);
  SetText(IDC_LABELFILENAME, fileName);
  ::SetWindowPos(Item(IDC_IMAGE1), nullptr, 0, 0, ::MulDiv(image.right, dpi_, oldDpi),
                 ::MulDiv(image.bottom, dpi_, oldDpi), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  const SIZE size = WindowSizeForFrame();
  SetBounds(suggested.left, suggested.top, size.cx, size.cy);
}

void TControlForm::LayoutPages() {
  HWND tabs = ::GetDlgItem(frame_, IDC_PAGES);
  RECT area{};
  ::GetWindowRect(tabs, &area);
  ::MapWindowPoints(nullptr, frame_, reinterpret_cast<POINT*>(&area), 2);
  TabCtrl_AdjustRect(tabs, FALSE, &area);
  for (HWND page : pages_) {
    ::SetWindowPos(page, nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void TControlForm::CreateHints() {
  tooltip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, 0,
                               0, 0, 0, Handle(), nullptr, TApplication::Instance().ModuleInstance(), nullptr);
  ::SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, Scale(600));
  SetHint(IDC_LISTBOX1, L"画像ファイルが入ったフォルダーを登録します");
  SetHint(IDC_LISTBOX2, L"サウンドファイルのフォルダーを登録します");
  SetHint(IDC_GROUP_GSIZE, L"画像の表示サイズを指定します");
  SetHint(IDC_GROUP_DPOSISION, L"画像の表示位置を指定します");
  SetHint(IDC_CHECKSCROLL, L"画面に入りきらない画像をスクロールさせます");
  SetHint(IDC_CHECKCLEAR, L"画像を消してから、次の画像を表示します");
  SetHint(IDC_CHECKRANDOMG, L"表示順をランダムにします");
  SetHint(IDC_CHECKROL, L"画像を回転させます");
  SetHint(IDC_CHECKCAPTURE, L"元のデスクトップ画面を残します.");
  SetHint(IDC_EDITWAIT, L"表示する時間を秒で入れます");
  SetHint(IDC_CHECKRANDOMS, L"演奏順をランダムにする");
  SetHint(IDC_CHECKMEDIAPLAYER, L"Microsoft MediaPlayerを使用して演奏します");
  SetHint(IDC_GROUP_END, L"スクリーンセーバーを他のスクリーンセーバーに切り替える条件を設定します");
  SetHint(IDC_COMBOSS, L"最後に切り替えるスクリーンセーバーを選びます");
  SetHint(IDC_LABEL3, L"ホームページを開く");
  SetHint(IDC_LABEL8, L"ホームページを開く");
  // The radio items show their group's hint too.
  for (int i = 0; i < 4; ++i) {
    SetHint(IDC_RADIOGSIZE + i, L"画像の表示サイズを指定します");
    SetHint(IDC_RADIODPOSISION + i, L"画像の表示位置を指定します");
    SetHint(IDC_RADIOEND + i, L"スクリーンセーバーを他のスクリーンセーバーに切り替える条件を設定します");
  }
}

void TControlForm::SetHint(int id, const std::wstring& text) {
  HWND control = Item(id);
  if (!tooltip_ || !control) return;
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = ::GetParent(control);
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = const_cast<wchar_t*>(text.c_str());
  if (!::SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool)) ||
      !::SendMessageW(tooltip_, TTM_GETTOOLCOUNT, 0, 0)) {
    ::SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
  ::SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

// ---------------------------------------------------------------------------
// Messages

bool TControlForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_NCHITTEST: {
      // The whole surface drags the window; the system menu, the minimise
      // and close boxes keep working.
      const LRESULT hit = ::DefWindowProcW(Handle(), message, wParam, lParam);
      result = hit == HTCLOSE || hit == HTSYSMENU || hit == HTMINBUTTON ? hit : HTCAPTION;
      return true;
    }
    case WM_DPICHANGED:
      if (frame_ && HIWORD(wParam) != dpi_) RebuildForDpi(*reinterpret_cast<const RECT*>(lParam));
      result = 0;
      return true;
    case WM_DROPFILES: {
      HDROP drop = reinterpret_cast<HDROP>(wParam);
      std::vector<std::wstring> paths;
      const UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
      for (UINT i = 0; i < count; ++i) {
        wchar_t path[MAX_PATH] = {};
        ::DragQueryFileW(drop, i, path, MAX_PATH);
        paths.emplace_back(path);
      }
      ::DragFinish(drop);
      try {
        DropFiles(paths);
      } catch (...) {
        TApplication::Instance().HandleException();
      }
      result = 0;
      return true;
    }
    default:
      return false;
  }
}

INT_PTR CALLBACK TControlForm::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    ::SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    return FALSE;
  }
  auto* form = reinterpret_cast<TControlForm*>(::GetWindowLongPtrW(dialog, DWLP_USER));
  if (!form) return FALSE;
  // Windows calls this procedure: no exception may leave it.
  try {
    return form->OnDialogMessage(dialog, message, wParam, lParam);
  } catch (...) {
    TApplication::Instance().HandleException();
    return TRUE;
  }
}

INT_PTR TControlForm::OnDialogMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCHITTEST:
      // Through to the window, which the whole surface drags.
      ::SetWindowLongPtrW(dialog, DWLP_MSGRESULT, HTTRANSPARENT);
      return TRUE;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    case WM_HSCROLL:
      // The track bar's position is read on 保存; from now on it is the
      // user's choice rather than the stored level.
      if (reinterpret_cast<HWND>(lParam) == Item(IDC_TRACKBAR1)) volumeMoved_ = true;
      return TRUE;
    case WM_DRAWITEM: {
      const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item.CtlID == IDC_IMAGE1) DrawImage1(item);
      if (item.CtlID == IDC_PANELCOLOR) DrawPanelColour(item);
      return TRUE;
    }
    case WM_NOTIFY: {
      const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
      if (header.idFrom == IDC_PAGES && header.code == TCN_SELCHANGE) {
        SetActivePage(TabCtrl_GetCurSel(header.hwndFrom));
        return TRUE;
      }
      if ((header.code == NM_CLICK || header.code == NM_RETURN) && header.idFrom == IDC_LABEL3) Label3Click();
      if ((header.code == NM_CLICK || header.code == NM_RETURN) && header.idFrom == IDC_LABEL8) Label8Click();
      return TRUE;
    }
    default:
      return FALSE;
  }
}

void TControlForm::OnCommand(int id, int code) {
  switch (id) {
    case IDOK:
      if (code == BN_CLICKED) BtnOKClick();
      break;
    case IDCANCEL:
      if (code == BN_CLICKED) BtnCancelClick();
      break;
    case IDC_CHECKCLEAR:
    case IDC_CHECKROL:
    case IDC_CHECKZOOM:
    case IDC_CHECKBRIGHTNESS:
    case IDC_RADIODPOSISION:
    case IDC_RADIODPOSISION + 1:
    case IDC_RADIODPOSISION + 2:
    case IDC_RADIODPOSISION + 3:
    case IDC_RADIOCOLOR:
    case IDC_RADIOCOLOR + 1:
    case IDC_RADIOCOLOR + 2:
      if (code == BN_CLICKED) CheckRolClick();
      break;
    case IDC_CHECKVOLUME:
      if (code == BN_CLICKED) CheckVolumeClick();
      break;
    case IDC_PANELCOLOR:
      if (code == BN_CLICKED) PanelColorClick();
      break;
    case IDC_BITBTN1:
      if (code == BN_CLICKED) BitBtn1Click();
      break;
    case IDC_BITBTN2:
      if (code == BN_CLICKED) BitBtn2Click();
      break;
    case IDC_BTNADD:
      if (code == BN_CLICKED) BtnAddClick();
      break;
    case IDC_BTNADD2:
      if (code == BN_CLICKED) BtnAdd2Click();
      break;
    case IDC_BTNDELETE:
      if (code == BN_CLICKED) BtnDeleteClick();
      break;
    case IDC_BTNDELETE2:
      if (code == BN_CLICKED) BtnDelete2Click();
      break;
    case IDC_LISTBOX1:
      if (code == LBN_SELCHANGE || code == LBN_DBLCLK) ListBox1Click();
      break;
    case IDC_LISTBOX2:
      if (code == LBN_SELCHANGE) ListBox2Click();
      break;
    case IDC_DATALIST:
      if (code == CBN_SELCHANGE) DataListChange();
      break;
    case IDC_DATASET_NEW:
      if (code == BN_CLICKED) ButtonDataSetNewClick();
      break;
    case IDC_DATASET_DELETE:
      if (code == BN_CLICKED) ButtonDataSetDeleteClick();
      break;
    default:
      break;
  }
}

HWND TControlForm::Item(int id) const {
  if (HWND control = ::GetDlgItem(frame_, id)) return control;
  for (HWND page : pages_) {
    if (HWND control = ::GetDlgItem(page, id)) return control;
  }
  return nullptr;
}

int TControlForm::ActivePage() const { return TabCtrl_GetCurSel(::GetDlgItem(frame_, IDC_PAGES)); }

void TControlForm::SetActivePage(int index) {
  if (index < 0 || index >= kPageCount) index = 0;
  TabCtrl_SetCurSel(::GetDlgItem(frame_, IDC_PAGES), index);
  for (int i = 0; i < kPageCount; ++i) ::ShowWindow(pages_[i], i == index ? SW_SHOW : SW_HIDE);
}

// ---------------------------------------------------------------------------
// Controls and settings

bool TControlForm::Checked(int id) const { return ::SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void TControlForm::SetChecked(int id, bool checked) {
  ::SendMessageW(Item(id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

int TControlForm::RadioIndex(int firstId, int count) const {
  for (int i = 0; i < count; ++i) {
    if (Checked(firstId + i)) return i;
  }
  return -1;
}

void TControlForm::SetRadioIndex(int firstId, int count, int index) {
  for (int i = 0; i < count; ++i) SetChecked(firstId + i, i == index);
}

std::wstring TControlForm::Text(int id) const {
  HWND control = Item(id);
  std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(static_cast<size_t>(::GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
  return text;
}

void TControlForm::SetText(int id, const std::wstring& text) { ::SetWindowTextW(Item(id), text.c_str()); }

void TControlForm::ShowSettings(const DialogSettings& s) {
  SetRadioIndex(IDC_RADIODPOSISION, 4, s.DrawPosision);
  SetRadioIndex(IDC_RADIOGSIZE, 4, s.GraphicsSize);
  SetChecked(IDC_CHECKSCROLL, s.Scroll);
  SetChecked(IDC_CHECKCLEAR, s.ScreenClear);
  ::SendMessageW(Item(IDC_COMBOSS), CB_SETCURSEL, static_cast<WPARAM>(s.PointCastIndex), 0);
  SetChecked(IDC_CHECKRANDOMG, s.RandomSort);
  SetChecked(IDC_CHECKRANDOMS, s.RandomSortS);
  SetChecked(IDC_CHECKROL, s.Rotate);
  SetChecked(IDC_CHECKCAPTURE, s.Capture);
  SetChecked(IDC_CHECKFILENAME, s.DispFileName);
  ShowPanelColour(s.BackColor);
  SetText(IDC_EDITWAIT, Wide(s.DrawWait));
  SetChecked(IDC_CHECKMEDIAPLAYER, s.MediaPlayer);
  SetRadioIndex(IDC_RADIOEND, 4, s.EndOption);
  ::SendMessageW(Item(IDC_TRACKBAR1), TBM_SETPOS, TRUE, s.Volume);
  SetChecked(IDC_CHECKVOLUME, s.ChangeVolume);
  SetChecked(IDC_CHECKDISPPLAYER, s.DisplayPlayer);
  SetText(IDC_EDITLOGFILE, Wide(s.LogFile));
  SetChecked(IDC_CHECKALLDATASET, s.DispAllDataSet);
  SetChecked(IDC_CHECKGROUPCOUNTUP, s.GroupCountup);
  SetChecked(IDC_CHECKGROUPRANDOM, s.GroupRandom);
  SetChecked(IDC_CHECKSMOOTHZOOM, s.SmoothZoom);
  SetChecked(IDC_CHECKZOOM, s.Zoom);
  SetChecked(IDC_ISNEWFOLDERADD, s.IsNewFolderAdd);
  SetChecked(IDC_ISNEWFOLDERADD2, s.IsNewFolderAdd2);
  SetChecked(IDC_CHECKBRIGHTNESS, s.Brightness);
  SetRadioIndex(IDC_RADIOCOLOR, 3, s.DrawColor);
  SetActivePage(s.ActivePage);
}

DialogSettings TControlForm::CollectSettings() const {
  DialogSettings s;
  // A stored value that no item stands for (a damaged one) leaves its group
  // without a choice; unless the user picks one, the value is saved as it was.
  auto radio = [this](int firstId, int count, int32_t stored) {
    const int index = RadioIndex(firstId, count);
    return index >= 0 ? index : stored;
  };
  s.DrawPosision = radio(IDC_RADIODPOSISION, 4, loaded_.DrawPosision);
  s.GraphicsSize = radio(IDC_RADIOGSIZE, 4, loaded_.GraphicsSize);
  s.Scroll = Checked(IDC_CHECKSCROLL);
  s.ScreenClear = Checked(IDC_CHECKCLEAR);
  s.PointCastIndex = static_cast<int>(::SendMessageW(Item(IDC_COMBOSS), CB_GETCURSEL, 0, 0));
  s.RandomSort = Checked(IDC_CHECKRANDOMG);
  s.RandomSortS = Checked(IDC_CHECKRANDOMS);
  s.Rotate = Checked(IDC_CHECKROL);
  s.Capture = Checked(IDC_CHECKCAPTURE);
  s.DispFileName = Checked(IDC_CHECKFILENAME);
  s.BackColor = backColor_;
  s.DrawWait = Utf8(Text(IDC_EDITWAIT));
  s.MediaPlayer = Checked(IDC_CHECKMEDIAPLAYER);
  s.EndOption = radio(IDC_RADIOEND, 4, loaded_.EndOption);
  // A level outside the track bar's 1 to 255 stays as stored until moved.
  s.Volume = volumeMoved_ || (loaded_.Volume >= 1 && loaded_.Volume <= 255)
                 ? static_cast<int32_t>(::SendMessageW(Item(IDC_TRACKBAR1), TBM_GETPOS, 0, 0))
                 : loaded_.Volume;
  s.ChangeVolume = Checked(IDC_CHECKVOLUME);
  s.DisplayPlayer = Checked(IDC_CHECKDISPPLAYER);
  s.LogFile = Utf8(Text(IDC_EDITLOGFILE));
  s.ActivePage = ActivePage();
  s.DispAllDataSet = Checked(IDC_CHECKALLDATASET);
  s.GroupCountup = Checked(IDC_CHECKGROUPCOUNTUP);
  s.GroupRandom = Checked(IDC_CHECKGROUPRANDOM);
  s.SmoothZoom = Checked(IDC_CHECKSMOOTHZOOM);
  s.Zoom = Checked(IDC_CHECKZOOM);
  s.IsNewFolderAdd = Checked(IDC_ISNEWFOLDERADD);
  s.IsNewFolderAdd2 = Checked(IDC_ISNEWFOLDERADD2);
  s.Brightness = Checked(IDC_CHECKBRIGHTNESS);
  s.DrawColor = radio(IDC_RADIOCOLOR, 3, loaded_.DrawColor);
  s.SoundFolders = ListItems(IDC_LISTBOX2);
  return s;
}

void TControlForm::FillSaverList() {
  HWND combo = Item(IDC_COMBOSS);
  SaverPaths.clear();
  saverNames_.assign(1, L"なし");
  ::SendMessageW(combo, CB_RESETCONTENT, 0, 0);
  ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"なし"));
  SaverPaths.emplace_back();
  SaverCatalog.ListSavers(SaverPaths);
  for (size_t i = 1; i < SaverPaths.size(); ++i) {
    TVersion version;
    GetVersionInfo(SaverPaths[i], version);
    std::wstring name = Wide(version.SCRNSAVE);
    if (name.empty()) {
      const std::wstring path = Wide(SaverPaths[i]);
      name = path.substr(path.find_last_of(L"\\/") + 1);
      name.resize(name.size() > 4 ? name.size() - 4 : 0);
    }
    ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    saverNames_.push_back(name);
  }
}

void TControlForm::LoadDialogSettings() {
  DialogSettings s = CollectSettings();
  s.ActivePage = 2;
  s.BackColor = backColor_;
  WinRegistry registry;
  lumora::LoadDialogSettings(registry, s, SaverPaths, [this] { return StopRequested; });
  loaded_ = s;
  ShowSettings(s);
  SetListItems(IDC_LISTBOX1, s.PictureFolders);
  SetListItems(IDC_LISTBOX2, s.SoundFolders);
  HWND groups = Item(IDC_DATALIST);
  ::SendMessageW(groups, CB_RESETCONTENT, 0, 0);
  for (int i = 0; i < s.DataSetCount; ++i) {
    ::SendMessageW(groups, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(GroupName(i).c_str()));
  }
  ::SendMessageW(groups, CB_SETCURSEL, static_cast<WPARAM>(s.DataSetNo), 0);
  ::EnableWindow(Item(IDC_TRACKBAR1), Checked(IDC_CHECKVOLUME));
  UpdateOptionStates();
}

void TControlForm::SaveDialogSettings() {
  WinRegistry registry;
  lumora::SaveDialogSettings(registry, CollectSettings(), SaverPaths, ProgramFolder());
}

void TControlForm::LoadDataSetFolders(int group) {
  if (group == -1) return;
  std::vector<std::string> folders = ListItems(IDC_LISTBOX1);
  WinRegistry registry;
  lumora::LoadDataSetFolders(registry, group, folders);
  SetListItems(IDC_LISTBOX1, folders);
  CurrentDataSet = group;
}

void TControlForm::SaveDataSetFolders(int group) {
  WinRegistry registry;
  lumora::SaveDataSetFolders(registry, group, GroupCount(), ListItems(IDC_LISTBOX1));
}

void TControlForm::UpdateOptionStates() {
  OptionStates o{Checked(IDC_CHECKROL), Checked(IDC_CHECKZOOM), Checked(IDC_CHECKCLEAR), Checked(IDC_CHECKBRIGHTNESS),
                 RadioIndex(IDC_RADIODPOSISION, 4)};
  lumora::UpdateOptionStates(o);
  SetChecked(IDC_CHECKROL, o.Rotate);
  SetChecked(IDC_CHECKZOOM, o.Zoom);
  SetChecked(IDC_CHECKCLEAR, o.ScreenClear);
  SetChecked(IDC_CHECKBRIGHTNESS, o.Brightness);
  ::EnableWindow(Item(IDC_CHECKROL), o.RotateEnabled);
  ::EnableWindow(Item(IDC_CHECKZOOM), o.ZoomEnabled);
  ::EnableWindow(Item(IDC_CHECKCLEAR), o.ClearEnabled);
  ::EnableWindow(Item(IDC_CHECKBRIGHTNESS), o.BrightnessEnabled);
  for (int id = IDC_RADIOGSIZE; id < IDC_RADIOGSIZE + 4; ++id) ::EnableWindow(Item(id), o.SizeEnabled);
  ::EnableWindow(Item(IDC_GROUP_GSIZE), o.SizeEnabled);
}

void TControlForm::ShowPanelColour(uint32_t colour) {
  backColor_ = colour;
  ::InvalidateRect(Item(IDC_PANELCOLOR), nullptr, TRUE);
}

void TControlForm::DrawPanelColour(const DRAWITEMSTRUCT& item) {
  const COLORREF fill = ColorToRGB(backColor_);
  UniqueBrush brush(::CreateSolidBrush(fill));
  ::FillRect(item.hDC, &item.rcItem, brush.get());
  ::DrawEdge(item.hDC, const_cast<RECT*>(&item.rcItem), (item.itemState & ODS_SELECTED) ? EDGE_SUNKEN : EDGE_RAISED,
             BF_RECT);
  // The caption in the complement of the colour, readable on any colour.
  ::SetBkMode(item.hDC, TRANSPARENT);
  ::SetTextColor(item.hDC, ~fill & 0x00FFFFFFu);
  RECT text = item.rcItem;
  ::DrawTextW(item.hDC, L"背景色", -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  if (item.itemState & ODS_FOCUS) {
    RECT focus = item.rcItem;
    ::InflateRect(&focus, -3, -3);
    ::DrawFocusRect(item.hDC, &focus);
  }
}

// ---------------------------------------------------------------------------
// Buttons

void TControlForm::BtnOKClick() {
  try {
    SaveDialogSettings();
    SaveDataSetFolders(SelectedGroup());
  } catch (const std::exception&) {
    // The framework's message; the dialog stays open.
    TApplication::Instance().HandleException();
    return;
  }
  Close();
}

void TControlForm::BtnCancelClick() { Close(); }

void TControlForm::CheckVolumeClick() { ::EnableWindow(Item(IDC_TRACKBAR1), Checked(IDC_CHECKVOLUME)); }

void TControlForm::PanelColorClick() {
  CHOOSECOLORW choose{};
  choose.lStructSize = sizeof choose;
  choose.hwndOwner = Handle();
  choose.rgbResult = lastChosen_;
  choose.lpCustColors = customColours_;
  choose.Flags = CC_RGBINIT | CC_FULLOPEN;
  if (!::ChooseColorW(&choose)) return;
  lastChosen_ = choose.rgbResult;
  ShowPanelColour(choose.rgbResult);
}

void TControlForm::BitBtn1Click() {
  wchar_t path[MAX_PATH] = {};
  const std::wstring current = Text(IDC_EDITLOGFILE);
  wcsncpy(path, current.c_str(), MAX_PATH - 1);
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = Handle();
  dialog.lpstrFile = path;
  dialog.nMaxFile = MAX_PATH;
  dialog.lpstrTitle = L"表示履歴を指定してください";
  dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST;
  if (::GetSaveFileNameW(&dialog)) SetText(IDC_EDITLOGFILE, path);
}

void TControlForm::BitBtn2Click() { ShellOpenFile(Text(IDC_EDITLOGFILE), L""); }

void TControlForm::Label3Click() { ShellOpenFile(kHomePage, L""); }

void TControlForm::Label8Click() { ShellOpenFile(kBoard, L""); }

// ---------------------------------------------------------------------------
// The log

void TControlForm::OpenLog() {
  const std::string name(Trim(Utf8(Text(IDC_EDITLOGFILE))));
  if (name.empty()) return;
  try {
    LogFile1.LogFileName = name;
    LogFile1.SetActive(true);
  } catch (const std::exception&) {
    TApplication::Instance().HandleException();
  }
}

void TControlForm::WriteLogLine(const std::string& what) {
  if (!LogFile1.Active()) return;
  try {
    if (!LogFile1.WriteLog(LogFile1.NowText() + what)) {
      throw std::runtime_error(LogFile1.LogFileName + " に書き込めません");
    }
  } catch (const std::exception&) {
    TApplication::Instance().HandleException();
  }
}

// ---------------------------------------------------------------------------
// The version page

void TControlForm::ShowVersionPage() {
  wchar_t program[MAX_PATH * 4] = {};
  ::GetModuleFileNameW(nullptr, program, MAX_PATH * 4);
  TVersion version;
  GetVersionInfo(Utf8(program), version);
  SetText(IDC_LABELTITLE, Wide(version.ProductName));
  SetText(IDC_LABELVERSION, L"バージョン " + Wide(version.FileVersion));
  SetText(IDC_LABELCOPYLEFT, L"作者 " + Wide(version.LegalCopyright));

  hasVersionPicture_ = false;
  HWND image = Item(IDC_IMAGE1);
  RECT box{};
  ::GetWindowRect(image, &box);
  ::MapWindowPoints(nullptr, Page(3), reinterpret_cast<POINT*>(&box), 2);
  int width = Scale(kImageBox), height = Scale(kImageBox);
  try {
    const std::string path = PickRandomPicture();
    if (!path.empty()) {
      const std::vector<uint8_t> bytes = ReadFileBytes(path, kMaxVersionPictureBytes);
      versionPicture_ = Formats.Decode(bytes, ExtensionOf(path), path);
      if (versionPicture_.width > 0 && versionPicture_.height > 0) {
        const std::wstring wide = Wide(path);
        SetText(IDC_LABELFILENAME, wide.substr(wide.find_last_of(L"\\/") + 1));
        if (versionPicture_.height > versionPicture_.width) {
          width = Scale(static_cast<int>(std::trunc(static_cast<double>(versionPicture_.width) /
                                                    versionPicture_.height * kImageScale)));
        } else {
          height = Scale(static_cast<int>(std::trunc(static_cast<double>(versionPicture_.height) /
                                                     versionPicture_.width * kImageScale)));
        }
        hasVersionPicture_ = true;
      }
    }
  } catch (const std::exception&) {
    hasVersionPicture_ = false;  // any failure leaves the box empty
  }
  ::SetWindowPos(image, nullptr, box.left, box.top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  ::InvalidateRect(image, nullptr, TRUE);
}

std::string TControlForm::PickRandomPicture() {
  random_.seed(static_cast<unsigned>(::GetTickCount()));
  const std::vector<std::string> folders = ListItems(IDC_LISTBOX1);
  if (folders.empty()) return {};
  const std::string folder =
      WithBackslash(folders[std::uniform_int_distribution<size_t>(0, folders.size() - 1)(random_)]);
  std::vector<std::string> files;
  WIN32_FIND_DATAW data{};
  HANDLE find = ::FindFirstFileW(Wide(folder + "*.*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return {};
  do {
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) files.push_back(folder + Utf8(data.cFileName));
  } while (!StopRequested && ::FindNextFileW(find, &data));
  ::FindClose(find);
  if (files.empty()) return {};
  return files[std::uniform_int_distribution<size_t>(0, files.size() - 1)(random_)];
}

void TControlForm::DrawImage1(const DRAWITEMSTRUCT& item) {
  ::FillRect(item.hDC, &item.rcItem, ::GetSysColorBrush(COLOR_BTNFACE));
  if (!hasVersionPicture_) return;
  BITMAPINFO info = TopDown24BitmapInfo(versionPicture_.width, versionPicture_.height);
  ::SetStretchBltMode(item.hDC, HALFTONE);
  ::SetBrushOrgEx(item.hDC, 0, 0, nullptr);
  ::StretchDIBits(item.hDC, item.rcItem.left, item.rcItem.top, item.rcItem.right - item.rcItem.left,
                  item.rcItem.bottom - item.rcItem.top, 0, 0, versionPicture_.width, versionPicture_.height,
                  versionPicture_.bits.data(), &info, DIB_RGB_COLORS, SRCCOPY);
}

// ---------------------------------------------------------------------------
// Folder lists

std::vector<std::string> TControlForm::ListItems(int id) const {
  HWND list = Item(id);
  std::vector<std::string> items;
  const LRESULT count = ::SendMessageW(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    std::wstring text(static_cast<size_t>(::SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0)) + 1,
                      L'\0');
    text.resize(static_cast<size_t>(
        ::SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()))));
    items.push_back(Utf8(text));
  }
  return items;
}

void TControlForm::SetListItems(int id, const std::vector<std::string>& items) {
  HWND list = Item(id);
  ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  ::SendMessageW(list, LB_RESETCONTENT, 0, 0);
  LONG widest = 0;
  HDC dc = ::GetDC(list);
  HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(list, WM_GETFONT, 0, 0)));
  for (const std::string& item : items) {
    const std::wstring text = Wide(item);
    ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    SIZE size{};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    widest = std::max(widest, size.cx);
  }
  ::SelectObject(dc, old);
  ::ReleaseDC(list, dc);
  ::SendMessageW(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest + Scale(8)), 0);
  ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(list, nullptr, TRUE);
  UpdateDeleteButton(id, id == IDC_LISTBOX1 ? IDC_BTNDELETE : IDC_BTNDELETE2);
}

void TControlForm::AddFolderTo(int listId, const std::string& folder, bool withSubfolders, bool scanWhenListed) {
  std::vector<std::string> items = ListItems(listId);
  const bool added = AddFolder(items, folder);
  if (added) SetListItems(listId, items);
  if (withSubfolders && (added || scanWhenListed)) {
    // The list grows as the scan goes, so the user sees it working.
    size_t shown = items.size();
    AddSubfolders(
        items, folder, Subfolders,
        [&] {
          if (items.size() != shown) {
            ::SendMessageW(Item(listId), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(items.back()).c_str()));
            shown = items.size();
          }
          YieldToMessages();
        },
        [this] { return StopRequested; });
    SetListItems(listId, items);
  }
}

void TControlForm::UpdateDeleteButton(int listId, int buttonId) {
  HWND list = Item(listId);
  const LRESULT current = ::SendMessageW(list, LB_GETCARETINDEX, 0, 0);
  const LRESULT selected = ::SendMessageW(list, LB_GETSELCOUNT, 0, 0);
  ::EnableWindow(Item(buttonId), current >= 0 && selected > 0 && ::SendMessageW(list, LB_GETCOUNT, 0, 0) > 0);
}

void TControlForm::RemoveSelected(int listId, int buttonId) {
  HWND list = Item(listId);
  for (LRESULT i = ::SendMessageW(list, LB_GETCOUNT, 0, 0) - 1; i >= 0; --i) {
    if (::SendMessageW(list, LB_GETSEL, static_cast<WPARAM>(i), 0) > 0) {
      ::SendMessageW(list, LB_DELETESTRING, static_cast<WPARAM>(i), 0);
    }
  }
  if (::SendMessageW(list, LB_GETCOUNT, 0, 0) == 0) ::EnableWindow(Item(buttonId), FALSE);
  ::SendMessageW(list, LB_SETSEL, FALSE, -1);
}

void TControlForm::AddFolderByDialog(int listId, int subId, bool pictures) {
  StopRequested = false;
  const DisabledWhile adding(Item(IDOK));  // no half-scanned list is saved
  std::wstring filter;
  if (pictures) {
    std::wstring all;
    std::wstring each;
    for (const std::string& extension : Formats.Extensions()) {
      const std::wstring pattern = L"*." + Wide(extension);
      all += (all.empty() ? L"" : L";") + pattern;
      each += Wide(AsciiUpper(extension)) + L" (" + pattern + L")" + L'\0' + pattern + L'\0';
    }
    filter = L"すべての画像 (" + all + L")" + L'\0' + all + L'\0' + each + L'\0';
  }
  wchar_t path[MAX_PATH] = {};
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = Handle();
  dialog.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
  dialog.lpstrFile = path;
  dialog.nMaxFile = MAX_PATH;
  dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
  if (!::GetOpenFileNameW(&dialog)) return;
  AddFolderTo(listId, FolderOfFile(Utf8(path)), Checked(subId), true);
}

void TControlForm::BtnAddClick() { AddFolderByDialog(IDC_LISTBOX1, IDC_CHECKSUB, true); }

void TControlForm::BtnAdd2Click() { AddFolderByDialog(IDC_LISTBOX2, IDC_CHECKSUB2, false); }

void TControlForm::BtnDeleteClick() { RemoveSelected(IDC_LISTBOX1, IDC_BTNDELETE); }

void TControlForm::BtnDelete2Click() { RemoveSelected(IDC_LISTBOX2, IDC_BTNDELETE2); }

void TControlForm::ListClick(int listId, int buttonId) {
  // The hint shows the current item's whole path.
  HWND list = Item(listId);
  const LRESULT current = ::SendMessageW(list, LB_GETCARETINDEX, 0, 0);
  if (current >= 0 && current < ::SendMessageW(list, LB_GETCOUNT, 0, 0)) {
    SetHint(listId, Wide(ListItems(listId)[static_cast<size_t>(current)]));
  }
  UpdateDeleteButton(listId, buttonId);
}

void TControlForm::ListBox1Click() { ListClick(IDC_LISTBOX1, IDC_BTNDELETE); }

void TControlForm::ListBox2Click() { ListClick(IDC_LISTBOX2, IDC_BTNDELETE2); }

void TControlForm::ListBox1KeyDown() { UpdateDeleteButton(IDC_LISTBOX1, IDC_BTNDELETE); }

void TControlForm::ListBox1KeyPress(wchar_t key) {
  if (key != L'.') return;
  HWND list = Item(IDC_LISTBOX1);
  const LRESULT current = ::SendMessageW(list, LB_GETCARETINDEX, 0, 0);
  if (current >= 0 && current < ::SendMessageW(list, LB_GETCOUNT, 0, 0)) {
    ::SendMessageW(list, LB_DELETESTRING, static_cast<WPARAM>(current), 0);
  }
}

void TControlForm::DropFiles(const std::vector<std::wstring>& paths) {
  StopRequested = false;
  const DisabledWhile adding(Item(IDOK));  // no half-scanned list is saved
  const int page = ActivePage();
  for (const std::wstring& path : paths) {
    if (StopRequested) break;
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    const std::string folder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)
                                   ? WithBackslash(Utf8(path))
                                   : FolderOfFile(Utf8(path));
    if (page == 0) AddFolderTo(IDC_LISTBOX1, folder, Checked(IDC_CHECKSUB), false);
    if (page == 1) AddFolderTo(IDC_LISTBOX2, folder, Checked(IDC_CHECKSUB2), false);
    YieldToMessages();
  }
}

// ---------------------------------------------------------------------------
// Groups

int TControlForm::SelectedGroup() const {
  return static_cast<int>(::SendMessageW(Item(IDC_DATALIST), CB_GETCURSEL, 0, 0));
}

int TControlForm::GroupCount() const {
  return static_cast<int>(::SendMessageW(Item(IDC_DATALIST), CB_GETCOUNT, 0, 0));
}

void TControlForm::UpdateGroupDelete() { ::EnableWindow(Item(IDC_DATASET_DELETE), GroupCount() > 1); }

void TControlForm::ButtonDataSetNewClick() {
  HWND groups = Item(IDC_DATALIST);
  const DisabledWhile busy(groups);
  SaveDataSetFolders(CurrentDataSet);
  const int index = GroupCount();
  ::SendMessageW(groups, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(GroupName(index).c_str()));
  ::SendMessageW(groups, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SetListItems(IDC_LISTBOX1, {});
  UpdateGroupDelete();
  CurrentDataSet = index;
}

void TControlForm::DataListChange() {
  HWND groups = Item(IDC_DATALIST);
  const DisabledWhile busy(groups);
  SaveDataSetFolders(CurrentDataSet);
  SetListItems(IDC_LISTBOX1, {});
  LoadDataSetFolders(SelectedGroup());
  CurrentDataSet = SelectedGroup();
}

void TControlForm::ButtonDataSetDeleteClick() {
  HWND groups = Item(IDC_DATALIST);
  const int k = SelectedGroup();
  const int n = GroupCount();
  if (k < 0 || n <= 1) return;
  for (int i = k + 1; i < n; ++i) {
    SetListItems(IDC_LISTBOX1, {});
    LoadDataSetFolders(i);
    SaveDataSetFolders(i - 1);
    YieldToMessages();
  }
  ::SendMessageW(groups, CB_DELETESTRING, static_cast<WPARAM>(n - 1), 0);
  const int selected = std::min(k, n - 2);
  ::SendMessageW(groups, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
  CurrentDataSet = selected;
  SetListItems(IDC_LISTBOX1, {});
  LoadDataSetFolders(selected);
  WinRegistry registry;
  if (auto key = registry.Open(kSettingsKey, true)) WriteInteger(*key, "DataSetCount", n - 1);
  UpdateGroupDelete();
}

// ---------------------------------------------------------------------------
// The dialog's plug-in host

void TControlForm::SPIsSearching(const std::wstring&, bool& accept) { accept = true; }

void TControlForm::SPIsSearch(TSPI& spi, bool& accept) { accept = spi.GetKind() == TSPI::Kind::kIn; }

void TControlForm::SPIsPictureRegister(TSPI&, const std::string& extension, const std::string&, bool& accept) {
  // JPEG stays with the built-in decoder; "*" would stand for every file.
  const std::string upper = AsciiUpper(extension);
  if (upper == "JPG" || upper == "JPEG" || upper == "*") accept = false;
}

}  // namespace lumora::win
