// The plug-in host over the project's test plug-ins: the search in a
// folder and in the Susie viewer's folder from the registry, the saver's
// rules (import plug-ins only, "*" refused), one object per path, the
// candidates for a file, one host per process.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/win/wide.h"
#include "imaging/win/spi_host.h"
#include "media/win/win_log.h"

namespace lumora::win {
namespace {

std::wstring TestFolder() { return Wide(ProgramFolder()); }

std::wstring NameOf(const TSPI& spi) {
  const std::wstring& path = spi.FileName();
  return path.substr(path.find_last_of(L'\\') + 1);
}

// The saver's host: import plug-ins only, the extension "*" refused.
struct SaverHost {
  TSPIs host;
  std::vector<std::string> registered;
  SaverHost() {
    host.OnSearch = [](TSPI& spi, bool& accept) { accept = spi.GetKind() == TSPI::Kind::kIn; };
    host.OnPictureRegister = [](TSPI&, const std::string& extension, const std::string&, bool& accept) {
      if (extension == "*") accept = false;
    };
    host.RegisterExtension = [this](TSPI&, const std::string& extension, const std::string&) {
      registered.push_back(extension);
    };
  }
};

void SetSusieFolder(const std::wstring& folder) {
  HKEY key = nullptr;
  ::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Kestrin\\Susie\\Plug-in", 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                    nullptr);
  ::RegSetValueExW(key, L"Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                   static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
  ::RegCloseKey(key);
}

TEST(SpiHost, LoadsEachImportPluginOnceFromTheSusieAndProgramFolders) {
  // The Susie folder is the program folder here: the same paths twice.
  SetSusieFolder(TestFolder());
  SaverHost saver;
  EXPECT_EQ(saver.host.SearchFolders(), (std::vector<std::wstring>{TestFolder(), TestFolder()}));
  saver.host.Search(L"lpic*.spi");
  std::vector<std::wstring> names;
  for (size_t i = 0; i < saver.host.Count(); ++i) names.push_back(NameOf(saver.host.Plugin(i)));
  std::sort(names.begin(), names.end());
  // The archive plug-in, the one without GetPluginInfo and the one without
  // GetPicture are gone; every other one loaded once.
  EXPECT_EQ(names, (std::vector<std::wstring>{L"lpic-all.spi", L"lpic-bmp.spi", L"lpic-crash.spi", L"lpic-fail.spi",
                                              L"lpic.spi"}));
  // "*.*" offered "*", which the saver refuses; "bmp" is registered.
  EXPECT_EQ(std::count(saver.registered.begin(), saver.registered.end(), "*"), 0);
  EXPECT_EQ(std::count(saver.registered.begin(), saver.registered.end(), "lpic"), 5);
  EXPECT_EQ(std::count(saver.registered.begin(), saver.registered.end(), "bmp"), 1);
  EXPECT_EQ(TSPIs::ActiveHost(), &saver.host);

  // Candidates for an upper-case ".LPIC": all five declare it, the most
  // recently loaded first; for ".BMP" the plug-in declaring bmp leads.
  const auto candidates = saver.host.ListCandidates({TSPI::Kind::kIn}, L"C:\\x\\PICTURE.LPIC");
  ASSERT_EQ(candidates.size(), 5u);
  EXPECT_EQ(candidates.front(), &saver.host.Plugin(4));
  EXPECT_EQ(NameOf(*saver.host.ListCandidates({TSPI::Kind::kIn}, L"C:\\x\\P.BMP").front()), L"lpic-bmp.spi");

  // One host per process.
  try {
    TSPIs second;
    FAIL() << "a second host was created";
  } catch (const ESPIDupCreateSPIs& error) {
    EXPECT_STREQ(error.what(), "TSPIs は複数生成できません");
  }
}

TEST(SpiHost, AMaskWithAFolderSearchesThatFolderOnly) {
  ::RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Kestrin\\Susie\\Plug-in");
  SaverHost saver;
  saver.host.SearchOptions = {SpiSearchOption::kSusieDir};
  EXPECT_TRUE(saver.host.SearchFolders().empty());  // no Susie folder set
  saver.host.Search(TestFolder() + L"lpic-a*.spi");  // lpic-all and lpic-archive
  ASSERT_EQ(saver.host.Count(), 1u);
  EXPECT_EQ(NameOf(saver.host.Plugin(0)), L"lpic-all.spi");
  saver.host.DeletePlugin(0);
  EXPECT_EQ(saver.host.IndexOfFile(TestFolder() + L"LPIC-ALL.SPI"), -1);
}

}  // namespace
}  // namespace lumora::win
