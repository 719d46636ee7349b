#include <gtest/gtest.h>

#include "app/memory_registry.h"
#include "app/text.h"

namespace lumora {
namespace {

std::string Utf16File(const std::string& utf8) {
  std::string out = "\xFF\xFE";
  for (char16_t c : Utf8ToUtf16(utf8)) {
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>(c >> 8);
  }
  return out;
}

TEST(RegFile, Utf16AndUtf8FilesReadAlike) {
  const std::string text =
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_CURRENT_USER\\Software\\Orvane\\Lumora\\Folders]\r\n"
      "\"0000\"=\"C:\\\\写真\\\\\\\"quoted\\\"\"\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Elsewhere]\r\n"
      "\"x\"=dword:00000001\r\n";
  for (const std::string& file : {text, Utf16File(text)}) {
    MemoryRegistry reg;
    reg.LoadRegFile(file);
    const auto key = reg.Open("\\software\\ORVANE\\lumora\\folders", false);
    ASSERT_TRUE(key);
    EXPECT_EQ(ReadText(*key, "0000"), "C:\\写真\\\"quoted\"");
    EXPECT_FALSE(reg.HasKey("Software\\Elsewhere"));
  }
}

TEST(RegFile, TypesAndContinuedHexLines) {
  MemoryRegistry reg;
  reg.LoadRegFile(
      "REGEDIT4\n[HKEY_CURRENT_USER\\K]\n"
      "\"n\"=dword:ffffffff\n"
      "\"b\"=hex:01,02,\\\n  03\n"
      "\"e\"=hex(2):25,00,41,00,00,00\n"
      "[-HKEY_CURRENT_USER\\Gone]\n");
  const auto key = reg.Open("K", false);
  ASSERT_TRUE(key);
  EXPECT_EQ(ReadInteger(*key, "n"), -1);
  EXPECT_EQ(key->Get("b")->data, (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(ReadText(*key, "e"), "%A");  // expandable text reads as text
  EXPECT_THROW(ReadInteger(*key, "b"), RegistryError);
  EXPECT_THROW(ReadText(*key, "n"), RegistryError);
  EXPECT_THROW(ReadInteger(*key, "absent"), RegistryError);
  EXPECT_EQ(ReadText(*key, "absent"), "");
}

TEST(RegFile, RubbishIsRefused) {
  for (const char* bad : {"[HKEY_CURRENT_USER\\K]\n\"a\"=weird:1\n", "[HKEY_CURRENT_USER\\K]\n\"unterminated=1\n",
                          "[HKEY_CURRENT_USER\\K\n", "[HKEY_CURRENT_USER\\K]\n\"h\"=hex:123\n"}) {
    MemoryRegistry reg;
    EXPECT_THROW(reg.LoadRegFile(bad), std::exception) << bad;
  }
}

TEST(MemoryRegistry, KeysAreCaseInsensitiveAndDeletedWithChildren) {
  MemoryRegistry reg;
  WriteInteger(*reg.Open("A\\B\\C", true), "Value", 7);
  EXPECT_TRUE(reg.HasKey("a"));
  EXPECT_EQ(ReadInteger(*reg.Open("a\\b\\c", false), "VALUE"), 7);
  EXPECT_FALSE(reg.Open("A\\X", false));
  EXPECT_TRUE(reg.DeleteKey("a\\B"));
  EXPECT_FALSE(reg.HasKey("A\\B\\C"));
  EXPECT_TRUE(reg.HasKey("A"));
  EXPECT_FALSE(reg.DeleteKey("A\\B"));
}

TEST(Utf8, RoundTripAndInvalidSequences) {
  const std::string text = "Lumora設定 🌸 \x7f";
  EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(text)), text);
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), std::u16string(u"\uFFFD\uFFFD"));  // overlong "/"
  EXPECT_EQ(Utf8ToUtf16("a\xE3\x81"), std::u16string(u"a\uFFFD"));      // cut short
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace lumora
