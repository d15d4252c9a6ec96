#!/bin/bash
# Measures the memory KVT holds while it browses a folder of pictures, and optionally that of
# another program on the same folder in the same run, so that the two can be compared.
#
# Usage:
#   testing/measure-memory.sh [--build DIR] [--wait SECONDS] [--count N] FOLDER [-- PEER COMMAND...]
#
#   FOLDER   the folder to browse. When it does not exist it is made and filled with N
#            (default 200) 12-megapixel JPEGs (4000x3000, made with the vips command).
#   --build  the build folder holding KVT, regsvr and the viewer control (default: build/ next
#            to this script's folder).
#   --wait   seconds between a program's start and the measurement (default 15).
#   PEER     a command to measure the same way, run in FOLDER; "{}" in it stands for FOLDER
#            (e.g. `-- gthumb {}`).
#
# Each program runs alone on a private X server (Xvfb) with a private registry and private
# configuration and cache folders (so no earlier run's settings or thumbnails are found). KVT
# shows the folder it is started in. After the wait the proportional set size (PSS, from
# /proc/<pid>/smaps_rollup) of the program and of all its descendants is summed; the figures
# are printed per process name, and at the end the totals and their ratio.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build=$here/build
wait_seconds=15
count=200
while [ $# -gt 0 ]; do
  case $1 in
    --build) build=$(cd "$2" && pwd); shift 2 ;;
    --wait) wait_seconds=$2; shift 2 ;;
    --count) count=$2; shift 2 ;;
    --) break ;;
    -*) echo "measure-memory: unknown option $1" >&2; exit 2 ;;
    *) break ;;
  esac
done
if [ $# -lt 1 ] || [ "$1" = "--" ]; then
  sed -n '5,14p' "$0" >&2
  exit 2
fi
folder=$1
shift
peer=()
if [ $# -gt 0 ]; then
  [ "$1" = "--" ] && shift
  peer=("$@")
fi

kvt=$build/studio/shell/app/KVT
for file in "$kvt" "$build/platform/com/regsvr" "$build/viewer-control/Vantelo.so"; do
  [ -e "$file" ] || { echo "measure-memory: $file is missing: build first" >&2; exit 1; }
done

# Ten distinct noise pictures, each saved flipped four ways at five qualities: every file
# differs, so no program can share one decode between two files.
make_folder() {
  local target=$1 scratch
  command -v vips >/dev/null || { echo "measure-memory: vips is needed to make pictures" >&2; exit 1; }
  mkdir -p "$target"
  scratch=$(mktemp -d)
  local made=0 base flip quality
  for base in $(seq 0 9); do
    for band in r g b; do
      vips perlin "$scratch/$band.v" 4000 3000 --cell-size $((64 + base * 16)) --uchar \
        --seed $((base * 3 + ${#band}))
    done
    vips bandjoin "$scratch/r.v $scratch/g.v $scratch/b.v" "$scratch/rgb.v"
    vips gaussnoise "$scratch/noise.v" 4000 3000 --sigma 6
    vips add "$scratch/rgb.v" "$scratch/noise.v" "$scratch/sum.v"
    vips cast "$scratch/sum.v" "$scratch/base.v" uchar
    for flip in none horizontal vertical both; do
      case $flip in
        none) cp "$scratch/base.v" "$scratch/turned.v" ;;
        horizontal) vips flip "$scratch/base.v" "$scratch/turned.v" horizontal ;;
        vertical) vips flip "$scratch/base.v" "$scratch/turned.v" vertical ;;
        both) vips rot "$scratch/base.v" "$scratch/turned.v" d180 ;;
      esac
      for quality in 94 90 86 82 78; do
        [ "$made" -lt "$count" ] || break 3
        vips jpegsave "$scratch/turned.v" "$target/$(printf 'photo%03d.jpg' "$made")" --Q "$quality"
        made=$((made + 1))
      done
    done
  done
  rm -rf "$scratch"
  echo "measure-memory: made $made pictures in $target" >&2
}

if [ ! -d "$folder" ]; then
  make_folder "$folder"
fi
folder=$(cd "$folder" && pwd)

work=$(mktemp -d)
xvfb_pid=
program_pid=
cleanup() {
  [ -n "$program_pid" ] && stop_tree "$program_pid"
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# The process and all its descendants, parents first.
tree_of() {
  ps -e -o pid=,ppid= | awk -v root="$1" '
    { parent[$1] = $2; order[NR] = $1 }
    END {
      keep[root] = 1; print root
      do {
        grew = 0
        for (i = 1; i <= NR; i++) {
          pid = order[i]
          if (!(pid in keep) && (parent[pid] in keep)) { keep[pid] = 1; print pid; grew = 1 }
        }
      } while (grew)
    }'
}

stop_tree() {
  local pids pid
  pids=$(tree_of "$1")
  for pid in $pids; do kill "$pid" 2>/dev/null || true; done
  sleep 1
  for pid in $pids; do kill -9 "$pid" 2>/dev/null || true; done
  wait "$1" 2>/dev/null || true
}

# Writes "<total kB> <first process kB>" to a file after listing the tree per process.
measure_tree() {
  local label=$1 root=$2 result=$3 pid pss name total=0 first=''
  for pid in $(tree_of "$root"); do
    pss=$(awk '/^Pss:/ {print $2}' /proc/"$pid"/smaps_rollup 2>/dev/null || true)
    [ -n "$pss" ] || continue
    name=$(tr '\0' ' ' </proc/"$pid"/cmdline 2>/dev/null | cut -c1-70)
    printf '  %-8s %6d  %8.1f MB  %s\n' "$label" "$pid" "$(echo "$pss / 1024" | bc -l)" "$name" >&2
    total=$((total + pss))
    [ -n "$first" ] || first=$pss
  done
  echo "$total ${first:-0}" >"$result"
}

# Runs a command on a fresh server and settings in the folder and measures it.
run_and_measure() {
  local label=$1 run
  shift
  run=$work/$label
  mkdir -p "$run/registry" "$run/config" "$run/cache" "$run/data"
  exec 3>"$run/display"
  Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp >"$run/xvfb.log" 2>&1 &
  xvfb_pid=$!
  exec 3>&-
  local display='' tries=0
  while [ -z "$display" ] && [ $tries -lt 100 ]; do
    display=$(cat "$run/display" 2>/dev/null || true)
    sleep 0.1
    tries=$((tries + 1))
  done
  [ -n "$display" ] || { echo "measure-memory: Xvfb did not start" >&2; exit 1; }
  export DISPLAY=:$display VANTELO_REGISTRY_DIR=$run/registry XDG_CONFIG_HOME=$run/config
  export XDG_CACHE_HOME=$run/cache XDG_DATA_HOME=$run/data
  [ "$label" = kvt ] && "$build/platform/com/regsvr" "$build/viewer-control/Vantelo.so" >/dev/null
  (cd "$folder" && exec "$@" >"$run/out.log" 2>&1) &
  program_pid=$!
  sleep "$wait_seconds"
  kill -0 "$program_pid" 2>/dev/null || { echo "measure-memory: $label ended early:" >&2; cat "$run/out.log" >&2; exit 1; }
  measure_tree "$label" "$program_pid" "$work/$label.result"
  stop_tree "$program_pid"
  program_pid=
  kill "$xvfb_pid" 2>/dev/null || true
  wait "$xvfb_pid" 2>/dev/null || true
  xvfb_pid=
}

mb() { printf "%.1f" "$(echo "$1 / 1024" | bc -l)"; }

echo "measure-memory: $folder ($(find "$folder" -maxdepth 1 -type f | wc -l) files), ${wait_seconds}s after start" >&2
run_and_measure kvt "$kvt"
read -r kvt_total kvt_main <"$work/kvt.result"
echo "KVT: tree $(mb "$kvt_total") MB (main $(mb "$kvt_main") MB, others $(mb $((kvt_total - kvt_main))) MB)"
if [ ${#peer[@]} -gt 0 ]; then
  command=()
  for word in "${peer[@]}"; do command+=("${word//\{\}/$folder}"); done
  run_and_measure peer "${command[@]}"
  read -r peer_total peer_main <"$work/peer.result"
  echo "${peer[0]}: tree $(mb "$peer_total") MB (main $(mb "$peer_main") MB)"
  if [ "$peer_total" -gt 0 ]; then
    printf 'ratio KVT / %s: %.2f\n' "${peer[0]}" "$(echo "$kvt_total / $peer_total" | bc -l)"
  fi
fi
