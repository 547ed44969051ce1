# Sourced: clean Debian systems as tarballs, made by mmdebstrap in its
# unshare mode (no root, no mount on this machine: subordinate ids, which
# install-packages.sh sets up), from the archive this machine's apt uses.
# sbuild builds in them, autopkgtest and piuparts try packages in them.
# They are kept in ~/.cache/quorvin/ and made again when a week old; sbuild
# and autopkgtest bring them up to date with the archive before each use.
# gzip, which piuparts reads.
#
#   debian_system CODENAME ARCH VARIANT   prints the tarball's path, made
#       first if it is missing or old: VARIANT buildd for sbuild (with
#       build-essential), minbase for what a user's system has
#   debian_sources CODENAME               the apt lines of CODENAME: the
#       release, its updates and its security updates
debian_systems_cache=${XDG_CACHE_HOME:-$HOME/.cache}/quorvin
debian_systems_max_days=7

# Debian's archive and its security archive, as this machine's apt reaches
# them (the URIs of this release's suites), the public ones where apt has
# no such suite.
debian_archives() {
  local codename
  codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
  apt-get indextargets --format '$(REPO_URI) $(RELEASE)' 'Created-By: Packages' 2>/dev/null |
    awk -v codename="$codename" '
      $2 == codename && !main { main = $1 }
      $2 == codename "-security" && !security { security = $1 }
      END {
        print (main ? main : "http://deb.debian.org/debian/")
        print (security ? security : "http://deb.debian.org/debian-security/")
      }'
}

debian_sources() {
  local archives
  mapfile -t archives < <(debian_archives)
  echo "deb ${archives[0]} $1 main"
  echo "deb ${archives[0]} $1-updates main"
  echo "deb ${archives[1]} $1-security main"
}

debian_system() {
  local codename=$1 arch=$2 variant=$3 tarball new sources lines log
  tarball=$debian_systems_cache/$codename-$arch-$variant.tar.gz
  # mmdebstrap takes the format from the name, so the one made is named so.
  new=$debian_systems_cache/$codename-$arch-$variant.new.tar.gz
  sources=$(debian_sources "$codename")
  # Made from the same sources, and recently: kept.
  if [ -f "$tarball" ] && [ "$(cat "$tarball.sources" 2>/dev/null)" = "$sources" ] &&
     [ -z "$(find "$tarball" -mtime +$((debian_systems_max_days - 1)))" ]; then
    echo "$tarball"
    return 0
  fi
  mkdir -p "$debian_systems_cache"
  log=$debian_systems_cache/$codename-$arch-$variant.log
  echo "Making a clean $variant Debian $codename system for $arch with mmdebstrap ($log)" >&2
  mapfile -t lines <<<"$sources"
  # sbuild resolves a cross build's dependencies with aptitude (see
  # build-release.sh), which it would otherwise install at every build.
  local include=()
  [ "$variant" != buildd ] || include=(--include=aptitude)
  # dpkg's unsafe writes, kept in the system: it is thrown away after each
  # use, and dpkg installs the build dependencies sooner without syncs.
  if ! mmdebstrap --mode=unshare --variant="$variant" --architectures="$arch" "${include[@]}" \
         --dpkgopt=force-unsafe-io "$codename" "$new" "${lines[@]}" >"$log" 2>&1; then
    rm -f "$new"
    echo "mmdebstrap could not make a Debian $codename system for $arch from $(head -n 1 <<<"$sources" | cut -d' ' -f2): $(grep -E '^E: ' "$log" | tail -n 1)" >&2
    return 1
  fi
  mv "$new" "$tarball"
  echo "$sources" >"$tarball.sources"
  echo "$tarball"
}
