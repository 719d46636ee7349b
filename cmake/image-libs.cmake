# The image libraries behind the built-in picture decoders, linked into the
# portable core: Debian's packages natively, the static builds that
# tools/setup.sh made under build/deps for Windows.
if(WIN32)
  find_library(LUMORA_JPEG_LIB NAMES libjpeg.a REQUIRED)
  find_library(LUMORA_PNG_LIB NAMES libpng16.a REQUIRED)
  find_library(LUMORA_GIF_LIB NAMES libgif.a REQUIRED)
  find_library(LUMORA_Z_LIB NAMES libz.a REQUIRED)
  find_path(LUMORA_IMAGE_INCLUDE NAMES jpeglib.h png.h gif_lib.h REQUIRED)
  target_include_directories(lumora_core PUBLIC ${LUMORA_IMAGE_INCLUDE})
  # libpng needs zlib after it on the link line.
  target_link_libraries(lumora_core PUBLIC ${LUMORA_PNG_LIB} ${LUMORA_JPEG_LIB} ${LUMORA_GIF_LIB} ${LUMORA_Z_LIB})
else()
  find_package(JPEG REQUIRED)
  find_package(PNG REQUIRED)
  find_package(GIF REQUIRED)
  find_package(ZLIB REQUIRED)
  target_link_libraries(lumora_core PUBLIC PNG::PNG JPEG::JPEG GIF::GIF ZLIB::ZLIB)
endif()
