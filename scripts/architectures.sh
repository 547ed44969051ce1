# Sourced: the rows of packaging/architectures.txt, as the scripts ask them.
#   architectures [release]        the Debian names, every one or the release's
#   architecture_field ARCH FIELD  triplet, qemu, release or machine of ARCH
architectures_table=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/packaging/architectures.txt

architectures() {
  awk -v only="${1:-}" '!/^#/ && NF && (only == "" || $4 == "yes") { print $1 }' "$architectures_table"
}

architecture_field() {
  local row
  row=$(awk -v arch="$1" '!/^#/ && $1 == arch' "$architectures_table")
  if [ -z "$row" ]; then
    echo "no architecture $1 in $architectures_table" >&2
    return 1
  fi
  case $2 in
    triplet) awk '{ print $2 }' <<<"$row" ;;
    qemu) awk '{ print $3 }' <<<"$row" ;;
    release) awk '{ print $4 }' <<<"$row" ;;
    machine) awk '{ $1 = $2 = $3 = $4 = ""; sub(/^ +/, ""); print }' <<<"$row" ;;
    *) echo "architecture_field: no field $2" >&2; return 1 ;;
  esac
}
