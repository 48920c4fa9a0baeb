#!/usr/bin/env bash
# What the files of a Windows build say of themselves, read with binutils and no
# Windows program run, so that it is checked on every machine for both
# architectures: the machine and subsystem in the PE headers, the DLLs and names
# the saver imports, the names our BASS.dll exports, the version resources and
# the application manifest; and the architecture's zip.
# Usage: files_test.sh x86|x64 BUILD_DIR VERSION OBJDUMP WINDRES
arch=$1 build=$2 version=$3 objdump=$4 windres=$5
source "$(dirname "$0")/../harness/checks.sh"
source "$(dirname "$0")/../harness/pe_names.sh"
scr="$build/zuvarir.scr" dll="$build/BASS.dll"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

case $arch in
  x86) format=pei-i386 manifest_arch=x86 windows=32 ;;
  x64) format=pei-x86-64 manifest_arch=amd64 windows=64 ;;
esac

# Prints the DLLs FILE imports, upper case, sorted, on one line.
imported_dlls() { "$objdump" -p "$1" | awk '/DLL Name:/ { print toupper($3) }' | sort | tr '\n' ' '; }
# Prints the names FILE imports from DLL, sorted, on one line.
imported_names() {
  "$objdump" -p "$1" | awk -v dll="$2" '/DLL Name:/ { inside = ($3 == dll); next }
    inside && NF == 0 { inside = 0 } inside && $2 ~ /^[0-9]+$/ { print $3 }' | sort | tr '\n' ' '
}
# True when the PE header marks FILE as a DLL.
is_dll() { "$objdump" -p "$1" | sed -n '/^Characteristics/,/^$/p' | grep -qx $'\tDLL'; }
# Prints the resource of type TYPE (as windres names it, e.g. "VERSIONINFO" or
# "24 /* RT_MANIFEST */") and name 1 of FILE, decompiled to resource script.
resource() {
  "$windres" -J coff -i "$1" -O rc | awk -v head="1 $2" '$0 == head { inside = 1 } inside { print } inside && /^END$/ { exit }'
}

for file in "$scr" "$dll"; do
  header=$("$objdump" -p "$file")
  grep -q "file format $format\$" <<<"$header" && pass "$(basename "$file") is $format" ||
    fail "$(basename "$file"): $(grep -m1 'file format' <<<"$header")"
done
grep -q '^Subsystem.*(Windows GUI)' <<<"$("$objdump" -p "$scr")" && pass "zuvarir.scr is a Windows GUI program" ||
  fail "zuvarir.scr is not a Windows GUI program"
is_dll "$dll" && ! is_dll "$scr" && pass "BASS.dll is a DLL, zuvarir.scr a program" ||
  fail "BASS.dll and zuvarir.scr have the wrong characteristics"

# System DLLs and ours only: the C++ runtime is linked in, not carried beside.
dlls=$(imported_dlls "$scr")
[ "$dlls" = "ADVAPI32.DLL BASS.DLL COMDLG32.DLL GDI32.DLL KERNEL32.DLL MSVCRT.DLL OPENGL32.DLL USER32.DLL WINMM.DLL " ] &&
  pass "zuvarir.scr imports $dlls" || fail "zuvarir.scr imports $dlls"
dlls=$(imported_dlls "$dll")
[ "$dlls" = "KERNEL32.DLL MSACM32.DLL MSVCRT.DLL WINMM.DLL " ] && pass "BASS.dll imports $dlls" ||
  fail "BASS.dll imports $dlls"
# By the names the library exports: undecorated, whatever the calling convention.
names=$(imported_names "$scr" BASS.dll)
[ "$names" = "$bass_names" ] && pass "zuvarir.scr imports from BASS.dll: $names" ||
  fail "zuvarir.scr imports from BASS.dll: $names"
names=$(exported_names "$dll")
[ "$names" = "$bass_names" ] && pass "BASS.dll exports $names" || fail "BASS.dll exports $names"

numbers="${version//./, }, 0"
for file in "$scr" "$dll"; do
  name=$(basename "$file")
  case $name in
    zuvarir.scr) type=0x1 description="Zuvarir particle screen saver" ;;
    BASS.dll) type=0x2 description="Zuvarir audio library" ;;
  esac
  expect_lines "$name version" "$(resource "$file" VERSIONINFO)" " FILEVERSION $numbers" " PRODUCTVERSION $numbers" \
    " FILETYPE $type" "      VALUE \"FileVersion\", \"$version\"" "      VALUE \"ProductVersion\", \"$version\"" \
    "      VALUE \"ProductName\", \"Zuvarir\"" "      VALUE \"OriginalFilename\", \"$name\"" \
    "      VALUE \"FileDescription\", \"$description\""
done

# The manifest resource holds exactly the bytes of the build's manifest, which
# names the build's architecture: decompiled, it reads as that file compiled alone.
manifest="$build/generated/resources/zuvarir.manifest"
grep -q "processorArchitecture=\"$manifest_arch\"" "$manifest" && pass "the manifest names $manifest_arch" ||
  fail "the manifest does not name $manifest_arch"
echo "1 24 \"$manifest\"" >"$work/manifest.rc"
"$windres" -i "$work/manifest.rc" -o "$work/manifest.o"
expected=$(resource "$work/manifest.o" "24 /* RT_MANIFEST */")
actual=$(resource "$scr" "24 /* RT_MANIFEST */")
[ -n "$expected" ] && [ "$actual" = "$expected" ] && pass "zuvarir.scr carries the manifest byte for byte" ||
  fail "the manifest of zuvarir.scr differs from $manifest"

# The zip: exactly the two files, stripped, and a text that names the version and
# the Windows it is for.
zip="$build/packages/Zuvarir-$version-win$windows.zip"
listing=$(cmake -E tar tf "$zip" | sort | tr '\n' ' ')
[ "$listing" = "BASS.dll README.txt zuvarir.scr " ] && pass "$(basename "$zip") holds $listing" ||
  fail "$(basename "$zip") holds $listing"
mkdir "$work/zip"
(cd "$work/zip" && cmake -E tar xf "$zip")
grep -q "^Zuvarir $version - a particle screen saver for $windows-bit Windows" "$work/zip/README.txt" &&
  pass "its README.txt names version $version and $windows-bit Windows" || fail "its README.txt: $(head -n1 "$work/zip/README.txt")"
for file in zuvarir.scr BASS.dll; do
  "$objdump" -h "$work/zip/$file" | grep -q '\.debug_' && fail "the zip's $file keeps its debugging information" ||
    pass "the zip's $file is stripped"
done
finish
