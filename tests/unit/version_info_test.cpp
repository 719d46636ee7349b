#include "app/version_info.h"

#include <gtest/gtest.h>

namespace lumora {
namespace {

TVersion FromLines(const std::vector<std::string>& lines) {
  TVersion v;
  ReadScriptText(lines, v);
  return v;
}

TEST(VersionScriptText, VerAndBySplitTheComment) {
  // "by" after "ver": the version stops where "by" begins; the name keeps
  // the blank before "ver".
  TVersion v = FromLines({"# MyTool ver 1.2 by Jo Doe"});
  EXPECT_EQ(v.ProductName, "MyTool ");
  EXPECT_EQ(v.FileVersion, "1.2");
  EXPECT_EQ(v.LegalCopyright, "Jo Doe");

  // "ver" after "by": the name is the text before "by", the copyright stops
  // at "ver", the version runs to the end. Keywords match in any case.
  v = FromLines({"'Tool BY Jo VERSION 2.0 beta"});
  EXPECT_EQ(v.ProductName, "Tool ");
  EXPECT_EQ(v.LegalCopyright, "Jo");
  EXPECT_EQ(v.FileVersion, "2.0 beta");

  // Neither keyword: the whole comment is the name, leading marks removed.
  v = FromLines({"#  //** :; Photo tool ;"});
  EXPECT_EQ(v.ProductName, "Photo tool ;");
  EXPECT_EQ(v.FileVersion, "");
  EXPECT_EQ(v.LegalCopyright, "");

  // A keyword without a blank after it keeps its whole text.
  v = FromLines({"#ver1.0"});
  EXPECT_EQ(v.ProductName, "");
  EXPECT_EQ(v.FileVersion, "ver1.0");
}

TEST(VersionScriptText, FilledFieldsAreKeptAndLaterLinesFillTheRest) {
  const TVersion v = FromLines({"# First tool", "# Second tool ver 3", "# by Someone ver 9", "# Third by Other"});
  EXPECT_EQ(v.ProductName, "First tool");
  EXPECT_EQ(v.FileVersion, "3");
  EXPECT_EQ(v.LegalCopyright, "Someone");

  TVersion preset;
  preset.ProductName = "Given";
  ReadScriptText({"# Other ver 1 by X"}, preset);
  EXPECT_EQ(preset.ProductName, "Given");
  EXPECT_EQ(preset.FileVersion, "1");
}

TEST(VersionScriptText, OnlyCommentMarkersCount) {
  EXPECT_EQ(FromLines({"#!/bin/sh", "echo ver 1 by x"}).FileVersion, "");
  EXPECT_EQ(FromLines({" # indented"}).ProductName, "");
  EXPECT_EQ(FromLines({"rEm Batch tool"}).ProductName, "Batch tool");
  EXPECT_EQ(FromLines({"' Basic tool"}).ProductName, "Basic tool");
  // "rem" is a prefix, not a word: "remark" loses its first three letters.
  EXPECT_EQ(FromLines({"remark"}).ProductName, "ark");
  EXPECT_EQ(FromLines({"#日本語ツール ver 1"}).ProductName, "日本語ツール ");
}

TEST(VersionScriptText, LooksAtTenLinesOnly) {
  std::vector<std::string> lines(9, "plain text");
  lines.push_back("# Tenth ver 1 by A");
  lines.push_back("# Eleventh ver 2 by B");
  TVersion v = FromLines(lines);
  EXPECT_EQ(v.ProductName, "Tenth ");
  EXPECT_EQ(v.FileVersion, "1");

  lines[9] = "plain text";
  v = FromLines(lines);
  EXPECT_EQ(v.ProductName, "");
  EXPECT_EQ(v.FileVersion, "");
}

TEST(VersionResource, ExtensionsThatCarryOne) {
  for (const char* ext : {".exe", ".DLL", ".Scr", ".ocx", ".jpn"}) EXPECT_TRUE(UsesVersionResource(ext)) << ext;
  for (const char* ext : {"", ".txt", ".vbs", ".scrx"}) EXPECT_FALSE(UsesVersionResource(ext)) << ext;
  // The list is searched as text, so part of an entry matches too.
  EXPECT_TRUE(UsesVersionResource(".sc"));
  EXPECT_EQ(FileExtension("C:\\Windows\\Lumora.SCR"), ".SCR");
  EXPECT_EQ(FileExtension("C:\\a.b\\script"), "");
  EXPECT_EQ(FileExtension("archive.tar.gz"), ".gz");
}

TEST(VersionResource, KeyPrefixOfTheFirstTranslation) {
  EXPECT_EQ(VersionKeyPrefix(0x0411, 0x04B0), "\\StringFileInfo\\041104B0\\");
  EXPECT_EQ(VersionKeyPrefix(0xabcd, 0x00ef), "\\StringFileInfo\\ABCD00EF\\");
}

TEST(CatalogFolders, OldSystemFolderUnlessItIsTheSystemFolder) {
  EXPECT_EQ(CatalogFolders("C:\\WINDOWS\\", "C:\\WINDOWS\\system\\"),
            (std::vector<std::string>{"C:\\WINDOWS\\", "C:\\WINDOWS\\system\\"}));
  // The comparison is exact: another case means a third folder.
  EXPECT_EQ(CatalogFolders("C:\\WINDOWS\\", "C:\\WINDOWS\\SYSTEM\\"),
            (std::vector<std::string>{"C:\\WINDOWS\\", "C:\\WINDOWS\\SYSTEM\\", "C:\\WINDOWS\\system\\"}));
}

TEST(CatalogFolders, SaverPathKeepsTheDoubledBackslash) {
  EXPECT_EQ(SaverPath("C:\\WINDOWS\\", "ssstars.scr"), "C:\\WINDOWS\\\\ssstars.scr");
}

}  // namespace
}  // namespace lumora
