#!/usr/bin/env bash
# Checks the include layering of src/: only src/platform/ includes SDL,
# OpenGL, EGL, epoxy, socket, OS or codec headers, and only the physics
# sources (src/physics/*.cpp) and the tank's (src/game/Tank.cpp) include ODE.
# Lists each include that breaks a rule by file and line and fails if there
# is any.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    mapfile -t files < <(git ls-files -- 'src/*.cpp' 'src/*.h')
else
    mapfile -t files < <(find src -name '*.cpp' -o -name '*.h' | sort)
fi

# Headers by the path they are included with.
platform='SDL[^/]*|SDL2/.*|GL/.*|GLES[^/]*/.*|EGL/.*|KHR/.*|epoxy/.*'
platform+='|sys/.*|netinet/.*|arpa/.*|net/if\.h|netdb\.h|ifaddrs\.h|poll\.h|unistd\.h|fcntl\.h'
platform+='|dlfcn\.h|signal\.h|csignal|pthread\.h|dirent\.h|termios\.h|spawn\.h|sched\.h|linux/.*'
platform+='|windows\.h|winsock2?\.h|ws2tcpip\.h|mmsystem\.h|d3d9\.h|d3dx9\.h|dinput\.h|dsound\.h'
platform+='|vorbis/.*|ogg/.*|png\.h|pngconf\.h|jpeglib\.h|jerror\.h|jconfig\.h|zlib\.h'
ode='ode/.*'

report=$(awk -v platform="^($platform)\$" -v ode="^($ode)\$" '
FNR == 1 {
    inPlatform = FILENAME ~ /^src\/platform\//
    mayUseOde = FILENAME ~ /^src\/physics\/[^\/]*\.cpp$/ || FILENAME == "src/game/Tank.cpp"
}
/^[ \t]*#[ \t]*include[ \t]*[<"]/ {
    header = $0
    sub(/^[ \t]*#[ \t]*include[ \t]*[<"]/, "", header)
    sub(/[>"].*$/, "", header)
    if (!inPlatform && header ~ platform) {
        printf "%s:%d: includes <%s>: only src/platform/ may\n", FILENAME, FNR, header
    } else if (!mayUseOde && header ~ ode) {
        printf "%s:%d: includes <%s>: only src/physics/*.cpp and src/game/Tank.cpp may\n", \
            FILENAME, FNR, header
    }
}
' "${files[@]}")
if [[ -n "$report" ]]; then
    echo "$report" >&2
    echo "layering check: $(wc -l <<<"$report") include(s) out of place" >&2
    exit 1
fi
echo "layering check: ${#files[@]} files keep their layers"
