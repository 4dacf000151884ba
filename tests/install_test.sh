#!/bin/sh
# Installs the build into a temporary prefix and loads it from there in a plain
# wish under its own Xvfb, the package folder named only through TCLLIBPATH.
# usage: install_test.sh BUILD_DIR WISH SCRIPT SAMPLE_MODEL INSTALL_DIR
build=$1 wish=$2 script=$3 sample=$4 subdir=$5
prefix=$(mktemp -d)
cmake --install "$build" --prefix "$prefix" >/dev/null || { rm -rf "$prefix"; exit 1; }
folder="$prefix/$subdir"
ls "$folder/Druvex1.0"
TCLLIBPATH="$folder" DRUVEX_INSTALLED="$folder/Druvex1.0" DRUVEX_SAMPLE="$sample" \
    sh "$(dirname "$0")/tcl/run_test.sh" "$wish" none "$script"
rc=$?
rm -rf "$prefix"
exit $rc
