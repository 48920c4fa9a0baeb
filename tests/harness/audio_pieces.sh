# Sourced: capture_pieces DIR writes DIR/home/.asoundrc; a Wine program run with
# HOME=DIR/home (Wine's ALSA driver reads it inside each process) has each
# opening of its audio output captured to a file of its own, DIR/piece.<ns>.wav.
capture_pieces() {
  mkdir -p "$1/home"
  printf '#!/bin/sh\nexec cat >"%s/piece.$(date +%%s%%N).wav"\n' "$1" >"$1/piece"
  chmod +x "$1/piece"
  printf 'pcm.!default {\n type file\n slave.pcm "null"\n file "|%s/piece"\n format "wav"\n}\n' "$1" \
    >"$1/home/.asoundrc"
}
