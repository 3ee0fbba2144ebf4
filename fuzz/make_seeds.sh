#!/bin/sh
# Remakes the seed corpora in fuzz/seeds/TARGET/ (checked in; run again only
# to change them). Needs ffmpeg (with libvorbis) and python3. The image and
# sound targets read their first byte as the choice of file suffix, so their
# seeds start with that byte.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
seeds="$here/seeds"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Inputs named found-* were kept from fuzzing runs (each added coverage the
# made seeds lack); they stay.
find "$seeds" -type f ! -name 'found-*' -delete 2>/dev/null || true
mkdir -p "$seeds/image" "$seeds/sound" "$seeds/info_plist" "$seeds/input_script" "$seeds/archive"

ff() { ffmpeg -loglevel error -y "$@"; }

# prefixed OUT BYTE FILE: OUT is the byte (as octal) followed by FILE.
prefixed() { { printf "\\$2"; cat "$3"; } > "$1"; }

# Images, 5 x 3: odd first byte means the file is called fuzz.tga.
for format in png jpg bmp gif; do
    ff -f lavfi -i testsrc=size=5x3:rate=1 -frames:v 1 "$work/small.$format"
    prefixed "$seeds/image/$format" 000 "$work/small.$format"
done
ff -f lavfi -i testsrc=size=5x3:rate=1 -frames:v 1 "$work/small.tga"
prefixed "$seeds/image/tga" 001 "$work/small.tga"
# Densities other than 72 dpi, TIFF and WebP (lossy and lossless).
ff -f lavfi -i testsrc=size=5x3:rate=1 -frames:v 1 -dpi 144 "$work/dense.png"
prefixed "$seeds/image/png-144dpi" 000 "$work/dense.png"
ff -f lavfi -i testsrc=size=5x3:rate=1 -frames:v 1 -dpi 144 "$work/small.tif"
prefixed "$seeds/image/tif" 000 "$work/small.tif"
ff -f lavfi -i testsrc=size=5x3:rate=1 -frames:v 1 -c:v libwebp "$work/lossy.webp"
prefixed "$seeds/image/webp" 000 "$work/lossy.webp"
ff -f lavfi -i testsrc=size=5x3:rate=1 -frames:v 1 -c:v libwebp -lossless 1 "$work/lossless.webp"
prefixed "$seeds/image/webp-lossless" 000 "$work/lossless.webp"

# Sounds of 20 ms: the first byte modulo 4 picks .ogg, .caf, .wav, .aiff.
ff -f lavfi -i sine=frequency=440:sample_rate=8000:duration=0.05 -c:a libvorbis "$work/tone.ogg"
prefixed "$seeds/sound/ogg" 000 "$work/tone.ogg"
ff -f lavfi -i sine=frequency=440:sample_rate=8000:duration=0.02 -c:a pcm_s16le "$work/tone.caf"
prefixed "$seeds/sound/caf-s16" 001 "$work/tone.caf"
ff -f lavfi -i sine=frequency=440:sample_rate=8000:duration=0.02 -c:a pcm_f32be "$work/float.caf"
prefixed "$seeds/sound/caf-f32" 001 "$work/float.caf"
ff -f lavfi -i sine=frequency=440:sample_rate=8000:duration=0.02 -ac 2 -c:a pcm_s16le "$work/tone.wav"
prefixed "$seeds/sound/wav-stereo" 002 "$work/tone.wav"
ff -f lavfi -i sine=frequency=440:sample_rate=11025:duration=0.02 -c:a pcm_u8 "$work/u8.wav"
prefixed "$seeds/sound/wav-u8" 002 "$work/u8.wav"
ff -f lavfi -i sine=frequency=440:sample_rate=8000:duration=0.02 -c:a pcm_s16be "$work/tone.aiff"
prefixed "$seeds/sound/aiff" 003 "$work/tone.aiff"

cat > "$seeds/info_plist/game" <<'PLIST'
<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
	<key>CFBundleName</key>
	<string>Fuzz</string>
	<key>UIStatusBarHidden</key>
	<true/>
	<key>Version</key>
	<integer>3</integer>
	<key>Scale</key>
	<real>1.5</real>
	<key>Orientations</key>
	<array><string>left</string><false/></array>
</dict>
</plist>
PLIST

# The same keys in the binary form Mac tools write.
python3 - "$seeds/info_plist/game" "$seeds/info_plist/game-binary" <<'PYTHON'
import plistlib, sys
with open(sys.argv[1], "rb") as xml, open(sys.argv[2], "wb") as binary:
    plistlib.dump(plistlib.load(xml), binary, fmt=plistlib.FMT_BINARY)
PYTHON

cat > "$seeds/input_script/events" <<'INPUT'
# frame event arguments
0 keyDown space
0 keyUp space
3 mouseDown 10 20.5
3 mouseMoved 11 21
4 mouseUp 12 22
18446744073709551615 keyDown left
INPUT

python3 - "$seeds/archive" <<'PYTHON'
import sys, zipfile
out = sys.argv[1]
with zipfile.ZipFile(out + "/game.zip", "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("Game.app/", "")
    z.writestr("Game.app/Contents/Info.plist", "<plist><dict/></plist>\n")
    z.writestr("Game.app/Contents/Resources/data.txt", "x" * 300)
with zipfile.ZipFile(out + "/stored.zip", "w", zipfile.ZIP_STORED) as z:
    z.writestr("a/b/c.txt", "stored")
    z.writestr("../outside.txt", "refused")
PYTHON
