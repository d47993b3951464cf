#!/usr/bin/env python3
"""The script a user would write instead of tervosetup for an unattended export: ElementTree for
the configuration and the settings file, one regular-expression pass over each template.
Run it in a folder made by workload100k.py; bench/compare100k.sh times it beside /export."""
import re, xml.etree.ElementTree as ET
cfg = ET.parse("config.xml").getroot()
ids = [i.findtext("varname") for i in cfg.iter("item")]
vals = {v.get("id"): (v.text or "") for v in ET.parse("settings.xml").getroot().iter("variable")}
known = {i: vals.get(i, i) for i in ids}
pat = re.compile(r"\$\([^)]*\)")
for f in cfg.iter("file"):
    data = open(f.findtext("input"), encoding="utf-8", newline="").read()
    with open(f.findtext("output"), "w", encoding="utf-8", newline="") as out:
        out.write(pat.sub(lambda m: known.get(m.group(0), m.group(0)), data))
