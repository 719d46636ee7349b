#include "imaging/exif.h"

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace lumora {
namespace {

// Tags of the first image directory.
constexpr uint16_t kTagImageDescription = 0x010E;
constexpr uint16_t kTagMake = 0x010F;
constexpr uint16_t kTagModel = 0x0110;
constexpr uint16_t kTagOrientation = 0x0112;
constexpr uint16_t kTagXResolution = 0x011A;
constexpr uint16_t kTagYResolution = 0x011B;
constexpr uint16_t kTagSoftware = 0x0131;
constexpr uint16_t kTagDateTime = 0x0132;
constexpr uint16_t kTagArtist = 0x013B;
constexpr uint16_t kTagRightsNotice = 0x8298;
constexpr uint16_t kTagExifSubIfd = 0x8769;

// Tags of the Exif sub-directory.
constexpr uint16_t kTagExposureTime = 0x829A;
constexpr uint16_t kTagFNumber = 0x829D;
constexpr uint16_t kTagExposureProgram = 0x8822;
constexpr uint16_t kTagIsoSpeed = 0x8827;
constexpr uint16_t kTagDateTimeOriginal = 0x9003;
constexpr uint16_t kTagDateTimeDigitized = 0x9004;
constexpr uint16_t kTagCompressedBitsPerPixel = 0x9102;
constexpr uint16_t kTagShutterSpeed = 0x9201;
constexpr uint16_t kTagAperture = 0x9202;
constexpr uint16_t kTagMaxAperture = 0x9205;
constexpr uint16_t kTagMeteringMode = 0x9207;
constexpr uint16_t kTagLightSource = 0x9208;
constexpr uint16_t kTagFlash = 0x9209;
constexpr uint16_t kTagUserComment = 0x9286;
constexpr uint16_t kTagExifImageWidth = 0xA002;
constexpr uint16_t kTagExifImageHeight = 0xA003;

constexpr uint16_t kTypeByte = 1;
constexpr uint16_t kTypeShort = 3;

// A first directory that claims no entries is read as if it had this many.
constexpr uint32_t kEmptyFirstDirectoryEntries = 100;
// The marker scan gives up after this many two-byte steps.
constexpr int kScanPairs = 1001;
// Strings declared longer than this read as empty.
constexpr uint32_t kMaxStringCount = 65534;

const char* OrientationTextOf(uint8_t value) {
  switch (value) {
    case 1: return "Normal";
    case 2: return "Mirrored";
    case 3: return "Rotated 180";
    case 4: return "Rotated 180, mirrored";
    case 5: return "Rotated 90 left, mirrored";
    case 6: return "Rotated 90 right";
    case 7: return "Rotated 90 right, mirrored";
    case 8: return "Rotated 90 left";
    default: return "Unknown";
  }
}

const char* ExposureProgramTextOf(uint8_t value) {
  switch (value) {
    case 1: return "Manual Control";
    case 2: return "Normal Program";
    case 3: return "Aperture Priority";
    case 4: return "Shutter Priority";
    case 5: return "Creative Program";
    case 6: return "Action Program";
    case 7: return "Portrait Mode";
    case 8: return "Landscape Mode";
    default: return "Unknown";
  }
}

const char* MeteringModeTextOf(uint8_t value) {
  switch (value) {
    case 1: return "Average";
    case 2: return "Center Weighted Average";
    case 3: return "Spot";
    case 4: return "Multi Spot";
    case 5: return "Pattern";
    case 6: return "Partial";
    case 7: return "Other";
    default: return "Unknown";  // 0 and anything unlisted
  }
}

const char* LightSourceTextOf(uint8_t value) {
  switch (value) {
    case 1: return "Daylight";
    case 2: return "Flourescent";
    case 3: return "Tungsten";
    case 10: return "Flash";
    case 17: return "Standard Light A";
    case 18: return "Standard Light B";
    case 19: return "Standard Light C";
    case 20: return "D55";
    case 21: return "D65";
    case 22: return "D75";
    case 255: return "Other";
    default: return "Unknown";  // 0 and anything unlisted
  }
}

const char* FlashTextOf(uint8_t value) {
  switch (value) {
    case 1: return "Flash";
    case 5: return "Flash No Strobe";
    case 7: return "Flash Strobe";
    case 25: return "Flash (Auto)";
    default: return "No Flash";  // 0 and anything unlisted
  }
}

// One directory entry as read from the file.
struct Entry {
  uint16_t tag = 0;
  uint16_t type = 0;
  uint32_t count = 0;
  uint32_t value = 0;       // the value field read by type
  uint64_t valueField = 0;  // file position of the 4-byte value field
};

// Walks the TIFF structure of the head of a file. Positions are 64-bit so
// that base + any 32-bit offset never wraps; every read checks the end of
// the bytes, and a read past it is a failure like one past the end of file.
class Walker {
 public:
  Walker(const uint8_t* data, size_t size, TExif& exif) : data_(data), size_(size), exif_(exif) {}

  void Run() {
    if (!FindApp1()) return;
    exif_.Valid = true;
    uint32_t firstOffset = 0;
    if (!Has(base_, 8)) return;
    // "MM" is big-endian; anything else, "II" included, little-endian. The
    // constant 42 that follows is not checked.
    bigEndian_ = data_[base_] == 'M' && data_[base_ + 1] == 'M';
    if (!U32(base_ + 4, firstOffset)) return;
    if (!Directory(base_ + firstOffset, true)) return;
    if (exif_.ExifSubIfdOffset != 0) Directory(base_ + exif_.ExifSubIfdOffset, false);
  }

 private:
  bool Has(uint64_t pos, uint64_t n) const { return pos <= size_ && n <= size_ - pos; }
  bool Starts(uint64_t pos, uint8_t second) const { return data_[pos] == 0xFF && data_[pos + 1] == second; }

  bool U16(uint64_t pos, uint16_t& out) const {
    if (!Has(pos, 2)) return false;
    const uint8_t* p = data_ + pos;
    out = bigEndian_ ? static_cast<uint16_t>(p[0] << 8 | p[1]) : static_cast<uint16_t>(p[1] << 8 | p[0]);
    return true;
  }

  bool U32(uint64_t pos, uint32_t& out) const {
    if (!Has(pos, 4)) return false;
    const uint8_t* p = data_ + pos;
    if (bigEndian_) {
      out = uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
    } else {
      out = uint32_t{p[3]} << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
    }
    return true;
  }

  // Locates the 9 bytes "FF E1, length, Exif, 0" and sets the base to the
  // TIFF header one byte after them. The places looked at are fixed: right
  // after the start-of-image marker, at offset 20 behind a JFIF APP0 of the
  // usual length 16, and otherwise every second byte from where the last
  // read ended, so a marker at the other parity is not found.
  bool FindApp1() {
    if (!Has(0, 2) || !Starts(0, 0xD8)) return false;
    uint64_t head = 2;
    if (!Has(head, 9)) return false;
    if (Starts(head, 0xE0)) {
      head = 20;
      if (!Has(head, 9)) return false;
    }
    if (!Starts(head, 0xE1)) {
      uint64_t pos = head + 9;
      bool found = false;
      for (int i = 0; i < kScanPairs && Has(pos, 2); ++i) {
        const bool marker = Starts(pos, 0xE1);
        pos += 2;
        if (marker) {
          found = true;
          break;
        }
      }
      if (!found) return false;
      head = pos - 2;
      if (!Has(head, 9)) return false;
    }
    base_ = head + 10;
    return true;
  }

  // Reads the entries of the directory at pos until its count is used up or
  // an entry with tag 0 comes. False when the reading as a whole must end.
  bool Directory(uint64_t pos, bool first) {
    uint16_t declared = 0;
    if (!U16(pos, declared)) return false;
    uint32_t count = declared;
    if (first && count == 0) count = kEmptyFirstDirectoryEntries;
    for (uint32_t i = 0; i < count; ++i) {
      Entry e;
      const uint64_t at = pos + 2 + uint64_t{12} * i;
      if (!U16(at, e.tag) || !U16(at + 2, e.type) || !U32(at + 4, e.count)) return false;
      e.valueField = at + 8;
      if (e.type == kTypeByte) {
        if (!Has(e.valueField, 1)) return false;
        e.value = data_[e.valueField];
      } else if (e.type == kTypeShort) {
        uint16_t v = 0;
        if (!U16(e.valueField, v)) return false;
        e.value = v;
      } else if (!U32(e.valueField, e.value)) {
        return false;
      }
      if (e.tag == 0) break;
      if (!(first ? StoreFirst(e) : StoreSub(e))) return false;
    }
    return true;
  }

  bool StoreFirst(const Entry& e) {
    switch (e.tag) {
      case kTagImageDescription: exif_.ImageDescription = String(e); return true;
      case kTagMake: exif_.Make = String(e); return true;
      case kTagModel: exif_.Model = String(e); return true;
      case kTagOrientation:
        if (!Byte(e, exif_.Orientation)) return false;
        exif_.OrientationText = OrientationTextOf(exif_.Orientation);
        return true;
      case kTagXResolution: return Numerator(e, exif_.XResolution);
      case kTagYResolution: return Numerator(e, exif_.YResolution);
      case kTagSoftware: exif_.Software = String(e); return true;
      case kTagDateTime: exif_.DateTime = String(e); return true;
      case kTagArtist: exif_.Artist = String(e); return true;
      case kTagRightsNotice: exif_.RightsNotice = String(e); return true;
      case kTagExifSubIfd: exif_.ExifSubIfdOffset = e.value; return true;
      default: return true;
    }
  }

  bool StoreSub(const Entry& e) {
    switch (e.tag) {
      case kTagExposureTime: {
        uint32_t num = 0, den = 0;
        exif_.ExposureTime = Rational(e, num, den) ? FractionText(num, den) + " seconds" : std::string();
        return true;
      }
      case kTagFNumber: exif_.FNumber = DecimalText(e); return true;
      case kTagExposureProgram:
        if (!Byte(e, exif_.ExposureProgram)) return false;
        exif_.ExposureProgramText = ExposureProgramTextOf(exif_.ExposureProgram);
        return true;
      case kTagIsoSpeed:
        if (e.value > 0xFFFF) return false;
        exif_.ISOSpeed = static_cast<uint16_t>(e.value);
        return true;
      case kTagDateTimeOriginal: exif_.DateTimeOriginal = String(e); return true;
      case kTagDateTimeDigitized: exif_.DateTimeDigitized = String(e); return true;
      case kTagCompressedBitsPerPixel: exif_.CompressedBitsPerPixel = DecimalText(e); return true;
      case kTagShutterSpeed: {
        uint32_t num = 0, den = 0;
        exif_.ShutterSpeed = Rational(e, num, den) ? ShutterText(num, den) : std::string();
        return true;
      }
      case kTagAperture: exif_.Aperture = DecimalText(e); return true;
      case kTagMaxAperture: exif_.MaxAperture = DecimalText(e); return true;
      case kTagMeteringMode:
        if (!Byte(e, exif_.MeteringMode)) return false;
        exif_.MeteringModeText = MeteringModeTextOf(exif_.MeteringMode);
        return true;
      case kTagLightSource:
        if (!Byte(e, exif_.LightSource)) return false;
        exif_.LightSourceText = LightSourceTextOf(exif_.LightSource);
        return true;
      case kTagFlash:
        if (!Byte(e, exif_.Flash)) return false;
        exif_.FlashText = FlashTextOf(exif_.Flash);
        return true;
      case kTagUserComment: exif_.UserComment = String(e); return true;
      case kTagExifImageWidth: exif_.ExifImageWidth = e.value; return true;
      case kTagExifImageHeight: exif_.ExifImageHeight = e.value; return true;
      default: return true;
    }
  }

  // An 8-bit field: BYTE and SHORT entries give their low 8 bits; any other
  // type must hold a value that fits, else the reading ends.
  static bool Byte(const Entry& e, uint8_t& field) {
    if (e.type != kTypeByte && e.type != kTypeShort && e.value > 0xFF) return false;
    field = static_cast<uint8_t>(e.value & 0xFF);
    return true;
  }

  // XResolution and YResolution keep the numerator of their rational; one
  // that does not fit a signed 32-bit field, or cannot be read, ends the
  // reading.
  bool Numerator(const Entry& e, int32_t& field) const {
    uint32_t num = 0;
    if (!U32(base_ + e.value, num) || num > 0x7FFFFFFFu) return false;
    field = static_cast<int32_t>(num);
    return true;
  }

  // A string of at most count - 1 bytes up to and without the first zero,
  // from the value field when count is 4 or less, else at base + value;
  // trailing blanks and control characters removed. Empty when it is
  // declared longer than kMaxStringCount or runs past the end.
  std::string String(const Entry& e) const {
    if (e.count == 0 || e.count > kMaxStringCount) return {};
    const uint64_t pos = e.count <= 4 ? e.valueField : base_ + e.value;
    const uint64_t wanted = e.count - 1;
    if (pos > size_) return {};
    const uint64_t available = size_ - pos;
    const size_t look = static_cast<size_t>(wanted < available ? wanted : available);
    const auto* begin = reinterpret_cast<const char*>(data_ + pos);
    const void* zero = std::memchr(begin, 0, look);
    size_t length = 0;
    if (zero != nullptr) {
      length = static_cast<size_t>(static_cast<const char*>(zero) - begin);
    } else if (wanted <= available) {
      length = look;
    } else {
      return {};  // ran past the end before a zero byte or count - 1 bytes
    }
    while (length > 0 && static_cast<unsigned char>(begin[length - 1]) <= 0x20) --length;
    return std::string(begin, length);
  }

  // The two unsigned 32-bit numbers of a rational at base + value.
  bool Rational(const Entry& e, uint32_t& num, uint32_t& den) const {
    const uint64_t pos = base_ + e.value;
    return U32(pos, num) && U32(pos + 4, den);
  }

  std::string DecimalText(const Entry& e) const {
    uint32_t num = 0, den = 0;
    if (!Rational(e, num, den) || den == 0) return {};
    // num / den rounded half up to two decimals, exactly: num * 200 is below
    // 2^40, so the 64-bit sum does not overflow.
    const uint64_t hundredths = (uint64_t{num} * 200 + den) / (uint64_t{den} * 2);
    const uint64_t fraction = hundredths % 100;
    std::string text = std::to_string(hundredths / 100) + '.' + static_cast<char>('0' + fraction / 10) +
                       static_cast<char>('0' + fraction % 10);
    if (text.back() == '0') text.pop_back();  // 2.80 -> 2.8, 4.00 -> 4.0
    return text;
  }

  static std::string FractionText(uint32_t num, uint32_t den) {
    if (den == 1000000) return "0";
    return std::to_string(num) + "/" + std::to_string(den);
  }

  // The shutter speed is an APEX value v: the time is 1 / 2^v seconds.
  static std::string ShutterText(uint32_t num, uint32_t den) {
    if (den == 0) return {};
    const float v = static_cast<float>(static_cast<long double>(num) / den);
    if (v >= 65535.0f) return "1 seconds";
    // 2^v must round to a whole number that fits 64 signed bits: from v = 63
    // on it overflows and gives no text. Below that, the largest float under
    // 63 still gives less than 2^63. Halves round to even.
    if (v >= 63.0f) return {};
    const long double rounded = std::nearbyint(std::pow(2.0L, static_cast<long double>(v)));
    return "1/" + std::to_string(static_cast<long long>(rounded)) + " seconds";
  }

  const uint8_t* data_;
  size_t size_;
  TExif& exif_;
  bool bigEndian_ = false;
  uint64_t base_ = 0;
};

std::string Number(uint64_t value) { return std::to_string(value); }

}  // namespace

void TExif::Clear() { *this = TExif(); }

bool TExif::ReadFromBytes(const uint8_t* data, size_t size) {
  Clear();
  if (data == nullptr) return false;
  Walker(data, size < kExifHeadBytes ? size : kExifHeadBytes, *this).Run();
  return Valid;
}

bool TExif::ReadFromStream(std::istream& in) {
  std::vector<uint8_t> head(kExifHeadBytes);
  in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
  const std::streamsize got = in.gcount();
  return ReadFromBytes(head.data(), got > 0 ? static_cast<size_t>(got) : 0);
}

bool TExif::ReadFromFile(const std::string& pathUtf8) {
  // Through a UTF-8 path object, so that on Windows the file is opened by
  // its wide name rather than through the ANSI code page.
  const std::filesystem::path path(
      std::u8string(reinterpret_cast<const char8_t*>(pathUtf8.data()), pathUtf8.size()));
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::error_code error;
    if (std::filesystem::exists(path, error)) Clear();
    return Valid;
  }
  return ReadFromStream(in);
}

std::vector<std::pair<std::string, std::string>> ExifFieldList(const TExif& exif) {
  return {
      {"Valid", exif.Valid ? "true" : "false"},
      {"ImageDescription", exif.ImageDescription},
      {"Make", exif.Make},
      {"Model", exif.Model},
      {"Orientation", Number(exif.Orientation)},
      {"OrientationText", exif.OrientationText},
      {"XResolution", std::to_string(exif.XResolution)},
      {"YResolution", std::to_string(exif.YResolution)},
      {"Software", exif.Software},
      {"DateTime", exif.DateTime},
      {"Artist", exif.Artist},
      {"RightsNotice", exif.RightsNotice},
      {"ExifSubIfdOffset", Number(exif.ExifSubIfdOffset)},
      {"ExposureTime", exif.ExposureTime},
      {"FNumber", exif.FNumber},
      {"ExposureProgram", Number(exif.ExposureProgram)},
      {"ExposureProgramText", exif.ExposureProgramText},
      {"ISOSpeed", Number(exif.ISOSpeed)},
      {"DateTimeOriginal", exif.DateTimeOriginal},
      {"DateTimeDigitized", exif.DateTimeDigitized},
      {"CompressedBitsPerPixel", exif.CompressedBitsPerPixel},
      {"ShutterSpeed", exif.ShutterSpeed},
      {"Aperture", exif.Aperture},
      {"MaxAperture", exif.MaxAperture},
      {"MeteringMode", Number(exif.MeteringMode)},
      {"MeteringModeText", exif.MeteringModeText},
      {"LightSource", Number(exif.LightSource)},
      {"LightSourceText", exif.LightSourceText},
      {"Flash", Number(exif.Flash)},
      {"FlashText", exif.FlashText},
      {"UserComment", exif.UserComment},
      {"ExifImageWidth", Number(exif.ExifImageWidth)},
      {"ExifImageHeight", Number(exif.ExifImageHeight)},
  };
}

}  // namespace lumora
