#!/bin/sh
# Runs the saving benchmarks and Pillow on the same picture.
# Usage: bench/io_compare.sh <build dir>
set -e
build=${1:-build}
image=${ZELNOR_BENCH_IMAGE:-/tmp/zelnor2-bench-photo.bmp}
ZELNOR_BENCH_IMAGE=$image "$build/bench/bench_io"
/usr/bin/python3 "$(dirname "$0")/io_pillow.py" "$image"
