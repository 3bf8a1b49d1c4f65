#!/usr/bin/env bash
# Builds the readers' fuzz targets with the given clang++ in their own build folder and runs each for
# a bounded time (FUZZ_SECONDS, default 20), starting from a few sound files of its format. Fails
# when a target cannot be built or finds a crash, a leak or a broken promise of its reader.
#   run_fuzzers.sh CLANGXX SOURCE_DIR BUILD_DIR
set -euo pipefail
clangxx=$1 source=$2 build=$3
seconds=${FUZZ_SECONDS:-20}

cmake -S "$source/tests/fuzz" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER="$clangxx" -DCMAKE_BUILD_TYPE= >/dev/null
cmake --build "$build" -j2 >/dev/null

# Seeds: the first byte picks the scale (1: 1.0, 7: none), then the file.
seeds=$build/seeds
rm -rf "$seeds"
mkdir -p "$seeds"/{text_series,wav_series,npy_series,etalons}
printf '\x071\n-2\n300\n' >"$seeds/text_series/lines"
printf '\x011.5,2.25;-3 4\n' >"$seeds/text_series/row"
printf '\x07RIFF\x2c\x00\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00\x40\x1f\x00\x00\x80\x3e\x00\x00\x02\x00\x10\x00data\x04\x00\x00\x00\x01\x00\xff\xff' \
  >"$seeds/wav_series/pcm"
header="{'descr': '<i2', 'fortran_order': False, 'shape': (2,), }"
printf '\x07\x93NUMPY\x01\x00%b%s\x01\x00\x02\x00' "\\x$(printf '%02x' ${#header})\\x00" "$header" \
  >"$seeds/npy_series/int16"
header="{'descr': '>f8', 'fortran_order': False, 'shape': (1, 1), }"
printf '\x01\x93NUMPY\x01\x00%b%s\x3f\xf0\x00\x00\x00\x00\x00\x00' "\\x$(printf '%02x' ${#header})\\x00" "$header" \
  >"$seeds/npy_series/float64"
printf '\x070,1,2\n3,4,5\n' >"$seeds/etalons/two"

for reader in text_series wav_series npy_series etalons; do
  mkdir -p "$build/corpus/$reader"
  echo "fuzzing the $reader reader for $seconds s"
  "$build/fuzz_$reader" -max_total_time="$seconds" -max_len=4096 -print_final_stats=0 \
    "$build/corpus/$reader" "$seeds/$reader" 2>"$build/$reader.log" || {
    tail -n 40 "$build/$reader.log" >&2
    exit 1
  }
  grep -E '^Done [0-9]+ runs' "$build/$reader.log" || true
done
