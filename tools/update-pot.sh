#!/usr/bin/env bash
# Regenerates po/language.pot from the texts that the sources pass to _(),
# wxTRANSLATE() and wxGetTranslation(), and merges it into every po/*.po.
# Texts that the template holds but no source uses (yet) are kept, so that
# catalogs written ahead of the code do not lose them; --prune drops them.
# Usage: tools/update-pot.sh [--prune]
set -euo pipefail
cd "$(dirname "$0")/.."
prune=0
[ "${1:-}" = --prune ] && prune=1

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

find src -name '*.cpp' -o -name '*.h' | LC_ALL=C sort > "$tmp/files"
xgettext --from-code=UTF-8 --language=C++ --force-po --sort-by-file \
  --keyword=_ --keyword=wxTRANSLATE --keyword=wxGetTranslation:1 \
  --add-comments=TRANSLATORS: \
  --package-name=Loopwright --package-version=1.0.80 --copyright-holder=Marvolent \
  --files-from="$tmp/files" -o "$tmp/code.pot"

if [ "$prune" = 1 ] || [ ! -f po/language.pot ]; then
  cp "$tmp/code.pot" po/language.pot
else
  # The old template's comments stay; its source positions are replaced.
  msgcat --no-location -o "$tmp/old.pot" po/language.pot
  msgcat --use-first -o po/language.pot "$tmp/old.pot" "$tmp/code.pot"
fi

for po in po/*.po; do
  msgmerge --quiet --update --backup=none --no-fuzzy-matching "$po" po/language.pot
done
