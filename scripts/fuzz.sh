#!/usr/bin/env bash
# Builds a fuzz target with clang, libFuzzer, ASan and UBSan and runs it.
#   scripts/fuzz.sh [TARGET] [SECONDS] [LIBFUZZER OPTIONS...]   (project_file, 60 s by default)
# Targets:
#   project_file      a project file read, written back and read again
#   frame_receiver    the host's reply receiver, both ways of finding a frame, reads of any size
#   block_data        block data of a reply decoded and stored in the configuration image
#   request_receiver  the simulator's receive side: device frames and Modbus requests
#   state_file        the simulator's state file decoded, encoded and decoded again
#   update_device     Update Device against a device whose replies are fuzzed
#   session_read      the device session's connect and read against replies from the input
#   unpack            a packed project file from a device unpacked, packed and unpacked again
#   hex_loader        a firmware file (Intel HEX) loaded into flash chunks
#   modbus_reply      the Modbus master's reply reader against replies from the input
# Seeds and dictionaries are in tests/fuzz/; the corpus grows in the build folder.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
target=project_file
if [ $# -gt 0 ] && [[ ! "$1" =~ ^[0-9]+$ ]]; then
    target="$1"
    shift
fi
seconds=60
if [ $# -gt 0 ]; then
    seconds="$1"
    shift
fi
case "$target" in
project_file | frame_receiver | block_data | request_receiver | state_file) ;;
update_device | session_read | unpack | hex_loader | modbus_reply) ;;
*)
    echo "unknown fuzz target '$target'" >&2
    sed -n '5,14p' "$0" >&2
    exit 2
    ;;
esac

build="${QUILLAN_FUZZ_BUILD_DIR:-$top/build-fuzz}"
# QUILLAN_FUZZ_PREBUILT=1: the targets are built already (several runs at once share them).
if [ "${QUILLAN_FUZZ_PREBUILT:-0}" != 1 ]; then
    "$top/scripts/install-deps.sh"
    CC=clang CXX=clang++ cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DQUILLAN_FUZZ=ON -DQUILLAN_SANITIZE=ON -DQUILLAN_TESTS=OFF -DQUILLAN_BENCH=OFF >/dev/null
    cmake --build "$build" --target "${target}_fuzz" --parallel "$(nproc)"
fi

options=(-max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1)
seeds=()
if [ "$target" = project_file ]; then
    # Seeds: the project files among the test fixtures.
    corpus="$build/fuzz-corpus"
    mkdir -p "$corpus"
    find "$top/tests/data" -name '*.zavproj' -exec cp -n {} "$corpus/" \; 2>/dev/null || true
    options+=(-dict="$top/tests/fuzz/project.dict")
else
    corpus="$build/fuzz-corpus-$target"
    mkdir -p "$corpus"
    seeds=("$top/tests/fuzz/corpus/$target")
    case "$target" in
    # Room for a whole frame buffer and some noise around it.
    frame_receiver | request_receiver) options+=(-max_len=16384) ;;
    # A selector byte and the largest payload.
    block_data) options+=(-max_len=8187) ;;
    # Some thirty replies of an update, each at most 128 bytes.
    update_device) options+=(-max_len=4096) ;;
    # A whole read's answers, with room for two pages given byte by byte.
    session_read) options+=(-max_len=16384) ;;
    # A project-data frame's payload.
    unpack) options+=(-max_len=8192) ;;
    # Room for a few chunks' worth of the longest records (521 characters a line).
    hex_loader) options+=(-max_len=16384) ;;
    # The longest reply (256 bytes) with room for the request, the read sizes and noise.
    modbus_reply) options+=(-max_len=1024) ;;
    esac
    if [ -f "$top/tests/fuzz/$target.dict" ]; then
        options+=(-dict="$top/tests/fuzz/$target.dict")
    fi
fi
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export ASAN_OPTIONS=detect_leaks=1
"$build/tests/fuzz/${target}_fuzz" "${options[@]}" "$@" "$corpus" "${seeds[@]}"
