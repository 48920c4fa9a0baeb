# Sourced: capture_audio DIR [FILE] writes DIR/home/.asoundrc; a Wine program run
# with HOME=DIR/home (Wine's ALSA driver reads it inside each process) has its
# audio output written to FILE, or without FILE each opening of it captured to a
# file of its own, DIR/piece.<ns>.wav.
capture_audio() {
  local target=${2:-"|$1/piece"}
  mkdir -p "$1/home"
  printf '#!/bin/sh\nexec cat >"%s/piece.$(date +%%s%%N).wav"\n' "$1" >"$1/piece"
  chmod +x "$1/piece"
  printf 'pcm.!default {\n type file\n slave.pcm "null"\n file "%s"\n format "wav"\n}\n' "$target" \
    >"$1/home/.asoundrc"
}
