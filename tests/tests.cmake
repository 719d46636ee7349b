# Unit tests of the portable core: natively under the sanitizers, and
# cross-built for Windows where ctest runs them through Wine.
file(GLOB LUMORA_UNIT_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/unit/*.cpp)
add_executable(lumora_unit_tests ${LUMORA_UNIT_SOURCES})
target_link_libraries(lumora_unit_tests PRIVATE lumora_core GTest::gtest_main)
target_compile_definitions(lumora_unit_tests PRIVATE
  LUMORA_TEST_DATA="${CMAKE_SOURCE_DIR}/tests/data"
  LUMORA_CORPORA="${CMAKE_SOURCE_DIR}/../shared/corpora")
if(WIN32)
  target_link_libraries(lumora_unit_tests PRIVATE ${LUMORA_STATIC_LINK})
endif()
add_test(NAME unit COMMAND lumora_unit_tests)
set_tests_properties(unit PROPERTIES LABELS "unit")

# The settings as the saver reads them, printed one per line: from a .reg
# file through the in-memory registry, or (on Windows) from the registry.
add_executable(lumora-settings ${CMAKE_SOURCE_DIR}/tools/lumora_settings.cpp)
if(WIN32)
  target_link_libraries(lumora-settings PRIVATE lumora_shell ${LUMORA_STATIC_LINK})
else()
  target_link_libraries(lumora-settings PRIVATE lumora_core)
endif()

# The picture pipeline from the command line (EXIF, decoding, turning).
add_executable(lumora-cli ${CMAKE_SOURCE_DIR}/tools/lumora_cli.cpp)
target_link_libraries(lumora-cli PRIVATE lumora_core)
if(WIN32)
  target_link_libraries(lumora-cli PRIVATE ${LUMORA_STATIC_LINK} -municode)
else()
  add_test(NAME exif-agrees COMMAND bash ${CMAKE_SOURCE_DIR}/tests/cli/test_exif_agrees.sh $<TARGET_FILE:lumora-cli>)
  set_tests_properties(exif-agrees PROPERTIES LABELS "cli" TIMEOUT 300)
  add_test(NAME compose COMMAND bash ${CMAKE_SOURCE_DIR}/tests/cli/test_compose.sh $<TARGET_FILE:lumora-cli>)
  set_tests_properties(compose PROPERTIES LABELS "cli" TIMEOUT 120)
  add_test(NAME pngsuite COMMAND bash ${CMAKE_SOURCE_DIR}/tests/cli/test_pngsuite.sh $<TARGET_FILE:lumora-cli>)
  set_tests_properties(pngsuite PROPERTIES LABELS "cli" TIMEOUT 300)
endif()

if(WIN32)
  set_tests_properties(unit PROPERTIES RESOURCE_LOCK wine ENVIRONMENT "LUMORA_WINE=${LUMORA_WINE}")

  # Win32-side tests against Wine's real registry, files and processes.
  file(GLOB LUMORA_WIN_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win/*.cpp)
  # The saver's resources (icon, version, manifest) come along for the
  # preview test, which draws the program icon.
  add_executable(lumora_win_tests ${LUMORA_WIN_TEST_SOURCES} ${CMAKE_BINARY_DIR}/generated/lumora.rc)
  target_include_directories(lumora_win_tests PRIVATE ${CMAKE_BINARY_DIR}/generated)
  target_link_libraries(lumora_win_tests PRIVATE lumora_shell GTest::gtest_main ${LUMORA_STATIC_LINK})
  add_test(NAME win COMMAND lumora_win_tests)
  set_tests_properties(win PROPERTIES LABELS "wine" RESOURCE_LOCK wine ENVIRONMENT
    "LUMORA_WINE=${LUMORA_WINE};LUMORA_SCR=$<TARGET_FILE:Lumora>;LUMORA_VERSION_JA=$<TARGET_FILE:test-version-ja>;LUMORA_VERSION_EN=$<TARGET_FILE:test-version-en>")

  # Two DLLs that carry nothing but a version resource, read by the
  # catalogue test: one under the keys savers use, one standard.
  foreach(variant ja en)
    add_library(test-version-${variant} SHARED ${CMAKE_SOURCE_DIR}/tests/win/version_dll/version_dll.c
      ${CMAKE_SOURCE_DIR}/tests/win/version_dll/version_${variant}.rc)
    set_target_properties(test-version-${variant} PROPERTIES PREFIX "" OUTPUT_NAME version-${variant})
    target_link_options(test-version-${variant} PRIVATE -static)
  endforeach()
  add_dependencies(lumora_win_tests Lumora test-version-ja test-version-en lumora-gdi-count)

  # The probe: finds and inspects windows, hosts a preview, reports monitors.
  add_executable(lumora-probe ${CMAKE_SOURCE_DIR}/tools/probe/lumora_probe.cpp)
  target_link_libraries(lumora-probe PRIVATE lumora_shell ${LUMORA_STATIC_LINK} -municode)
  add_library(lumora-gdi-count SHARED ${CMAKE_SOURCE_DIR}/tools/probe/gdi_count.c)
  set_target_properties(lumora-gdi-count PROPERTIES PREFIX "")
  target_link_options(lumora-gdi-count PRIVATE -static -Wl,--kill-at)
  target_link_libraries(lumora-gdi-count PRIVATE gdi32)
  add_dependencies(lumora-probe lumora-gdi-count)

  # A stand-in for the consumer family's PASSWORD.CPL whose answer a test
  # chooses, to drive the saver's own password check.
  add_library(test-password-cpl SHARED ${CMAKE_SOURCE_DIR}/tests/win/password_cpl/password_cpl.c)
  set_target_properties(test-password-cpl PROPERTIES PREFIX "" OUTPUT_NAME PASSWORD SUFFIX .CPL)
  target_link_options(test-password-cpl PRIVATE -static -Wl,--kill-at
    ${CMAKE_SOURCE_DIR}/tests/win/password_cpl/password_cpl.def)

  # Susie import plug-ins of the project's own picture format "LPIC"
  # (tests/win/plugins/make_lpic.py writes such files), one source built in
  # the variants the plug-in host must cope with, next to the test program.
  foreach(variant IN ITEMS "lpic" "lpic-all:LPIC_ALL_FILES" "lpic-bmp:LPIC_BMP" "lpic-archive:LPIC_ARCHIVE"
                           "lpic-noinfo:LPIC_NO_INFO" "lpic-nopicture:LPIC_NO_PICTURE" "lpic-fail:LPIC_FAIL"
                           "lpic-crash:LPIC_CRASH")
    string(REPLACE ":" ";" parts "${variant}")
    list(GET parts 0 name)
    add_library(test-spi-${name} SHARED ${CMAKE_SOURCE_DIR}/tests/win/plugins/test_plugin.c)
    set_target_properties(test-spi-${name} PROPERTIES PREFIX "" OUTPUT_NAME ${name} SUFFIX .spi)
    list(LENGTH parts count)
    if(count GREATER 1)
      list(GET parts 1 define)
      target_compile_definitions(test-spi-${name} PRIVATE ${define})
    endif()
    target_link_options(test-spi-${name} PRIVATE -static -Wl,--kill-at)
    add_dependencies(lumora_win_tests test-spi-${name})  # loaded by the Win32 tests
  endforeach()

  # Benchmark of a scanner pass (run by tools/bench-scan.sh).
  add_executable(lumora-scan-bench ${CMAKE_SOURCE_DIR}/tools/bench/scan_bench.cpp)
  target_link_libraries(lumora-scan-bench PRIVATE lumora_shell ${LUMORA_STATIC_LINK} -municode)

  # Stands in for the saver that takes over: records its command line.
  add_executable(test-other-saver ${CMAKE_SOURCE_DIR}/tests/win/other_saver/other_saver.cpp)
  set_target_properties(test-other-saver PROPERTIES OUTPUT_NAME other-saver)
  target_link_libraries(test-other-saver PRIVATE ${LUMORA_STATIC_LINK} -municode -mwindows)

  # The program as shipped: PE kind, imports, flags (no Wine needed).
  add_test(NAME pe-check COMMAND bash ${CMAKE_SOURCE_DIR}/tests/check_pe.sh $<TARGET_FILE:Lumora>
    ${CMAKE_OBJDUMP} ${CMAKE_SIZEOF_VOID_P})
  set_tests_properties(pe-check PROPERTIES LABELS "static")

  # The portable zip's contents (the installer is tried under Wine by
  # e2e-installer).
  if(LUMORA_ZIP)
    add_test(NAME release-zip COMMAND bash ${CMAKE_SOURCE_DIR}/tests/check_release.sh ${LUMORA_ZIP}
      $<TARGET_FILE:Lumora>)
    set_tests_properties(release-zip PROPERTIES LABELS "static")
  endif()

  file(GLOB LUMORA_E2E_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/test_*.sh)
  foreach(script ${LUMORA_E2E_TESTS})
    get_filename_component(name ${script} NAME_WE)
    string(REPLACE "test_" "e2e-" name ${name})
    add_test(NAME ${name} COMMAND bash ${script})
    set_tests_properties(${name} PROPERTIES LABELS "wine;e2e" RESOURCE_LOCK wine TIMEOUT 300
      ENVIRONMENT "LUMORA_WINE=${LUMORA_WINE};LUMORA_BIN=${CMAKE_BINARY_DIR};LUMORA_SETTINGS_TOOL=$<TARGET_FILE:lumora-settings>")
  endforeach()
endif()

if(WIN32)
  # The harness itself: displays, monitors, locale, registry, input.
  add_test(NAME e2e-harness COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/harness_selftest.sh)
  set_tests_properties(e2e-harness PROPERTIES LABELS "wine;e2e" RESOURCE_LOCK wine TIMEOUT 300
    ENVIRONMENT "LUMORA_WINE=${LUMORA_WINE}")
endif()
