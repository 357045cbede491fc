#!/usr/bin/env bash
# The Debian package as a user would get it: made with cpack from this build, it must have every
# file in its place, pass lintian without an error or warning (overridden ones aside), carry valid
# AppStream metadata, and install with apt-get into a throw-away root, from which the program runs.
#   check-package.sh <build directory>
# Exits 77 (skipped) when a packaging tool is missing: scripts/setup test installs them.
set -euo pipefail
build=$(realpath "$1")

for tool in cpack dpkg-deb dpkg-shlibdeps lintian appstreamcli apt-get; do
    if ! command -v "$tool" >/dev/null; then
        echo "check-package: skipped, $tool is missing (scripts/setup test installs it)"
        exit 77
    fi
done
as_root=()
if [ "$(id -u)" -ne 0 ]; then
    command -v fakeroot >/dev/null || { echo "check-package: skipped, fakeroot is missing"; exit 77; }
    as_root=(fakeroot)
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "check-package: $*"
    exit 1
}

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || {
    cat "$work/cpack.log"
    fail "cpack failed"
}
deb=$(ls "$work"/out/vireon-feeder_*_*.deb)
echo "package: $(basename "$deb"), $(du -k "$deb" | cut -f1) KiB"

dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$work/files"
expected=(
    /usr/bin/vireon-feeder
    /usr/share/applications/vireon-feeder.desktop
    /usr/share/icons/hicolor/48x48/apps/vireon-feeder.png
    /usr/share/metainfo/network.vireon.feeder.metainfo.xml
    /usr/share/man/man1/vireon-feeder.1.gz
    /usr/share/doc/vireon-feeder/copyright
    /usr/share/doc/vireon-feeder/changelog.gz
    /usr/lib/systemd/user/vireon-feeder.service
)
[ -x "$build/bin/readsb" ] && expected+=(/usr/libexec/vireon-feeder/readsb)
for file in "${expected[@]}"; do
    grep -qxF "$file" "$work/files" || fail "$file is missing from the package"
done
depends=$(dpkg-deb -f "$deb" Depends)
for dependency in librtlsdr0 libqt6core6 libc6; do
    [[ ", $depends" == *", $dependency"* ]] || fail "Depends lacks $dependency: $depends"
done

dpkg-deb -x "$deb" "$work/contents"
grep -qx 'ExecStart=/usr/bin/vireon-feeder --headless' "$work/contents/usr/lib/systemd/user/vireon-feeder.service" ||
    fail "the user service does not start /usr/bin/vireon-feeder --headless"
appstreamcli validate --no-net "$work/contents/usr/share/metainfo/network.vireon.feeder.metainfo.xml" >"$work/appstream.log" || {
    cat "$work/appstream.log"
    fail "the AppStream metadata is not valid"
}

# Errors and warnings fail; what is overridden is listed in packaging/lintian-overrides with why.
if ! lintian --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1; then
    cat "$work/lintian.log"
    fail "lintian found errors or warnings"
fi
echo "lintian: no errors or warnings"


# A root of its own whose package database lists what this machine has installed, so apt-get resolves
# the package's dependencies against this machine and dpkg unpacks only the package itself. apt reads
# its configuration from that root too, so none of this machine's hooks run.
root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/var/lib/apt/lists/partial" \
    "$root/var/cache/apt/archives/partial" "$root/var/log/apt" "$root/etc/apt/apt.conf.d" \
    "$root/etc/apt/sources.list.d" "$root/etc/apt/preferences.d"
touch "$root/etc/apt/sources.list" "$root/var/lib/dpkg/available"
cp /var/lib/dpkg/status "$root/var/lib/dpkg/status"
dpkg-query -W -f='${binary:Package}\n' | sed "s|.*|$root/var/lib/dpkg/info/&.list|" | xargs touch
cat >"$work/apt.conf" <<CONF
Dir "$root/";
Dir::Bin::dpkg "/usr/bin/dpkg";
Debug::NoLocking "true";
DPkg::Options { "--root=$root"; "--admindir=$root/var/lib/dpkg"; "--log=$root/var/log/dpkg.log";
                "--force-script-chrootless"; };
CONF
cp "$deb" "$work/vireon-feeder.deb"
APT_CONFIG=$work/apt.conf "${as_root[@]}" apt-get install -y "$work/vireon-feeder.deb" >"$work/apt.log" 2>&1 || {
    cat "$work/apt.log"
    fail "apt-get could not install the package"
}
dpkg-query --admindir="$root/var/lib/dpkg" -W -f='${Status}\n' vireon-feeder | grep -qx 'install ok installed' ||
    fail "the package is not installed in the throw-away root"

version=$("$root/usr/bin/vireon-feeder" --version) || fail "vireon-feeder --version failed from the installed package"
echo "installed: $version"
[[ $version == "vireon-feeder $(dpkg-deb -f "$deb" Version) (build "* ]] || fail "unexpected version: $version"
if [ -x "$build/bin/readsb" ]; then
    # The program finds its decoder where the package put it.
    mkdir -p "$work/xdg" "$work/run"
    chmod 700 "$work/run"
    XDG_CONFIG_HOME=$work/xdg XDG_RUNTIME_DIR=$work/run "$root/usr/bin/vireon-feeder" --report 2>/dev/null |
        grep -qF "Decoder: $root/usr/libexec/vireon-feeder/readsb" ||
        fail "the installed program does not find the installed decoder"
fi
