# shellcheck shell=bash
# Sourced by the scripts that fill the machine-wide cache (/var/cache/varlo): an entry is
# made in a fresh folder beside its final place and moved there with one rename, so no run
# ever deletes another's work in progress and nobody sees half an entry. Two runs that
# make the same entry at once both end with a good one: the first rename wins and the
# other run drops its own copy.

# Prints a new empty folder beside DEST, on the same file system so that the move is a
# rename. Readable by all, like the entries (mktemp makes it private).
stage_begin() {
  local dest=$1 dir
  mkdir -p "$(dirname "$dest")"
  dir=$(mktemp -d "$(dirname "$dest")/.$(basename "$dest").stage.XXXXXX")
  chmod 755 "$dir"
  echo "$dir"
}

# Moves STAGE into place as DEST, whose presence with MARKER inside means complete. When
# another run was first, STAGE is dropped and theirs is kept. A DEST without MARKER (left
# by an older recipe that marked it after the move) is moved aside and replaced.
stage_publish() {
  local stage=$1 dest=$2 marker=$3 old
  [ -e "$stage/$marker" ] || { echo "stage: $stage lacks $marker" >&2; return 1; }
  local try
  for try in 1 2 3; do
    if mv -T "$stage" "$dest" 2>/dev/null; then
      return 0
    fi
    if [ -e "$dest/$marker" ]; then
      rm -rf "$stage"
      echo "stage: $dest was made by another run meanwhile; this run's copy was dropped" >&2
      return 0
    fi
    if [ -d "$dest" ]; then
      old=$(mktemp -d "$(dirname "$dest")/.$(basename "$dest").old.XXXXXX")
      mv -T "$dest" "$old" 2>/dev/null || true
      rm -rf "$old"
    fi
  done
  echo "stage: could not move $stage to $dest" >&2
  return 1
}

# Removes DEST's stage folders that have not changed for a day: runs that were killed.
stage_sweep() {
  local dest=$1
  [ -d "$(dirname "$dest")" ] || return 0
  find "$(dirname "$dest")" -mindepth 1 -maxdepth 1 -type d -name ".$(basename "$dest").stage.*" \
    -mmin +1440 -exec rm -rf {} + 2>/dev/null || true
}
