// PNG through libpng: every colour type and bit depth, interlaced or not,
// reduced to 8-bit BGR; alpha (an alpha channel or tRNS) is blended onto
// white. libpng reports errors by longjmp to the setjmp of Run; all C++
// objects live in PngJob, outside that function, so the jump skips none.
#include <algorithm>
#include <csetjmp>
#include <cstdio>

#include <png.h>

#include "imaging/decoders.h"

namespace lumora {

namespace {

struct PngJob {
  const std::vector<uint8_t>* bytes = nullptr;
  size_t pos = 0;
  png_structp png = nullptr;
  png_infop info = nullptr;
  std::string error;
  Bitmap24 picture;
  std::vector<uint8_t> rgba;  // 4-channel rows before blending
  std::vector<png_bytep> rows;

  PngJob() = default;
  PngJob(const PngJob&) = delete;
  PngJob& operator=(const PngJob&) = delete;
  ~PngJob() {
    if (png != nullptr) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
  }
};

void OnError(png_structp png, png_const_charp message) {
  auto* job = static_cast<PngJob*>(png_get_error_ptr(png));
  // Only a short copy happens here: a failed allocation must not escape
  // into libpng's frames, so it is swallowed.
  try {
    job->error = message ? message : "damaged file";
  } catch (...) {
  }
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void ReadFromMemory(png_structp png, png_bytep target, size_t length) {
  auto* job = static_cast<PngJob*>(png_get_io_ptr(png));
  if (job->bytes->size() - job->pos < length) png_error(png, "the file ends early");
  std::copy_n(job->bytes->data() + job->pos, length, target);
  job->pos += length;
}

void BlendRow(const uint8_t* bgra, uint8_t* bgr, int32_t width) {
  for (int32_t x = 0; x < width; ++x, bgra += 4, bgr += 3) {
    for (int c = 0; c < 3; ++c) bgr[c] = OverWhite(bgra[c], bgra[3]);
  }
}

// Returns false when libpng reported an error (the text is in job.error).
bool Run(PngJob& job) {
  if (setjmp(png_jmpbuf(job.png))) return false;
  png_structp png = job.png;
  png_infop info = job.info;
  png_set_read_fn(png, &job, ReadFromMemory);
  png_read_info(png, info);

  const int64_t width = png_get_image_width(png, info), height = png_get_image_height(png, info);
  CheckDeclaredSize(width, height, "PNG");

  // To 8-bit BGR or BGRA: palettes and small depths expanded, tRNS made an
  // alpha channel, 16 bits scaled down, grey copied into all three.
  png_set_expand(png);
  png_set_scale_16(png);
  png_set_gray_to_rgb(png);
  png_set_bgr(png);
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  const int channels = png_get_channels(png, info);
  if (png_get_bit_depth(png, info) != 8 || (channels != 3 && channels != 4) ||
      png_get_rowbytes(png, info) != static_cast<size_t>(width) * channels) {
    throw PictureError("PNG: unexpected pixel layout after conversion");
  }

  const auto w = static_cast<int32_t>(width), h = static_cast<int32_t>(height);
  job.picture.Resize(w, h);
  if (channels == 3) {
    // Straight into the picture's rows, whatever the interlacing.
    job.rows.resize(static_cast<size_t>(h));
    for (int32_t y = 0; y < h; ++y) job.rows[static_cast<size_t>(y)] = job.picture.Row(y);
    png_read_image(png, job.rows.data());
  } else if (passes == 1) {
    job.rgba.resize(static_cast<size_t>(w) * 4);
    for (int32_t y = 0; y < h; ++y) {
      png_read_row(png, job.rgba.data(), nullptr);
      BlendRow(job.rgba.data(), job.picture.Row(y), w);
    }
  } else {
    // Interlaced passes revisit every row, so all of it is kept until the end.
    job.rgba.resize(static_cast<size_t>(w) * 4 * static_cast<size_t>(h));
    job.rows.resize(static_cast<size_t>(h));
    for (int32_t y = 0; y < h; ++y) job.rows[static_cast<size_t>(y)] = job.rgba.data() + static_cast<size_t>(w) * 4 * y;
    png_read_image(png, job.rows.data());
    for (int32_t y = 0; y < h; ++y) BlendRow(job.rows[static_cast<size_t>(y)], job.picture.Row(y), w);
  }
  // Chunks after the image data are not read: a file cut off after its
  // last pixel still shows.
  return true;
}

}  // namespace

Bitmap24 DecodePng(const std::vector<uint8_t>& bytes) {
  if (bytes.size() < 8 || png_sig_cmp(bytes.data(), 0, 8) != 0) throw PictureError("PNG: not a PNG file");
  PngJob job;
  job.bytes = &bytes;
  job.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &job, OnError, OnWarning);
  if (job.png == nullptr) throw PictureError("PNG: not enough memory");
  job.info = png_create_info_struct(job.png);
  if (job.info == nullptr) throw PictureError("PNG: not enough memory");
  // Sides are checked against the pixel budget after the header; this only
  // keeps libpng's own limit from being the first to speak.
  png_set_user_limits(job.png, 0x7FFFFFFF, 0x7FFFFFFF);
  if (!Run(job)) throw PictureError("PNG: " + job.error);
  return std::move(job.picture);
}

}  // namespace lumora
