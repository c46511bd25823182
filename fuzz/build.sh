#!/usr/bin/env bash
# Builds quillet instrumented for AFL++ with AddressSanitizer and
# UndefinedBehaviorSanitizer into build-afl/ (installs afl++ when missing).
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v afl-clang-fast++ >/dev/null; then
  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq afl++ >/dev/null
fi
CC=afl-clang-fast CXX=afl-clang-fast++ cmake -S . -B build-afl -DQUILLET_TESTS=OFF \
  -DQUILLET_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-afl -j2 --target quillet quillet_support
