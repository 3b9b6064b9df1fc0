#!/bin/sh
# Fails, naming the places, when a tracked C++ file is not as clang-format
# writes it with the project's .clang-format. Debian 12's clang-format is
# version 14; another version may format some constructs differently.
# Format a file with: clang-format -i FILE
set -eu
cd "$(dirname "$0")/.."
git ls-files -z '*.cpp' '*.h' ':!third_party' | xargs -0 clang-format --dry-run -Werror
