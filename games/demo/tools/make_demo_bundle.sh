#!/bin/sh
# Lays out the demo game bundle:
#   make_demo_bundle.sh DEMO_SOURCE_DIR BUNDLE_DIR TERN_LUAC DRAW_DEMO_IMAGES INTRO_MOVIE
# BUNDLE_DIR (Demo.app) gets Contents/Info.plist and Contents/Resources with
# engine64.luo, Demo.gameproj (documents, drawn images, made sounds and
# music), Default.png and intro-mac.mov (the player's shipped intro movie,
# which the player's asset check expects byte for byte). Every other byte is
# made here.
set -eu

src=$1
app=$2
luac=$3
draw=$4
intro=$5

res="$app/Contents/Resources"
proj="$res/Demo.gameproj"
work="$app.work"
rm -rf "$app" "$work"
mkdir -p "$proj/images" "$proj/sounds" "$proj/music" "$work/images"
trap 'rm -rf "$work"' EXIT

cp -R "$src/Demo.gameproj/." "$proj/"
"$luac" -o "$res/engine64.luo" "$src/engine/engine.lua"
"$draw" "$work"
cp "$work"/images/*.png "$proj/images/"
cp "$work/Default.png" "$res/Default.png"

# Sound effects, mono 22.05 kHz Ogg Vorbis.
effect() {
    name=$1; shift
    sox -q -n -r 22050 -c 1 "$proj/sounds/$name.ogg" "$@"
}
effect bounce synth 0.07 sine 660 fade q 0.005 0.07 0.04 gain -4
effect hit synth 0.12 square 880-1320 fade q 0.005 0.12 0.06 gain -10
effect lose synth 0.5 sine 440-110 fade q 0.01 0.5 0.2 gain -4
effect start synth 0.3 sine 523-1046 fade q 0.01 0.3 0.1 gain -6

# Background music: a plucked eight-bar tune, stereo Ogg Vorbis, looped by the game.
i=0
for note in C4 E4 G4 C5 A3 C4 E4 A4 F3 A3 C4 F4 G3 B3 D4 G4 \
            C4 E4 G4 E5 A3 C4 E4 C5 F3 A3 C4 A4 G3 D4 G4 B4; do
    sox -q -n -r 22050 -c 2 "$work/note$(printf %02d $i).wav" synth 0.25 pluck "$note" gain -12
    i=$((i + 1))
done
sox -q "$work"/note*.wav "$proj/music/theme.ogg" reverb 30

# The intro movie every bundle ships.
cp "$intro" "$res/intro-mac.mov"

cat > "$app/Contents/Info.plist" <<PLIST
<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
	<key>CFBundleName</key>
	<string>Tern Demo</string>
	<key>TNStartFullscreen</key>
	<false/>
</dict>
</plist>
PLIST
