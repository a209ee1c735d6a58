# Sourced by the run and test scripts: makes sure the Debian packages they need are there.
# As root it installs what is missing with apt-get; otherwise it prints the line to run.

ensure_packages() {
    local missing=()
    local package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -eq 0 ]; then
        echo "Installing ${missing[*]}"
        export DEBIAN_FRONTEND=noninteractive
        apt-get update -qq
        apt-get install -y -qq --no-install-recommends "${missing[@]}"
    else
        echo "Missing Debian packages. Install them with:" >&2
        echo "    sudo apt-get install ${missing[*]}" >&2
        exit 1
    fi
}

# What every build needs.
BUILD_PACKAGES=(cmake make g++ qtbase5-dev qtbase5-dev-tools qttools5-dev-tools libqt5svg5-dev fonts-dejavu-core)
