#!/usr/bin/env bash
# check_layers_test.sh CHECKER SOURCE_ROOT RULE...: the include check with the build's own rules,
# on the source tree (which must pass) and on small trees with one include each, good or bad.
set -u
checker=$1
source_root=$2
shift 2
rules=("$@")

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failed=0

# A tree whose only file is FILE with LINE, checked; prints the checker's output.
check_one() {  # file, line
  local tree
  tree=$(mktemp -d "$scratch/tree.XXXX")
  mkdir -p "$tree/$(dirname "$1")"
  printf '// fixture\n%s\nint x;\n' "$2" > "$tree/$1"
  bash "$checker" "$tree" "${rules[@]}" 2>&1
}

expect_pass() {  # file, line
  local out
  if ! out=$(check_one "$1" "$2"); then
    echo "FAIL: $1 with '$2' was refused: $out"
    failed=1
  fi
}

expect_fail() {  # file, line, text the report must hold
  local out
  if out=$(check_one "$1" "$2"); then
    echo "FAIL: $1 with '$2' passed"
    failed=1
  elif [[ $out != *"$3"* ]]; then
    echo "FAIL: $1 with '$2': the report lacks '$3': $out"
    failed=1
  fi
}

# The tree as it stands obeys its layers.
if ! out=$(bash "$checker" "$source_root" "${rules[@]}" 2>&1); then
  echo "FAIL: the source tree breaks its layers: $out"
  failed=1
fi

# Upward includes, with the file and line in the report.
expect_fail catalog/model_catalog.cpp '#include "ui/install_dlg.h"' \
  'catalog/model_catalog.cpp:2: includes "ui/install_dlg.h"'
expect_fail log/log.cpp '#include "payload/load_data.h"' 'log/ may include only itself and: platform'
expect_fail ui/install_dlg.h '#include "app/install_app.h"' 'includes "app/install_app.h"'
expect_fail payload/inflate_entry.cpp '  #  include "catalog/json_file.h"' 'includes "catalog/json_file.h"'
# Sideways: ports may use the catalog but not the payload.
expect_pass ports/usb_detect.cpp '#include "catalog/model_catalog.h"'
expect_fail ports/usb_detect.cpp '#include "payload/load_data.h"' 'includes "payload/load_data.h"'
# Downward and within the folder.
expect_pass app/install_app.cpp '#include "ui/install_dlg.h"'
expect_pass install/engine.cpp '#include "payload/extract_install.h"'
expect_pass catalog/json_file.cpp '#include "json_file.h"'
# The platform interfaces, not the backends; the window framework only for the dialogs.
expect_pass log/log.cpp '#include "platform/files.h"'
expect_fail log/log.cpp '#include "platform/sim/sim_machine.h"' 'includes "platform/sim/sim_machine.h"'
expect_fail ui/install_dlg.cpp '#include "platform/win32/win32_machine.h"' 'platform/win32/win32_machine.h'
expect_fail platform/machine.h '#include "log/log.h"' 'includes "log/log.h"'
expect_pass ui/install_dlg.h '#include "platform/window_framework.h"'
expect_fail payload/extract_install.cpp '#include "platform/window_framework.h"' \
  'includes "platform/window_framework.h"'
expect_fail catalog/model_catalog.cpp '#include "platform/window_framework.h"' \
  'includes "platform/window_framework.h"'
expect_pass platform/sim/sim_dialog.h '#include "platform/window_framework.h"'
# Windows headers only in platform/win32.
expect_fail app/install_app.cpp '#include <windows.h>' 'may not include Windows headers'
expect_fail ports/usb_detect.cpp '#include <SetupAPI.h>' 'may not include Windows headers'
expect_pass platform/win32/win32_files.cpp '#include <windows.h>'
expect_pass catalog/json_file.cpp '#include <cjson/cJSON.h>'
# The service sits beside the installation engine: ports below it, no installation engine, no
# Windows header outside its win32 entry.
expect_pass service/printer_monitor.cpp '#include "ports/usb_port_list.h"'
expect_fail service/printer_monitor.cpp '#include "install/install_target.h"' 'includes "install/install_target.h"'
expect_fail service/service_loop.cpp '#include <windows.h>' 'may not include Windows headers'
expect_pass service/win32/service_main.cpp '#include <windows.h>'
expect_fail service/win32/service_main.cpp '#include "ui/install_dlg.h"' 'includes "ui/install_dlg.h"'
# The text helpers sit below the platform: every layer may use them, they use nothing.
expect_pass platform/registry.cpp '#include "text/utf16.h"'
expect_fail text/case_fold.cpp '#include "platform/last_error.h"' \
  'text/case_fold.cpp:2: includes "platform/last_error.h"; text/ may include only itself and: nothing'
# A line that only mentions an include is not one.
expect_pass catalog/json_file.cpp '// #include "ui/install_dlg.h"'

# The programs' Windows entries (ui/win32, uninstall/win32) reach the real machine and their own
# program's logic, nothing beside it.
expect_pass ui/win32/win_main.cpp '#include "platform/win32/win32_machine.h"'
expect_pass uninstall/win32/uninstaller_main.cpp '#include <windows.h>'
expect_fail uninstall/win32/uninstaller_main.cpp '#include "service/service_loop.h"' 'includes "service/service_loop.h"'
expect_fail ui/win32/win_main.cpp '#include "platform/sim/sim_machine.h"' 'includes "platform/sim/sim_machine.h"'
# Folders without rules (the tests) are not checked.
expect_pass tests/unit/log/log_test.cpp '#include "platform/sim/sim_machine.h"'

if [ $failed = 0 ]; then echo "check_layers: all cases as expected"; fi
exit $failed
