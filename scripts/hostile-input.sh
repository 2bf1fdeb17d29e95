#!/usr/bin/env bash
# The checks against hostile input that scripts/test.sh leaves out for time:
# every native test under AddressSanitizer and UndefinedBehaviorSanitizer
# (sanitize preset), then each fuzz target for a while from its seed corpus
# (fuzz preset, clang).
#
#   hostile-input.sh [SECONDS per fuzz target, default 60]
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
seconds=${1:-60}

step() { printf '\n=== %s\n' "$*"; }

step "build sanitize"
cmake --preset sanitize
cmake --build --preset sanitize
step "test sanitize"
ctest --preset sanitize </dev/null

step "build fuzz"
cmake --preset fuzz
cmake --build --preset fuzz
# Grown corpora stay out of the repository; an input that fails is kept in
# build/fuzz/findings.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
findings=build/fuzz/findings
mkdir -p "$findings"
for target in matcher stream_scan pe_version signature_source version_block toolchain_evidence; do
  step "fuzz $target for ${seconds}s"
  cp -r "fuzz/corpus/$target" "$work/$target"
  if ! "build/fuzz/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="$findings/" -print_final_stats=1 "$work/$target" </dev/null 2>"$work/log"; then
    tail -n 60 "$work/log" >&2
    echo "hostile-input.sh: fuzz target $target failed; its input is in $findings" >&2
    exit 1
  fi
  grep -E '^stat::(number_of_executed_units|average_exec_per_sec):' "$work/log" || true
done
echo "hostile-input.sh: sanitized tests and fuzzing passed"
