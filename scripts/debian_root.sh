# A fresh Debian 12 root (debootstrap minbase) to run things in as a new machine would, with
# nothing of this machine's installed packages in it. Used by .ci/run and
# scripts/package_install_test.sh; source it, then:
#
#   debian_root_create DIR    debootstrap into DIR from this machine's own mirror, and mount
#                             /proc, /sys and /dev inside it
#   debian_root_run DIR CMD   run CMD as root inside, with a clean environment (HOME=/root)
#   debian_root_remove DIR    unmount what is mounted below DIR, then delete DIR
#
# Needs root. Installs debootstrap on this machine when it is missing.

debian_root_mirror() {
    local mirror
    mirror=$(awk '/^URIs:/ && !/security/ {print $2; exit}' /etc/apt/sources.list.d/*.sources \
        2>/dev/null || true)
    [ -n "$mirror" ] || mirror=$(awk '/^deb / && !/security/ {print $2; exit}' \
        /etc/apt/sources.list 2>/dev/null || true)
    echo "${mirror:-http://deb.debian.org/debian}"
}

debian_root_security_mirror() {
    { awk '/^URIs:/ && /security/ {print $2; exit}' /etc/apt/sources.list.d/*.sources 2>/dev/null
      awk '/^deb / && /security/ {print $2; exit}' /etc/apt/sources.list 2>/dev/null; } |
        head -n 1 || true
}

# The root's apt sources are a stock Debian 12's (main, updates, security) on this machine's
# mirror; of this machine's apt settings only how it reaches the mirror is carried over.
debian_root_write_apt_sources() {
    local dir=$1 mirror security
    mirror=$(debian_root_mirror)
    security=$(debian_root_security_mirror)
    rm -f "$dir/etc/apt/sources.list"
    {
        printf 'Types: deb\nURIs: %s\nSuites: bookworm bookworm-updates\nComponents: main\n' \
            "$mirror"
        printf 'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg\n'
        if [ -n "$security" ]; then
            printf '\nTypes: deb\nURIs: %s\nSuites: bookworm-security\nComponents: main\n' \
                "$security"
            printf 'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg\n'
        fi
    } >"$dir/etc/apt/sources.list.d/debian.sources"
    apt-config dump 2>/dev/null |
        grep -E '^Acquire::(https?::Proxy|Check-Valid-Until|Check-Date|Retries) ' \
            >"$dir/etc/apt/apt.conf.d/10mirror-access" || true
}

debian_root_create() {
    local dir=$1
    command -v debootstrap >/dev/null || {
        apt-get update -qq
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap
    }
    mkdir -p "$dir"
    # It becomes "/": services that drop root (icecast2) must be able to enter it.
    chmod 0755 "$dir"
    if ! debootstrap --variant=minbase bookworm "$dir" "$(debian_root_mirror)" \
        >"$dir.debootstrap.log" 2>&1; then
        tail -20 "$dir.debootstrap.log" >&2
        return 1
    fi
    rm -f "$dir.debootstrap.log"
    debian_root_write_apt_sources "$dir"
    cp /etc/resolv.conf "$dir/etc/resolv.conf"
    # Services that packages would start (icecast2, dbus) stay off: this is no booted system.
    printf '#!/bin/sh\nexit 101\n' >"$dir/usr/sbin/policy-rc.d"
    chmod 755 "$dir/usr/sbin/policy-rc.d"
    mount -t proc proc "$dir/proc"
    mount -t sysfs sysfs "$dir/sys"
    # The whole /dev with its submounts: WebEngine needs /dev/shm, terminals /dev/pts.
    mount --rbind /dev "$dir/dev"
    mount --make-rslave "$dir/dev"
}

debian_root_run() {
    local dir=$1
    shift
    chroot "$dir" /usr/bin/env -i HOME=/root USER=root LOGNAME=root LANG=C.UTF-8 \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        DEBIAN_FRONTEND=noninteractive ${CI:+CI=$CI} TERM=dumb "$@"
}

debian_root_remove() {
    local dir=$1 mounts
    [ -d "$dir" ] || return 0
    # Deepest first, so that nothing below a mount point holds it.
    mounts=$(awk -v d="$dir/" 'index($5, d) == 1 {print $5}' /proc/self/mountinfo | sort -r)
    for m in $mounts; do umount -l "$m" 2>/dev/null || true; done
    if awk -v d="$dir/" 'index($5, d) == 1 {found = 1} END {exit !found}' /proc/self/mountinfo
    then
        echo "debian root: $dir still has mounts; left in place" >&2
        return 1
    fi
    # Never across a file system: whatever is still mounted below stays untouched.
    rm -rf --one-file-system "$dir"
}
