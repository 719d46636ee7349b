#include "imaging/exif.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace lumora {
namespace {

using namespace std::string_literals;
using Bytes = std::vector<uint8_t>;

// One directory entry. Numbers are written by type (1: byte, 3: short, else
// 32-bit), text as it stands; data over 4 bytes goes after the directory.
struct Tag {
  uint16_t tag, type;
  std::vector<uint32_t> numbers;
  std::string text;
  int64_t count = -1;  // -1: the number of values or text bytes
};
Tag Num(uint16_t tag, uint16_t type, uint32_t v) { return {tag, type, {v}, ""}; }
Tag Rat(uint16_t tag, uint32_t num, uint32_t den) { return {tag, 5, {num, den}, ""}; }
Tag Text(uint16_t tag, const std::string& s, int64_t count = -1) { return {tag, 2, {}, s + '\0', count}; }
// A value field holding an offset, with this declared count.
Tag Ptr(uint16_t tag, uint16_t type, uint32_t offset, int64_t count) { return {tag, type, {offset}, "", count}; }

void Put(Bytes& out, bool big, uint32_t v, int size) {
  for (int i = 0; i < size; ++i) out.push_back(uint8_t(v >> 8 * (big ? size - 1 - i : i)));
}

void Directory(Bytes& b, bool big, const std::vector<Tag>& tags, int64_t declared) {
  Put(b, big, uint32_t(declared < 0 ? int64_t(tags.size()) : declared), 2);
  Bytes data;
  const size_t dataAt = b.size() + 12 * tags.size() + 4;
  for (const Tag& t : tags) {
    Bytes field(t.text.begin(), t.text.end());
    for (uint32_t n : t.numbers) Put(field, big, n, t.type == 1 ? 1 : t.type == 3 ? 2 : 4);
    Put(b, big, t.tag, 2);
    Put(b, big, t.type, 2);
    Put(b, big, uint32_t(t.count >= 0 ? size_t(t.count) : t.numbers.empty() ? field.size() : t.numbers.size()), 4);
    if (field.size() > 4) {
      Put(b, big, uint32_t(dataAt + data.size()), 4);
      data.insert(data.end(), field.begin(), field.end());
    } else {
      field.resize(4);
      b.insert(b.end(), field.begin(), field.end());
    }
  }
  Put(b, big, 0, 4);  // no next directory
  b.insert(b.end(), data.begin(), data.end());
}

// TIFF header, IFD0 at `first` and, when there are sub tags, the sub-directory
// after it (its offset in IFD0's first entry, tag 0x8769).
Bytes Block(bool big, std::vector<Tag> ifd0, const std::vector<Tag>& sub = {}, uint32_t first = 8,
            int64_t declared = -1) {
  Bytes b(2, big ? 'M' : 'I');
  Put(b, big, 42, 2);
  Put(b, big, first, 4);
  b.resize(first, 0xEE);
  if (!sub.empty()) ifd0.insert(ifd0.begin(), Num(0x8769, 4, 0));
  Directory(b, big, ifd0, declared);
  if (!sub.empty()) {
    Bytes offset;
    Put(offset, big, uint32_t(b.size()), 4);
    std::copy(offset.begin(), offset.end(), b.begin() + first + 2 + 8);
    Directory(b, big, sub, -1);
  }
  return b;
}

// SOI, an APP0 with this length field (none for 0), APP1 "Exif\0\0" + block, EOI.
Bytes Jpeg(const Bytes& tiff, int app0Length = 0) {
  Bytes j = {0xFF, 0xD8};
  if (app0Length > 0) {
    j.insert(j.end(), {0xFF, 0xE0, uint8_t(app0Length >> 8), uint8_t(app0Length)});
    j.resize(j.size() + app0Length - 2, 0x11);
  }
  const size_t length = 2 + 6 + tiff.size();
  j.insert(j.end(), {0xFF, 0xE1, uint8_t(length >> 8), uint8_t(length), 'E', 'x', 'i', 'f', 0, 0});
  j.insert(j.end(), tiff.begin(), tiff.end());
  j.insert(j.end(), {0xFF, 0xD9});
  return j;
}

TExif Read(const Bytes& file) {
  TExif e;
  e.ReadFromBytes(file.data(), file.size());
  return e;
}

TEST(ExifRead, BothByteOrdersGiveTheSameFields) {
  const auto file = [](bool big) {
    return Jpeg(Block(big,
                      {Text(0x010F, "Maker"), Text(0x0110, "Cam 1  \t"), Num(0x0112, 3, 6), Rat(0x011A, 72, 1),
                       Text(0x0132, "2004:07:15 10:20:30")},
                      {Text(0x9003, "2004:07:14 09:00:00"), Rat(0x829D, 28, 10), Rat(0x829A, 1, 60),
                       Num(0x8827, 3, 200), Num(0xA002, 4, 4000), Num(0xA003, 3, 3000)}),
                16);
  };
  const TExif e = Read(file(false));
  EXPECT_EQ(ExifFieldList(Read(file(true))), ExifFieldList(e));
  EXPECT_TRUE(e.Valid);
  EXPECT_EQ(e.Make + "|" + e.Model, "Maker|Cam 1");  // trailing blanks and tab removed
  EXPECT_EQ(e.Orientation, 6);
  EXPECT_EQ(e.OrientationText, "Rotated 90 right");
  EXPECT_EQ(e.XResolution, 72);
  EXPECT_EQ(e.DateTime, "2004:07:15 10:20:30");
  EXPECT_EQ(e.DateTimeOriginal, "2004:07:14 09:00:00");
  EXPECT_EQ(e.ISOSpeed, 200);
  EXPECT_EQ(e.ExifImageWidth * 10000 + e.ExifImageHeight, 4000u * 10000 + 3000);
  EXPECT_EQ(e.YResolution, 0);  // absent tags stay 0 / empty
  EXPECT_EQ(e.FlashText, "");
}

TEST(ExifRead, TextsOfSubDirectoryTags) {
  struct Case { Tag tag; std::string TExif::*field; const char* text; };
  const std::vector<Case> cases = {
      {Num(0x8822, 3, 1), &TExif::ExposureProgramText, "Manual Control"},
      {Num(0x8822, 3, 0), &TExif::ExposureProgramText, "Unknown"},
      {Num(0x9207, 3, 255), &TExif::MeteringModeText, "Unknown"},
      {Num(0x9207, 1, 7), &TExif::MeteringModeText, "Other"},
      {Num(0x9208, 3, 2), &TExif::LightSourceText, "Flourescent"},
      {Num(0x9208, 4, 255), &TExif::LightSourceText, "Other"},
      {Num(0x9209, 3, 25), &TExif::FlashText, "Flash (Auto)"},
      {Num(0x9209, 3, 24), &TExif::FlashText, "No Flash"},
      {Rat(0x829D, 28, 10), &TExif::FNumber, "2.8"},
      {Rat(0x829D, 4, 1), &TExif::FNumber, "4.0"},
      {Rat(0x9202, 1, 8), &TExif::Aperture, "0.13"},  // 0.125 rounds up
      {Rat(0x9102, 0xFFFFFFFF, 1), &TExif::CompressedBitsPerPixel, "4294967295.0"},
      {Rat(0x9205, 1, 0), &TExif::MaxAperture, ""},
      {Rat(0x829A, 1, 60), &TExif::ExposureTime, "1/60 seconds"},
      {Rat(0x829A, 5, 1000000), &TExif::ExposureTime, "0 seconds"},
      {Rat(0x829A, 1, 0), &TExif::ExposureTime, "1/0 seconds"},
      {Rat(0x9201, 664, 100), &TExif::ShutterSpeed, "1/100 seconds"},  // 2^6.64 = 99.7
      {Rat(0x9201, 0xFFFFFFFA, 1), &TExif::ShutterSpeed, "1 seconds"},  // -6 read unsigned
      {Rat(0x9201, 64, 1), &TExif::ShutterSpeed, ""},                   // 2^64 overflows
      {Rat(0x9201, 1, 0), &TExif::ShutterSpeed, ""},
      {Tag{0x9286, 7, {}, "ASCII\0\0\0Hi"s}, &TExif::UserComment, "ASCII"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Read(Jpeg(Block(false, {}, {c.tag}))).*c.field, c.text) << std::hex << c.tag.tag;
  }
  // Orientation has its own table; sub-directory tags in IFD0 are skipped.
  const TExif e = Read(Jpeg(Block(false, {Num(0x0112, 4, 9), Rat(0x829D, 4, 1)})));
  EXPECT_EQ(e.OrientationText, "Unknown");
  EXPECT_EQ(e.FNumber, "");
}

TEST(ExifRead, DirectoryWalk) {
  // The first directory at offset 30 instead of 8.
  EXPECT_EQ(Read(Jpeg(Block(true, {Num(0x0112, 3, 8)}, {}, 30))).OrientationText, "Rotated 90 left");
  // IFD0 declaring 0 entries is read as 100; the zero next-directory link
  // that follows is a tag-0 entry and ends it.
  TExif e = Read(Jpeg(Block(false, {Text(0x010F, "Zero"), Num(0x0112, 3, 1)}, {}, 8, 0)));
  EXPECT_EQ(e.Make + e.OrientationText, "ZeroNormal");
  // A tag-0 entry ends its directory, then the sub-directory is read.
  e = Read(Jpeg(Block(false, {Num(0, 3, 0), Text(0x010F, "after")}, {Num(0x8827, 3, 100)})));
  EXPECT_EQ(e.Make, "");
  EXPECT_EQ(e.ISOSpeed, 100);
}

TEST(ExifRead, Strings) {
  const std::string jp = "\xE6\x97\xA5\xE6\x9C\xAC";  // bytes over 0x7F are not trimmed
  const TExif e = Read(Jpeg(Block(false, {Text(0x010E, "ab"), Tag{0x0110, 2, {}, "abcd"},
                                          Text(0x0131, "  lead\0rest"s, 20), Text(0x013B, jp),
                                          Text(0x8298, "x", 0), Text(0x0132, "long", 65535)})));
  EXPECT_EQ(e.ImageDescription, "ab");  // 3 bytes in the value field
  EXPECT_EQ(e.Model, "abc");            // count 4 without a zero: at most 3 bytes
  EXPECT_EQ(e.Software, "  lead");      // cut at the zero, leading blanks kept
  EXPECT_EQ(e.Artist, jp);
  EXPECT_EQ(e.RightsNotice, "");  // count 0
  EXPECT_EQ(e.DateTime, "");      // declared over 65534 bytes
}

TEST(ExifRead, ValuesThatDoNotFitEndTheReading) {
  // SHORT and BYTE give their low 8 bits; a LONG over 255 ends the reading,
  // keeping what was read before it and skipping the sub-directory.
  EXPECT_EQ(Read(Jpeg(Block(true, {Num(0x0112, 3, 0x0106)}))).Orientation, 6);
  TExif e = Read(Jpeg(Block(false, {Text(0x010F, "kept"), Num(0x0112, 4, 256), Text(0x0110, "lost")},
                            {Num(0x8827, 3, 100)})));
  EXPECT_EQ(e.Valid, true);
  EXPECT_EQ(e.Make + "|" + e.Model + "|" + std::to_string(e.ISOSpeed), "kept||0");
  e = Read(Jpeg(Block(false, {}, {Num(0x8827, 4, 65536), Num(0x9209, 3, 1)})));
  EXPECT_EQ(e.ISOSpeed + e.Flash, 0);
  EXPECT_EQ(Read(Jpeg(Block(false, {}, {Num(0x8827, 4, 65535)}))).ISOSpeed, 65535);
  e = Read(Jpeg(Block(false, {Rat(0x011A, 0x80000000u, 1), Text(0x010F, "lost")})));
  EXPECT_EQ(e.XResolution, 0);
  EXPECT_EQ(e.Make, "");
  // A string or rational read that fails only empties its own field.
  e = Read(Jpeg(Block(false, {Ptr(0x010F, 2, 0xFFFFFFF0, 8)}, {Ptr(0x829D, 5, 0xFFFFFFFF, 1), Num(0x9209, 1, 7)})));
  EXPECT_EQ(e.Make + e.FNumber, "");
  EXPECT_EQ(e.FlashText, "Flash Strobe");
}

TEST(ExifLocate, WhereTheApp1MarkerIsFound) {
  const Bytes block = Block(false, {Num(0x0112, 3, 6)});
  EXPECT_TRUE(Read(Jpeg(block)).Valid);
  EXPECT_EQ(Read(Jpeg(block, 16)).Orientation, 6);
  // After an APP0 of another length the scan steps two bytes from offset 29:
  // APP1 at 2 + 2 + 25 = 29 or at 33 is found, at 30 or before 29 not.
  EXPECT_EQ(Read(Jpeg(block, 25)).Orientation, 6);
  EXPECT_TRUE(Read(Jpeg(block, 29)).Valid);
  EXPECT_FALSE(Read(Jpeg(block, 26)).Valid);
  EXPECT_FALSE(Read(Jpeg(block, 17)).Valid);
  // The scan gives up after 1001 pairs: the last one starts at 29 + 2000.
  EXPECT_TRUE(Read(Jpeg(block, 2025)).Valid);
  EXPECT_FALSE(Read(Jpeg(block, 2027)).Valid);
  Bytes notJpeg = Jpeg(block);
  notJpeg[1] = 0xD9;
  EXPECT_FALSE(Read(notJpeg).Valid);
  const TExif none = Read({0xFF, 0xD8, 0xFF, 0xDB, 0, 4, 1, 2, 0xFF, 0xD9, 0, 0, 0});
  EXPECT_FALSE(none.Valid);
  EXPECT_EQ(none.DateTimeOriginal, "");
}

TEST(ExifHostile, TruncatedLoopedAndHugeBlocks) {
  // Every prefix of a file reads without fault, and each field is either
  // still clear or holds its value from the whole file.
  const Bytes full = Jpeg(Block(true, {Text(0x010F, "Maker"), Num(0x0112, 3, 6), Rat(0x011A, 300, 1)},
                                {Text(0x9003, "2004:07:14 09:00:00"), Rat(0x829A, 1, 60)}),
                          16);
  const auto whole = ExifFieldList(Read(full));
  const auto clear = ExifFieldList(TExif());
  for (size_t n = 0; n < full.size(); ++n) {
    const auto part = ExifFieldList(Read(Bytes(full.begin(), full.begin() + n)));
    for (size_t i = 0; i < part.size(); ++i)
      EXPECT_TRUE(part[i] == whole[i] || part[i] == clear[i]) << n << " " << part[i].first;
  }
  // The sub-directory offset pointing back at IFD0 reads it once more.
  EXPECT_EQ(Read(Jpeg(Block(false, {Text(0x010F, "Loop"), Num(0x8769, 4, 8)}))).Make, "Loop");
  // 65535 declared entries walked over non-zero filler until the bytes end,
  // and an offset near 2^32.
  Bytes huge = Block(false, {Text(0x010F, "First"), Ptr(0x0110, 2, 0xFFFFFFFF, 8)}, {}, 8, 65535);
  std::fill(huge.begin() + 8 + 2 + 24, huge.begin() + 8 + 2 + 28, 1);  // the next link
  huge.resize(4000, 1);
  const TExif e = Read(Jpeg(huge));
  EXPECT_EQ(e.Make + e.Model, "First");
}

TEST(ExifSources, FileStreamAndHeadLimit) {
  // A string must lie wholly inside the first kExifHeadBytes.
  const Bytes file = Jpeg(Block(false, {Text(0x010F, "Near"), Ptr(0x0110, 2, 0, 10)}), 16);
  for (uint32_t start : {kExifHeadBytes - 9, kExifHeadBytes - 8}) {
    Bytes far = file;
    const uint32_t offset = start - 30;  // the base is at 20 + 10
    for (int i = 0; i < 4; ++i) far[30 + 8 + 2 + 12 + 8 + i] = uint8_t(offset >> 8 * i);
    far.resize(kExifHeadBytes + 16, 'x');
    EXPECT_EQ(Read(far).Model, start == kExifHeadBytes - 9 ? "xxxxxxxxx" : "");
  }
  // A name outside any ANSI code page must still open on Windows.
  const auto path = std::filesystem::temp_directory_path() / u8"lumora_exif_\u5199\u771F.jpg";
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), file.size());
  const std::u8string name = path.u8string();
  const std::string utf8(name.begin(), name.end());
  TExif e;
  e.Make = "old";
  EXPECT_FALSE(e.ReadFromFile(utf8 + ".missing"));
  EXPECT_EQ(e.Make, "old");  // a missing file changes nothing
  EXPECT_TRUE(e.ReadFromFile(utf8));
  EXPECT_EQ(e.Make, "Near");
  std::filesystem::remove(path);
  std::istringstream noExif("\xFF\xD8\xFF\xD9"s);
  EXPECT_FALSE(e.ReadFromStream(noExif));
  EXPECT_EQ(e.Make, "");  // every read starts clear
  const auto fields = ExifFieldList(e);
  ASSERT_EQ(fields.size(), 33u);
  EXPECT_EQ(fields.front(), (std::pair<std::string, std::string>{"Valid", "false"}));
}

}  // namespace
}  // namespace lumora
