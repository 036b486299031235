#!/usr/bin/env bash
# The cache staging of scripts/stage.sh: runs that make the same entry at once all end with
# a whole entry, the losers drop their copies, nothing half-made is ever visible, an entry
# left unmarked by an older recipe is replaced, and a killed run's folder is swept.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
# shellcheck source=scripts/stage.sh
source "$ROOT/scripts/stage.sh"
T=$(mktemp -d "${TMPDIR:-/tmp}/varlo-stage-test.XXXXXX")
trap 'rm -rf "$T"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# One run: fills its stage slowly (so the runs overlap), then publishes.
make_entry() {
  local dest=$1 id=$2 stage i
  stage=$(stage_begin "$dest")
  for i in $(seq 20); do echo "$id $i" > "$stage/part$i"; sleep 0.01; done
  echo "$id" > "$stage/owner"
  touch "$stage/.complete"
  stage_publish "$stage" "$dest" .complete
  # Whatever this run did, the entry it goes on to use is whole.
  [ -f "$dest/.complete" ] && [ -f "$dest/part20" ] || { echo "run $id sees no whole entry" >&2; return 1; }
}

dest=$T/cache/deps-abc
pids=()
for id in 1 2 3 4; do make_entry "$dest" "$id" 2>"$T/run$id.err" & pids+=($!); done
for pid in "${pids[@]}"; do wait "$pid" || fail "a concurrent run failed: $(cat "$T"/run*.err)"; done
owner=$(cat "$dest/owner")
for i in $(seq 20); do
  [ "$(cat "$dest/part$i")" = "$owner $i" ] || fail "the entry mixes runs' files (part$i)"
done
dropped=$(cat "$T"/run*.err | grep -c "copy was dropped" || true)
[ "$dropped" = 3 ] || fail "expected three runs to drop their copies, saw $dropped"
leftovers=$(find "$T/cache" -mindepth 1 -maxdepth 1 -name '.deps-abc.*' | wc -l)
[ "$leftovers" = 0 ] || fail "$leftovers stage folders were left behind"
[ "$(stat -c %a "$dest")" = 755 ] || fail "the entry is not readable by other users"
echo "ok: 4 concurrent runs, one entry (run $owner's), 3 copies dropped, no leftovers"

# An entry an older recipe left without its marker is replaced, not trusted.
legacy=$T/cache/wineprefix-old
mkdir -p "$legacy" && echo half > "$legacy/system.reg"
make_entry "$legacy" new 2>/dev/null
[ "$(cat "$legacy/owner")" = new ] || fail "the unmarked entry was kept"
echo "ok: an unmarked entry is replaced"

# A stage without the marker is never published.
stage=$(stage_begin "$T/cache/deps-unmarked")
if stage_publish "$stage" "$T/cache/deps-unmarked" .complete 2>/dev/null; then
  fail "an unmarked stage was published"
fi
[ ! -e "$T/cache/deps-unmarked" ] || fail "an unmarked stage became the entry"
echo "ok: an unmarked stage is refused"

# Stage folders of killed runs go once they are a day old; a live one stays.
old=$(stage_begin "$dest") && touch -d '2 days ago' "$old"
live=$(stage_begin "$dest")
stage_sweep "$dest"
[ ! -e "$old" ] || fail "a day-old stage folder was kept"
[ -d "$live" ] || fail "a live stage folder was swept"
echo "ok: stale stage folders are swept, live ones kept"
