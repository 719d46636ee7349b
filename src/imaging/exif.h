// The EXIF block of a JPEG file: the APP1 segment is located the way the
// saver has always located it, its TIFF header and the first two image
// directories are walked, and a fixed set of tags is kept as text and
// numbers. The reader never writes and never reports errors: whatever it
// cannot read stays empty or 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <string>
#include <utility>
#include <vector>

namespace lumora {

// How much of the head of a file is looked at. The APP1 marker is found no
// later than byte 2029 (a 9-byte read at offset 20, then at most 1001
// two-byte steps from offset 29), and an APP1 segment is at most 2 + 65535
// bytes long, so every offset of a well-formed block lies in this head.
// Offsets beyond it read as "past the end of the file".
inline constexpr size_t kExifHeadBytes = 2048 + 65536;

class TExif {
 public:
  TExif() = default;

  // Resets every field: empty strings, zeros, Valid false.
  void Clear();

  // Clears the fields and fills them from the file at pathUtf8, reading
  // only its first kExifHeadBytes bytes. A file that does not exist changes
  // nothing; one that exists but cannot be opened leaves the fields clear.
  // Returns Valid.
  bool ReadFromFile(const std::string& pathUtf8);

  // Clears the fields and fills them from the next kExifHeadBytes bytes of
  // the stream (fewer when it ends first), which must start at the file's
  // first byte. For callers that open the file themselves (wide paths).
  // Returns Valid.
  bool ReadFromStream(std::istream& in);

  // Clears the fields and fills them from the bytes of a file, of which only
  // the first kExifHeadBytes are looked at. Returns Valid.
  bool ReadFromBytes(const uint8_t* data, size_t size);

  // An APP1 marker was found where one is looked for (nothing checks its
  // length or the "Exif" identifier).
  bool Valid = false;

  // From the first image directory. Strings are the file's bytes as they
  // stand (usually ASCII), cut at the first zero byte and with trailing
  // blanks and control characters removed.
  std::string ImageDescription;  // 0x010E
  std::string Make;              // 0x010F
  std::string Model;             // 0x0110
  uint8_t Orientation = 0;       // 0x0112
  std::string OrientationText;   // from Orientation, set when the tag is read
  int32_t XResolution = 0;       // 0x011A: numerator of the rational only
  int32_t YResolution = 0;       // 0x011B: numerator of the rational only
  std::string Software;          // 0x0131
  std::string DateTime;          // 0x0132
  std::string Artist;            // 0x013B
  std::string RightsNotice;      // 0x8298
  uint32_t ExifSubIfdOffset = 0;  // 0x8769

  // From the Exif sub-directory.
  std::string ExposureTime;         // 0x829A: "1/60 seconds"; "0 seconds" for x/1000000
  std::string FNumber;              // 0x829D: "2.8", "4.0"
  uint8_t ExposureProgram = 0;      // 0x8822
  std::string ExposureProgramText;  // from ExposureProgram
  uint16_t ISOSpeed = 0;            // 0x8827
  std::string DateTimeOriginal;     // 0x9003
  std::string DateTimeDigitized;    // 0x9004
  std::string CompressedBitsPerPixel;  // 0x9102: decimal text
  std::string ShutterSpeed;         // 0x9201: "1/100 seconds" from the APEX value
  std::string Aperture;             // 0x9202: decimal text
  std::string MaxAperture;          // 0x9205: decimal text
  uint8_t MeteringMode = 0;         // 0x9207
  std::string MeteringModeText;     // from MeteringMode
  uint8_t LightSource = 0;          // 0x9208
  std::string LightSourceText;      // from LightSource
  uint8_t Flash = 0;                // 0x9209
  std::string FlashText;            // from Flash
  std::string UserComment;          // 0x9286
  uint32_t ExifImageWidth = 0;      // 0xA002
  uint32_t ExifImageHeight = 0;     // 0xA003
};

// Every field of exif in declaration order, as (name, value text): strings
// as they stand, numbers in decimal, Valid as "true" or "false".
std::vector<std::pair<std::string, std::string>> ExifFieldList(const TExif& exif);

}  // namespace lumora
