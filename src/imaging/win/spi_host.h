// The Susie plug-in host: finds the plug-ins ("*.spi") in the Susie
// viewer's plug-in folder, the program's folder and the other folders its
// options name, loads them as objects of their kind, keeps them in load
// order, offers each import plug-in's extensions for registration, and
// lists the plug-ins to try for a file. One host per process, reachable as
// ActiveHost.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "imaging/win/spi.h"

namespace lumora::win {

enum class SpiSearchOption { kSusieDir, kAppDir, kCurrentDir, kSystemDir, kWindowsDir };

class TSPIs {
 public:
  // Raises ESPIDupCreateSPIs when a host exists already.
  TSPIs();
  ~TSPIs();
  TSPIs(const TSPIs&) = delete;
  TSPIs& operator=(const TSPIs&) = delete;

  static TSPIs* ActiveHost();

  bool MacBinary = true;
  bool GraphicPreview = false;
  bool AutoSearch = true;
  std::set<SpiSearchOption> SearchOptions{SpiSearchOption::kSusieDir, SpiSearchOption::kAppDir};

  // A file was found: should it be loaded at all? (accept is true on entry)
  std::function<void(const std::wstring& fileName, bool& accept)> OnSearching;
  // A plug-in object was created: does it stay? (accept is true on entry)
  std::function<void(TSPI& spi, bool& accept)> OnSearch;
  // An import plug-in offers an extension (without its dot): register it?
  // (accept is true on entry)
  std::function<void(TSPI& spi, const std::string& extension, const std::string& description, bool& accept)>
      OnPictureRegister;
  // Registers an accepted extension with the picture container; later
  // registrations of an extension take precedence.
  std::function<void(TSPI& spi, const std::string& extension, const std::string& description)> RegisterExtension;

  // The form holding the host has been loaded: with AutoSearch on,
  // searches "*.spi".
  void Loaded();

  // The folders the options name, in search order, each with a trailing
  // backslash; the Susie folder only when its registry value is set.
  std::vector<std::wstring> SearchFolders() const;
  // Loads the plug-ins matching the mask: in the mask's own folder when it
  // names one, else in every folder of SearchFolders. Plug-ins already
  // loaded (by path) are skipped; a file that fails is skipped.
  void Search(const std::wstring& mask);

  void AddPlugin(std::unique_ptr<TSPI> spi);
  void InsertPlugin(size_t index, std::unique_ptr<TSPI> spi);
  void DeletePlugin(size_t index);
  void ClearPlugins();
  size_t Count() const { return plugins_.size(); }
  TSPI& Plugin(size_t index) const { return *plugins_.at(index); }
  // The plug-in loaded from this path (any letter case), or -1.
  int IndexOfFile(const std::wstring& fileName) const;
  // The plug-ins of the kinds to try for a file: those declaring its
  // extension first, the most recently loaded of them first; then the
  // others in load order.
  std::vector<TSPI*> ListCandidates(const std::set<TSPI::Kind>& kinds, const std::wstring& fileName) const;

 private:
  void Register(TSPI& spi);
  void SearchFolder(const std::wstring& folder, const std::wstring& mask);

  std::vector<std::unique_ptr<TSPI>> plugins_;
};

}  // namespace lumora::win
