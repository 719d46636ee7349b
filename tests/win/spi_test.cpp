// Loading the project's test plug-ins (built next to this program) as
// Susie plug-ins: their kind by API version, information strings, filters,
// the entry points each kind needs, and the errors with their texts.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "app/win/wide.h"
#include "imaging/win/spi.h"

namespace lumora::win {
namespace {

// A test plug-in by name, from the folder of this test program.
std::wstring Plugin(const wchar_t* name) {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  folder.resize(folder.find_last_of(L'\\') + 1);
  return folder + name;
}

TEST(Spi, AnImportPluginReportsItsVersionNameAndFilterPairs) {
  const auto spi = TSPI::Load(Plugin(L"lpic-all.spi"), TSPI::Kind::kIn);
  EXPECT_EQ(spi->ApiVersion(), "00IN");
  EXPECT_EQ(spi->PluginName(), "Lumora test plug-in");
  EXPECT_EQ(spi->Filters(), (std::vector<std::string>{"*.lpic", "*.*"}));
  EXPECT_EQ(spi->Descriptions(), (std::vector<std::string>{"Lumora test picture", "Every file"}));
  EXPECT_TRUE(spi->CanLoadPictures());
  EXPECT_EQ(_wcsicmp(spi->FileName().c_str(), Plugin(L"lpic-all.spi").c_str()), 0);
  char head[2048] = "LPIC";
  EXPECT_NE(spi->IsSupported("x.lpic", head), 0);
  head[0] = 'X';
  EXPECT_EQ(spi->IsSupported("x.lpic", head), 0);
}

TEST(Spi, PluginObjectsTakeTheClassOfTheirVersionOrAreNotCreated) {
  EXPECT_EQ(TSPI::CreatePluginObject(Plugin(L"lpic.spi"))->GetKind(), TSPI::Kind::kIn);
  EXPECT_EQ(TSPI::CreatePluginObject(Plugin(L"lpic-archive.spi"))->GetKind(), TSPI::Kind::kAm);
  // "00IN" without GetPicture, and no GetPluginInfo at all: no object.
  EXPECT_EQ(TSPI::CreatePluginObject(Plugin(L"lpic-nopicture.spi")), nullptr);
  EXPECT_EQ(TSPI::CreatePluginObject(Plugin(L"lpic-noinfo.spi")), nullptr);
  EXPECT_EQ(TSPI::CreatePluginObject(Plugin(L"missing.spi")), nullptr);
  // As a plain plug-in the one without GetPicture loads; calling the
  // missing entry point raises.
  const auto plain = TSPI::Load(Plugin(L"lpic-nopicture.spi"));
  HANDLE info = nullptr, bits = nullptr;
  EXPECT_THROW(plain->GetPicture("x", 0, 0, &info, &bits, nullptr, 0), ESPIInvalidAPI);
}

TEST(Spi, LoadErrorsCarryTheProgramsTexts) {
  try {
    TSPI::Load(Plugin(L"missing.spi"));
    FAIL() << "a missing DLL loaded";
  } catch (const ESPIFOpenErrorSPI& error) {
    EXPECT_EQ(std::string(error.what()), Utf8(Plugin(L"missing.spi")) + ":Susie Pluginがロードできませんでした");
  }
  try {
    TSPI::Load(Plugin(L"lpic-nopicture.spi"), TSPI::Kind::kIn);
    FAIL() << "an import plug-in without GetPicture loaded";
  } catch (const ESPIInvalidAPI& error) {
    const std::string text = error.what();
    EXPECT_EQ(text.rfind("GetPictureは[", 0), 0u) << text;
    EXPECT_NE(text.find("lpic-nopicture.spi]では使えないSusie Plugin APIです"), std::string::npos) << text;
  }
}

}  // namespace
}  // namespace lumora::win
