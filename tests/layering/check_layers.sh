#!/usr/bin/env bash
# Reads every #include of the Qt-free core under SOURCE_ROOT and fails on one
# that reaches past its layer. The core is linked one way, files -> record -> decode:
#   decode/ includes "decode/..." only; record/ also "decode/..."; files/ all three.
# No core file includes Qt, the window (app/), a device layer (serial/, hid/) or a
# device header (hidapi, libudev, termios, linux/, sys/ioctl). Quoted includes
# name their module ("decode/x.h"), never a relative path.
# Usage: check_layers.sh SOURCE_ROOT
set -u
root=${1:?usage: check_layers.sh SOURCE_ROOT}

declare -A allowed=(
  [decode]='decode'
  [record]='decode|record'
  [files]='decode|record|files'
)
forbidden_system='^(Q[A-Za-z]|q[a-z0-9_]*\.h$|hidapi|libudev\.h$|termios\.h$|linux/|sys/ioctl\.h$|asm/)'

faults=0
report() { echo "$1: $2"; faults=$((faults + 1)); }

for module in decode record files; do
  dir="$root/$module"
  if [ ! -d "$dir" ]; then
    report "$module/" "folder missing under $root"
    continue
  fi
  while IFS= read -r -d '' file; do
    rel=${file#"$root"/}
    lineno=0
    while IFS= read -r line; do
      lineno=$((lineno + 1))
      [[ $line =~ ^[[:space:]]*#[[:space:]]*include(_next)?[[:space:]]*([\"\<])([^\"\>]*)[\"\>] ]] || continue
      kind=${BASH_REMATCH[2]}
      target=${BASH_REMATCH[3]}
      if [ "$kind" = '"' ]; then
        if ! [[ $target =~ ^(${allowed[$module]})/[^.] ]] || [[ $target == *..* ]]; then
          report "$rel:$lineno" "includes \"$target\": $module/ may include only ${allowed[$module]//|//, }/ of the core"
        fi
      elif [[ $target =~ $forbidden_system ]]; then
        report "$rel:$lineno" "includes <$target>: the core has no Qt or device headers"
      fi
    done < "$file"
  done < <(find "$dir" -type f \( -name '*.h' -o -name '*.hpp' -o -name '*.cpp' -o -name '*.cc' \) -print0 | sort -z)
done

if [ "$faults" -ne 0 ]; then
  echo "layering: $faults fault(s) in the core's layers"
  exit 1
fi
echo "layering: decode, record and files include only what their layer may"
