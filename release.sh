#!/usr/bin/env bash
# Builds the release from the last commit, in build/release/: the source
# release (quorvin-VERSION.tar.xz), the Debian packages of the native
# program built from it for each architecture the release carries
# (packaging/architectures.txt), the zip of Quorvin.exe for Windows, and
# SHA256SUMS over them (scripts/build-release.sh). A tree with changes that
# are not committed is no release: commit them (or stash them) first.
set -euo pipefail
cd "$(dirname "$0")"

if [ -n "$(git status --porcelain)" ]; then
  echo "The tree has changes that are not committed; a release is built from a commit." >&2
  git status --short >&2
  exit 1
fi

scripts/install-packages.sh release
scripts/build-release.sh build/release
echo
echo "Release $(git describe --always --dirty) in build/release:"
cd build/release
ls -l -- *.tar.xz *.deb *.zip SHA256SUMS | awk '{ printf "  %-32s %8d bytes\n", $NF, $5 }'
