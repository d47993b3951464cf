#!/usr/bin/env bash
# Validates every configuration under examples/ (an XML file with a <group>) against the XML
# Schema of the configuration format, schema/tervosetup-config.xsd, with xmllint; then checks
# that the schema still refuses a misspelt child of an item, which is what editors use it for.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh libxml2-utils
schema=schema/tervosetup-config.xsd

mapfile -t configs < <(grep -rl --include='*.xml' '<group' examples | sort)
[[ ${#configs[@]} -gt 0 ]] || { echo "No configuration found under examples/."; exit 1; }
xmllint --noout --schema "$schema" "${configs[@]}"

misspelt=$(mktemp)
trap 'rm -f "$misspelt"' EXIT
sed -e 's|<required>|<requried>|' -e 's|</required>|</requried>|' examples/config.xml >"$misspelt"
if said=$(xmllint --noout --schema "$schema" "$misspelt" 2>&1) || [[ $said != *requried* ]]; then
    echo "The schema accepted an item with <requried>:"
    echo "$said"
    exit 1
fi
echo "Schema: ${#configs[@]} configuration(s) valid; a misspelt element of an item is refused."
