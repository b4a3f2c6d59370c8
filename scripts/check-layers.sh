#!/usr/bin/env bash
# Lists every #include of a src/ folder that the including folder may not use, and
# fails when there is one. The libraries enforce the same order at link time; this
# also catches a header-only use. Usage: scripts/check-layers.sh [SOURCE_DIR]
set -u
src="${1:-$(dirname "$0")/..}/src"
declare -A allowed=(
  [telemetry]="telemetry"
  [common]="common"
  [extractor]="extractor library telemetry"
  [library]="library telemetry"
  [redact]="redact common telemetry"
  [store]="store redact common telemetry"
  [drive]="drive store redact common telemetry"
  [media]="media common"
  [ui]="ui common"
  [instruments]="instruments drive store ui common telemetry"
  [map]="map drive store ui common telemetry"
  [player]="player media redact ui common telemetry"
  [playlist]="playlist drive store redact ui common telemetry"
  [libraryview]="libraryview library map ui common telemetry"
  [app]="app libraryview library instruments map player playlist media drive store redact ui common extractor telemetry"
)
folders="${!allowed[*]}"
bad=0
for dir in "${!allowed[@]}"; do
  [ -d "$src/$dir" ] || continue
  while IFS=: read -r file line text; do
    target=$(sed -E 's/.*#include "([a-z]+)\/.*/\1/' <<<"$text")
    case " $folders " in *" $target "*) ;; *) continue ;; esac
    case " ${allowed[$dir]} " in *" $target "*) ;; *)
      echo "$file:$line: $dir may not include $target: $text"
      bad=1 ;;
    esac
  done < <(grep -rnE '^\s*#\s*include "[a-z]+/' "$src/$dir" --include='*.h' --include='*.cpp')
done
[ $bad -eq 0 ] && echo "layers: every include goes downwards"
exit $bad
