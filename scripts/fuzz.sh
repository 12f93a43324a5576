#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for a while:
#   fuzz_receive        the frame driver's receive path
#   fuzz_profile        the options profile ZSN7ADJ.rs (read, port map, write)
#   fuzz_const_ini      the model constants file Const.ini
#   fuzz_image_file     image files offered to compare and restore
#   fuzz_line_settings  the serial control's line-settings text
# Usage: scripts/fuzz.sh [seconds per target] [target...]  (default 60, all)
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_receive fuzz_profile fuzz_const_ini fuzz_image_file fuzz_line_settings)
# libFuzzer is in clang's run-time libraries, which clang only recommends:
# named here so that a system that leaves out recommended packages has it too.
bash scripts/setup.sh clang libclang-rt-14-dev
cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DZS_BUILD_QT=OFF \
  -DZS_BUILD_TESTS=OFF -DZS_BUILD_BENCH=OFF -DZS_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C build-fuzz "${targets[@]}"

# A first input for each, so the run starts from a sound file.
seed() {  # target name, then the seed's text (printf format)
  local dir="build-fuzz/corpus/$1"
  mkdir -p "$dir"
  [ -n "$(ls -A "$dir")" ] || printf "$2" >"$dir/seed"
}
seed fuzz_receive '\xfe\xfe\xef\xee\xe1\x25\x26\x01\x00\xfd'
seed fuzz_profile '[OPTION]\r\nComPort=2\r\nComAutoRelease=0\r\n[PORTS]\r\nCOM2=/dev/ttyUSB7\r\n'
mkdir -p build-fuzz/corpus/fuzz_const_ini
[ -n "$(ls -A build-fuzz/corpus/fuzz_const_ini)" ] || cp Const.ini build-fuzz/corpus/fuzz_const_ini/seed
mkdir -p build-fuzz/corpus/fuzz_image_file
[ -n "$(ls -A build-fuzz/corpus/fuzz_image_file)" ] || head -c 12288 /dev/zero >build-fuzz/corpus/fuzz_image_file/seed
seed fuzz_line_settings '9600,N,8,1'

for t in "${targets[@]}"; do
  len=4096
  [ "$t" = fuzz_image_file ] && len=12289  # one byte more than an image
  echo "== $t: ${secs} s"
  # Any crash or sanitizer report ends the run with a non-zero status.
  ./build-fuzz/"$t" -max_total_time="$secs" -max_len="$len" -print_final_stats=1 \
    "$PWD/build-fuzz/corpus/$t" >"build-fuzz/$t.log" 2>&1 || { tail -n 40 "build-fuzz/$t.log"; exit 1; }
  grep -E '^stat::number_of_executed_units|^Done ' "build-fuzz/$t.log" || tail -n 3 "build-fuzz/$t.log"
  echo "$t ran clean for ${secs} s (inputs that found new paths are kept in build-fuzz/corpus/$t)"
done
