# shellcheck shell=bash
# Sourced by the package checks after tests/e2e/lib.sh: play_check starts the
# program ($exe, from $game_dir) with its sound going to a file and checks
# that it plays: no "Sound system problem." box, the first picture is level 3,
# and once ship 1 fires the sound output holds sound; then closes it.

play_check() {
  local audio=$work/audio.raw
  # shellcheck disable=SC2046 # NAME=VALUE words without blanks
  start_game $(audio_capture_env "$audio")
  sleep 0.3
  local png
  png=$(shot level3)
  client_area "$png"
  local w=$client_w h=$client_h
  local cy=$((h - 1 - h / 2))
  expect_colours "$png" "level 3 on the first picture" \
    30,$cy=0,0,0 $((w / 4)),$((cy - 60))=255,255,255 \
    $((w - 34)),$cy=255,255,255 $((w * 3 / 4)),$((cy - 60))=0,0,0 $((w / 2)),6=153,153,153
  [ -z "$(xwininfo -root -tree | grep -F '"Sound system problem."')" ] ||
    fail "the \"Sound system problem.\" box is shown"
  pass "no \"Sound system problem.\" box"
  # The controls are locked for the first two seconds.
  sleep 2.2
  [ -s "$audio" ] || fail "the sound output has written nothing to $audio"
  local before
  before=$(stat -c %s "$audio")
  xdotool keydown z x
  sleep 1
  xdotool keyup z x
  sleep 0.5
  close_game
  local after
  after=$(stat -c %s "$audio")
  cmp -s -i "$before:0" -n "$((after - before))" "$audio" /dev/zero &&
    fail "silence after ship 1 fired"
  pass "ship 1 fired: the sound output holds sound ($after bytes written, $before before firing)"
}
