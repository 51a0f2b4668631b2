#!/usr/bin/env bash
# Runs vorla_monkey for several seeds on a real X server (a private Xvfb unless one is given)
# and reports every seed that died: the seed, how it ended, its last actions and the end of its
# log (the sanitizer's or the signal handler's stack). Exit 0 only when every seed survived.
#
#   run_monkey.sh --driver PATH [--seeds "1 2 3" | --first N --count K] [--actions M]
#                 [--timeout S] [--logs DIR] [-- more driver arguments]
#
# A seed that runs past its timeout is taken as a hang: gdb (when installed) prints the stacks of
# every thread before the process is killed.
#
# The long form, under the sanitizers:
#   cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORLA_SANITIZE=ON \
#         -DVORLA_BUILD_TESTS=ON -DVORLA_BUILD_BENCH=OFF
#   cmake --build build/asan --target vorla_monkey
#   tests/monkey/run_monkey.sh --driver build/asan/tests/monkey/vorla_monkey --first 1 --count 10 \
#       --actions 1000 --logs /tmp/monkey
# Driver arguments after "--", e.g. "-- --skip secondstart,rclick" to get past a known crash
# (vorla_monkey --list-actions names them).
set -u

driver=""
seeds=""
first=1
count=3
actions=300
timeout=""
logs=""
extra=()
while [ $# -gt 0 ]; do
  case "$1" in
    --driver) driver=$2; shift 2 ;;
    --seeds) seeds=$2; shift 2 ;;
    --first) first=$2; shift 2 ;;
    --count) count=$2; shift 2 ;;
    --actions) actions=$2; shift 2 ;;
    --timeout) timeout=$2; shift 2 ;;
    --logs) logs=$2; shift 2 ;;
    --) shift; extra=("$@"); break ;;
    *) echo "run_monkey.sh: unknown argument $1" >&2; exit 2 ;;
  esac
done
if [ -z "$driver" ] || [ ! -x "$driver" ]; then
  echo "run_monkey.sh: --driver must name the built vorla_monkey" >&2
  exit 2
fi
[ -n "$seeds" ] || seeds=$(seq "$first" $((first + count - 1)) | tr '\n' ' ')
# A step takes a few milliseconds, many more under the sanitizers and in dialogs that pump.
[ -n "$timeout" ] || timeout=$((120 + actions / 2))

platform=${QT_QPA_PLATFORM:-xcb}
if [ "$platform" = xcb ] && [ -z "${MONKEY_X_SERVER:-}" ]; then
  export MONKEY_X_SERVER=xvfb
  exec "$(dirname "$0")/../x11/with_xvfb.sh" --screen 1280x1024x24 -- "$0" --driver "$driver" \
    --seeds "$seeds" --actions "$actions" --timeout "$timeout" ${logs:+--logs "$logs"} \
    -- "${extra[@]}"
fi
export QT_QPA_PLATFORM=$platform

keep_logs=1
if [ -z "$logs" ]; then
  logs=$(mktemp -d "${TMPDIR:-/tmp}/vorla-monkey-logs.XXXXXX")
  keep_logs=0
fi
mkdir -p "$logs"
# Memory errors are the findings; Qt's and the system's leaks at exit are not.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=0:print_summary=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

survived=0
died=0
failed_seeds=""
for seed in $seeds; do
  log="$logs/seed-$seed.log"
  work="$logs/tmp-$seed"
  mkdir -p "$work"
  start=$SECONDS
  TMPDIR="$work" "$driver" --seed "$seed" --actions "$actions" "${extra[@]}" 2>"$log" &
  pid=$!
  hang=0
  while kill -0 "$pid" 2>/dev/null; do
    if [ $((SECONDS - start)) -ge "$timeout" ]; then
      hang=1
      if command -v gdb >/dev/null; then
        gdb -p "$pid" -batch -ex "thread apply all bt" >"$log.hang" 2>&1
      fi
      kill -KILL "$pid" 2>/dev/null
      break
    fi
    sleep 0.2
  done
  wait "$pid"
  rc=$?
  rm -rf "$work"
  if [ "$rc" -eq 0 ] && [ "$hang" -eq 0 ]; then
    survived=$((survived + 1))
    tail -n 1 "$log"
    [ "$keep_logs" -eq 1 ] || rm -f "$log"
    continue
  fi
  died=$((died + 1))
  failed_seeds="$failed_seeds $seed"
  how="exit code $rc"
  [ "$rc" -gt 128 ] && how="signal $(kill -l $((rc - 128)) 2>/dev/null || echo $((rc - 128)))"
  [ "$hang" -eq 1 ] && how="no end after ${timeout} s (hang)"
  echo "================================================================"
  echo "monkey: seed $seed DIED: $how after $((SECONDS - start)) s"
  echo "monkey: again with: $0 --driver $driver --seeds $seed --actions $actions${extra[*]:+ -- ${extra[*]}}"
  echo "monkey: last actions of seed $seed:"
  grep -a '^monkey seed=' "$log" | tail -n 20
  echo "monkey: end of the log ($log):"
  report='^==[0-9]+==ERROR|runtime error:|^monkey: fatal signal'
  if grep -aq -E "$report" "$log"; then
    # The sanitizer's or the signal handler's report, from its first line.
    # The sanitizer's shadow-byte legend adds nothing to a report of this kind.
    sed -n -E "/$report/,/^Shadow bytes around/p" "$log" | grep -av -e '^monkey seed=' \
      -e '^Shadow bytes around' | head -n 100
  else
    grep -av '^monkey seed=' "$log" | tail -n 40
  fi
  if [ -s "$log.hang" ]; then
    echo "monkey: stacks of the hanging process:"
    grep -a -E '^(Thread|#)' "$log.hang" | head -n 80
  fi
  keep_logs=1
done
echo "monkey: $((survived + died)) seeds x $actions actions: $survived survived, $died died${failed_seeds:+ (seeds$failed_seeds)}"
if [ "$keep_logs" -eq 1 ]; then
  echo "monkey: logs in $logs"
else
  rm -rf "$logs"
fi
[ "$died" -eq 0 ]
