#!/usr/bin/env bash
# Builds the release from the last commit: the Debian packages of the native
# program for x86-64 and arm64, the zip of Quorvin.exe for Windows, and
# SHA256SUMS over the three, in build/release/. A tree with changes that are
# not committed is no release: commit them (or stash them) first.
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
ls -l -- *.deb *.zip SHA256SUMS | awk '{ printf "  %-28s %8d bytes\n", $NF, $5 }'
