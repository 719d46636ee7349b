#!/usr/bin/env bash
# A long show of the real Lumora.scr over a mixed folder (every format,
# sizes from 16 × 16 to many megapixels, a few broken files), "Draw Wait" 1,
# effects on: every SOAK_EVERY pictures (counted by the display-history
# log) the saver's memory, handles and GDI / USER objects are recorded.
# After the warm-up (the first sample) none may grow: the lowest later
# memory figure by at most SOAK_MEMORY_MB, handles and objects by at most 16
# (memory mappings by 64). The show must still end normally on a key.
#
# What Wine can tell: it reports the commit charge but not the private
# bytes, GetProcessHandleCount answers 0, and GetGuiResources is not
# implemented there. Under Wine the private memory of the Wine process
# (private clean and dirty pages from /proc) stands for the private bytes,
# the system handle table (which Wine keeps) gives the handle count,
# the process's windows stand for its USER objects, the probe counts the
# GDI objects inside the saver (lumora-gdi-count.dll, loaded for the count
# and unloaded again), and the Wine process's memory mappings are checked
# too.
#
# The test command runs 100 pictures in one run; tools/soak.sh runs the
# long version (1,000 pictures in four runs with different settings). The
# figures go to $H_TMP/soak.csv.
set -euo pipefail
source "$(dirname "$0")/lumora.sh"
h_init
h_mouse_to 1270 10

pictures=${SOAK_PICTURES:-100}
every=${SOAK_EVERY:-20}
memory_mb=${SOAK_MEMORY_MB:-48}
big=${SOAK_BIG:-6000x4000}
# Settings of the runs, each "NAME=VALUE;..." over l_show's defaults.
# (SOAK_RUN_LIST: several, separated by "|").
runs=("Rotate=1;SmoothZoom=1;DispFileName=1;Brightness=1;Screen Clear=0;Draw Color=2;Graphics Size=2;Draw Posision=1")
[ -z "${SOAK_RUN_LIST:-}" ] || IFS='|' read -ra runs <<<"$SOAK_RUN_LIST"
per_run=$((pictures / ${#runs[@]}))

# The picture set, made once per size of the big picture.
set_dir="$H_ROOT/build/soak-pictures-$big"
if [ ! -e "$set_dir/.complete" ]; then
  rm -rf "$set_dir"
  mkdir -p "$set_dir"
  c=/usr/bin/convert
  n=0
  for size in 16x16 64x48 320x240 640x480 1024x768 1920x1080 3000x2000 800x3000; do
    for fmt in jpg png gif bmp; do
      n=$((n + 1))
      $c -size "$size" "plasma:fractal" -seed "$n" "$set_dir/p$n-$size.$fmt" 2>/dev/null ||
        $c -size "$size" gradient:red-blue "$set_dir/p$n-$size.$fmt"
    done
  done
  $c -size 48x48 gradient:green-yellow "$set_dir/icon.ico"
  $c -size 400x300 gradient:red-blue -alpha set -channel A -evaluate set 50% "$set_dir/alpha.png"
  $c -size "$big" gradient:navy-orange -quality 85 "$set_dir/big-$big.jpg"
  # Broken files: truncated, garbage, empty, text.
  head -c 3000 "$set_dir/p17-1024x768.jpg" >"$set_dir/broken-truncated.jpg"
  head -c 2000 /dev/urandom >"$set_dir/broken-garbage.png"
  : >"$set_dir/broken-empty.gif"
  echo "not a picture" >"$set_dir/broken-text.bmp"
  touch "$set_dir/.complete"
fi
mkdir -p "$H_TMP/pictures"
ln -s "$set_dir" "$H_TMP/pictures/soak"

csv="$H_TMP/soak.csv"
echo "run,pictures,seconds,private_bytes,linux_private_kb,commit,working_set,handles,system_handles,gdi,gdi_inside,user,windows,rss_kb,fds,mappings" >"$csv"
run=0
for settings in "${runs[@]}"; do
  run=$((run + 1))
  log="$H_TMP/run$run.log"
  rm -f "$log"
  L_SHOW_EXTRA="\"LogFile\"=\"$(_h_winpath "$log" | sed 's/\\/\\\\/g')\"" \
    l_show "Draw Wait=1;End Option=2;Random Sort=1;$settings" soak
  start=$(date +%s)
  next=$every
  declare -a memory=() resident=() handles=() gdi=() user=() mappings=()
  while :; do
    h_running "$saver" || h_fail "run $run: the saver ended during the show (see $log)"
    shown=$(grep -c ', Z:' "$log" 2>/dev/null || true)
    if [ "$shown" -ge "$next" ]; then
      stats=$(l_probe process-stats TLumora) || h_fail "run $run: no statistics of the saver"
      rss=$(awk '/^VmRSS/ { print $2 }' "/proc/$saver/status" 2>/dev/null || echo 0)
      fds=$(ls "/proc/$saver/fd" 2>/dev/null | wc -l)
      private_kb=$(awk '/^Private_(Clean|Dirty):/ { s += $2 } END { print s + 0 }' "/proc/$saver/smaps_rollup" 2>/dev/null ||
        echo 0)
      maps=$(wc -l <"/proc/$saver/maps" 2>/dev/null || echo 0)
      p=$(l_value private "$stats") cm=$(l_value commit "$stats") hd=$(l_value handles "$stats")
      g=$(l_value gdi "$stats") gi=$(l_value gdi-inside "$stats") u=$(l_value user "$stats")
      sh=$(l_value system-handles "$stats") w=$(l_value windows "$stats")
      echo "$run,$shown,$(($(date +%s) - start)),$p,$private_kb,$cm,$(l_value working-set "$stats"),$hd,$sh,$g,$gi,$u,$w,$rss,$fds,$maps" \
        >>"$csv"
      memory+=("$([ "$p" -gt 0 ] && echo "$p" || { [ "$private_kb" -gt 0 ] && echo $((private_kb * 1024)) || echo "$cm"; })")
      handles+=("$([ "$hd" -gt 0 ] && echo "$hd" || { [ "$sh" -gt 0 ] && echo "$sh" || echo "$fds"; })")
      gdi+=("$gi") user+=("$([ "$u" -gt 0 ] && echo "$u" || echo "$w")") mappings+=("$maps")
      resident+=("$((rss * 1024))")
      next=$((next + every))
    fi
    [ "$shown" -ge "$per_run" ] && break
    [ $(($(date +%s) - start)) -lt $((per_run * 6 + 120)) ] || h_fail "run $run: only $shown pictures in $((per_run * 6 + 120)) s"
    sleep 1
  done
  h_key a
  l_expect_ends "$saver" 20 "run $run: $shown pictures shown, the saver ends normally on a key"

  # After the warm-up (the first sample), the smallest value of the later
  # samples may not lie above the warm-up's by more than the tolerance;
  # the last sample of counts may not either.
  check() {
    local what=$1 tolerance=$2
    shift 2
    local values=("$@") warm=$1 low=999999999999 v
    for v in "${values[@]:1}"; do [ "$v" -lt "$low" ] && low=$v; done
    [ "${#values[@]}" -lt 2 ] && return 0
    [ "$low" -le $((warm + tolerance)) ] ||
      h_fail "run $run: $what grew from $warm to at least $low (figures in $csv)"
    [ "$what" = "private bytes" ] || [ "$what" = "resident memory" ] || [ "$what" = "memory mappings" ] || [ "${values[-1]}" -le $((warm + tolerance)) ] ||
      h_fail "run $run: $what grew from $warm to ${values[-1]} (figures in $csv)"
  }
  [ "${memory[0]}" -gt 0 ] && [ "${handles[0]}" -gt 0 ] || h_fail "run $run: no memory or handle figures (see $csv)"
  check "private bytes" $((memory_mb * 1048576)) "${memory[@]}"
  check "resident memory" $((memory_mb * 1048576)) "${resident[@]}"
  check "handles" 16 "${handles[@]}"
  check "memory mappings" 64 "${mappings[@]}"
  check "USER objects" 16 "${user[@]}"
  [ "${gdi[0]}" -gt 0 ] || h_fail "run $run: no GDI object count (see $csv)"
  check "GDI objects" 16 "${gdi[@]}"
  objects="USER ${user[0]} → ${user[-1]}, GDI ${gdi[0]} → ${gdi[-1]}"
  h_pass "run $run ($settings): no growth after the warm-up: memory ${memory[0]} → ${memory[-1]} bytes, resident ${resident[0]} → ${resident[-1]}, handles ${handles[0]} → ${handles[-1]}, mappings ${mappings[0]} → ${mappings[-1]}; $objects"
done
cp "$csv" "$H_ROOT/build/soak-last.csv"
h_pass "figures in build/soak-last.csv"
