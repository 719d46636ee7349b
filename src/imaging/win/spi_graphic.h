// Pictures decoded by the Susie import plug-ins of the active host.
//
// A decode job asks the host's candidate plug-ins for one file or block of
// memory in turn and keeps the first decoded DIB in the plug-in's own
// memory. TSPIGraphic owns one job and draws or saves that DIB as it is.
// TSPIBitmap is what the picture container uses for a plug-in extension:
// it tries the plug-ins and the plain BMP decoder in a fixed order and ends
// with an ordinary 24-bit picture.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "imaging/bitmap24.h"
#include "imaging/picture_formats.h"
#include "imaging/spi_format.h"
#include "imaging/win/spi.h"
#include "imaging/win/spi_host.h"

namespace lumora::win {

enum class ProgressStage { kStarting, kRunning, kEnding };

// A progress handler throws this to stop a load without an error message.
class EAbort : public std::exception {
 public:
  const char* what() const noexcept override { return "Operation aborted"; }
};

class EInvalidGraphic : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Progress of a load: the sender, the stage, the percentage done, whether
// the picture should be redrawn, the rectangle concerned and a message.
using ProgressEvent = std::function<void(const void* sender, ProgressStage stage, int percent, bool redraw,
                                         const RECT& rect, const std::string& message)>;

// One decode of one file or block of memory.
class TInSPIAbleData {
 public:
  // The bytes of a file's head handed to IsSupported: 2048 after a
  // MacBinary header of 128.
  static constexpr size_t kHeaderBytes = 2048 + 128;

  TInSPIAbleData(const void* owner, std::wstring fileName);
  virtual ~TInSPIAbleData();
  TInSPIAbleData(const TInSPIAbleData&) = delete;
  TInSPIAbleData& operator=(const TInSPIAbleData&) = delete;

  ProgressEvent OnProgress;

  // Asks the candidate import plug-ins of the active host, at offset 0 and
  // (with MacBinary on) 128, until one decodes the data. Reports starting,
  // running and always ending; a progress handler's failure is passed on
  // after the ending report.
  void Decode();
  // Empty unless a plug-in delivered both the header and the pixels, and
  // they agree with each other.
  bool Empty() const { return !infoHandle_ || !bitsHandle_; }
  void ReleaseHandles();

  // The decoded header and pixels in the plug-in's memory, with the sizes
  // of that memory. Empty spans for an empty job.
  std::span<const uint8_t> Info() const { return info_; }
  std::span<const uint8_t> Bits() const { return bits_; }
  bool HasPictureInfo() const { return hasPictureInfo_; }
  const SpiPictureInfo& PictureInfo() const { return pictureInfo_; }

 protected:
  // How the plug-in is handed the data at an offset.
  struct Source {
    const char* data;
    LONG_PTR length;
    unsigned flag;
  };
  // Fills the buffer with the first bytes of the data; leaves it as it
  // was when the data cannot be read.
  virtual void ReadHeader(uint8_t* buffer, size_t size) = 0;
  // The arguments for the plug-in's calls; false when the data has no
  // bytes at that offset.
  virtual bool SourceAt(size_t offset, Source& source) const = 0;

  int GetInfo(const TSPI& spi, size_t offset);
  void GetPreviewHandles(const TSPI& spi, size_t offset);
  void GetPictureHandles(const TSPI& spi, size_t offset);

  // The file name handed to the plug-ins (ANSI).
  std::string ansiName_;

 private:
  void Attempt(const TSPI& spi, size_t offset, const uint8_t* header, bool preview);
  void TakeHandles(HANDLE info, HANDLE bits);
  void Report(ProgressStage stage, int percent, const std::string& message);
  static int WINAPI ProgressCallback(int numerator, int denominator, LONG_PTR data);

  const void* owner_;
  const std::wstring fileName_;
  HLOCAL infoHandle_ = nullptr;
  HLOCAL bitsHandle_ = nullptr;
  std::span<const uint8_t> info_;
  std::span<const uint8_t> bits_;
  SpiPictureInfo pictureInfo_{};
  bool hasPictureInfo_ = false;
  bool progressBroken_ = false;
};

// A file: the plug-ins get its name (and read it themselves).
class TInSPIAbleFromFile : public TInSPIAbleData {
 public:
  TInSPIAbleFromFile(const void* owner, const std::wstring& fileName);

 protected:
  void ReadHeader(uint8_t* buffer, size_t size) override;
  bool SourceAt(size_t offset, Source& source) const override;

 private:
  std::wstring path_;
};

// Memory: the plug-ins get a pointer to it. The memory must stay as it is
// until Decode returns; the decoded picture does not need it afterwards.
class TInSPIAbleFromStream : public TInSPIAbleData {
 public:
  TInSPIAbleFromStream(const void* owner, std::span<const uint8_t> data, const std::wstring& fileName);

 protected:
  void ReadHeader(uint8_t* buffer, size_t size) override;
  bool SourceAt(size_t offset, Source& source) const override;

 private:
  std::span<const uint8_t> data_;
};

// The ANSI form of a path for a plug-in, or "" when the path has characters
// the ANSI code page lacks and no short name without them.
std::string AnsiPathForPlugin(const std::wstring& path);

class TSPIGraphic {
 public:
  TSPIGraphic() = default;
  ~TSPIGraphic();
  TSPIGraphic(const TSPIGraphic&) = delete;
  TSPIGraphic& operator=(const TSPIGraphic&) = delete;

  ProgressEvent OnProgress;

  // Each load replaces the previous picture; EInvalidGraphic "Susie Plugins
  // could not decode" when no plug-in decodes the data.
  void LoadFromFile(const std::wstring& fileName);
  void LoadFromStream(std::span<const uint8_t> data) { LoadFromStreamWithName(data, L""); }
  void LoadFromStreamWithName(std::span<const uint8_t> data, const std::wstring& fileName);
  void ReleaseDecode();

  bool GetEmpty() const { return !job_ || job_->Empty(); }
  // biWidth and biHeight as the plug-in gave them (a negative height is a
  // top-down picture); 0 for an empty graphic.
  int GetWidth();
  int GetHeight();
  uint32_t Colours();
  size_t HeaderSize();
  uint64_t ImageSize();
  bool FourBits();
  // The picture's logical palette, null without palette colours.
  HPALETTE GetPalette();

  // Draws the picture stretched into the rectangle, from the plug-in's
  // memory, without copying it.
  void Draw(HDC dc, const RECT& rect, DWORD rop = SRCCOPY);
  // The picture as a BMP file.
  std::vector<uint8_t> SaveToStream();

 private:
  void Load(std::unique_ptr<TInSPIAbleData> job);
  void EnsureInfo();

  std::unique_ptr<TInSPIAbleData> job_;
  bool infoValid_ = false;
  DecodedDibLayout layout_;
  HPALETTE palette_ = nullptr;
};

class TSPIBitmap {
 public:
  // Reports of the graphic being loaded (their sender this bitmap), and
  // always an ending "Loaded Graphic" with the bitmap's size.
  ProgressEvent OnProgress;

  // A ".BMP" file goes to the BMP decoder first and then to the plug-ins,
  // any other file the other way round. `bytes`, when given, are the
  // file's contents already read. EInvalidGraphic "Susie Plugins could not
  // decode" when neither loads it.
  void LoadFromFile(const std::wstring& fileName, const std::vector<uint8_t>* bytes = nullptr);
  // Memory tries the plug-ins first unless its name ends with ".BMP".
  void LoadFromStream(std::span<const uint8_t> data) { LoadFromStreamWithName(data, L""); }
  void LoadFromStreamWithName(std::span<const uint8_t> data, const std::wstring& fileName);
  // Converts a decoded graphic through a BMP image, leaving its decode.
  void Assign(TSPIGraphic& source);

  Bitmap24 Picture;

 private:
  void LoadWith(bool bmpFirst, const std::function<void(TSPIGraphic&)>& loadGraphic,
                const std::function<Bitmap24()>& loadBitmap);
  void AssignLoaded(std::unique_ptr<TSPIGraphic> graphic);
};

// The picture container's decoder for the extensions of the plug-ins: a
// TSPIBitmap load of the file (of the bytes when there is no path).
PictureFormats::FileDecoder SpiBitmapDecoder();

// A form's plug-in host: the form's SPIsSearching, SPIsSearch and
// SPIsPictureRegister decide, each accepted extension goes to the form's
// picture container, and the host searches at once (AutoSearch).
template <typename Form>
std::unique_ptr<TSPIs> CreateFormHost(Form& form, PictureFormats& formats) {
  auto host = std::make_unique<TSPIs>();
  host->OnSearching = [&form](const std::wstring& fileName, bool& accept) { form.SPIsSearching(fileName, accept); };
  host->OnSearch = [&form](TSPI& spi, bool& accept) { form.SPIsSearch(spi, accept); };
  host->OnPictureRegister = [&form](TSPI& spi, const std::string& extension, const std::string& description,
                                    bool& accept) { form.SPIsPictureRegister(spi, extension, description, accept); };
  host->RegisterExtension = [&formats](TSPI&, const std::string& extension, const std::string&) {
    formats.Register(extension, SpiBitmapDecoder());
  };
  host->Loaded();
  return host;
}

}  // namespace lumora::win
