# Sourced by the developer commands and CI.

# Runs a command as root: through sudo when not root already.
asroot() {
    if [ "$(id -u)" = 0 ]; then
        "$@"
    elif command -v sudo >/dev/null; then
        sudo "$@"
    else
        echo "Not root and no sudo: run '$*' as root, then run this again." >&2
        return 1
    fi
}

# Installs the Debian or Ubuntu packages that are missing, and nothing when all are there.
# Each argument is "package:check", where the check is a command that must be on PATH or,
# starting with a slash, a file that must exist (a pattern: one match is enough).
needpackages() {
    local missing=() item package check
    for item in "$@"; do
        package=${item%%:*}
        check=${item#*:}
        if [[ $check == /* ]]; then
            compgen -G "$check" >/dev/null || missing+=("$package")
        else
            command -v "$check" >/dev/null || missing+=("$package")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" != 0 ] && ! command -v sudo >/dev/null; then
        echo "Not root and no sudo: install ${missing[*]} as root, then run this again." >&2
        return 1
    fi
    echo "== installing ${missing[*]}"
    asroot env DEBIAN_FRONTEND=noninteractive apt-get update &&
        asroot env DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
}

# CMake 3.25 or later; older Ubuntu releases (22.04 has 3.22) need a newer one from elsewhere.
checkcmake() {
    local version
    version=$(cmake --version | sed -n '1s/^cmake version \([0-9]*\.[0-9]*\).*/\1/p')
    if [ "$(printf '%s\n' 3.25 "$version" | sort -V | head -n 1)" != 3.25 ]; then
        echo "CMake 3.25 or later is needed; this one is $version." >&2
        echo "Get a newer one (for instance 'pip install cmake'), first on PATH." >&2
        return 1
    fi
}
