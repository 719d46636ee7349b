// The configuration dialog, created in this process and driven through its
// controls with window messages: what it shows for no settings and for
// stored ones, what 保存 writes to the real registry, the picture groups,
// folders dropped from the shell and removed with ".", closing a running
// saver, and the saver running with what was saved.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <string>
#include <thread>
#include <vector>

#include "app/file_bytes.h"
#include "app/settings.h"
#include "app/win/forms.h"
#include "app/win/wide.h"
#include "app/win/win_registry.h"
#include "config/win/control_form.h"
#include "config/win/control_ids.h"
#include "config/win/options_page.h"
#include "config/win/pictures_page.h"
#include "config/win/sounds_page.h"
#include "config/win/version_page.h"
#include "imaging/bmp_write.h"

namespace lumora::win {
namespace {

void Pump(DWORD milliseconds = 50) {
  const DWORD until = ::GetTickCount() + milliseconds;
  do {
    TApplication::Instance().ProcessMessages();
    ::Sleep(5);
  } while (static_cast<LONG>(until - ::GetTickCount()) > 0);
}

std::string TempFolder(const std::string& name) {
  wchar_t buffer[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, buffer);
  const std::string folder = Utf8(buffer) + name + "\\";
  ::SHCreateDirectoryExW(nullptr, Wide(folder).c_str(), nullptr);
  return folder;
}

// The dialog over the settings the test wrote, closed and destroyed at the
// end. Errors the framework would show in a message box are collected.
class Dialog {
 public:
  Dialog() {
    TApplication& app = TApplication::Instance();
    app.Initialize(::GetModuleHandleW(nullptr));
    app.OnException = [this](const std::string& message) { errors.push_back(message); };
    form = app.CreateForm<TControlForm>();
    Pump();
  }
  ~Dialog() {
    TApplication& app = TApplication::Instance();
    app.DestroyForms();
    app.OnException = nullptr;
    Pump();
  }
  HWND operator[](int id) const { return form->Item(id); }
  bool Checked(int id) const { return ::SendMessageW((*this)[id], BM_GETCHECK, 0, 0) == BST_CHECKED; }
  bool Enabled(int id) const { return ::IsWindowEnabled((*this)[id]) != FALSE; }
  void Click(int id) const {
    ::SendMessageW((*this)[id], BM_CLICK, 0, 0);
    Pump();
  }
  void SetText(int id, const wchar_t* text) const { ::SendMessageW((*this)[id], WM_SETTEXT, 0, (LPARAM)text); }
  // A page through the page control, as the user's click would.
  void ShowPage(int index) const {
    ::SendMessageW(::GetDlgItem(form->Frame(), IDC_PAGES), TCM_SETCURFOCUS, static_cast<WPARAM>(index), 0);
    Pump();
  }
  // A group picked by the user.
  void PickGroup(int index) const {
    ::SendMessageW((*this)[IDC_DATALIST], CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    ::SendMessageW(::GetParent((*this)[IDC_DATALIST]), WM_COMMAND, MAKEWPARAM(IDC_DATALIST, CBN_SELCHANGE),
                   (LPARAM)(*this)[IDC_DATALIST]);
    Pump();
  }
  std::vector<std::string> Items(int id) const {
    std::vector<std::string> items;
    const LRESULT count = ::SendMessageW((*this)[id], id == IDC_DATALIST ? CB_GETCOUNT : LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      wchar_t text[MAX_PATH * 2] = {};
      ::SendMessageW((*this)[id], id == IDC_DATALIST ? CB_GETLBTEXT : LB_GETTEXT, static_cast<WPARAM>(i),
                     (LPARAM)text);
      items.push_back(Utf8(text));
    }
    return items;
  }
  // Files dropped from the shell onto the dialog.
  void Drop(const std::vector<std::string>& paths) const {
    std::wstring list;
    for (const std::string& path : paths) list += Wide(path) + L'\0';
    list += L'\0';
    HGLOBAL memory = ::GlobalAlloc(GHND, sizeof(DROPFILES) + list.size() * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(::GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    memcpy(drop + 1, list.data(), list.size() * sizeof(wchar_t));
    ::GlobalUnlock(memory);
    ::SendMessageW(form->Handle(), WM_DROPFILES, (WPARAM)memory, 0);
    Pump();
  }

  TControlForm* form;
  std::vector<std::string> errors;
};

WinRegistry& Registry() {
  static WinRegistry registry;
  return registry;
}

void NoSettings() { Registry().DeleteKey(kSettingsKey); }

std::unique_ptr<RegistryKey> Root() { return Registry().Open(kSettingsKey, true); }

TEST(ControlForm, FirstStartShowsTheOptionsPageOneGroupAndADisabledVolumeOf127) {
  NoSettings();
  Dialog dialog;
  EXPECT_EQ(dialog.form->ActivePage(), 2);
  EXPECT_TRUE(::IsWindowVisible(dialog.form->Page(2)));
  EXPECT_FALSE(::IsWindowVisible(dialog.form->Page(0)));
  EXPECT_EQ(dialog.Items(IDC_DATALIST), (std::vector<std::string>{"グループ 1"}));
  EXPECT_FALSE(dialog.Enabled(IDC_DATASET_DELETE));
  EXPECT_EQ(::SendMessageW(dialog[IDC_TRACKBAR1], TBM_GETPOS, 0, 0), 127);
  EXPECT_FALSE(dialog.Enabled(IDC_TRACKBAR1));
  EXPECT_FALSE(dialog.Checked(IDC_CHECKVOLUME));
  EXPECT_FALSE(dialog.Enabled(IDC_CHECKSCROLL));
  EXPECT_TRUE(dialog.Checked(IDC_RADIOGSIZE + 2));
  EXPECT_TRUE(dialog.Checked(IDC_RADIOEND + 2));
  EXPECT_TRUE(dialog.Checked(IDC_ISNEWFOLDERADD));
  EXPECT_EQ(::SendMessageW(dialog[IDC_COMBOSS], CB_GETCURSEL, 0, 0), CB_ERR);
  wchar_t caption[64] = {};
  ::GetWindowTextW(dialog.form->Handle(), caption, 64);
  EXPECT_STREQ(caption, L"Lumora設定");
  EXPECT_TRUE(::GetWindowLongPtrW(dialog.form->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
  // The volume check box enables the track bar.
  dialog.Click(IDC_CHECKVOLUME);
  EXPECT_TRUE(dialog.Enabled(IDC_TRACKBAR1));
}

TEST(ControlForm, StoredValuesShowWithTheirRulesAndAKeyWithoutActivePageOpensTheVersionPage) {
  NoSettings();
  auto root = Root();
  WriteInteger(*root, "Rotate", 1);
  WriteInteger(*root, "Zoom", 1);
  WriteInteger(*root, "Volume", -1);
  WriteInteger(*root, "Draw Wait", 9);
  WriteInteger(*root, "MediaPlayer", 0);
  WriteInteger(*root, "End Option", 1);
  WriteInteger(*root, "Change Volume", 1);
  WriteInteger(*root, "Draw Posision", 2);
  WriteText(*root, "Point Cast", "C:\\gone\\NotInstalled.scr");
  const std::string log = TempFolder("lumora-dialog-log") + "history.txt";
  ::DeleteFileW(Wide(log).c_str());
  WriteText(*root, "LogFile", log);
  // A group whose folder holds one 200 × 100 picture, for the version page.
  const std::string pictures = TempFolder("lumora-version-picture");
  Bitmap24 picture;
  picture.Resize(200, 100, 0, 0, 255);
  WriteFileBytes(pictures + "wide.bmp", EncodeBmp24(picture));
  SaveDataSetFolders(Registry(), 0, 1, {pictures});
  Dialog dialog;
  // The log has the opening lines.
  const std::vector<uint8_t> logged = ReadFileBytes(log, 1 << 20);
  const std::string text(logged.begin(), logged.end());
  EXPECT_NE(text.find(", Load Done"), std::string::npos) << text;
  EXPECT_LT(text.find(", Load Done"), text.find(", About Done")) << text;
  // The version page: the picture 145 wide and trunc(100 ÷ 200 × 160) = 80
  // high, its file name below.
  RECT box{};
  ::GetWindowRect(dialog[IDC_IMAGE1], &box);
  EXPECT_EQ(box.right - box.left, dialog.form->Scale(145));
  EXPECT_EQ(box.bottom - box.top, dialog.form->Scale(80));
  wchar_t name[64] = {};
  ::GetWindowTextW(dialog[IDC_LABELFILENAME], name, 64);
  EXPECT_STREQ(name, L"wide.bmp");
  EXPECT_EQ(dialog.form->ActivePage(), 3);
  EXPECT_TRUE(dialog.Checked(IDC_CHECKROL));
  EXPECT_FALSE(dialog.Checked(IDC_CHECKZOOM));
  EXPECT_FALSE(dialog.Enabled(IDC_CHECKZOOM));
  EXPECT_EQ(::SendMessageW(dialog[IDC_TRACKBAR1], TBM_GETPOS, 0, 0), 20);
  EXPECT_TRUE(dialog.Enabled(IDC_TRACKBAR1));
  EXPECT_FALSE(dialog.Enabled(IDC_RADIOGSIZE));  // a tiling position
  EXPECT_EQ(::SendMessageW(dialog[IDC_COMBOSS], CB_GETCURSEL, 0, 0), CB_ERR);
  // 保存 keeps the path of the saver that is no longer installed.
  dialog.Click(IDOK);
  EXPECT_TRUE(dialog.form->StopRequested);  // closed
  EXPECT_EQ(ReadText(*Root(), "Point Cast"), "C:\\gone\\NotInstalled.scr");
  EXPECT_EQ(ReadInteger(*Root(), "ActivePage"), 3);
}

TEST(ControlForm, SaveWritesEveryOptionAsTheSaverReadsIt) {
  NoSettings();
  Dialog dialog;
  dialog.Click(IDC_RADIOGSIZE + 3);
  dialog.Click(IDC_RADIODPOSISION);
  dialog.Click(IDC_RADIOCOLOR + 2);
  dialog.Click(IDC_RADIOEND + 3);
  for (int id : {IDC_CHECKCLEAR, IDC_CHECKRANDOMG, IDC_CHECKZOOM, IDC_CHECKCAPTURE, IDC_CHECKFILENAME,
                 IDC_CHECKSMOOTHZOOM, IDC_CHECKRANDOMS, IDC_CHECKMEDIAPLAYER, IDC_CHECKVOLUME, IDC_CHECKALLDATASET,
                 IDC_CHECKGROUPCOUNTUP, IDC_CHECKGROUPRANDOM, IDC_ISNEWFOLDERADD, IDC_ISNEWFOLDERADD2}) {
    dialog.Click(id);
  }
  EXPECT_FALSE(dialog.Enabled(IDC_CHECKROL));  // zoom on
  EXPECT_FALSE(dialog.Enabled(IDC_CHECKBRIGHTNESS));  // clearing on
  // The colour dialog, confirmed from another thread: black, its first colour.
  std::thread confirm([owner = dialog.form->Handle()] {
    for (int i = 0; i < 200; ++i) {
      ::Sleep(50);
      HWND colours = nullptr;
      while ((colours = ::FindWindowExW(nullptr, colours, L"#32770", nullptr)) != nullptr) {
        if (::GetWindow(colours, GW_OWNER) == owner) {
          ::PostMessageW(colours, WM_COMMAND, IDOK, 0);
          return;
        }
      }
    }
  });
  dialog.Click(IDC_PANELCOLOR);
  confirm.join();
  ::SendMessageW(dialog[IDC_TRACKBAR1], TBM_SETPOS, TRUE, 200);
  ::SendMessageW(dialog[IDC_COMBOSS], CB_SETCURSEL, 0, 0);  // なし
  dialog.SetText(IDC_EDITWAIT, L"120");
  dialog.SetText(IDC_EDITLOGFILE, L"");

  // A waiting time that is no number: the message, nothing written, open.
  dialog.SetText(IDC_EDITWAIT, L"x1");
  dialog.Click(IDOK);
  ASSERT_EQ(dialog.errors.size(), 1u);
  EXPECT_EQ(dialog.errors[0], "'x1' は有効な整数値ではありません");
  EXPECT_FALSE(dialog.form->StopRequested);
  EXPECT_FALSE(Registry().Open(kSettingsKey, false));

  dialog.SetText(IDC_EDITWAIT, L" 120");
  dialog.ShowPage(1);
  dialog.Click(IDOK);
  EXPECT_TRUE(dialog.form->StopRequested);

  const auto root = Registry().Open(kSettingsKey, false);
  ASSERT_TRUE(root);
  const std::vector<std::pair<const char*, int32_t>> expected = {
      {"Draw Posision", 0}, {"Graphics Size", 3}, {"Scroll", 1}, {"Screen Clear", 1}, {"Random Sort", 0},
      {"Random Sort S", 0}, {"Rotate", 0}, {"Capture", 0}, {"DispFileName", 1}, {"Draw Wait", 12},
      {"MediaPlayer", 1}, {"End Option", 3}, {"Change Volume", 1}, {"Volume", 200},
      {"BackColor", 0}, {"Display Player", 1}, {"ActivePage", 1},
      {"DispAllDataSet", 0}, {"GroupCountup", 1}, {"GroupRandom", 1}, {"SmoothZoom", 1}, {"Zoom", 1},
      {"isNewFolderAdd", 0}, {"isNewFolderAdd2", 0}, {"Brightness", 0}, {"Draw Color", 2}, {"DataSetNo", 0},
      {"DataSetCount", 1}};
  for (const auto& [name, value] : expected) EXPECT_EQ(ReadInteger(*root, name), value) << name;
  EXPECT_EQ(ReadText(*root, "Point Cast"), "");
  EXPECT_EQ(ReadText(*root, "LogFile"), "");
  EXPECT_EQ(ReadText(*root, "RootPath").back(), '\\');
  EXPECT_TRUE(Registry().Open(std::string(kSettingsKey) + "\\Folders2", false));
  EXPECT_TRUE(Registry().Open(std::string(kSettingsKey) + "\\DataSet0", false));
}

TEST(ControlForm, GroupsAreStoredAsTheUserSwitchesAddsAndDeletesThem) {
  NoSettings();
  const std::string a = TempFolder("lumora-groups\\a"), b = TempFolder("lumora-groups\\b"),
                    c = TempFolder("lumora-groups\\c");
  Dialog dialog;
  dialog.ShowPage(0);
  dialog.Drop({a});
  dialog.Click(IDC_DATASET_NEW);  // group 1 stored, group 2 empty and shown
  EXPECT_TRUE(dialog.Items(IDC_LISTBOX1).empty());
  EXPECT_TRUE(dialog.Enabled(IDC_DATASET_DELETE));
  dialog.Drop({b});
  dialog.Click(IDC_DATASET_NEW);
  dialog.Drop({c});
  EXPECT_EQ(dialog.Items(IDC_DATALIST), (std::vector<std::string>{"グループ 1", "グループ 2", "グループ 3"}));
  // Switching stores the group left at once.
  dialog.PickGroup(0);
  EXPECT_EQ(dialog.Items(IDC_LISTBOX1), (std::vector<std::string>{a}));
  std::vector<std::string> stored;
  LoadGroupFolders(Registry(), 2, stored, {});
  EXPECT_EQ(stored, (std::vector<std::string>{c}));
  // Deleting the second of three: the third's folders become the second's.
  dialog.PickGroup(1);
  dialog.Click(IDC_DATASET_DELETE);
  EXPECT_EQ(dialog.Items(IDC_DATALIST), (std::vector<std::string>{"グループ 1", "グループ 2"}));
  EXPECT_EQ(dialog.Items(IDC_LISTBOX1), (std::vector<std::string>{c}));
  EXPECT_EQ(ReadInteger(*Root(), "DataSetCount"), 2);
  LoadGroupFolders(Registry(), 1, stored, {});
  EXPECT_EQ(stored, (std::vector<std::string>{c}));
  // Deleting the last group selects the new last one.
  dialog.Click(IDC_DATASET_DELETE);
  EXPECT_EQ(dialog.Items(IDC_DATALIST).size(), 1u);
  EXPECT_EQ(dialog.Items(IDC_LISTBOX1), (std::vector<std::string>{a}));
  EXPECT_FALSE(dialog.Enabled(IDC_DATASET_DELETE));
}

TEST(ControlForm, DroppedFoldersAndFilesJoinTheListOfTheActivePage) {
  NoSettings();
  const std::string root = TempFolder("lumora-drop");
  for (const char* sub : {"one\\deep", "two"}) TempFolder("lumora-drop\\" + std::string(sub));
  WriteFileBytes(root + "two\\picture.jpg", {1, 2, 3});
  Dialog dialog;
  // On the options page nothing happens.
  dialog.Drop({root});
  dialog.ShowPage(0);
  EXPECT_TRUE(dialog.Items(IDC_LISTBOX1).empty());
  // A folder with its subfolders, depth first; one already listed in other
  // letters is not added again.
  const std::string listedOther = root + "ONE\\";
  dialog.Drop({listedOther});
  dialog.Click(IDC_CHECKSUB);
  dialog.Drop({root.substr(0, root.size() - 1)});
  EXPECT_EQ(dialog.Items(IDC_LISTBOX1),
            (std::vector<std::string>{listedOther, root, root + "one\\deep\\", root + "two\\"}));
  // "." removes the current item.
  ::SendMessageW(dialog[IDC_LISTBOX1], LB_SETCARETINDEX, 0, 0);
  ::SendMessageW(dialog[IDC_LISTBOX1], WM_CHAR, L'.', 0);
  EXPECT_EQ(dialog.Items(IDC_LISTBOX1).size(), 3u);
  EXPECT_EQ(dialog.Items(IDC_LISTBOX1).front(), root);
  // A dropped file adds its folder, on the sound page to the sound list.
  dialog.ShowPage(1);
  dialog.Drop({root + "two\\picture.jpg"});
  EXPECT_EQ(dialog.Items(IDC_LISTBOX2), (std::vector<std::string>{root + "two\\"}));
  EXPECT_TRUE(dialog.Enabled(IDOK));
}

TEST(ControlForm, ClosesARunningSaverAndTheSaverRunsWithWhatWasSaved) {
  NoSettings();
  const char* scr = std::getenv("LUMORA_SCR");
  ASSERT_TRUE(scr) << "LUMORA_SCR names the built saver";
  // The saver, running full screen from the defaults.
  auto start = [&](const std::wstring& arguments) {
    STARTUPINFOW startup{sizeof startup};
    PROCESS_INFORMATION process{};
    std::wstring command = L"\"" + Wide(scr) + L"\" " + arguments;
    EXPECT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                 &process));
    ::CloseHandle(process.hThread);
    return process.hProcess;
  };
  HANDLE saver = start(L"/s");
  for (int i = 0; i < 200 && !::FindWindowW(L"TLumora", L"Lumora"); ++i) ::Sleep(50);
  ASSERT_TRUE(::FindWindowW(L"TLumora", L"Lumora"));
  {
    Dialog dialog;
    EXPECT_EQ(::WaitForSingleObject(saver, 15000), WAIT_OBJECT_0) << "the saver did not close";
    // A picture folder and a log file, saved.
    const std::string pictures = TempFolder("lumora-saved-pictures");
    WriteFileBytes(pictures + "p.bmp", {'B', 'M'});
    const std::string log = TempFolder("lumora-saved") + "history.txt";
    ::DeleteFileW(Wide(log).c_str());
    dialog.ShowPage(0);
    dialog.Drop({pictures});
    dialog.SetText(IDC_EDITLOGFILE, Wide(log).c_str());
    dialog.SetText(IDC_EDITWAIT, L"1");
    dialog.Click(IDC_RADIOEND);  // ends after every picture was shown
    dialog.Click(IDOK);
    ::CloseHandle(saver);
    saver = start(L"/s");
    EXPECT_EQ(::WaitForSingleObject(saver, 60000), WAIT_OBJECT_0) << "the saver did not end by itself";
    // The log names the picture of the saved group.
    const std::vector<uint8_t> text = ReadFileBytes(log, 1 << 20);
    EXPECT_NE(std::string(text.begin(), text.end()).find("p.bmp"), std::string::npos);
  }
  ::CloseHandle(saver);
}

}  // namespace
}  // namespace lumora::win
