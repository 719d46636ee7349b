#include "imaging/win/spi_host.h"

#include <utility>

#include "app/win/utilities.h"
#include "app/win/wide.h"
#include "app/win/win_registry.h"
#include "imaging/spi_format.h"
#include "media/win/win_log.h"

namespace lumora::win {

namespace {

TSPIs* g_activeHost = nullptr;

std::wstring WithBackslash(std::wstring folder) {
  if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
  return folder;
}

// The Susie viewer's plug-in folder from the current user's registry.
std::wstring SusieFolder() {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Kestrin\\Susie\\Plug-in", 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return {};
  }
  wchar_t value[MAX_PATH] = {};
  DWORD size = sizeof value - sizeof(wchar_t);
  DWORD type = 0;
  const LONG result = ::RegQueryValueExW(key, L"Path", nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
  ::RegCloseKey(key);
  if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return {};
  return value;
}

}  // namespace

TSPIs::TSPIs() {
  if (g_activeHost) throw ESPIDupCreateSPIs("TSPIs は複数生成できません");
  g_activeHost = this;
}

TSPIs::~TSPIs() {
  ClearPlugins();
  if (g_activeHost == this) g_activeHost = nullptr;
}

TSPIs* TSPIs::ActiveHost() { return g_activeHost; }

std::vector<std::wstring> TSPIs::SearchFolders() const {
  std::vector<std::wstring> folders;
  const auto wanted = [&](SpiSearchOption option) { return SearchOptions.count(option) != 0; };
  if (wanted(SpiSearchOption::kSusieDir)) {
    const std::wstring susie = SusieFolder();
    if (!susie.empty()) folders.push_back(WithBackslash(susie));
  }
  if (wanted(SpiSearchOption::kAppDir)) folders.push_back(Wide(ProgramFolder()));
  wchar_t buffer[MAX_PATH] = {};
  if (wanted(SpiSearchOption::kCurrentDir) && ::GetCurrentDirectoryW(MAX_PATH, buffer)) {
    folders.push_back(WithBackslash(buffer));
  }
  if (wanted(SpiSearchOption::kSystemDir)) folders.push_back(GetSystemDirectoryPath());
  if (wanted(SpiSearchOption::kWindowsDir) && ::GetWindowsDirectoryW(buffer, MAX_PATH)) {
    folders.push_back(WithBackslash(buffer));
  }
  return folders;
}

void TSPIs::Loaded() {
  if (AutoSearch) Search(L"*.spi");
}

void TSPIs::Search(const std::wstring& mask) {
  const size_t slash = mask.find_last_of(L"\\/:");
  if (slash != std::wstring::npos) {
    SearchFolder(mask.substr(0, slash + 1), mask.substr(slash + 1));
    return;
  }
  for (const std::wstring& folder : SearchFolders()) SearchFolder(folder, mask);
}

void TSPIs::SearchFolder(const std::wstring& folder, const std::wstring& mask) {
  // Collected first, then loaded: loading must not disturb the listing.
  std::vector<std::wstring> found;
  WIN32_FIND_DATAW entry{};
  HANDLE search = ::FindFirstFileW((WithBackslash(folder) + mask).c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if (entry.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN)) continue;
    const std::wstring path = WithBackslash(folder) + entry.cFileName;
    if (IndexOfFile(path) < 0) found.push_back(path);
  } while (::FindNextFileW(search, &entry));
  ::FindClose(search);

  for (const std::wstring& path : found) {
    try {
      bool accept = true;
      if (OnSearching) OnSearching(path, accept);
      if (!accept) continue;
      std::unique_ptr<TSPI> spi = TSPI::CreatePluginObject(path);
      if (!spi || IndexOfFile(spi->FileName()) >= 0) continue;
      accept = true;
      if (OnSearch) OnSearch(*spi, accept);
      if (accept) AddPlugin(std::move(spi));
    } catch (...) {
      // A file that fails is skipped; the search goes on.
    }
  }
}

void TSPIs::AddPlugin(std::unique_ptr<TSPI> spi) { InsertPlugin(plugins_.size(), std::move(spi)); }

void TSPIs::InsertPlugin(size_t index, std::unique_ptr<TSPI> spi) {
  if (!spi) return;
  TSPI& added = *spi;
  plugins_.insert(plugins_.begin() + static_cast<ptrdiff_t>(std::min(index, plugins_.size())), std::move(spi));
  if (added.GetKind() == TSPI::Kind::kIn) Register(added);
}

void TSPIs::Register(TSPI& spi) {
  for (size_t i = 0; i < spi.Filters().size(); ++i) {
    const std::string description = i < spi.Descriptions().size() ? spi.Descriptions()[i] : std::string();
    for (const std::string& pattern : FilterPatterns(spi.Filters()[i])) {
      const std::string extension = PatternExtension(pattern);
      bool accept = true;
      if (OnPictureRegister) OnPictureRegister(spi, extension, description, accept);
      if (accept && RegisterExtension) RegisterExtension(spi, extension, description);
    }
  }
}

void TSPIs::DeletePlugin(size_t index) {
  if (index < plugins_.size()) plugins_.erase(plugins_.begin() + static_cast<ptrdiff_t>(index));
}

void TSPIs::ClearPlugins() { plugins_.clear(); }

int TSPIs::IndexOfFile(const std::wstring& fileName) const {
  for (size_t i = 0; i < plugins_.size(); ++i) {
    if (::lstrcmpiW(plugins_[i]->FileName().c_str(), fileName.c_str()) == 0) return static_cast<int>(i);
  }
  return -1;
}

std::vector<TSPI*> TSPIs::ListCandidates(const std::set<TSPI::Kind>& kinds, const std::wstring& fileName) const {
  std::vector<TSPI*> considered;
  std::vector<std::vector<std::string>> filters;
  for (const auto& spi : plugins_) {
    if (kinds.count(spi->GetKind()) == 0) continue;
    considered.push_back(spi.get());
    filters.push_back(spi->Filters());
  }
  std::vector<TSPI*> candidates;
  for (size_t index : lumora::ListCandidates(filters, Utf8(fileName))) candidates.push_back(considered[index]);
  return candidates;
}

}  // namespace lumora::win
