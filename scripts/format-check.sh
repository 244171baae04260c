#!/usr/bin/env bash
# Checks every tracked C++ file against the repository's .clang-format with
# clang-format 14, lists the files that differ and fails if there are any.
# To mend them: clang-format-14 -i <files>.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

format=clang-format-14
if ! command -v "$format" >/dev/null; then
    format=clang-format
fi
if ! "$format" --version | grep -q ' version 14\.'; then
    echo "format check: clang-format 14 is needed, found: $("$format" --version)" >&2
    exit 1
fi

if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    mapfile -t files < <(git ls-files -- '*.cpp' '*.h')
else
    mapfile -t files < <(find src tests tools bench fuzz -name '*.cpp' -o -name '*.h' | sort)
fi

unformatted=()
for file in "${files[@]}"; do
    if ! "$format" --style=file --dry-run --Werror "$file" >/dev/null 2>&1; then
        unformatted+=("$file")
    fi
done

if ((${#unformatted[@]} > 0)); then
    echo "format check: ${#unformatted[@]} of ${#files[@]} files differ from .clang-format:" >&2
    printf '  %s\n' "${unformatted[@]}" >&2
    exit 1
fi
echo "format check: ${#files[@]} files formatted"
