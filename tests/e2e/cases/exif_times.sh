# Sourced by the .check.sh files of the shooting-time cases: expect_time FILE UTC compares the
# last-write time of $out/FILE, as exiftool reads it, with the UTC time DateTimeOriginal means.
failed=0
expect_time() {
  local want got
  want=$(date -u -d "$2" +%s)
  got=$(TZ=UTC exiftool -s -s -s -d %s -FileModifyDate "$out/$1")
  if [ "$got" = "$want" ]; then echo "ok: $1 written at $2 UTC"; else
    echo "FAIL: $1 written at $(date -u -d "@${got:-0}" '+%F %T') UTC, not $2"; failed=1; fi
}
