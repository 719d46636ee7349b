// Pictures decoded by the project's test plug-ins through the host: the
// decode job's candidates and MacBinary offsets, its progress reports, the
// decoded graphic's sizes, palette, drawing and BMP image, the plug-in
// bitmap's order for ".BMP" files, and plug-ins that fail, fault or lie.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/file_bytes.h"
#include "app/win/wide.h"
#include "imaging/bmp_write.h"
#include "imaging/decoders.h"
#include "imaging/win/spi_graphic.h"
#include "imaging/win/spi_guard.h"
#include "imaging/win/spi_host.h"
#include "media/win/win_log.h"

namespace lumora::win {
namespace {

std::wstring TestFolder() { return Wide(ProgramFolder()); }

std::wstring TempFile(const std::wstring& name) {
  wchar_t folder[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, folder);
  return folder + name;
}

// An LPIC picture: 24 bits of one colour, or 4 / 8 bits whose pixels all
// use palette entry 1 (the colour); entry 0 is black.
std::vector<uint8_t> Lpic(uint32_t width, uint32_t height, uint8_t bits, uint8_t r, uint8_t g, uint8_t b,
                          bool macBinary = false) {
  std::vector<uint8_t> data = {'L', 'P', 'I', 'C'};
  for (uint32_t value : {width, height}) {
    for (int i = 0; i < 4; ++i) data.push_back(static_cast<uint8_t>(value >> (8 * i)));
  }
  data.push_back(bits);
  bits &= 0x7F;
  const uint32_t rowBytes = (bits * width + 31) / 32 * 4;
  std::vector<uint8_t> row(rowBytes, 0);
  if (bits == 24) {
    for (uint32_t x = 0; x < width; ++x) row[3 * x] = b, row[3 * x + 1] = g, row[3 * x + 2] = r;
  } else {
    std::vector<uint8_t> palette(4u << bits, 0);
    palette[4] = b, palette[5] = g, palette[6] = r;
    data.insert(data.end(), palette.begin(), palette.end());
    for (uint32_t x = 0; x < width; ++x) {
      if (bits == 8) row[x] = 1;
      else row[x / 2] |= x % 2 ? 0x01 : 0x10;
    }
  }
  for (uint32_t y = 0; y < height; ++y) data.insert(data.end(), row.begin(), row.end());
  if (macBinary) {
    std::vector<uint8_t> header(128, 0);
    header[1] = 9;
    data.insert(data.begin(), header.begin(), header.end());
  }
  return data;
}

std::wstring WriteTemp(const std::wstring& name, const std::vector<uint8_t>& bytes) {
  const std::wstring path = TempFile(name);
  WriteFileBytes(Utf8(path), bytes);
  return path;
}

// A host with the named test plug-ins, in that order.
struct Host {
  TSPIs host;
  explicit Host(std::initializer_list<const wchar_t*> names) {
    host.OnSearch = [](TSPI& spi, bool& accept) { accept = spi.GetKind() == TSPI::Kind::kIn; };
    for (const wchar_t* name : names) host.Search(TestFolder() + name);
  }
};

struct Report {
  const void* sender;
  ProgressStage stage;
  int percent;
  bool redraw;
  std::string message;
};

TEST(SpiGraphic, DecodesTrueColourAndPalettePicturesFromFilesAndMemory) {
  Host plugins({L"lpic.spi"});
  const std::wstring path = WriteTemp(L"lumora-true.lpic", Lpic(7, 3, 24, 10, 20, 30));

  TSPIGraphic graphic;
  graphic.LoadFromFile(path);
  EXPECT_EQ(graphic.GetWidth(), 7);
  EXPECT_EQ(graphic.GetHeight(), 3);
  EXPECT_EQ(graphic.Colours(), 0u);
  EXPECT_EQ(graphic.HeaderSize(), 40u);
  EXPECT_EQ(graphic.ImageSize(), 24u * 3);
  EXPECT_EQ(graphic.GetPalette(), nullptr);
  // The BMP image: 14 + 40 + 72 bytes, the bits after 54.
  const std::vector<uint8_t> bmp = graphic.SaveToStream();
  ASSERT_EQ(bmp.size(), 14u + 40 + 72);
  EXPECT_EQ(Le32(bmp.data() + 2), bmp.size());
  EXPECT_EQ(Le32(bmp.data() + 10), 54u);
  EXPECT_EQ(DecodeBmp(bmp).Row(2)[3 * 6 + 2], 10);

  // Drawn stretched from the plug-in's memory.
  HDC dc = ::CreateCompatibleDC(nullptr);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), 14, -6, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* pixels = nullptr;
  HBITMAP target = ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
  HGDIOBJ old = ::SelectObject(dc, target);
  graphic.Draw(dc, RECT{0, 0, 14, 6});
  ::GdiFlush();
  const auto* drawn = static_cast<const uint8_t*>(pixels) + 5 * 44 + 3 * 13;  // (13, 5)
  EXPECT_EQ(drawn[0], 30);
  EXPECT_EQ(drawn[2], 10);
  ::SelectObject(dc, old);
  ::DeleteObject(target);
  ::DeleteDC(dc);

  // 4 bits: 16 colours, a 104-byte header, the palette; a bitmap shows the
  // palette's colour. Memory goes to the plug-in as memory.
  const std::vector<uint8_t> four = Lpic(5, 2, 4, 200, 100, 50);
  graphic.LoadFromStreamWithName(four, L"four.lpic");
  EXPECT_TRUE(graphic.FourBits());
  EXPECT_EQ(graphic.Colours(), 16u);
  EXPECT_EQ(graphic.HeaderSize(), 104u);
  PALETTEENTRY entry{};
  ASSERT_NE(graphic.GetPalette(), nullptr);
  ::GetPaletteEntries(graphic.GetPalette(), 1, 1, &entry);
  EXPECT_EQ(entry.peRed, 200);
  EXPECT_EQ(entry.peBlue, 50);
  TSPIBitmap bitmap;
  bitmap.Assign(graphic);
  EXPECT_FALSE(graphic.GetEmpty());  // Assign leaves the source decoded
  EXPECT_EQ(bitmap.Picture.width, 5);
  const uint8_t* pixel = bitmap.Picture.Row(1) + 3 * 4;
  EXPECT_EQ((std::vector<int>{pixel[0], pixel[1], pixel[2]}), (std::vector<int>{50, 100, 200}));

  bitmap.LoadFromStream(Lpic(3, 3, 8, 1, 2, 3));
  EXPECT_EQ(bitmap.Picture.Row(2)[3 * 2 + 2], 1);
}

TEST(SpiGraphic, MacBinaryFilesDecodeAtOffset128OnlyWithMacBinaryOn) {
  Host plugins({L"lpic.spi"});
  const std::wstring path = WriteTemp(L"lumora-mac.lpic", Lpic(4, 4, 24, 1, 2, 3, true));
  TSPIGraphic graphic;
  graphic.LoadFromFile(path);
  EXPECT_EQ(graphic.GetWidth(), 4);
  graphic.LoadFromStream(ReadFileBytes(Utf8(path), 1 << 20));
  EXPECT_EQ(graphic.GetWidth(), 4);

  plugins.host.MacBinary = false;
  try {
    graphic.LoadFromFile(path);
    FAIL() << "decoded without MacBinary";
  } catch (const EInvalidGraphic& error) {
    EXPECT_STREQ(error.what(), "Susie Plugins could not decode");
  }
  EXPECT_TRUE(graphic.GetEmpty());
}

TEST(SpiGraphic, ProgressRunsFromStartThroughTwoToNinetyNineToTheEnd) {
  Host plugins({L"lpic.spi"});
  const std::wstring path = WriteTemp(L"lumora-progress.lpic", Lpic(3, 50, 24, 1, 2, 3));
  TSPIGraphic graphic;
  std::vector<Report> reports;
  graphic.OnProgress = [&](const void* sender, ProgressStage stage, int percent, bool redraw, const RECT&,
                           const std::string& message) {
    reports.push_back({sender, stage, percent, redraw, message});
  };
  graphic.LoadFromFile(path);
  ASSERT_GE(reports.size(), 55u);
  EXPECT_EQ(reports[0].stage, ProgressStage::kStarting);
  EXPECT_EQ(reports[0].message, "Loading Graphic by Susie Plugin");
  EXPECT_EQ(reports[1].message, "Seeking enabled Susie Plugins");
  EXPECT_EQ(reports[2].message, "Loading by [lpic.spi]");
  // The plug-in reports rows 0 to 50 of 50.
  std::vector<int> ticks;
  for (size_t i = 3; i + 1 < reports.size(); ++i) ticks.push_back(reports[i].percent);
  ASSERT_EQ(ticks.size(), 51u);
  EXPECT_EQ(ticks.front(), 2);
  EXPECT_EQ(ticks[25], 50);  // 25 × 97 ÷ 50 = 48.5, to even 48, + 2
  EXPECT_EQ(ticks.back(), 99);
  EXPECT_TRUE(std::is_sorted(ticks.begin(), ticks.end()));
  EXPECT_EQ(reports.back().stage, ProgressStage::kEnding);
  EXPECT_EQ(reports.back().percent, 100);
  EXPECT_TRUE(reports.back().redraw);
  EXPECT_EQ(reports.back().message, "Loaded Graphic by Susie Plugin");
  for (const Report& report : reports) EXPECT_EQ(report.sender, &graphic);

  // The bitmap relays every report but the graphic's ending and ends with
  // its own.
  TSPIBitmap bitmap;
  reports.clear();
  bitmap.OnProgress = graphic.OnProgress;
  bitmap.LoadFromFile(path);
  EXPECT_EQ(reports.front().sender, &bitmap);
  EXPECT_EQ(reports.back().message, "Loaded Graphic");
  EXPECT_EQ(std::count_if(reports.begin(), reports.end(),
                          [](const Report& r) { return r.stage == ProgressStage::kEnding; }),
            1);

  // A handler that stops the load stops the plug-in; one that fails
  // otherwise loses the display, not the picture.
  graphic.OnProgress = [](const void*, ProgressStage stage, int percent, bool, const RECT&, const std::string&) {
    if (stage == ProgressStage::kRunning && percent >= 50) throw EAbort();
  };
  EXPECT_THROW(graphic.LoadFromFile(path), EInvalidGraphic);
  graphic.OnProgress = [](const void*, ProgressStage stage, int percent, bool, const RECT&, const std::string&) {
    if (stage == ProgressStage::kRunning && percent >= 50) throw std::runtime_error("display gone");
  };
  graphic.LoadFromFile(path);
  EXPECT_EQ(graphic.GetHeight(), 50);
}

TEST(SpiGraphic, FailingFaultingAndLyingPluginsLeaveTheFileToTheNextCandidate) {
  // A processor exception inside a plug-in call is a failed call, as often
  // as it happens.
  const auto crash = TSPI::Load(TestFolder() + L"lpic-crash.spi", TSPI::Kind::kIn);
  for (int i = 0; i < 3; ++i) {
    HANDLE info = nullptr, bits = nullptr;
    try {
      crash->GetPicture("x.lpic", 0, 0, &info, &bits, nullptr, 0);
      FAIL() << "no fault reported";
    } catch (const ESPIPluginFault& fault) {
      EXPECT_EQ(fault.Code(), static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION));
    }
  }

  // lpic.spi is asked last: the crashing and the failing plug-in first.
  Host plugins({L"lpic.spi", L"lpic-fail.spi", L"lpic-crash.spi"});
  std::vector<std::string> asked;
  TSPIGraphic graphic;
  graphic.OnProgress = [&](const void*, ProgressStage, int, bool, const RECT&, const std::string& message) {
    if (message.rfind("Loading by", 0) == 0) asked.push_back(message);
  };
  graphic.LoadFromFile(WriteTemp(L"lumora-next.lpic", Lpic(2, 2, 8, 9, 9, 9)));
  EXPECT_EQ(graphic.GetWidth(), 2);
  EXPECT_EQ(asked, (std::vector<std::string>{"Loading by [lpic-crash.spi]", "Loading by [lpic-crash.spi]",
                                             "Loading by [lpic-fail.spi]", "Loading by [lpic-fail.spi]",
                                             "Loading by [lpic.spi]"}));

  // A decoded header claiming twice the rows the memory holds is refused.
  EXPECT_THROW(graphic.LoadFromFile(WriteTemp(L"lumora-lying.lpic", Lpic(2, 2, 24 | 0x80, 1, 1, 1))),
               EInvalidGraphic);
}

TEST(SpiGraphic, BmpNamedFilesTryTheBmpDecoderFirstAndThePluginAfter) {
  Host plugins({L"lpic-bmp.spi"});
  std::vector<std::string> messages;
  TSPIBitmap bitmap;
  bitmap.OnProgress = [&](const void*, ProgressStage, int, bool, const RECT&, const std::string& message) {
    messages.push_back(message);
  };
  // A real BMP file: the BMP decoder reads it, no plug-in is asked.
  Bitmap24 blue;
  blue.Resize(3, 2, 0, 0, 0);
  for (int y = 0; y < 2; ++y) blue.Row(y)[3 * 2] = 255;
  const std::wstring real = TempFile(L"lumora-real.BMP");
  WriteFileBytes(Utf8(real), EncodeBmp24(blue));
  bitmap.LoadFromFile(real);
  EXPECT_EQ(bitmap.Picture.Row(1)[3 * 2], 255);
  EXPECT_EQ(messages, (std::vector<std::string>{"Loaded Graphic"}));
  // An LPIC file named .BMP: the BMP decoder refuses it, the plug-in reads it.
  messages.clear();
  bitmap.LoadFromFile(WriteTemp(L"lumora-plugin.BMP", Lpic(6, 1, 24, 7, 8, 9)));
  EXPECT_EQ(bitmap.Picture.width, 6);
  EXPECT_GT(messages.size(), 2u);
  // Neither: the plug-ins' error.
  EXPECT_THROW(bitmap.LoadFromFile(WriteTemp(L"lumora-neither.BMP", {'n', 'o'})), EInvalidGraphic);
}

TEST(SpiGraphic, FilesWhoseNamesHaveNoAnsiFormStillReachThePlugin) {
  Host plugins({L"lpic.spi"});
  // Greek and Japanese together exist in no ANSI code page: the plug-in
  // gets the short name of the file, or without one the file as memory.
  const std::wstring path = WriteTemp(L"lumora-\u03a9\u7d75.lpic", Lpic(3, 2, 24, 1, 2, 3));
  const std::string ansi = AnsiPathForPlugin(path);
  if (!ansi.empty()) {
    const HANDLE file = ::CreateFileA(ansi.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << ansi;
    EXPECT_EQ(::GetFileSize(file, nullptr), 13u + 2 * 12);
    ::CloseHandle(file);
  }
  TSPIBitmap bitmap;
  bitmap.LoadFromFile(path);
  EXPECT_EQ(bitmap.Picture.width, 3);
}

}  // namespace
}  // namespace lumora::win
