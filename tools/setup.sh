#!/usr/bin/env bash
# Installs what Lumora needs to build and test on Debian 12, then builds the
# i686 image libraries from Debian's source packages into build/deps.
# Idempotent and quiet: a second run only checks and takes seconds.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
deps="$root/build/deps"
log="$root/build/setup.log"
mkdir -p "$root/build"
: > "$log"

say() { printf 'setup: %s\n' "$*"; }
fail() { printf 'setup: FAILED: %s (see %s)\n' "$*" "$log" >&2; tail -n 30 "$log" >&2; exit 1; }
run() { "$@" >>"$log" 2>&1 || fail "$*"; }

export DEBIAN_FRONTEND=noninteractive

packages=(
  ca-certificates dpkg-dev cmake ninja-build make nasm pkg-config python3 procps
  g++ googletest libgtest-dev libbenchmark-dev clang libclang-rt-14-dev libjpeg-turbo-progs
  gcc-mingw-w64-i686-posix g++-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
  gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
  libz-mingw-w64-dev
  libjpeg62-turbo-dev libpng-dev libgif-dev zlib1g-dev
  wine wine32:i386 libxinerama1:i386 libxrandr2:i386
  wine64 libxinerama1 libxrandr2
  xvfb x11-xserver-utils x11-utils xdotool x11-apps imagemagick
  nsis zip unzip python3-markdown
  fonts-wine fonts-ipafont fonts-ipafont-gothic locales libimage-exiftool-perl
  pulseaudio pulseaudio-utils
  # Wine plays media through GStreamer of its own word size: both sets.
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  gstreamer1.0-plugins-base:i386 gstreamer1.0-plugins-good:i386 libpulse0:i386
)

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  say "adding the i386 architecture"
  run dpkg --add-architecture i386
  need_update=1
fi

srcfile=/etc/apt/sources.list.d/lumora-src.sources
if [ ! -f "$srcfile" ]; then
  cat > "$srcfile" <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  need_update=1
fi

# A name without an architecture means the machine's own (or "all"); asked
# without one, dpkg-query answers once per architecture it knows the package in.
native=$(dpkg --print-architecture)
installed() { # package[:arch]
  local name=${1%%:*} want=${1#*:}
  [ "$want" = "$1" ] && want=$native
  dpkg-query -W -f='${db:Status-Status} ${Architecture}\n' "$name" 2>/dev/null |
    grep -qE "^installed ($want|all)\$"
}
missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ] || [ -n "${need_update:-}" ]; then
  say "installing ${missing[*]:-(package lists only)}"
  # A mirror may serve an index file that fails its checksum, for a minute
  # during a sync or for days when its copy is out of step: try again after a
  # pause, and when one list still fails go on with the rest (apt-get keeps
  # the lists it did fetch; the install below says so plainly if a package
  # really cannot be found).
  for attempt in 1 2 3; do
    if apt-get update >>"$log" 2>&1; then break; fi
    if [ "$attempt" = 3 ]; then say "some package lists could not be fetched; going on with those that were"; break; fi
    say "apt-get update failed (attempt $attempt); trying again in $((attempt * 15)) s"
    sleep $((attempt * 15))
  done
  if [ ${#missing[@]} -gt 0 ]; then
    for attempt in 1 2 3; do
      if apt-get install -y --no-install-recommends "${missing[@]}" >>"$log" 2>&1; then break; fi
      [ "$attempt" = 3 ] && fail "apt-get install ${missing[*]}"
      say "apt-get install failed (attempt $attempt); trying again in $((attempt * 30)) s"
      sleep $((attempt * 30))
      apt-get update >>"$log" 2>&1 || true
    done
  fi
fi

# ---------------------------------------------------------------------------
# Windows libraries from Debian's sources, cached under build/deps/<arch>.
# i686 is the product; x86_64 builds the same code for machines whose kernel
# cannot run 32-bit programs (and so cannot run 32-bit Wine).
# ---------------------------------------------------------------------------
srcdir="$deps/src"
mkdir -p "$srcdir"
jobs=$(nproc)

fetch_source() { # source package, directory stem -> unpacked directory (printed)
  local pkg=$1 stem=$2 dir ver dsc
  dir=$(find "$srcdir" -maxdepth 1 -mindepth 1 -type d -name "${stem}-*" | head -n1)
  if [ -z "$dir" ]; then
    # Newest version first; a mirror may list a version whose files it does not serve.
    for ver in $(apt-cache showsrc "$pkg" | awk '/^Version:/{print $2}' | sort -Vr -u); do
      if ( cd "$srcdir" && apt-get source --download-only "$pkg=$ver" ) >>"$log" 2>&1; then
        dsc=$(ls "$srcdir/${pkg}_${ver#*:}.dsc" 2>/dev/null || true)
        [ -n "$dsc" ] && break
      fi
    done
    [ -n "${dsc:-}" ] || fail "apt-get source $pkg"
    ( cd "$srcdir" && dpkg-source --no-check -x "$dsc" ) >>"$log" 2>&1 || fail "dpkg-source $dsc"
    dir=$(find "$srcdir" -maxdepth 1 -mindepth 1 -type d -name "${stem}-*" | head -n1)
  fi
  printf '%s\n' "$dir"
}

build_windows_libs() { # arch (i686 | x86_64), triplet, toolchain file
  local arch=$1 triplet=$2 tc=$3 prefix="$deps/$1" d
  mkdir -p "$prefix/lib" "$prefix/include"

  if [ ! -f "$prefix/lib/libz.a" ]; then
    say "zlib for $arch"
    cp "/usr/$triplet/lib/libz.a" "$prefix/lib/libz.a"
    cp "/usr/$triplet/include/zlib.h" "/usr/$triplet/include/zconf.h" "$prefix/include/"
  fi

  if [ ! -f "$prefix/lib/libjpeg.a" ]; then
    say "libjpeg-turbo for $arch"
    d=$(fetch_source libjpeg-turbo libjpeg-turbo)
    rm -rf "$d/build-$arch"
    run cmake -S "$d" -B "$d/build-$arch" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$tc" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DREQUIRE_SIMD=ON -DWITH_TURBOJPEG=ON
    run cmake --build "$d/build-$arch" -j "$jobs" --target jpeg-static turbojpeg-static
    cp "$d/build-$arch/libjpeg.a" "$d/build-$arch/libturbojpeg.a" "$prefix/lib/"
    cp "$d/jpeglib.h" "$d/jmorecfg.h" "$d/jerror.h" "$d/turbojpeg.h" "$d/build-$arch/jconfig.h" "$prefix/include/"
  fi

  if [ ! -f "$prefix/lib/libpng16.a" ]; then
    say "libpng for $arch"
    d=$(fetch_source libpng1.6 libpng1.6)
    rm -rf "$d/build-$arch"
    run cmake -S "$d" -B "$d/build-$arch" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$tc" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_EXECUTABLES=OFF -DPNG_TESTS=OFF \
        -DZLIB_LIBRARY="$prefix/lib/libz.a" -DZLIB_INCLUDE_DIR="$prefix/include" \
        -DCMAKE_INSTALL_LIBDIR=lib
    run cmake --build "$d/build-$arch" -j "$jobs"
    run cmake --install "$d/build-$arch"
    [ -f "$prefix/lib/libpng16.a" ] || fail "libpng16.a missing after install"
  fi

  if [ ! -f "$prefix/lib/libgif.a" ]; then
    say "giflib for $arch"
    d=$(fetch_source giflib giflib)
    run make -C "$d" clean
    run make -C "$d" libgif.a CC="$triplet-gcc" AR="$triplet-ar" "CFLAGS=-O2 -Wall"
    cp "$d/libgif.a" "$prefix/lib/"
    cp "$d/gif_lib.h" "$prefix/include/"
    run make -C "$d" clean
  fi

  if [ ! -f "$prefix/lib/libgtest.a" ]; then
    say "GoogleTest for $arch"
    rm -rf "$deps/gtest-$arch"
    run cmake -S /usr/src/googletest -B "$deps/gtest-$arch" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$tc" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_GMOCK=OFF \
        -DCMAKE_INSTALL_LIBDIR=lib
    run cmake --build "$deps/gtest-$arch" -j "$jobs"
    run cmake --install "$deps/gtest-$arch"
  fi
}

build_windows_libs i686 i686-w64-mingw32 "$root/cmake/mingw-i686.cmake"
build_windows_libs x86_64 x86_64-w64-mingw32 "$root/cmake/mingw-x86_64.cmake"

# Japanese locale for Wine (code page 932), built without touching the system.
if [ ! -d "$deps/locale/ja_JP.UTF-8" ]; then
  say "ja_JP.UTF-8 locale"
  mkdir -p "$deps/locale"
  localedef -i ja_JP -f UTF-8 "$deps/locale/ja_JP.UTF-8" >>"$log" 2>&1 || [ -d "$deps/locale/ja_JP.UTF-8" ] || fail localedef
fi
say "ready"
