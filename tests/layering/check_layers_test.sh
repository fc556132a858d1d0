#!/usr/bin/env bash
# The layering check on small trees: a clean one passes, and each wrong include
# alone fails it with the file and line named.
# Usage: check_layers_test.sh CHECK_SCRIPT
set -u
check=${1:?usage: check_layers_test.sh CHECK_SCRIPT}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0

# A core that keeps its layers, with the includes each layer may use.
clean_tree() {
  rm -rf "$scratch/tree"
  mkdir -p "$scratch/tree/decode" "$scratch/tree/record" "$scratch/tree/files"
  printf '#pragma once\n#include <string>\n#include <sys/stat.h>\n' > "$scratch/tree/decode/reading.h"
  printf '#include "decode/reading.h"\n#include <vector>\n' > "$scratch/tree/decode/reading.cpp"
  printf '#pragma once\n#include "decode/reading.h"\n#include "record/table.h"\n' > "$scratch/tree/record/table.h"
  printf '#include "record/table.h"\n#include "decode/reading.h"\n#include "files/data.h"\n#include <unistd.h>\n' \
    > "$scratch/tree/files/data.cpp"
}

clean_tree
if ! out=$("$check" "$scratch/tree" 2>&1); then
  echo "FAIL: a clean core is refused:"; echo "$out"; failures=$((failures + 1))
fi

# file | line written into it | what the report must name
cases=(
  'decode/frame.h|#include "record/table.h"|decode/frame.h:2: includes "record/table.h"'
  'decode/frame.cpp|#include "files/data.h"|decode/frame.cpp:2: includes "files/data.h"'
  'decode/frame.cpp|#include <QString>|decode/frame.cpp:2: includes <QString>'
  'decode/frame.cpp|#include <hidapi/hidapi.h>|decode/frame.cpp:2: includes <hidapi/hidapi.h>'
  'decode/sub/frame.cpp|#include "../record/table.h"|decode/sub/frame.cpp:2: includes "../record/table.h"'
  'decode/frame.cpp|#include "serial/comm_port_driver.h"|decode/frame.cpp:2: includes "serial/comm_port_driver.h"'
  'record/rule.cpp|#include "files/data.h"|record/rule.cpp:2: includes "files/data.h"'
  'record/rule.cpp|  #  include <QtCore/QObject>|record/rule.cpp:2: includes <QtCore/QObject>'
  'record/rule.h|#include <libudev.h>|record/rule.h:2: includes <libudev.h>'
  'files/save.cpp|#include "hid/hid_device.h"|files/save.cpp:2: includes "hid/hid_device.h"'
  'files/save.cpp|#include "app/tfcomm.h"|files/save.cpp:2: includes "app/tfcomm.h"'
  'files/save.cpp|#include <termios.h>|files/save.cpp:2: includes <termios.h>'
  'files/save.cpp|#include "data.h"|files/save.cpp:2: includes "data.h"'
)
for entry in "${cases[@]}"; do
  IFS='|' read -r file line expected <<< "$entry"
  clean_tree
  mkdir -p "$(dirname "$scratch/tree/$file")"
  printf '// under test\n%s\n' "$line" > "$scratch/tree/$file"
  if out=$("$check" "$scratch/tree" 2>&1); then
    echo "FAIL: $file with '$line' passed the check"; failures=$((failures + 1))
  elif [[ $out != *"$expected"* ]]; then
    echo "FAIL: $file with '$line': report does not name '$expected':"; echo "$out"; failures=$((failures + 1))
  fi
done

# A wrong root is a fault, not a clean pass.
if "$check" "$scratch/no-such-tree" > /dev/null 2>&1; then
  echo "FAIL: a missing core passed the check"; failures=$((failures + 1))
fi

[ "$failures" -eq 0 ] && echo "layering check: all cases behave" || exit 1
