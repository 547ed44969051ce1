# Sourced: the rows and release columns of packaging/architectures.txt, as
# the scripts ask them.
#   architectures [CODENAME]       the Debian names: every one, or those the
#                                  release builds for Debian CODENAME
#   debian_releases                the codenames of the release columns
#   architecture_field ARCH FIELD  triplet, qemu or machine of ARCH
#   package_version CODENAME       the version of the packages for CODENAME:
#                                  debian/changelog's, ~debNNu1 appended
#                                  (NN as distro-info numbers the release)
architectures_table=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/packaging/architectures.txt

# The release columns are the header's words between qemu and machine.
debian_releases() {
  awk '/^# debian / { for (i = 5; i < NF; i++) print $i; exit }' "$architectures_table"
}

architectures() {
  awk -v only="${1:-}" '
    /^# debian / { for (i = 5; i < NF; i++) column[$i] = i - 1 }
    /^#/ || !NF { next }
    only == "" { print $1; next }
    !(only in column) { print "no Debian release " only " in the table" > "/dev/stderr"; exit 1 }
    $column[only] == "yes" { print $1 }' "$architectures_table"
}

architecture_field() {
  local row releases
  row=$(awk -v arch="$1" '!/^#/ && $1 == arch' "$architectures_table")
  if [ -z "$row" ]; then
    echo "no architecture $1 in $architectures_table" >&2
    return 1
  fi
  releases=$(debian_releases | wc -l)
  case $2 in
    triplet) awk '{ print $2 }' <<<"$row" ;;
    qemu) awk '{ print $3 }' <<<"$row" ;;
    machine) awk -v first=$((4 + releases)) '{ for (i = 1; i < first; i++) $i = ""; sub(/^ +/, ""); print }' <<<"$row" ;;
    *) echo "architecture_field: no field $2" >&2; return 1 ;;
  esac
}

package_version() {
  local number
  number=$(debian-distro-info --series="$1" --release 2>/dev/null) || true
  if [ -z "$number" ]; then
    echo "distro-info knows no Debian release $1 (package distro-info, kept current by stable updates)" >&2
    return 1
  fi
  echo "$(dpkg-parsechangelog -l "$(dirname "$architectures_table")/../debian/changelog" -S Version)~deb${number}u1"
}
