#!/usr/bin/env bash
# The skin beside the built program holds every image the window code relies
# on, at its size: button strips of four frames, animations with frames,
# category icons with a 16 and a 32 pixel image. Usage: skin_contract_test.sh IMAGE_DIR
set -euo pipefail
dir=$1
errors=0
size() {  # name WxH [min-frames]
  local f="$dir/$1"
  if [ ! -f "$f" ]; then echo "missing: $1"; errors=$((errors + 1)); return; fi
  local got frames
  got=$(identify -format '%wx%h\n' "$f" | head -n1)
  frames=$(identify -format '.' "$f" | wc -c)
  if [ "$got" != "$2" ]; then echo "$1: $got, expected $2"; errors=$((errors + 1)); fi
  if [ -n "${3:-}" ] && [ "$frames" -lt "$3" ]; then echo "$1: $frames frames"; errors=$((errors + 1)); fi
}
size MainFrame.png 790x592
for n in btn_overview btn_Registry_Scan btn_Restore btn_Setting; do size $n.png 118x140; done
for n in Menu Minimize Maximize Close; do size $n.png 28x88; done
size Button_Help.png 36x80
size Button_OnlineSupport.png 50x80
size Splash.png 420x260
size PageBk.png 772x524
size PageOverview.png 772x524
size Button_LeftRoundRect.png 176x176
size Button_Left.png 176x176
size Button_update.png 150x128
size attention.png 188x70
size SubPageBk.png 576x516
size Button_action.png 130x136
size Button_action_emphasize.png 130x136
for n in PageScanScanningPre PageScanScanning PageScanResult Detialveiw Pagedone PageFixing PageFixed \
         PageRestore PageSetting; do size $n.png 576x462; done
size start_scan.png 200x224
size registry_scan.png 100x100
for n in 0 1 2 3; do size $n.png 120x18; done
for n in Status_Serials Status_Medium Status_Greate Logo; do size $n.png 104x104; done
for n in low2 min2 max2; do size $n.gif 150x84 2; done
for n in low min max; do size $n.gif 150x140 2; done
size reg_scan_70.gif 104x104 2
size doing.gif 16x16 2
size Fixing.gif 104x104 2
size Fixing_P.gif 400x12 2
size Background_small.png 380x220
size Background_medium.png 480x320
for folder in icon icon_witherror; do
  for n in 1_MUICache 2_ObsoleteSoftware 3_HelpFiles 4_UnusedFileExtensions 5_MissingShareDLL \
           6_InvalidApplication 7_InvalidActiveXAndCOM 8_InvalidStartMenuOrding 9_InvalidInstaller \
           10_InvalidDefaultIcon 11_InvalidOpenWithApplication; do
    f="$dir/$folder/$n.ico"
    if [ ! -f "$f" ]; then echo "missing: $folder/$n.ico"; errors=$((errors + 1)); continue; fi
    got=$(identify -format '%wx%h ' "$f")
    [ "$got" = "16x16 32x32 " ] || { echo "$folder/$n.ico: $got"; errors=$((errors + 1)); }
  done
done
# The two icon sets differ: the with-error one carries its mark.
if cmp -s "$dir/icon/3_HelpFiles.ico" "$dir/icon_witherror/3_HelpFiles.ico"; then
  echo "icon and icon_witherror are the same"; errors=$((errors + 1))
fi
[ "$errors" -eq 0 ] || { echo "$errors problems"; exit 1; }
echo "skin images ok"
