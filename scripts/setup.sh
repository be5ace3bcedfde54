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
  librtaudio-dev libsndfile1-dev libsoxr-dev libstb-dev libhwy-dev libpugixml-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-3270 dpkg-dev
)
# Needed only by the test suite and the benchmarks: its own X server, window
# manager and sound server, fonts to bake (a small one and one larger than a
# mebibyte), ffmpeg for the capture's video (which morva-capture only uses
# when there), clang for the fuzz targets (libFuzzer comes with it), and
# aubio, the analysis the analysis benchmark measures ours beside (the show
# never links it), and stress-ng to keep every core busy while the sound is
# measured (scripts/underruns).
TEST_PACKAGES=(
  xvfb xauth openbox pulseaudio pulseaudio-utils xdotool imagemagick
  fonts-dejavu-core fonts-freefont-ttf ffmpeg clang libaubio-dev stress-ng
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
  configure_tree "$@" || return 1
  cmake --build "$1" -j"$(nproc)" -- --no-print-directory
}

# configure_tree DIR [cmake options...]: configure DIR unless it already is.
configure_tree() {
  local dir="$1"
  shift
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S "$MORVA_ROOT" -B "$dir" -DMORVA_WERROR=ON "$@" >/dev/null || return 1
  fi
}

# The sound library and its two-thread stress program, and the sync tracks'
# watch, built with ThreadSanitizer in build/tsan; nothing else is built
# there.
build_tsan_tree() {
  local dir="$MORVA_ROOT/build/tsan"
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S "$MORVA_ROOT" -B "$dir" -DMORVA_WERROR=ON -DMORVA_TSAN=ON -DMORVA_BENCHMARKS=OFF >/dev/null || return 1
  fi
  cmake --build "$dir" -j"$(nproc)" --target audio_thread_tests sync_thread_tests -- --no-print-directory
}

# The fuzz targets, built with clang in build/fuzz; their tests (label fuzz)
# run every seed and then fuzz for ten seconds.
FUZZ_TARGETS=(font sound style capture player_file sync_document sync_packets)

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
# preview video (patterns 38 to 44, where the background starts to follow
# the music), drawn off screen into build/capture/. The video needs ffmpeg,
# which only a machine without a screen needs, so it is installed here.
capture_instead() {
  local out="$MORVA_ROOT/build/capture"
  local capture="$MORVA_ROOT/build/tools/morva-capture"
  echo "morva: no X display${DISPLAY:+ reachable at $DISPLAY}: drawing a contact sheet and a preview instead" >&2
  install_packages ffmpeg || echo "morva: ffmpeg could not be installed: no preview video" >&2
  mkdir -p "$out"
  (cd "$MORVA_ROOT" && "$capture" --sheet "$out/sheet.png" >/dev/null) || return 1
  echo "morva: contact sheet: $out/sheet.png"
  command -v ffmpeg >/dev/null || return 0
  (cd "$MORVA_ROOT" &&
   "$capture" --video "$out/preview.mp4" --fps 25 --size 960x540 --from p38 --to p44 >/dev/null) || return 1
  echo "morva: preview: $out/preview.mp4"
}

# start_x_server DIR: a private Xvfb, its display number written to
# DIR/display and exported as DISPLAY; its process id in X_SERVER_PID.
start_x_server() {
  local dir="$1"
  Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset 3>"$dir/display" 2>"$dir/xvfb.log" &
  X_SERVER_PID=$!
  for _ in $(seq 100); do [ -s "$dir/display" ] && break; sleep 0.1; done
  [ -s "$dir/display" ] || { echo "morva: Xvfb did not start" >&2; cat "$dir/xvfb.log" >&2; return 1; }
  export DISPLAY=":$(head -n1 "$dir/display")"
}

# start_sound_server DIR [pulseaudio options...]: a private PulseAudio with
# its runtime folder under DIR, a null sink for output and a clocked sine
# source for the duplex stream's input as the defaults, and the environment
# its clients need exported (they never spawn a server of their own). Its
# process id in SOUND_SERVER_PID, its output in DIR/pulse.log.
# Where it may (root, or a realtime limit), every thread of the server runs
# realtime, as on a desktop PulseAudio raises its sink's thread to 5 itself:
# the others just below it. Its main thread takes in the clients' sound, and
# at ordinary priority a machine busy with other work starves it into
# underruns at low latencies. (Started realtime, PulseAudio puts itself back
# to ordinary scheduling, so its threads are raised once it is up.)
SOUND_SERVER_PRIORITY=4

start_sound_server() {
  local dir="$1"
  shift
  export XDG_RUNTIME_DIR="$dir/runtime"
  mkdir -p -m 700 "$XDG_RUNTIME_DIR"
  printf 'autospawn = no\n' >"$dir/client.conf"
  export PULSE_CLIENTCONFIG="$dir/client.conf"
  export PULSE_SERVER="unix:$XDG_RUNTIME_DIR/pulse/native"
  pulseaudio -n --daemonize=no --exit-idle-time=-1 "$@" \
    -L module-native-protocol-unix \
    -L "module-null-sink sink_name=out" \
    -L "module-sine-source source_name=in" >"$dir/pulse.log" 2>&1 &
  SOUND_SERVER_PID=$!
  for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
  pactl info >/dev/null 2>&1 || { echo "morva: PulseAudio did not start" >&2; cat "$dir/pulse.log" >&2; return 1; }
  pactl set-default-sink out >/dev/null
  pactl set-default-source in >/dev/null
  local thread
  for thread in $(ps -L -o tid=,cls= -p "$SOUND_SERVER_PID" | awk '$2 == "TS" { print $1 }'); do
    chrt --rr -p "$SOUND_SERVER_PRIORITY" "$thread" >/dev/null 2>&1 || true
  done
}
