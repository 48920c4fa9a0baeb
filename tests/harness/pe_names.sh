# Sourced by the tests that read Windows files with binutils: $objdump is the
# caller's objdump for them.

# The names our BASS.dll exports and the saver imports from it, sorted, as the
# functions below print them.
bass_names="BASS_Free BASS_Init BASS_Start BASS_Stop BASS_StreamCreateFile BASS_StreamFree BASS_StreamPlay "

# Prints the names FILE exports, sorted, on one line.
exported_names() {
  "$objdump" -p "$1" | awk '/\[Ordinal\/Name Pointer\] Table/ { inside = 1; next }
    inside && NF == 0 { inside = 0 } inside { print $NF }' | sort | tr '\n' ' '
}
