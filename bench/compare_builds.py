#!/usr/bin/env python3
"""Runs `/export /batch` of two builds on the same generated workloads and compares what each
leaves: every output, the settings file, what it printed and its exit status.

Each workload is a configuration with a few groups of items of several types, ids of several
shapes (some inside others), a settings file with values that hold other ids, non-ASCII text,
references, CRLF line ends, a repeated entry and missing ones, and templates that mix ids, tokens
that are no id, and text. A change meant to make the program faster must leave all of it alone.

Usage: bench/compare_builds.py OLD_BINARY NEW_BINARY [--workloads 300] [--folder DIR]
Exits 1 when any workload differs, naming its seed.
"""
import argparse
import filecmp
import os
import random
import shutil
import subprocess
import sys
import tempfile

PIECES = ["plain", "M\u00fcnchen \u20ac", "a&amp;b", "&lt;tag&gt;", "", " spaced ", "line\nbreak",
          "\u4e2d\u6587", "x" * 50]
TEMPLATE_NOISE = ["text", "$(", ")", "$(NOPE)", "\u00e9", "\t", "$($(V1))"]


def escape(text):
    return text.replace("&", "&amp;").replace("<", "&lt;").replace('"', "&quot;")


def write_workload(seed, folder):
    rng = random.Random(seed)
    ids = []
    for i in range(rng.randint(1, 60)):
        name = f"V{i}"
        spelling = rng.choice([f"$({name})", f"$({name})", f"@{name}@", name])
        if spelling not in ids:
            ids.append(spelling)
    kinds = {}
    config = ["<xml>"]
    for group in range(len(ids) // 8 + 1):
        config.append(f"<group><name>G{group}</name>")
        for variable in ids[group * 8:(group + 1) * 8]:
            kind = rng.choice(["text", "text", "password", "number", "boolean"])
            kinds[variable] = kind
            bounds = "<min>0</min><max>99999</max>" if kind == "number" else ""
            config.append(f"<item><name>L {escape(variable)}</name><type>{kind}</type>{bounds}"
                          f"<varname>{escape(variable)}</varname></item>")
        config.append("</group>")
    templates = rng.randint(1, 4)
    config.append("<files>")
    config += [f"<file><input>t{t}.in</input><output>t{t}.out</output></file>"
               for t in range(templates)]
    config.append("</files></xml>")
    with open(os.path.join(folder, "config.xml"), "w", encoding="utf-8") as out:
        out.write("\n".join(config))

    def value(variable):
        if kinds[variable] == "number":
            return str(rng.randint(0, 99999))
        if kinds[variable] == "boolean":
            return rng.choice(["true", "false"])
        text = rng.choice(PIECES)
        if rng.random() < 0.3:
            text += escape(rng.choice(ids))
        return text

    settings = ['<?xml version="1.0" encoding="UTF-8"?>', "<xml>"]
    settings += [f'  <variable id="{escape(v)}">{value(v)}</variable>'
                 for v in ids if rng.random() < 0.85]
    if rng.random() < 0.3:
        settings.append(f'  <variable id="{escape(rng.choice(ids))}">again</variable>')
    settings.append("</xml>\n")
    path = os.path.join(folder, "settings.xml")
    with open(path, "w", encoding="utf-8", newline="") as out:
        out.write(("\r\n" if rng.random() < 0.2 else "\n").join(settings))
    os.chmod(path, 0o600)
    for t in range(templates):
        lines = ["".join(rng.choice(ids) if rng.random() < 0.6 else rng.choice(TEMPLATE_NOISE)
                         for _ in range(rng.randint(0, 6)))
                 for _ in range(rng.randint(0, 200))]
        with open(os.path.join(folder, f"t{t}.in"), "w", encoding="utf-8", newline="") as out:
            out.write(("\r\n" if rng.random() < 0.3 else "\n").join(lines))


def run(binary, folder):
    done = subprocess.run([binary, "/export", "/batch"], cwd=folder, capture_output=True)
    return done.returncode, done.stdout, done.stderr


def same_files(a, b):
    comparison = filecmp.dircmp(a, b)
    names = comparison.common_files + comparison.left_only + comparison.right_only
    return not (comparison.left_only or comparison.right_only) and all(
        filecmp.cmp(os.path.join(a, n), os.path.join(b, n), shallow=False) for n in names)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("old")
    parser.add_argument("new")
    parser.add_argument("--workloads", type=int, default=300)
    parser.add_argument("--folder")
    args = parser.parse_args()
    root = args.folder or tempfile.mkdtemp(prefix="tervo-compare-")
    differ = []
    for seed in range(1, args.workloads + 1):
        old, new = os.path.join(root, f"{seed}-old"), os.path.join(root, f"{seed}-new")
        shutil.rmtree(old, ignore_errors=True)
        shutil.rmtree(new, ignore_errors=True)
        os.makedirs(old)
        write_workload(seed, old)
        shutil.copytree(old, new)
        if run(os.path.abspath(args.old), old) != run(os.path.abspath(args.new), new) or \
                not same_files(old, new):
            differ.append(seed)
            print(f"workload {seed} differs: {old} {new}")
    print(f"{args.workloads - len(differ)} of {args.workloads} workloads alike")
    return 1 if differ else 0


if __name__ == "__main__":
    sys.exit(main())
