// JPEG through libjpeg(-turbo). libjpeg reports errors through a handler
// that must not return (its default one ends the process); ours jumps back
// to the decoding function, which turns the error into PictureError.
//
// The jump only crosses libjpeg's C frames: all C++ objects live in
// JpegJob, outside the function that calls setjmp, so none is skipped.
#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE and size_t first

#include <jpeglib.h>
#include <jerror.h>  // the message codes

#include "imaging/decoders.h"

namespace lumora {

namespace {

// A progressive file may repeat scans without end; real ones have a few
// dozen. Past this many the file is refused rather than decoded for minutes.
constexpr int kMaxScans = 500;

struct ErrorState {
  jpeg_error_mgr manager;  // first, so libjpeg's pointer to it leads here
  std::jmp_buf jump;
  bool ranOut = false;  // the data source reached the end of the file
  char message[JMSG_LENGTH_MAX] = {};
};

ErrorState& StateOf(j_common_ptr cinfo) { return *reinterpret_cast<ErrorState*>(cinfo->err); }

[[noreturn]] void JumpWith(j_common_ptr cinfo, const char* text) {
  ErrorState& state = StateOf(cinfo);
  std::snprintf(state.message, sizeof state.message, "%s", text);
  std::longjmp(state.jump, 1);
}

void OnError(j_common_ptr cinfo) {
  char text[JMSG_LENGTH_MAX];
  cinfo->err->format_message(cinfo, text);
  JumpWith(cinfo, text);
}

// Warnings are not printed. One is an error here: data of the picture
// needed beyond the end of the file (a truncated file). Running out while
// only the trailing end marker is missing is harmless and passes.
void OnMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;
  ErrorState& state = StateOf(cinfo);
  if (cinfo->err->msg_code == JWRN_JPEG_EOF) state.ranOut = true;
  if (cinfo->err->msg_code == JWRN_HIT_MARKER && state.ranOut) JumpWith(cinfo, "the file ends inside the picture data");
}

void OnProgress(j_common_ptr cinfo) {
  if (cinfo->is_decompressor && reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans) {
    JumpWith(cinfo, "too many scans");
  }
}

struct JpegJob {
  jpeg_decompress_struct cinfo{};
  ErrorState errors;
  jpeg_progress_mgr progress{};
  bool created = false;
  Bitmap24 picture;
  std::vector<uint8_t> cmykRow;

  JpegJob() {
    cinfo.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = OnError;
    errors.manager.emit_message = OnMessage;
    progress.progress_monitor = OnProgress;
  }
  ~JpegJob() {
    if (created) jpeg_destroy_decompress(&cinfo);
  }
  JpegJob(const JpegJob&) = delete;
  JpegJob& operator=(const JpegJob&) = delete;
};

// Four-channel pixels to BGR. Adobe's files (the only common source of
// CMYK JPEGs) store the channels inverted: 255 means no ink.
void CmykToBgr(const uint8_t* cmyk, uint8_t* bgr, JDIMENSION width, bool inverted) {
  for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
    const int k = inverted ? cmyk[3] : 255 - cmyk[3];
    for (int c = 0; c < 3; ++c) {
      const int v = inverted ? cmyk[c] : 255 - cmyk[c];
      bgr[2 - c] = static_cast<uint8_t>((v * k + 127) / 255);
    }
  }
}

// Returns false when libjpeg reported an error (the text is in job.errors).
bool Run(JpegJob& job, const std::vector<uint8_t>& bytes) {
  if (setjmp(job.errors.jump)) return false;
  jpeg_decompress_struct& cinfo = job.cinfo;
  jpeg_create_decompress(&cinfo);
  job.created = true;
  cinfo.progress = &job.progress;
  // Older libjpeg headers declare the buffer non-const; it is only read.
  jpeg_mem_src(&cinfo, const_cast<unsigned char*>(bytes.data()), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&cinfo, TRUE);
  if (cinfo.data_precision != 8) {
    throw PictureError("JPEG: unsupported precision of " + std::to_string(cinfo.data_precision) + " bits per sample");
  }
  CheckDeclaredSize(cinfo.image_width, cinfo.image_height, "JPEG");

  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
#ifdef JCS_EXTENSIONS
  cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
  const bool swapRedBlue = false;
#else
  cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  const bool swapRedBlue = !cmyk;
#endif
  jpeg_start_decompress(&cinfo);
  if (cinfo.output_components != (cmyk ? 4 : 3)) throw PictureError("JPEG: unexpected colour conversion");

  job.picture.Resize(static_cast<int32_t>(cinfo.output_width), static_cast<int32_t>(cinfo.output_height));
  if (cmyk) job.cmykRow.resize(static_cast<size_t>(cinfo.output_width) * 4);
  while (cinfo.output_scanline < cinfo.output_height) {
    uint8_t* target = job.picture.Row(static_cast<int32_t>(cinfo.output_scanline));
    JSAMPROW row = cmyk ? job.cmykRow.data() : target;
    if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) throw PictureError("JPEG: no scanline returned");
    if (cmyk) CmykToBgr(row, target, cinfo.output_width, cinfo.saw_Adobe_marker);
    if (swapRedBlue) {
      for (JDIMENSION x = 0; x < cinfo.output_width; ++x) std::swap(target[3 * x], target[3 * x + 2]);
    }
  }
  // The rest of the file (after the last scan) is not read: a file that
  // lacks only its end marker still shows.
  return true;
}

}  // namespace

Bitmap24 DecodeJpeg(const std::vector<uint8_t>& bytes) {
  JpegJob job;
  if (!Run(job, bytes)) throw PictureError(std::string("JPEG: ") + job.errors.message);
  return std::move(job.picture);
}

}  // namespace lumora
