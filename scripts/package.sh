#!/usr/bin/env bash
# Builds the Release configuration and the Debian package from it:
# build-package/morva-manager_<version>_<arch>.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release -DMORVA_BENCH=OFF >/dev/null
cmake --build build-package -j "$(nproc)"
(cd build-package && cpack -G DEB)
ls build-package/morva-manager_*.deb
