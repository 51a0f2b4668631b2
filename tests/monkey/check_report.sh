#!/usr/bin/env bash
# The wrapper's report of a dying seed: a deliberate crash at step 12 of seed 5 must come back as a
# failure that names the seed, shows the last actions up to the crashing step, and counts it.
set -u
wrapper=$1
driver=$2
output=$("$wrapper" --driver "$driver" --seeds 5 --actions 40 -- --crash-at-step 12 --second-start none 2>&1)
rc=$?
fail() {
  echo "check_report: $1"
  echo "----- wrapper output -----"
  echo "$output"
  exit 1
}
[ "$rc" -ne 0 ] || fail "the wrapper exited 0 for a crashing seed"
grep -q '^monkey: seed 5 DIED: ' <<<"$output" || fail "no line naming the dead seed"
grep -q '^monkey seed=5 step=11 ' <<<"$output" || fail "the last actions lack step 11"
grep -q -E '^monkey seed=5 step=12 depth=[0-9]+ t=[0-9.]+: self-test: a deliberate crash' <<<"$output" \
  || fail "the last actions do not end at the crashing step"
grep '^monkey seed=5 ' <<<"$output" | tail -n 1 | grep -q ' step=12 ' \
  || fail "the last action shown is not the crashing step"
grep -q -E 'SEGV|fatal signal 11' <<<"$output" || fail "no trace of the crash itself"
grep -q '^monkey: 1 seeds x 40 actions: 0 survived, 1 died (seeds 5)' <<<"$output" \
  || fail "the summary does not count the death"
echo "check_report: the death of seed 5 was reported"
