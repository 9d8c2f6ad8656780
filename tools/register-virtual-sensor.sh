#!/usr/bin/env bash
# Registers the virtual sensor in a private OpenNI module registry:
#   <folder>/var/lib/ni/modules.xml  lists the virtual sensor and the framework's
#                                   mock nodes, codecs and recorder modules;
#   <folder>/VirtualSensor.xml      a ready configuration with depth, image,
#                                   user and scene nodes.
# Prints the line that points the framework at the registry; the system
# registry is left alone (see README.md for installing there).
#
#   eval "$(tools/register-virtual-sensor.sh /tmp/sensor)"
set -euo pipefail

usage() {
    cat <<'USAGE'
Usage: register-virtual-sensor.sh [options] <folder>
  --module PATH     libOrvoVirtualSensor.so (default: found in the repository's build folders)
  --pacing P        RealTime (default) or FreeRunning
  --scenario S      TwoPeople (default), OnePerson or Empty
  --seed N          varies the people a little (default 0)
  --quiet           print nothing
USAGE
}

die() {
    echo "register-virtual-sensor.sh: $*" >&2
    exit 1
}

module=""
pacing="RealTime"
scenario="TwoPeople"
seed="0"
quiet=false
folder=""
while [ $# -gt 0 ]; do
    case "$1" in
        --module) module="${2:?--module needs a path}"; shift 2 ;;
        --pacing) pacing="${2:?--pacing needs a value}"; shift 2 ;;
        --scenario) scenario="${2:?--scenario needs a value}"; shift 2 ;;
        --seed) seed="${2:?--seed needs a value}"; shift 2 ;;
        --quiet) quiet=true; shift ;;
        -h | --help) usage; exit 0 ;;
        -*) usage >&2; die "unknown option $1" ;;
        *) [ -z "$folder" ] || die "one folder only"; folder="$1"; shift ;;
    esac
done
[ -n "$folder" ] || { usage >&2; exit 2; }
case "$pacing" in RealTime | FreeRunning) ;; *) die "pacing is RealTime or FreeRunning, not '$pacing'" ;; esac
case "$scenario" in TwoPeople | OnePerson | Empty) ;; *) die "scenario is TwoPeople, OnePerson or Empty, not '$scenario'" ;; esac
[[ "$seed" =~ ^[0-9]+$ ]] || die "the seed is a whole number, not '$seed'"

root="$(cd "$(dirname "$0")/.." && pwd)"
if [ -z "$module" ]; then
    for candidate in "$root"/build/modules/virtual-sensor/libOrvoVirtualSensor.so \
        "$root"/build*/modules/virtual-sensor/libOrvoVirtualSensor.so; do
        if [ -f "$candidate" ]; then
            module="$candidate"
            break
        fi
    done
fi
[ -n "$module" ] && [ -f "$module" ] || die "cannot find libOrvoVirtualSensor.so: build the project or pass --module"
module="$(realpath "$module")"

framework_module() {
    local dir
    for dir in /usr/lib /usr/lib/*-linux-gnu /usr/local/lib; do
        if [ -f "$dir/$1" ]; then
            realpath "$dir/$1"
            return
        fi
    done
    die "cannot find the framework's $1 (Debian package libopenni0)"
}

xml_escaped() {
    local text="$1"
    text="${text//&/&amp;}"
    text="${text//</&lt;}"
    text="${text//>/&gt;}"
    text="${text//\"/&quot;}"
    printf '%s' "$text"
}

mkdir -p "$folder/var/lib/ni"
folder="$(realpath "$folder")"

{
    echo "<Modules>"
    for path in "$module" "$(framework_module libnimMockNodes.so.0)" "$(framework_module libnimCodecs.so.0)" \
        "$(framework_module libnimRecorder.so.0)"; do
        echo "    <Module path=\"$(xml_escaped "$path")\" />"
    done
    echo "</Modules>"
} > "$folder/var/lib/ni/modules.xml"

cat > "$folder/VirtualSensor.xml" <<XML
<!-- The virtual sensor: a simulated room with people in it.
     Scenario: TwoPeople, OnePerson or Empty. Seed: varies sizes, colours,
     places and times a little. Pacing: RealTime (frames at the output mode's
     rate) or FreeRunning (every update brings the next frame at once).
     The settings belong to the whole sensor: set them on any one node.
     <AlternativeViewPoint>Image</AlternativeViewPoint> in the depth node's
     configuration registers the depth camera to the image camera. -->
<OpenNI>
  <ProductionNodes>
    <Node type="Image" name="Image">
      <Query><Vendor>Orvo</Vendor></Query>
      <Configuration>
        <MapOutputMode xRes="640" yRes="480" FPS="30"/>
        <Mirror on="false"/>
      </Configuration>
    </Node>
    <Node type="Depth" name="Depth">
      <Query><Vendor>Orvo</Vendor></Query>
      <Configuration>
        <MapOutputMode xRes="640" yRes="480" FPS="30"/>
        <Mirror on="false"/>
        <Property type="string" name="Scenario" value="$scenario"/>
        <Property type="int" name="Seed" value="$seed"/>
        <Property type="string" name="Pacing" value="$pacing"/>
      </Configuration>
    </Node>
    <Node type="User" name="User">
      <Query><Vendor>Orvo</Vendor></Query>
    </Node>
    <Node type="Scene" name="Scene">
      <Query><Vendor>Orvo</Vendor></Query>
    </Node>
  </ProductionNodes>
</OpenNI>
XML

if ! $quiet; then
    echo "export OPEN_NI_INSTALL_PATH=$folder"
fi
