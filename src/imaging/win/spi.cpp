#include "imaging/win/spi.h"

#include <cstddef>

#include "app/win/wide.h"
#include "imaging/win/spi_guard.h"

namespace lumora::win {

namespace {

// Entry points of the API; the names are the exports'.
using GetPluginInfoProc = int(WINAPI*)(int, LPSTR, int);
using IsSupportedProc = int(WINAPI*)(LPCSTR, void*);
using GetPictureInfoProc = int(WINAPI*)(LPCSTR, LONG_PTR, unsigned, SpiPictureInfo*);
using GetPictureProc = int(WINAPI*)(LPCSTR, LONG_PTR, unsigned, HANDLE*, HANDLE*, SpiProgress, LONG_PTR);

constexpr int kInfoLength = 255;

// An export as the function type it has (through the generic function
// pointer type, which converts to any other).
template <typename Function>
Function As(FARPROC export_) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(export_));
}

// A text of the plug-in (ANSI) as UTF-8.
std::string FromAnsi(const char* text) {
  const int size = ::MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  std::wstring wide(static_cast<size_t>(size > 0 ? size - 1 : 0), L'\0');
  if (size > 1) ::MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), size);
  return Utf8(wide);
}

}  // namespace

std::unique_ptr<TSPI> TSPI::Load(const std::wstring& fileName, Kind kind) {
  std::unique_ptr<TSPI> spi(new TSPI);
  spi->kind_ = kind;
  // The DLLs a plug-in needs come from its own folder and the system's,
  // never from the current folder. Systems without the search flags refuse
  // them; there the plug-in's folder is searched first as before.
  spi->module_ = ::LoadLibraryExW(fileName.c_str(), nullptr,
                                  LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
  if (!spi->module_ && ::GetLastError() == ERROR_INVALID_PARAMETER) {
    spi->module_ = ::LoadLibraryExW(fileName.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  }
  if (!spi->module_) throw ESPIFOpenErrorSPI(Utf8(fileName) + ":Susie Pluginがロードできませんでした");
  wchar_t path[256] = {};
  spi->fileName_ = ::GetModuleFileNameW(spi->module_, path, 256) > 0 ? std::wstring(path) : fileName;
  spi->CheckEntryPoints();  // on failure the object and its DLL go
  spi->ReadInformation();
  return spi;
}

std::unique_ptr<TSPI> TSPI::CreatePluginObject(const std::wstring& fileName) {
  try {
    std::string version;
    {
      const std::unique_ptr<TSPI> probe = Load(fileName, Kind::kPlain);
      version = probe->ApiVersion();
    }
    const Kind kind = version == "00IN"   ? Kind::kIn
                      : version == "00AM" ? Kind::kAm
                      : version == "00XN" ? Kind::kXn
                                          : Kind::kPlain;
    return Load(fileName, kind);
  } catch (...) {
    return nullptr;
  }
}

TSPI::~TSPI() {
  if (module_) ::FreeLibrary(module_);
}

template <typename Function>
int TSPI::Guarded(const char* entryPoint, Function&& f) const {
  return GuardedPluginCall<int>(entryPoint, Utf8(fileName_), f);
}

FARPROC TSPI::EntryPoint(const char* name) const { return module_ ? ::GetProcAddress(module_, name) : nullptr; }

void TSPI::Require(const char* name) const {
  if (!EntryPoint(name)) {
    throw ESPIInvalidAPI(std::string(name) + "は[" + Utf8(fileName_) + "]では使えないSusie Plugin APIです");
  }
}

void TSPI::CheckEntryPoints() const {
  Require("GetPluginInfo");
  if (kind_ == Kind::kLoader || kind_ == Kind::kIn || kind_ == Kind::kAm) Require("IsSupported");
  if (kind_ == Kind::kIn) {
    Require("GetPictureInfo");
    Require("GetPicture");
  }
  if (kind_ == Kind::kAm) {
    Require("GetArchiveInfo");
    Require("GetFileInfo");
    Require("GetFile");
  }
}

void TSPI::ReadInformation() {
  char buffer[kInfoLength + 1] = {};
  if (GetPluginInfo(0, buffer, kInfoLength) > 0) apiVersion_ = FromAnsi(buffer);
  buffer[0] = '\0';
  if (GetPluginInfo(1, buffer, kInfoLength) > 0) pluginName_ = FromAnsi(buffer);
  for (int number = 2;; number += 2) {
    char filter[kInfoLength + 1] = {};
    char description[kInfoLength + 1] = {};
    if (GetPluginInfo(number, filter, kInfoLength) <= 0) break;
    if (GetPluginInfo(number + 1, description, kInfoLength) <= 0) break;
    filters_.push_back(FromAnsi(filter));
    descriptions_.push_back(FromAnsi(description));
  }
}

int TSPI::GetPluginInfo(int number, char* buffer, int length) const {
  Require("GetPluginInfo");
  const auto entry = As<GetPluginInfoProc>(EntryPoint("GetPluginInfo"));
  return Guarded("GetPluginInfo", [&] { return entry(number, buffer, length); });
}

int TSPI::IsSupported(const char* fileName, void* head) const {
  Require("IsSupported");
  const auto entry = As<IsSupportedProc>(EntryPoint("IsSupported"));
  return Guarded("IsSupported", [&] { return entry(fileName, head); });
}

int TSPI::GetPictureInfo(const char* data, LONG_PTR length, unsigned flag, SpiPictureInfo* info) const {
  Require("GetPictureInfo");
  const auto entry = As<GetPictureInfoProc>(EntryPoint("GetPictureInfo"));
  return Guarded("GetPictureInfo", [&] { return entry(data, length, flag, info); });
}

int TSPI::GetPicture(const char* data, LONG_PTR length, unsigned flag, HANDLE* info, HANDLE* bits,
                     SpiProgress progress, LONG_PTR user) const {
  Require("GetPicture");
  const auto entry = As<GetPictureProc>(EntryPoint("GetPicture"));
  return Guarded("GetPicture", [&] { return entry(data, length, flag, info, bits, progress, user); });
}

int TSPI::GetPreview(const char* data, LONG_PTR length, unsigned flag, HANDLE* info, HANDLE* bits,
                     SpiProgress progress, LONG_PTR user) const {
  Require("GetPreview");
  const auto entry = As<GetPictureProc>(EntryPoint("GetPreview"));
  return Guarded("GetPreview", [&] { return entry(data, length, flag, info, bits, progress, user); });
}

}  // namespace lumora::win
