#!/usr/bin/env bash
# Runs a command on a private Xvfb and returns its exit code:
#
#   with_xvfb.sh [--screen WxHxD] -- command [arguments]
#
# In place of xvfb-run, which waits for the server's "ready" signal with `wait`: when the signal
# lands before the shell reaches `wait` (a loaded machine, tests running side by side), `wait`
# then waits for the server itself to end and the test hangs until its timeout without having
# run. Here the server picks a free display number itself and writes it to a file once it
# accepts connections (-displayfd), so neither the number nor the readiness can race with
# another server starting at the same moment.
set -u

screen=1280x1024x24
while [ $# -gt 0 ]; do
  case "$1" in
    --screen) screen=$2; shift 2 ;;
    --) shift; break ;;
    *) break ;;
  esac
done
if [ $# -eq 0 ]; then
  echo "with_xvfb.sh: no command given" >&2
  exit 2
fi
if ! command -v Xvfb >/dev/null; then
  echo "with_xvfb.sh: Xvfb is missing (apt-get install xvfb)" >&2
  exit 2
fi

dir=$(mktemp -d "${TMPDIR:-/tmp}/with-xvfb.XXXXXX")
server=""
finish() {
  if [ -n "$server" ] && kill -0 "$server" 2>/dev/null; then
    kill -TERM "$server" 2>/dev/null
    # The server removes its lock and socket on the way out; give it a moment to do so.
    for _ in $(seq 50); do
      kill -0 "$server" 2>/dev/null || break
      sleep 0.1
    done
    kill -KILL "$server" 2>/dev/null
  fi
  rm -rf "$dir"
}
trap finish EXIT
trap 'exit 143' TERM INT

# Access by the local user only (no TCP); the display number arrives on descriptor 3.
Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp 3>"$dir/display" 2>"$dir/server.log" &
server=$!

display=""
for _ in $(seq 300); do  # up to 30 s
  if grep -q '^[0-9][0-9]*$' "$dir/display" 2>/dev/null; then
    display=$(head -n 1 "$dir/display")
    break
  fi
  if ! kill -0 "$server" 2>/dev/null; then
    break
  fi
  sleep 0.1
done
if [ -z "$display" ]; then
  echo "with_xvfb.sh: Xvfb did not start; its log:" >&2
  cat "$dir/server.log" >&2
  exit 2
fi

DISPLAY=":$display" XAUTHORITY="" "$@"
exit $?
