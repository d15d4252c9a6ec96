#!/usr/bin/env bash
# Runs a built tree's tests again and again and counts the runs that failed, to show that the
# suite passes on every run, not only on an idle machine. Not run by CI.
#
#   testing/repeat-suite.sh [--runs N] [--build DIR] [--load DIR] [-- ctest arguments...]
#
# --load runs the tests of a second built tree (another build type, the sanitizers' tree)
# alongside each run, as a busy machine would; a tree's tests never run twice at once, since
# they keep their scratch folders in it. Each failed run's output is kept under DIR/repeat/.
set -uo pipefail

runs=20
build=build
load=
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs=$2; shift 2 ;;
    --build) build=$2; shift 2 ;;
    --load) load=$2; shift 2 ;;
    --) shift; break ;;
    *) echo "usage: $0 [--runs N] [--build DIR] [--load DIR] [-- ctest arguments...]" >&2; exit 2 ;;
  esac
done
ctest_args=("$@")
[ ${#ctest_args[@]} -eq 0 ] && ctest_args=(-j8)

logs="$build/repeat"
mkdir -p "$logs"
failed=0
for run in $(seq "$runs"); do
  load_pid=
  if [ -n "$load" ]; then
    ctest --test-dir "$load" -j8 > "$logs/load-$run.log" 2>&1 &
    load_pid=$!
  fi
  start=$(date +%s)
  if ctest --test-dir "$build" "${ctest_args[@]}" --output-on-failure > "$logs/run-$run.log" 2>&1; then
    echo "run $run: passed ($(( $(date +%s) - start )) s)"
    rm -f "$logs/run-$run.log"
  else
    failed=$((failed + 1))
    echo "run $run: FAILED ($(( $(date +%s) - start )) s):" \
      "$(sed -n '/The following tests FAILED/,$p' "$logs/run-$run.log" | grep -E '^\s+[0-9]+ - ' | tr -s ' ' | tr '\n' ';')"
  fi
  if [ -n "$load_pid" ]; then
    wait "$load_pid" && rm -f "$logs/load-$run.log" \
      || echo "run $run: the load alongside failed too (kept in $logs/load-$run.log)"
  fi
done
echo "$((runs - failed)) passed, $failed failed"
[ "$failed" -eq 0 ]
