# Set-up shared by scripts/run and scripts/test; sourced, not run.
# Installs what is missing, configures once and builds incrementally, so a
# second run costs only the checks.

MORVA_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# Needed to build and run the demo; dpkg-dev for the Debian package (cpack
# reads the programs' dependencies with dpkg-shlibdeps).
BUILD_PACKAGES=(
  cmake g++ make pkg-config
  freeglut3-dev libgl-dev libglu1-mesa-dev libgl1-mesa-dri libglx-mesa0
  libegl-dev libegl-mesa0
  libx11-dev libxtst-dev x11-utils
  librtaudio-dev libsndfile1-dev libstb-dev libhwy-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-3270 dpkg-dev
)
# Needed only by the test suite and the benchmarks: its own X server, window
# manager and sound server, fonts to bake (a small one and one larger than a
# mebibyte), ffmpeg for the capture's video (which morva-capture only uses
# when there), clang for the fuzz targets (libFuzzer comes with it), and
# aubio, the analysis the analysis benchmark measures ours beside (the show
# never links it).
TEST_PACKAGES=(
  xvfb xauth openbox pulseaudio pulseaudio-utils xdotool imagemagick
  fonts-dejavu-core fonts-freefont-ttf ffmpeg clang libaubio-dev
)

missing_packages() {
  local package
  for package in "$@"; do
    dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -q '^install ok installed$' \
      || echo "$package"
  done
}

install_packages() {
  local missing
  mapfile -t missing < <(missing_packages "$@")
  [ "${#missing[@]}" -eq 0 ] && return 0
  echo "morva: installing ${missing[*]}" >&2
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "morva: need root (or sudo) to install ${missing[*]}" >&2; return 1; }
    sudo=(sudo)
  fi
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq &&
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# build_tree DIR [cmake options...]: configure DIR once, then build it.
build_tree() {
  local dir="$1"
  shift
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S "$MORVA_ROOT" -B "$dir" -DMORVA_WERROR=ON "$@" >/dev/null || return 1
  fi
  cmake --build "$dir" -j"$(nproc)" -- --no-print-directory
}

# The fuzz targets, built with clang in build/fuzz; their tests (label fuzz)
# run every seed and then fuzz for ten seconds.
FUZZ_TARGETS=(font sound style capture)

build_fuzz_tree() {
  local dir="$MORVA_ROOT/build/fuzz"
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    CC=clang CXX=clang++ cmake -S "$MORVA_ROOT" -B "$dir" -DMORVA_WERROR=ON -DMORVA_FUZZ=ON \
      -DMORVA_TESTS=OFF -DMORVA_BENCHMARKS=OFF >/dev/null || return 1
  fi
  cmake --build "$dir" -j"$(nproc)" --target morva_fuzzers -- --no-print-directory
}

# The demo's two data files, in the repository root: the font, copied from
# its Debian package with its licence beside it, and the soundtrack, which the
# build composes with our own program (build/data/, where installing takes it
# from). A file already there (a font of the user's, say) is kept.
FONT_SOURCE=/usr/share/fonts/truetype/3270/3270-Regular.ttf
FONT_LICENCE=/usr/share/doc/fonts-3270/copyright

make_data_files() {
  local build_dir="$1"
  if [ ! -f "$MORVA_ROOT/font/HomeVideo-Regular.ttf" ]; then
    mkdir -p "$MORVA_ROOT/font"
    cp "$FONT_SOURCE" "$MORVA_ROOT/font/HomeVideo-Regular.ttf"
    cp "$FONT_LICENCE" "$MORVA_ROOT/font/LICENSE-3270.txt"
  fi
  if [ ! -f "$MORVA_ROOT/sounds/music0.ogg" ]; then
    mkdir -p "$MORVA_ROOT/sounds"
    cp "$build_dir/data/sounds/music0.ogg" "$MORVA_ROOT/sounds/music0.ogg.part" &&
      mv "$MORVA_ROOT/sounds/music0.ogg.part" "$MORVA_ROOT/sounds/music0.ogg"
  fi
}

# True when the X display in DISPLAY can be reached.
display_reachable() {
  [ -n "${DISPLAY:-}" ] && timeout 10 xdpyinfo >/dev/null 2>&1
}

# Without a screen to show it on: the show as a contact sheet and a short
# preview (patterns 38 to 44, where the background starts to follow the
# music), drawn off screen into build/capture/.
capture_instead() {
  local out="$MORVA_ROOT/build/capture"
  local capture="$MORVA_ROOT/build/tools/morva-capture"
  echo "morva: no X display${DISPLAY:+ reachable at $DISPLAY}: drawing a contact sheet and a preview instead" >&2
  mkdir -p "$out"
  rm -rf "$out/preview"
  (cd "$MORVA_ROOT" &&
   "$capture" --sheet "$out/sheet.png" >/dev/null &&
   "$capture" --frames "$out/preview" --fps 25 --size 960x540 --from p38 --to p44 >/dev/null) || return 1
  echo "morva: contact sheet: $out/sheet.png"
  if [ -f "$out/preview/morva.mp4" ]; then
    echo "morva: preview: $out/preview/morva.mp4"
  else
    echo "morva: preview: $out/preview/ (frames and track.wav; with ffmpeg installed, a video too)"
  fi
}
