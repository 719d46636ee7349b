// Prints the settings and folder lists as the saver reads them, one per
// line, so two registries can be compared: a .reg file read through the
// in-memory registry (--reg FILE), or, on Windows, the real registry
// (--registry).
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "app/memory_registry.h"
#include "app/settings.h"
#ifdef _WIN32
#include "app/win/win_registry.h"
#endif

namespace {

void Print(const lumora::SaverSettings& s, const std::vector<std::string>& pictures,
           const std::vector<std::string>& sounds, const std::vector<std::string>& group0) {
  std::ostringstream out;
  out << "Draw Posision=" << s.DrawPosision << "\nGraphics Size=" << s.GraphicsSize << "\nScroll=" << s.Scroll
      << "\nScreen Clear=" << s.ScreenClear << "\nPoint Cast=" << s.PointCast << "\nRandom Sort=" << s.RandomSort
      << "\nRandom Sort S=" << s.RandomSortS << "\nRotate=" << s.Rotate << "\nCapture=" << s.Capture
      << "\nDispFileName=" << s.DispFileName << "\nBackColor=" << s.BackColor
      << "\nisNewFolderAdd=" << s.IsNewFolderAdd << "\nisNewFolderAdd2=" << s.IsNewFolderAdd2
      << "\nDraw Wait=" << s.DrawWait << "\nMediaPlayer=" << s.MediaPlayer << "\nEnd Option=" << s.EndOption
      << "\nChange Volume=" << s.ChangeVolume << "\nDisplayPlayer=" << s.DisplayPlayer << "\nLogFile=" << s.LogFile
      << "\nDataSetCount=" << s.DataSetCount << "\nDataSetNo=" << s.DataSetNo
      << "\nDispAllDataSet=" << s.DispAllDataSet << "\nGroupCountup=" << s.GroupCountup
      << "\nGroupRandom=" << s.GroupRandom << "\nSmoothZoom=" << s.SmoothZoom << "\nZoom=" << s.Zoom
      << "\nBrightness=" << s.Brightness << "\nDraw Color=" << s.DrawColor << "\n";
  for (const auto& f : pictures) out << "Folders: " << f << "\n";
  for (const auto& f : sounds) out << "Folders2: " << f << "\n";
  for (const auto& f : group0) out << "DataSet0: " << f << "\n";
  const std::string text = out.str();
  std::fwrite(text.data(), 1, text.size(), stdout);  // UTF-8 bytes as they are
}

int Usage() {
  std::cerr << "usage: lumora-settings --reg FILE | --registry\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string mode = argv[1];
  std::unique_ptr<lumora::Registry> registry;
  if (mode == "--reg" && argc == 3) {
    std::ifstream file(argv[2], std::ios::binary);
    if (!file) {
      std::cerr << "cannot open " << argv[2] << "\n";
      return 1;
    }
    std::stringstream bytes;
    bytes << file.rdbuf();
    auto memory = std::make_unique<lumora::MemoryRegistry>();
    try {
      memory->LoadRegFile(bytes.str());
    } catch (const std::exception& e) {
      std::cerr << e.what() << "\n";
      return 1;
    }
    registry = std::move(memory);
#ifdef _WIN32
  } else if (mode == "--registry") {
    registry = std::make_unique<lumora::win::WinRegistry>();
#endif
  } else {
    return Usage();
  }
  lumora::SaverSettings settings;
  std::vector<std::string> pictures, sounds, group0;
  lumora::SavedVolumes saved;
  lumora::SettingsHooks hooks;
  lumora::ReadSettings(*registry, settings, pictures, sounds, saved, hooks);
  lumora::LoadGroupFolders(*registry, 0, group0, hooks);
  Print(settings, pictures, sounds, group0);
  return 0;
}
