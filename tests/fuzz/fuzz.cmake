# libFuzzer targets of the readers of untrusted bytes, each run by ctest for
# a bounded time (LUMORA_FUZZ_SECONDS, 10 by default) from a seed corpus
# made by tests/fuzz/make-seeds.sh.
set(LUMORA_FUZZ_SECONDS 10 CACHE STRING "Seconds each fuzz target runs under ctest")
file(GLOB LUMORA_FUZZ_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/*_fuzz.cpp)
foreach(source ${LUMORA_FUZZ_SOURCES})
  get_filename_component(name ${source} NAME_WE)
  add_executable(${name} ${source})
  target_link_libraries(${name} PRIVATE lumora_core)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set(corpus ${CMAKE_BINARY_DIR}/corpus/${name})
  add_test(NAME ${name}
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/fuzz/run-fuzz.sh $<TARGET_FILE:${name}> ${corpus} ${LUMORA_FUZZ_SECONDS})
  set_tests_properties(${name} PROPERTIES LABELS "fuzz" TIMEOUT 900)
endforeach()
