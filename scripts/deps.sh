# Installs the Debian packages a script needs, when they are missing.
# Usage (sourced): ensure_packages pkg...
# Works as root or through sudo, never prompts, and runs apt-get update only when
# a package cannot be found in the package lists.

# Packages every build needs.
BUILD_PACKAGES=(g++ make cmake pkg-config git libgtest-dev libgmock-dev libbenchmark-dev zlib1g-dev
                libsdl2-dev libsdl2-mixer-dev libsdl2-ttf-dev fonts-dejavu-core clang-format)
# Packages the Windows cross-builds need (the program, and the tests on our platform layer).
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev libz-mingw-w64-dev)
# Packages that run the Windows builds: Wine (64-bit only) and the fonts its message boxes use.
WINE_PACKAGES=(wine64 wine fonts-wine)
# Packages of the browser build and its checks: Debian's WebAssembly toolchain,
# headless chromium and its WebDriver, driven from Python.
WEB_PACKAGES=(emscripten chromium chromium-driver python3-selenium)
# Packages that make and check the Debian package (dpkg-shlibdeps, lintian,
# desktop-file-validate, appstreamcli).
PACKAGE_PACKAGES=(dpkg-dev lintian desktop-file-utils appstream)
# Packages the clang build and the fuzz targets need.
FUZZ_PACKAGES=(clang-14 libclang-rt-14-dev)
# Packages the real-window checks need.
E2E_PACKAGES=(xvfb xauth xdotool imagemagick x11-utils xfonts-scalable libx11-dev openbox)

ensure_packages() {
  local missing=()
  local p
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$p")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0

  local runner=()
  if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
      runner=(sudo -n)
    else
      echo "These Debian packages are missing: ${missing[*]}" >&2
      echo "Install them as root (apt-get install ${missing[*]}) and run this again." >&2
      return 1
    fi
  fi
  export DEBIAN_FRONTEND=noninteractive
  echo "Installing: ${missing[*]}"
  # Update the lists first when one of the packages is unknown to them.
  local need_update=0
  for p in "${missing[@]}"; do
    if ! apt-cache show "$p" >/dev/null 2>&1; then need_update=1; fi
  done
  if [ $need_update -eq 1 ]; then
    "${runner[@]}" apt-get update -qq </dev/null || true
  fi
  if ! "${runner[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null; then
    "${runner[@]}" apt-get update -qq </dev/null || true
    "${runner[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null || {
      echo "Could not install: ${missing[*]}" >&2
      return 1
    }
  fi
}
