#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian 12 machine, as root,
# and cross-builds libidn for both targets into the build tree.
# Safe to run again: every step is skipped when its result is already there.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
deps="$top/build/deps"
# wine32 runs the i686 deliverable's tests; it needs the i386 architecture.
packages=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine64 wine wine32:i386 cmake ninja-build
  googletest make nlohmann-json3-dev)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  apt-get update -q
  if ! apt-get install -y -q "${missing[@]}"; then
    echo "setup: installing ${missing[*]} failed; 32-bit Wine (wine32:i386) is required to test the i686 deliverable" >&2
    exit 1
  fi
fi
if [ ! -x /usr/lib/wine/wine ] || [ ! -d /usr/lib/i386-linux-gnu/wine ]; then
  echo "setup: 32-bit Wine is missing (/usr/lib/wine/wine); the i686 tests cannot run" >&2
  exit 1
fi

# libidn has no MinGW package: build it for each target from Debian's source package.
idn_version=1.41
fetch_libidn() {
  local src="$deps/src"
  [ -f "$src/libidn_${idn_version}.orig.tar.gz" ] && return
  mkdir -p "$src"
  local list=/etc/apt/sources.list.d/project-bookworm-src.list
  if [ ! -f "$list" ]; then
    local uri
    uri=$(awk '/^URIs:/ {print $2; exit}' /etc/apt/sources.list.d/debian.sources 2>/dev/null || true)
    [ -n "$uri" ] || uri=http://deb.debian.org/debian
    echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $uri bookworm main" > "$list"
    apt-get update -q
  fi
  # The signature and the Debian tarball may be missing upstream; the original tarball is what counts.
  (cd "$src" && apt-get source --download-only "libidn=${idn_version}-1" || apt-get source --download-only libidn || true)
  [ -f "$src/libidn_${idn_version}.orig.tar.gz" ] || { echo "setup: libidn source not downloaded" >&2; exit 1; }
}
build_libidn() {
  local host=$1 prefix="$deps/libidn-$1"
  [ -f "$prefix/lib/libidn.a" ] && return
  fetch_libidn
  local work="$deps/work-$host"
  rm -rf "$work" && mkdir -p "$work"
  tar -xzf "$deps/src/libidn_${idn_version}.orig.tar.gz" -C "$work"
  (
    cd "$work/libidn-${idn_version}"
    ./configure --host="$host" --disable-shared --enable-static --disable-doc --disable-nls \
      --prefix="$prefix"
    # Its generation step fails under MinGW; the C99 header has all it needs.
    echo '#include <stdint.h>' > lib/idn-int.h
    make -C lib/gl && make -C lib && make -C lib install
  ) >"$deps/libidn-$host.log" 2>&1 || { tail -40 "$deps/libidn-$host.log" >&2; exit 1; }
  rm -rf "$work"
  echo "setup: libidn built for $host"
}
build_libidn x86_64-w64-mingw32
build_libidn i686-w64-mingw32
