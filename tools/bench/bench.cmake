# Native benchmarks of the portable core (Google Benchmark). Left out of
# Windows builds and of the sanitizer build, whose timings would mean little.
if(NOT WIN32 AND NOT LUMORA_SANITIZE)
  find_package(benchmark QUIET)
  if(benchmark_FOUND)
    # Turning a 6000 × 4000 picture by 30 degrees against a plain memcpy.
    add_executable(lumora-rotate-bench ${CMAKE_CURRENT_LIST_DIR}/rotate_bench.cpp)
    target_link_libraries(lumora-rotate-bench PRIVATE lumora_core benchmark::benchmark)
    # JPEG decoding and EXIF reading (tools/bench-pictures.sh runs both).
    add_executable(lumora-picture-bench ${CMAKE_CURRENT_LIST_DIR}/picture_bench.cpp)
    target_link_libraries(lumora-picture-bench PRIVATE lumora_core benchmark::benchmark)
    # Smooth resampling 6000 × 4000 → 1920 × 1280 against the cell-by-cell
    # sum; colour modes and darkening of a 3840 × 2160 screen against memcpy.
    add_executable(lumora-effects-bench ${CMAKE_CURRENT_LIST_DIR}/effects_bench.cpp)
    target_link_libraries(lumora-effects-bench PRIVATE lumora_core benchmark::benchmark)
    # The raised frame on a 3840 × 2160 screen (around the whole screen and
    # around a 1920 × 1280 picture) against a memcpy of the screen.
    add_executable(lumora-frame-bench ${CMAKE_CURRENT_LIST_DIR}/frame_bench.cpp)
    target_link_libraries(lumora-frame-bench PRIVATE lumora_core benchmark::benchmark)
    # The whole picture step for a JPEG on a 3840 × 2160 screen with smooth
    # resampling, and its parts: decoding, resampling, drawing.
    add_executable(lumora-step-bench ${CMAKE_CURRENT_LIST_DIR}/step_bench.cpp)
    target_link_libraries(lumora-step-bench PRIVATE lumora_core benchmark::benchmark)
  endif()
endif()
