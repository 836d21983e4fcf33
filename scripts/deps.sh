# Sourced by ./run and ./test: installs the Debian packages the build needs
# when they are missing. Needs root or sudo only when something is missing.

tavrel_packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-serialport-dev libqt6sql6-sqlite
    libgl-dev
    mdbtools-dev libxlsxwriter-dev libssl-dev
    sqlite3
    unzip poppler-utils
    ccache
    xvfb xauth
    fonts-dejavu-core fonts-noto-cjk
    qt6-translations-l10n
    qt6-charts-dev libqt6opengl6-dev qt6-httpserver-dev qt6-websockets-dev libqt6sql6-psql
    libsodium-dev libcurl4-openssl-dev
    libjs-chart.js
    postgresql
    chromium chromium-driver python3-selenium python3-aiosmtpd
)

tavrel_install_deps() {
    local missing=()
    local p
    for p in "${tavrel_packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing missing packages: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null 2>&1; then
            sudo=(sudo)
        else
            echo "error: missing packages (${missing[*]}) and neither root nor sudo to install them" >&2
            return 1
        fi
    fi
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

tavrel_jobs() {
    nproc 2>/dev/null || echo 2
}
