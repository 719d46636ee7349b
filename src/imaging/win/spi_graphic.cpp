#include "imaging/win/spi_graphic.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <utility>

#include "app/file_bytes.h"
#include "app/win/handles.h"
#include "app/win/wide.h"
#include "imaging/decoders.h"
#include "imaging/win/spi_host.h"

namespace lumora::win {

namespace {

constexpr char kCouldNotDecode[] = "Susie Plugins could not decode";
// Picture files read whole for the plain BMP decoder.
constexpr uint64_t kMaxFileBytes = 1ull << 30;

std::wstring NameWithoutFolder(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// The ANSI text, or "" when a character has no ANSI form.
std::string ToAnsiExactly(const std::wstring& text) {
  if (text.empty()) return {};
  BOOL lossy = FALSE;
  const int size = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, &lossy);
  if (size <= 0 || lossy) return {};
  std::string ansi(static_cast<size_t>(size), '\0');
  ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(), static_cast<int>(text.size()), ansi.data(), size,
                        nullptr, &lossy);
  return lossy ? std::string() : ansi;
}

// The ANSI form of a name that only informs the plug-in (a stream's name):
// characters without one become "?".
std::string ToAnsiLoosely(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                         nullptr);
  std::string ansi(static_cast<size_t>(std::max(size, 0)), '\0');
  if (size > 0) {
    ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), ansi.data(), size, nullptr, nullptr);
  }
  return ansi;
}

bool HasBmpExtension(const std::wstring& fileName) {
  const std::string name = Utf8(NameWithoutFolder(fileName));
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos) return false;
  std::string extension = name.substr(dot);
  for (char& c : extension) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  return extension == ".BMP";
}

}  // namespace

std::string AnsiPathForPlugin(const std::wstring& path) {
  std::string ansi = ToAnsiExactly(path);
  if (!ansi.empty()) return ansi;
  // A short (8.3) name is ASCII when the volume keeps short names.
  const DWORD size = ::GetShortPathNameW(path.c_str(), nullptr, 0);
  if (size == 0) return {};
  std::wstring shortPath(size, L'\0');
  const DWORD length = ::GetShortPathNameW(path.c_str(), shortPath.data(), size);
  if (length == 0 || length >= size) return {};
  shortPath.resize(length);
  return ToAnsiExactly(shortPath);
}

// ---------------------------------------------------------------------------
// The decode job

TInSPIAbleData::TInSPIAbleData(const void* owner, std::wstring fileName)
    : owner_(owner), fileName_(std::move(fileName)) {}

TInSPIAbleData::~TInSPIAbleData() { ReleaseHandles(); }

void TInSPIAbleData::ReleaseHandles() {
  if (infoHandle_) {
    ::LocalUnlock(infoHandle_);
    ::LocalFree(infoHandle_);
  }
  if (bitsHandle_) {
    ::LocalUnlock(bitsHandle_);
    ::LocalFree(bitsHandle_);
  }
  infoHandle_ = bitsHandle_ = nullptr;
  info_ = bits_ = {};
  if (pictureInfo_.hInfo) ::LocalFree(pictureInfo_.hInfo);
  pictureInfo_ = {};
  hasPictureInfo_ = false;
}

void TInSPIAbleData::Report(ProgressStage stage, int percent, const std::string& message) {
  if (OnProgress) OnProgress(owner_, stage, percent, stage == ProgressStage::kEnding, RECT{}, message);
}

int WINAPI TInSPIAbleData::ProgressCallback(int numerator, int denominator, LONG_PTR data) {
  auto* job = reinterpret_cast<TInSPIAbleData*>(data);
  if (!job || !job->OnProgress || job->progressBroken_) return 0;
  try {
    job->Report(ProgressStage::kRunning, std::clamp(PluginProgressPercent(numerator, denominator), 2, 99), "");
    return 0;
  } catch (const EAbort&) {
    return 1;  // the plug-in stops decoding
  } catch (...) {
    // Nothing may unwind into the plug-in. A handler that fails otherwise
    // costs the rest of the progress display, not the picture.
    job->progressBroken_ = true;
    return 0;
  }
}

void TInSPIAbleData::Decode() {
  TSPIs* host = TSPIs::ActiveHost();
  const bool macBinary = host && host->MacBinary;
  const bool preview = host && host->GraphicPreview;
  std::exception_ptr failure;
  try {
    Report(ProgressStage::kStarting, 0, "Loading Graphic by Susie Plugin");
    ReleaseHandles();
    Report(ProgressStage::kRunning, 1, "Seeking enabled Susie Plugins");
    const std::vector<TSPI*> candidates = host ? host->ListCandidates({TSPI::Kind::kIn}, fileName_)
                                               : std::vector<TSPI*>();
    std::array<uint8_t, kHeaderBytes> header{};
    ReadHeader(header.data(), header.size());
    const std::vector<size_t> offsets = macBinary ? std::vector<size_t>{0, 128} : std::vector<size_t>{0};
    for (size_t i = 0; i < candidates.size() && Empty(); ++i) {
      const TSPI* spi = candidates[i];
      for (size_t j = 0; j < offsets.size() && Empty(); ++j) {
        const size_t offset = offsets[j];
        Report(ProgressStage::kRunning, 1, "Loading by [" + Utf8(NameWithoutFolder(spi->FileName())) + "]");
        try {
          Attempt(*spi, offset, header.data(), preview);
        } catch (...) {
          // A plug-in that fails (or faults) leaves the data to the next.
        }
        if (Empty()) ReleaseHandles();
      }
    }
  } catch (...) {
    failure = std::current_exception();
  }
  Report(ProgressStage::kEnding, 100, "Loaded Graphic by Susie Plugin");
  if (failure) std::rethrow_exception(failure);
}

void TInSPIAbleData::Attempt(const TSPI& spi, size_t offset, const uint8_t* header, bool preview) {
  Source source{};
  if (!SourceAt(offset, source)) return;
  // IsSupported may not write, but the API hands it a writable pointer.
  if (spi.IsSupported(ansiName_.c_str(), const_cast<uint8_t*>(header) + offset) == 0) return;
  if (pictureInfo_.hInfo) ::LocalFree(pictureInfo_.hInfo);
  pictureInfo_ = {};
  hasPictureInfo_ = GetInfo(spi, offset) == 0;
  if (preview) {
    GetPreviewHandles(spi, offset);
    if (Empty()) GetPictureHandles(spi, offset);
  } else {
    GetPictureHandles(spi, offset);
  }
}

int TInSPIAbleData::GetInfo(const TSPI& spi, size_t offset) {
  Source source{};
  if (!SourceAt(offset, source)) return -1;
  SpiPictureInfo info{};
  const int answer = spi.GetPictureInfo(source.data, source.length, source.flag, &info);
  pictureInfo_ = info;
  if (answer != 0 && pictureInfo_.hInfo) {
    ::LocalFree(pictureInfo_.hInfo);
    pictureInfo_.hInfo = nullptr;
  }
  return answer;
}

void TInSPIAbleData::GetPreviewHandles(const TSPI& spi, size_t offset) {
  if (!spi.EntryPoint("GetPreview")) return;  // no preview: no picture from it
  Source source{};
  if (!SourceAt(offset, source)) return;
  HANDLE info = nullptr, bits = nullptr;
  if (spi.GetPreview(source.data, source.length, source.flag, &info, &bits, &ProgressCallback,
                     reinterpret_cast<LONG_PTR>(this)) == 0) {
    TakeHandles(info, bits);
  }
}

void TInSPIAbleData::GetPictureHandles(const TSPI& spi, size_t offset) {
  Source source{};
  if (!SourceAt(offset, source)) return;
  HANDLE info = nullptr, bits = nullptr;
  if (spi.GetPicture(source.data, source.length, source.flag, &info, &bits, &ProgressCallback,
                     reinterpret_cast<LONG_PTR>(this)) == 0) {
    TakeHandles(info, bits);
  }
}

void TInSPIAbleData::TakeHandles(HANDLE info, HANDLE bits) {
  infoHandle_ = static_cast<HLOCAL>(info);
  bitsHandle_ = static_cast<HLOCAL>(bits);
  if (Empty()) {
    ReleaseHandles();
    return;
  }
  // The plug-in's memory as far as it goes: a header that claims more
  // pixels than the memory holds is refused here, before anything reads it.
  const auto* infoBytes = static_cast<const uint8_t*>(::LocalLock(infoHandle_));
  const auto* bitsBytes = static_cast<const uint8_t*>(::LocalLock(bitsHandle_));
  if (!infoBytes || !bitsBytes) {
    ReleaseHandles();
    return;
  }
  info_ = {infoBytes, ::LocalSize(infoHandle_)};
  bits_ = {bitsBytes, ::LocalSize(bitsHandle_)};
  try {
    CheckDecodedDib(info_, bits_);
  } catch (const PictureError&) {
    ReleaseHandles();
  }
}

TInSPIAbleFromFile::TInSPIAbleFromFile(const void* owner, const std::wstring& fileName)
    : TInSPIAbleData(owner, fileName), path_(fileName) {
  ansiName_ = AnsiPathForPlugin(fileName);
}

void TInSPIAbleFromFile::ReadHeader(uint8_t* buffer, size_t size) {
  const UniqueHandle file(::CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) return;
  DWORD got = 0;
  ::ReadFile(file.get(), buffer, static_cast<DWORD>(size), &got, nullptr);
}

bool TInSPIAbleFromFile::SourceAt(size_t offset, Source& source) const {
  if (ansiName_.empty()) return false;  // a name the plug-ins cannot open
  source = {ansiName_.c_str(), static_cast<LONG_PTR>(offset), 0};
  return true;
}

TInSPIAbleFromStream::TInSPIAbleFromStream(const void* owner, std::span<const uint8_t> data,
                                           const std::wstring& fileName)
    : TInSPIAbleData(owner, fileName), data_(data) {
  ansiName_ = ToAnsiLoosely(fileName);
}

void TInSPIAbleFromStream::ReadHeader(uint8_t* buffer, size_t size) {
  const size_t count = std::min(size, data_.size());
  if (count > 0) std::copy_n(data_.data(), count, buffer);
}

bool TInSPIAbleFromStream::SourceAt(size_t offset, Source& source) const {
  if (offset > data_.size()) return false;
  source = {reinterpret_cast<const char*>(data_.data() + offset), static_cast<LONG_PTR>(data_.size() - offset), 1};
  return true;
}

// ---------------------------------------------------------------------------
// The decoded graphic

TSPIGraphic::~TSPIGraphic() { ReleaseDecode(); }

void TSPIGraphic::ReleaseDecode() {
  job_.reset();
  infoValid_ = false;
  layout_ = {};
  if (palette_) ::DeleteObject(palette_);
  palette_ = nullptr;
}

void TSPIGraphic::Load(std::unique_ptr<TInSPIAbleData> job) {
  try {
    job->OnProgress = OnProgress;
    job->Decode();
    if (job->Empty()) throw EInvalidGraphic(kCouldNotDecode);
    job_ = std::move(job);
  } catch (...) {
    ReleaseDecode();
    throw;
  }
}

void TSPIGraphic::LoadFromFile(const std::wstring& fileName) {
  ReleaseDecode();
  if (AnsiPathForPlugin(fileName).empty()) {
    // The plug-ins take ANSI names: a file whose name has none is handed
    // over as memory instead.
    const std::vector<uint8_t> bytes = ReadFileBytes(Utf8(fileName), kMaxFileBytes);
    Load(std::make_unique<TInSPIAbleFromStream>(this, bytes, fileName));
    return;
  }
  Load(std::make_unique<TInSPIAbleFromFile>(this, fileName));
}

void TSPIGraphic::LoadFromStreamWithName(std::span<const uint8_t> data, const std::wstring& fileName) {
  ReleaseDecode();
  Load(std::make_unique<TInSPIAbleFromStream>(this, data, fileName));
}

void TSPIGraphic::EnsureInfo() {
  if (infoValid_) return;
  layout_ = {};
  if (!GetEmpty()) {
    layout_ = CheckDecodedDib(job_->Info(), job_->Bits());
    if (layout_.colours > 0) {
      // The colour table ends the header.
      const uint8_t* table = job_->Info().data() + layout_.headerBytes - 4 * size_t{layout_.colours};
      const uint32_t count = std::min<uint32_t>(layout_.colours, 256);
      std::vector<uint8_t> memory(sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY));
      auto* logical = reinterpret_cast<LOGPALETTE*>(memory.data());
      logical->palVersion = 0x300;
      logical->palNumEntries = static_cast<WORD>(count);
      for (uint32_t i = 0; i < count; ++i) {
        logical->palPalEntry[i] = {table[4 * i + 2], table[4 * i + 1], table[4 * i], 0};
      }
      palette_ = ::CreatePalette(logical);
    }
  }
  infoValid_ = true;
}

int TSPIGraphic::GetWidth() {
  EnsureInfo();
  return layout_.width;
}

int TSPIGraphic::GetHeight() {
  EnsureInfo();
  return layout_.height;
}

uint32_t TSPIGraphic::Colours() {
  EnsureInfo();
  return layout_.colours;
}

size_t TSPIGraphic::HeaderSize() {
  EnsureInfo();
  return layout_.headerBytes;
}

uint64_t TSPIGraphic::ImageSize() {
  EnsureInfo();
  return layout_.imageBytes;
}

bool TSPIGraphic::FourBits() {
  EnsureInfo();
  return layout_.bitCount == 4;
}

HPALETTE TSPIGraphic::GetPalette() {
  EnsureInfo();
  return palette_;
}

void TSPIGraphic::Draw(HDC dc, const RECT& rect, DWORD rop) {
  if (GetEmpty()) return;
  EnsureInfo();
  HPALETTE previous = nullptr;
  if (palette_) {
    previous = ::SelectPalette(dc, palette_, TRUE);
    ::RealizePalette(dc);
  }
  const int oldMode = ::SetStretchBltMode(dc, COLORONCOLOR);
  ::StretchDIBits(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, 0, 0, layout_.width,
                  std::abs(layout_.height), job_->Bits().data(), reinterpret_cast<const BITMAPINFO*>(job_->Info().data()),
                  DIB_RGB_COLORS, rop);
  ::SetStretchBltMode(dc, oldMode);
  if (previous) ::SelectPalette(dc, previous, TRUE);
}

std::vector<uint8_t> TSPIGraphic::SaveToStream() {
  if (GetEmpty()) throw EInvalidGraphic(kCouldNotDecode);
  return EncodeDibAsBmp(job_->Info(), job_->Bits());
}

// ---------------------------------------------------------------------------
// The bitmap the picture container creates for plug-in extensions

void TSPIBitmap::LoadWith(bool bmpFirst, const std::function<void(TSPIGraphic&)>& loadGraphic,
                          const std::function<Bitmap24()>& loadBitmap) {
  std::exception_ptr failure;
  try {
    std::unique_ptr<TSPIGraphic> loaded;
    std::optional<Bitmap24> bitmap;
    for (int turn = 0; turn < 2 && !loaded && !bitmap; ++turn) {
      const bool bmpTurn = (turn == 0) == bmpFirst;
      try {
        if (bmpTurn) {
          bitmap = loadBitmap();
        } else {
          auto graphic = std::make_unique<TSPIGraphic>();
          // Every report but the ending one goes on as this bitmap's own.
          graphic->OnProgress = [this](const void*, ProgressStage stage, int percent, bool redraw, const RECT& rect,
                                       const std::string& message) {
            if (stage != ProgressStage::kEnding && OnProgress) OnProgress(this, stage, percent, redraw, rect, message);
          };
          loadGraphic(*graphic);
          loaded = std::move(graphic);
        }
      } catch (const EAbort&) {
        throw;  // the user stopped the load: no second attempt
      } catch (const std::exception&) {
      }
    }
    if (bitmap) {
      Picture = std::move(*bitmap);
    } else {
      AssignLoaded(std::move(loaded));
    }
  } catch (...) {
    failure = std::current_exception();
  }
  if (OnProgress) {
    OnProgress(this, ProgressStage::kEnding, 100, true, RECT{0, 0, Picture.width, Picture.height}, "Loaded Graphic");
  }
  if (failure) std::rethrow_exception(failure);
}

void TSPIBitmap::LoadFromFile(const std::wstring& fileName, const std::vector<uint8_t>* bytes) {
  LoadWith(
      HasBmpExtension(fileName), [&](TSPIGraphic& graphic) { graphic.LoadFromFile(fileName); },
      [&] { return bytes ? DecodeBmp(*bytes) : DecodeBmp(ReadFileBytes(Utf8(fileName), kMaxFileBytes)); });
}

void TSPIBitmap::LoadFromStreamWithName(std::span<const uint8_t> data, const std::wstring& fileName) {
  // Each attempt reads the memory from its start: there is no stream
  // position to restore.
  LoadWith(
      HasBmpExtension(fileName), [&](TSPIGraphic& graphic) { graphic.LoadFromStreamWithName(data, fileName); },
      [&] { return DecodeBmp(std::vector<uint8_t>(data.begin(), data.end())); });
}

void TSPIBitmap::AssignLoaded(std::unique_ptr<TSPIGraphic> graphic) {
  if (!graphic) throw EInvalidGraphic(kCouldNotDecode);
  // Through a BMP image, as any BMP file loads. A 4-bit picture's palette
  // becomes the colours of its pixels.
  const std::vector<uint8_t> bmp = graphic->SaveToStream();
  graphic->ReleaseDecode();
  Picture = DecodeBmp(bmp);
}

void TSPIBitmap::Assign(TSPIGraphic& source) { Picture = DecodeBmp(source.SaveToStream()); }

PictureFormats::FileDecoder SpiBitmapDecoder() {
  return [](const std::vector<uint8_t>& bytes, const std::string& path) {
    TSPIBitmap bitmap;
    if (path.empty()) {
      bitmap.LoadFromStream(bytes);
    } else {
      bitmap.LoadFromFile(Wide(path), &bytes);
    }
    return std::move(bitmap.Picture);
  };
}

}  // namespace lumora::win
