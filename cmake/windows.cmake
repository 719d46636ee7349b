# The Win32 shell, Lumora.scr and the Windows-side tools.
enable_language(RC)

set(LUMORA_WINE "" CACHE STRING "Wine loader that runs this build's programs")
if(NOT LUMORA_WINE)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(LUMORA_WINE /usr/lib/wine/wine64 CACHE STRING "" FORCE)
  else()
    set(LUMORA_WINE /usr/lib/wine/wine CACHE STRING "" FORCE)
  endif()
endif()

add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
# One self-contained program: the C and C++ runtimes and winpthread linked in.
set(LUMORA_STATIC_LINK -static -static-libgcc -static-libstdc++)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  list(APPEND LUMORA_STATIC_LINK -Wl,--large-address-aware)
endif()

file(GLOB LUMORA_SHELL_SOURCES CONFIGURE_DEPENDS
  src/app/win/*.cpp src/saver/win/*.cpp src/media/win/*.cpp src/config/win/*.cpp src/imaging/win/*.cpp)
list(REMOVE_ITEM LUMORA_SHELL_SOURCES ${CMAKE_SOURCE_DIR}/src/app/win/main.cpp)
add_library(lumora_shell STATIC ${LUMORA_SHELL_SOURCES})
target_link_libraries(lumora_shell PUBLIC lumora_core shlwapi shell32 ole32 user32 gdi32 advapi32 winmm version
  comctl32 comdlg32)

set(LUMORA_ICON ${CMAKE_BINARY_DIR}/generated/lumora.ico)
add_custom_command(OUTPUT ${LUMORA_ICON}
  COMMAND bash ${CMAKE_SOURCE_DIR}/tools/make-icon.sh ${LUMORA_ICON}
  DEPENDS ${CMAKE_SOURCE_DIR}/tools/make-icon.sh
  COMMENT "Drawing the program icon")
configure_file(src/app/win/version.h.in ${CMAKE_BINARY_DIR}/generated/version.h @ONLY)
configure_file(src/app/win/lumora.manifest ${CMAKE_BINARY_DIR}/generated/lumora.manifest COPYONLY)
configure_file(src/app/win/lumora.rc ${CMAKE_BINARY_DIR}/generated/lumora.rc COPYONLY)
# The dialog's resource scripts and identifiers, included by lumora.rc.
file(GLOB LUMORA_DIALOG_RESOURCES CONFIGURE_DEPENDS src/config/win/*.rc src/config/win/*.h)
set_source_files_properties(${CMAKE_BINARY_DIR}/generated/lumora.rc PROPERTIES
  OBJECT_DEPENDS "${LUMORA_ICON};${CMAKE_BINARY_DIR}/generated/lumora.manifest;${CMAKE_BINARY_DIR}/generated/version.h;${LUMORA_DIALOG_RESOURCES}")

add_executable(Lumora WIN32 src/app/win/main.cpp ${CMAKE_BINARY_DIR}/generated/lumora.rc)
target_include_directories(Lumora PRIVATE ${CMAKE_BINARY_DIR}/generated ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(Lumora PRIVATE lumora_shell ${LUMORA_STATIC_LINK} -municode)
set_target_properties(Lumora PROPERTIES OUTPUT_NAME Lumora SUFFIX .scr)

# GoogleTest cross-built by tools/setup.sh.
find_path(LUMORA_GTEST_INCLUDE gtest/gtest.h REQUIRED)
find_library(LUMORA_GTEST_LIB NAMES libgtest.a REQUIRED)
find_library(LUMORA_GTEST_MAIN_LIB NAMES libgtest_main.a REQUIRED)
add_library(GTest::gtest STATIC IMPORTED)
set_target_properties(GTest::gtest PROPERTIES IMPORTED_LOCATION ${LUMORA_GTEST_LIB}
  INTERFACE_INCLUDE_DIRECTORIES ${LUMORA_GTEST_INCLUDE})
add_library(GTest::gtest_main STATIC IMPORTED)
set_target_properties(GTest::gtest_main PROPERTIES IMPORTED_LOCATION ${LUMORA_GTEST_MAIN_LIB}
  INTERFACE_LINK_LIBRARIES GTest::gtest)

# Every cross-built test program runs under Wine on its own virtual display.
set(CMAKE_CROSSCOMPILING_EMULATOR bash ${CMAKE_SOURCE_DIR}/tests/e2e/wine-run.sh)

# The release files: the installer LumoraSetup-<version>.exe and the portable
# Lumora-<version>.zip, in dist/ (tools/release/make-release.sh). The
# version is the project's, the one stamped into the version resource.
find_program(LUMORA_MAKENSIS makensis)
if(LUMORA_MAKENSIS)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(LUMORA_NSIS_TARGET amd64-unicode)
  else()
    set(LUMORA_NSIS_TARGET x86-unicode)
  endif()
  set(LUMORA_DIST ${CMAKE_BINARY_DIR}/dist)
  set(LUMORA_SETUP ${LUMORA_DIST}/LumoraSetup-${PROJECT_VERSION}.exe)
  set(LUMORA_ZIP ${LUMORA_DIST}/Lumora-${PROJECT_VERSION}.zip)
  file(GLOB LUMORA_RELEASE_INPUTS CONFIGURE_DEPENDS docs/*.md docs/images/* tools/release/*)
  add_custom_command(OUTPUT ${LUMORA_SETUP} ${LUMORA_ZIP}
    COMMAND bash ${CMAKE_SOURCE_DIR}/tools/release/make-release.sh ${PROJECT_VERSION} $<TARGET_FILE:Lumora>
      ${LUMORA_ICON} ${LUMORA_DIST} ${LUMORA_NSIS_TARGET}
    DEPENDS Lumora ${LUMORA_ICON} ${LUMORA_RELEASE_INPUTS}
    COMMENT "Building the installer and the portable zip")
  add_custom_target(release ALL DEPENDS ${LUMORA_SETUP} ${LUMORA_ZIP})
else()
  message(WARNING "makensis not found (run tools/setup.sh): no installer is built")
endif()
