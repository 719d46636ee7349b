// One loaded Susie plug-in: the DLL, its nine entry points, its API
// version, name and filter/description pairs, and thin wrappers of the
// entry points the host calls. The class of an object follows the API
// version: "00IN" import, "00AM" archive, "00XN", anything else plain.
#pragma once

#include <windows.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace lumora::win {

// The Susie API's picture information record: packed, the text
// information handle after the 22 bytes of position, size, densities and
// colour depth.
#pragma pack(push, 1)
struct SpiPictureInfo {
  LONG left, top;
  LONG width, height;
  WORD xDensity, yDensity;
  SHORT colorDepth;
  HLOCAL hInfo;
};
#pragma pack(pop)
static_assert(offsetof(SpiPictureInfo, hInfo) == 22, "the text information handle sits at byte 22");

using SpiProgress = int(WINAPI*)(int numerator, int denominator, LONG_PTR data);

class ESPIFOpenErrorSPI : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
class ESPIInvalidAPI : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
class ESPIDupCreateSPIs : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
class ESPIInvalidSPI : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TSPI {
 public:
  // The kinds, as the classes of the plug-in family.
  enum class Kind { kPlain, kLoader, kIn, kAm, kXn };

  // Loads the DLL as a plug-in of the kind: raises ESPIFOpenErrorSPI when
  // it does not load, ESPIInvalidAPI when an entry point the kind needs is
  // missing; the DLL is released again on any failure.
  static std::unique_ptr<TSPI> Load(const std::wstring& fileName, Kind kind = Kind::kPlain);
  // Loads the file as a plain plug-in to learn its API version, then as the
  // kind that version names. Nothing (no error) when it cannot be loaded as
  // that kind.
  static std::unique_ptr<TSPI> CreatePluginObject(const std::wstring& fileName);

  ~TSPI();
  TSPI(const TSPI&) = delete;
  TSPI& operator=(const TSPI&) = delete;

  Kind GetKind() const { return kind_; }
  bool CanLoadPictures() const { return kind_ == Kind::kIn || kind_ == Kind::kAm; }
  const std::wstring& FileName() const { return fileName_; }
  const std::string& ApiVersion() const { return apiVersion_; }
  const std::string& PluginName() const { return pluginName_; }
  const std::vector<std::string>& Filters() const { return filters_; }
  const std::vector<std::string>& Descriptions() const { return descriptions_; }
  // An entry point by name, null when the DLL does not export it.
  FARPROC EntryPoint(const char* name) const;

  // The wrappers: ESPIInvalidAPI when the entry point is missing,
  // ESPIPluginFault when the plug-in's code raises a processor exception.
  int GetPluginInfo(int number, char* buffer, int length) const;
  int IsSupported(const char* fileName, void* head) const;
  int GetPictureInfo(const char* data, LONG_PTR length, unsigned flag, SpiPictureInfo* info) const;
  int GetPicture(const char* data, LONG_PTR length, unsigned flag, HANDLE* info, HANDLE* bits, SpiProgress progress,
                 LONG_PTR user) const;
  int GetPreview(const char* data, LONG_PTR length, unsigned flag, HANDLE* info, HANDLE* bits, SpiProgress progress,
                 LONG_PTR user) const;

 private:
  TSPI() = default;
  void CheckEntryPoints() const;
  void Require(const char* name) const;
  void ReadInformation();
  template <typename Function>
  int Guarded(const char* entryPoint, Function&& f) const;

  HMODULE module_ = nullptr;
  Kind kind_ = Kind::kPlain;
  std::wstring fileName_;
  std::string apiVersion_;
  std::string pluginName_;
  std::vector<std::string> filters_;
  std::vector<std::string> descriptions_;
};

}  // namespace lumora::win
