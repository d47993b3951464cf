#!/usr/bin/env python3
"""Writes the 100,000-variable export workload into FOLDER:
  - config.xml, about 8 MB: groups of 64 items, each
    <item><name>Var i</name><type>text</type><varname>$(V000123)</varname></item>;
  - settings.xml, about 5 MB: <variable id="$(V000123)">value 123</variable>, one line each;
  - template.in, about 2 MB: "k123 = $(V000123)", one line each; the export writes out.txt.

Usage: bench/workload100k.py FOLDER [--variables 100000]"""
import argparse
import os


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("folder")
    parser.add_argument("--variables", type=int, default=100000)
    args = parser.parse_args()
    count = args.variables
    os.makedirs(args.folder, exist_ok=True)
    ids = ["$(V%06d)" % n for n in range(count)]
    with open(os.path.join(args.folder, "config.xml"), "w", encoding="utf-8") as f:
        f.write("<xml>\n")
        for g in range(0, count, 64):
            f.write("<group><name>Group %d</name>\n" % (g // 64))
            for n in range(g, min(g + 64, count)):
                f.write("<item><name>Var %d</name><type>text</type><varname>%s</varname>"
                        "</item>\n" % (n, ids[n]))
            f.write("</group>\n")
        f.write("<files><file><input>template.in</input><output>out.txt</output></file>"
                "</files>\n</xml>\n")
    with open(os.path.join(args.folder, "settings.xml"), "w", encoding="utf-8") as f:
        f.write('<?xml version="1.0" encoding="UTF-8"?>\n<xml>\n')
        for n in range(count):
            f.write('<variable id="%s">value %d</variable>\n' % (ids[n], n))
        f.write("</xml>\n")
    with open(os.path.join(args.folder, "template.in"), "w", encoding="utf-8") as f:
        for n in range(count):
            f.write("k%d = %s\n" % (n, ids[n]))


if __name__ == "__main__":
    main()
