#!/usr/bin/env bash
# Runs the include-graph script on planted trees: one clean tree, then one
# fault at a time; each must give the expected exit status and name the
# offending include.
set -uo pipefail
script="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# A clean tree: each folder includes only folders below it, a file includes
# one of its own folder by a relative name, and a test may include anything.
plant_clean() {
  rm -rf "$work/tree" && mkdir -p "$work/tree"
  cd "$work/tree" || exit 1
  mkdir -p app views model xmlfile platform/com platform/version/gen tests/unit
  echo '#include "views/View.h"'            > app/App.cpp
  echo '#include "model/Doc.h"'             > views/View.h
  printf '#include "xmlfile/Xml.h"\n#include "Rows.h"\n' > model/Doc.h
  echo '#include "platform/com/Com.h"'      > model/Rows.h
  echo '#include <QString>'                 > xmlfile/Xml.h
  echo '#include "platform/version/Ver.h"'  > platform/version/gen/Gen.cpp
  echo ''                                   > platform/version/Ver.h
  echo ''                                   > platform/com/Com.h
  echo '#include "app/App.cpp"'             > tests/unit/AppTest.cpp
}

# case: NAME, command planting the fault, expected status, expected text
check() {
  local name="$1" plant="$2" status="$3" text="$4"
  plant_clean
  eval "$plant"
  local out rc
  out=$("$script" "$work/tree" 2>&1)
  rc=$?
  if [ "$rc" != "$status" ] || ! grep -qF -- "$text" <<<"$out"; then
    echo "FAIL $name: status $rc (want $status), output:"
    echo "$out" | sed 's/^/    /'
    failures=$((failures + 1))
  else
    echo "ok   $name"
  fi
}

check "clean tree passes and prints the folder graph" \
  ':' 0 "model                -> xmlfile                 1"
check "a program's generator belongs to its folder" \
  ':' 0 "No include points upward"
check "an upward include fails with its file and line" \
  'printf "\n#include \"views/View.h\"\n" >> model/Rows.h' 1 \
  "model/Rows.h:3: model includes views/View.h from views, which is above it"
check "an include between folders of one level fails" \
  'mkdir -p cli sim && echo "#include \"sim/Sim.h\"" > cli/Cli.cpp && echo "" > sim/Sim.h' 1 \
  "cli/Cli.cpp:1: cli includes sim/Sim.h from sim, which is beside it"
check "files of two folders including each other are a cycle" \
  'echo "#include \"model/Doc.h\"" > xmlfile/Xml.h' 1 \
  "cycle between folders: model/Doc.h <-> xmlfile/Xml.h"
check "a folder outside the order fails" \
  'mkdir -p gadgets && echo "" > gadgets/Gadget.cpp' 1 \
  "gadgets/: folder has no place in the layer order"
check "product code may not include test code" \
  'echo "" > tests/unit/Fake.h && echo "#include \"tests/unit/Fake.h\"" >> views/View.h' 1 \
  "views/View.h:2: includes tests/unit/Fake.h, which is test or tool code"
check "a missing source folder is a usage error" \
  'rm -rf "$work/tree"' 2 "no such folder"

[ "$failures" -eq 0 ] || { echo "$failures case(s) failed"; exit 1; }
