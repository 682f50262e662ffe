#!/usr/bin/env bash
# Draws every image of the default skin with ImageMagick. The PNGs and the icon
# are committed; run this again after changing a colour or a shape here.
#   bash tweaks/resource/art/make-art.sh
set -euo pipefail
out="$(cd "$(dirname "$0")/../default" && pwd)"
img="$out/images"
mkdir -p "$img"

# Palette (keep in step with the "color" section of default.xml).
header="#1e2a38"   # title bar
side="#263445"     # view bar
accent="#17a398"   # active view, buttons
accent_hi="#1fbcb0"
accent_lo="#12807a"
page="#eef1f5"     # around the views panel
line="#d5dbe3"
white_soft="rgba(255,255,255,0.85)"

# The logo: a rounded teal square with three slider lines and knobs.
logo() {  # size file
  local s=$1 r=$(( $1 / 5 )) w=$(( $1 / 10 ))
  local x0=$(( s * 22 / 100 )) x1=$(( s * 78 / 100 ))
  convert -size "${s}x${s}" xc:none \
    -fill "$accent" -draw "roundrectangle 0,0 $((s - 1)),$((s - 1)) $r,$r" \
    -stroke white -strokewidth "$(( w > 1 ? w : 1 ))" -fill none \
    -draw "line $x0,$(( s * 30 / 100 )) $x1,$(( s * 30 / 100 ))" \
    -draw "line $x0,$(( s * 50 / 100 )) $x1,$(( s * 50 / 100 ))" \
    -draw "line $x0,$(( s * 70 / 100 )) $x1,$(( s * 70 / 100 ))" \
    -stroke none -fill white \
    -draw "circle $(( s * 38 / 100 )),$(( s * 30 / 100 )) $(( s * 38 / 100 + w + 1 )),$(( s * 30 / 100 ))" \
    -draw "circle $(( s * 62 / 100 )),$(( s * 50 / 100 )) $(( s * 62 / 100 + w + 1 )),$(( s * 50 / 100 ))" \
    -draw "circle $(( s * 46 / 100 )),$(( s * 70 / 100 )) $(( s * 46 / 100 + w + 1 )),$(( s * 70 / 100 ))" \
    "$2"
}
logo 28 "$img/logo28.png"
for s in 16 32 48; do logo "$s" "/tmp/tweaks-logo-$s.png"; done
convert /tmp/tweaks-logo-16.png /tmp/tweaks-logo-32.png /tmp/tweaks-logo-48.png "$out/tweaks.ico"
rm -f /tmp/tweaks-logo-*.png

# Main frame background, 820 x 560: title bar, view bar, page and a framed
# white area behind the views panel.
convert -size 820x560 "xc:$page" \
  -fill "$header" -draw "rectangle 0,0 819,47" \
  -fill "$accent" -draw "rectangle 0,48 819,50" \
  -fill "$side" -draw "rectangle 0,51 179,559" \
  -fill white -stroke "$line" -draw "roundrectangle 188,58 812,552 6,6" \
  -stroke "$header" -fill none -draw "rectangle 0,0 819,559" \
  "$img/frame_bg.png"
convert "$img/frame_bg.png" "$img/logo28.png" -geometry +14+10 -composite "$img/frame_bg.png"

# Four bands (normal, hover/focus, pressed, disabled) stacked downwards.
bands() {  # file band1 band2 band3 band4
  convert "$2" "$3" "$4" "$5" -append "$1"
}

# Title bar buttons, 28 x 28: a glyph over a round highlight.
title_button() {  # name glyph-draw hover-fill
  local name=$1 glyph=$2 hover=$3 b=()
  local i=0
  for bg in none "$hover" "rgba(255,255,255,0.30)" none; do
    local colour="$white_soft"
    [ $i -eq 3 ] && colour="rgba(255,255,255,0.35)"
    convert -size 28x28 xc:none -fill "$bg" -draw "circle 14,14 14,1" \
      -stroke "$colour" -strokewidth 2 -fill none -draw "$glyph" "/tmp/tweaks-band-$i.png"
    b+=("/tmp/tweaks-band-$i.png")
    i=$((i + 1))
  done
  bands "$img/btn_$name.png" "${b[@]}"
  rm -f /tmp/tweaks-band-*.png
}
title_button options "line 8,9 20,9 line 8,14 20,14 line 8,19 20,19" "rgba(255,255,255,0.15)"
title_button min "line 8,18 20,18" "rgba(255,255,255,0.15)"
title_button close "line 9,9 19,19 line 19,9 9,19" "#d9534f"

# View buttons of the view bar, 156 x 44.
convert -size 156x44 xc:none /tmp/tweaks-v0.png
convert -size 156x44 xc:none -fill "rgba(255,255,255,0.10)" -draw "roundrectangle 0,0 155,43 6,6" /tmp/tweaks-v1.png
convert -size 156x44 xc:none -fill "$accent" -draw "roundrectangle 0,0 155,43 6,6" \
  -fill white -draw "rectangle 0,8 3,35" /tmp/tweaks-v2.png
convert -size 156x44 xc:none /tmp/tweaks-v3.png
bands "$img/btn_view.png" /tmp/tweaks-v0.png /tmp/tweaks-v1.png /tmp/tweaks-v2.png /tmp/tweaks-v3.png
rm -f /tmp/tweaks-v?.png

# View icons, 24 x 24, white strokes.
convert -size 24x24 xc:none -stroke white -strokewidth 2 -fill none \
  -draw "arc 4,5 20,21 -60,240" -draw "line 12,2 12,12" "$img/icon_startup.png"
convert -size 24x24 xc:none -stroke white -strokewidth 2 -fill none \
  -draw "roundrectangle 2,4 21,16 2,2" -draw "line 12,17 12,20" -draw "line 7,21 17,21" "$img/icon_overview.png"
convert -size 24x24 xc:none -stroke white -strokewidth 2 -fill none \
  -draw "circle 12,12 12,3" "$img/icon_view.png"

# Footer button of the view bar ("Backups"), 156 x 30.
convert -size 156x30 xc:none -stroke "rgba(255,255,255,0.35)" -fill none -draw "roundrectangle 0,0 155,29 5,5" /tmp/tweaks-f0.png
convert -size 156x30 xc:none -stroke "rgba(255,255,255,0.55)" -fill "rgba(255,255,255,0.10)" -draw "roundrectangle 0,0 155,29 5,5" /tmp/tweaks-f1.png
convert -size 156x30 xc:none -fill "$accent_lo" -draw "roundrectangle 0,0 155,29 5,5" /tmp/tweaks-f2.png
convert -size 156x30 xc:none -stroke "rgba(255,255,255,0.15)" -fill none -draw "roundrectangle 0,0 155,29 5,5" /tmp/tweaks-f3.png
bands "$img/btn_footer.png" /tmp/tweaks-f0.png /tmp/tweaks-f1.png /tmp/tweaks-f2.png /tmp/tweaks-f3.png
rm -f /tmp/tweaks-f?.png

# Push buttons of dialogs, 100 x 30.
convert -size 100x30 xc:none -fill "$accent" -draw "roundrectangle 0,0 99,29 5,5" /tmp/tweaks-p0.png
convert -size 100x30 xc:none -fill "$accent_hi" -draw "roundrectangle 0,0 99,29 5,5" /tmp/tweaks-p1.png
convert -size 100x30 xc:none -fill "$accent_lo" -draw "roundrectangle 0,0 99,29 5,5" /tmp/tweaks-p2.png
convert -size 100x30 xc:none -fill "#b8c0ca" -draw "roundrectangle 0,0 99,29 5,5" /tmp/tweaks-p3.png
bands "$img/btn_push.png" /tmp/tweaks-p0.png /tmp/tweaks-p1.png /tmp/tweaks-p2.png /tmp/tweaks-p3.png
rm -f /tmp/tweaks-p?.png

# Backup list background, 480 x 340.
convert -size 480x340 xc:white \
  -fill "$header" -draw "rectangle 0,0 479,39" \
  -fill "$accent" -draw "rectangle 0,40 479,41" \
  -fill "$page" -stroke "$line" -draw "rectangle 16,56 463,283" \
  -stroke "$header" -fill none -draw "rectangle 0,0 479,339" \
  "$img/backup_bg.png"
convert "$img/backup_bg.png" \( "$img/logo28.png" -resize 20x20 \) -geometry +12+10 -composite "$img/backup_bg.png"

# Placeholder for bitmap buttons before the skin draws their states.
convert -size 1x1 xc:none "$img/blank.png"
echo "images written to $img"
