#!/usr/bin/env bash
# The storyboard's list of a scenario played by tvsim with --frames:
#
#   bash tools/storyboard-list.sh SCENARIO RUN_FOLDER LOG >LIST
#
# prints one "PICTURE<TAB>CAPTION" line per step of the story (PICTURE
# relative to RUN_FOLDER). Each "say" of SCENARIO begins a step, and the next
# "screenshot" is its picture. A screenshot named "*.flips.png" stands for
# the frames the plug-in flipped since the screenshot before it (LOG's
# "screen saved: NAME (flip N)" lines say which), one for each "say" in
# between: those with the most drawn on them (a notice's text, not the band
# sliding in; how much a frame shows is the size of its PNG), in the order
# they were shown. Frames and screenshots are the same on every run of the
# scenario, so the list is too.
set -euo pipefail
scenario=$1 run=$2 log=$3

# The flip shown by each screenshot, by name.
declare -A flip_of
while IFS= read -r line; do
  if [[ $line =~ \]\ screen\ saved:\ (.*)\ \(flip\ ([0-9]+)\)$ ]]; then
    flip_of[${BASH_REMATCH[1]}]=${BASH_REMATCH[2]}
  fi
done <"$log"

# The COUNT frames after flip FROM up to flip TO with the largest PNG files,
# in the order they were shown.
fullest_frames() {  # FROM TO COUNT
  local flip
  for ((flip = $1 + 1; flip <= $2; flip++)); do
    printf -v name 'frames/frame_%05d.png' "$flip"
    [ -f "$run/$name" ] && printf '%s %s\n' "$(stat -c %s "$run/$name")" "$name"
  done | sort -k1,1nr -k2,2 | head -n "$3" | sort -k2,2 | awk '{ print $2 }'
}

says=()
previous=""
while IFS= read -r line; do
  line=${line%%#*}
  read -r step rest <<<"$line" || true
  case "$step" in
    say) says+=("$rest") ;;
    screenshot)
      if [ "${#says[@]}" -gt 0 ]; then
        if [[ $rest == *.flips.png ]]; then
          from=${flip_of[$previous]:-0}
          to=${flip_of[$rest]:?"no line 'screen saved: $rest (flip N)' in $log"}
          mapfile -t frames < <(fullest_frames "$from" "$to" "${#says[@]}")
          for i in "${!says[@]}"; do
            printf '%s\t%s\n' "${frames[i]:-frames/no-frame-flipped.png}" "${says[i]}"
          done
        else
          caption=${says[0]}
          for say in "${says[@]:1}"; do caption+="; $say"; done
          printf '%s\t%s\n' "$rest" "$caption"
        fi
      fi
      says=()
      previous=$rest
      ;;
  esac
done <"$scenario"
