#!/usr/bin/env bash
# Installs, builds and runs the demo on the virtual sensor: eight seconds of the
# simulated room, reported on the terminal, with the last frame written as
# depth.png, labels.png and image.png into demo-output/.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)" --target orvo_openni_demo
OPEN_NI_INSTALL_PATH="$PWD/build/demo/sensor" build/demo/orvo_openni_demo build/demo/sensor/VirtualSensor.xml 240 demo-output "$@"
