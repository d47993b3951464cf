#!/usr/bin/env python3
"""Times `tervosetup /export` against cat and a single-pass perl substitution.

Generates the workloads in a scratch folder, runs every command several times and prints the
medians and ratios:
  - a 64 MiB template, 1,000 variables in the settings file, 100 of them used, lines like
    "key_VAR0042 = $(VAR0042) # some words";
  - the growth pair: 512 and 4,096 variables, the template using each once;
  - with a display (DISPLAY set), the time until the window is on screen, with 512 and with
    4,096 fields (groups of 64);
  - envsubst (gettext-base) on the 64 MiB workload in ${NAME} form, with the same flush;
  - values that feed later variables: a 20 MiB Makefile-like template with 400 variables whose
    values hold ids of later variables (chains, and ids that overlap), against a per-variable
    replace-all in Python and against the same template with values that hold no ids;
  - the CPU time (user + system, the before command included) of the example's /export.
Every figure is the median of the runs, with the fastest and the slowest run after it.

Usage: bench/bench.py [--build build] [--runs 5] [--size-mib 64]
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

PERL = r'''
my %v;
open(my $s, "<", $ARGV[0]) or die;
while (<$s>) { $v{$1} = $2 if /<variable id="([^"]+)">([^<]*)</; }
close $s;
open(my $t, "<", $ARGV[1]) or die;
open(my $o, ">", $ARGV[2]) or die;
while (<$t>) { s/(\$\([A-Za-z0-9_]+\))/exists $v{$1} ? $v{$1} : $1/ge; print $o $_; }
'''


def write_workload(folder, variables, used, template_bytes):
    os.makedirs(folder, exist_ok=True)
    ids = ["$(VAR%04d)" % n for n in range(variables)]
    with open(os.path.join(folder, "config.xml"), "w") as f:
        f.write("<xml>\n")
        for g in range(0, variables, 64):
            f.write("<group><name>Group %d</name>\n" % (g // 64))
            for n in range(g, min(g + 64, variables)):
                f.write("<item><name>Variable %d</name><type>text</type><varname>%s</varname>"
                        "</item>\n" % (n, ids[n]))
            f.write("</group>\n")
        f.write("<files><file><input>template.in</input><output>out.txt</output></file>"
                "</files>\n</xml>\n")
    with open(os.path.join(folder, "settings.xml"), "w") as f:
        f.write('<?xml version="1.0" encoding="UTF-8"?>\n<xml>\n')
        for n in range(variables):
            f.write('  <variable id="%s">value-%d-some-text</variable>\n' % (ids[n], n))
        f.write("</xml>\n")
    lines = ["key_VAR%04d = %s # some words\n" % (n, ids[n]) for n in range(used)]
    block = "".join(lines).encode()
    with open(os.path.join(folder, "template.in"), "wb") as f:
        if template_bytes is None:
            f.write(block)
        else:
            repeats = max(1, template_bytes // len(block))
            f.write(block * repeats)


REPLACE_ALL = r'''
import re, sys
settings, template, output = sys.argv[1:4]
pairs = re.findall(r'<variable id="([^"]+)">([^<]*)<', open(settings).read())
text = open(template, "rb").read()
for variable, value in pairs:
    text = text.replace(variable.encode(), value.encode())
open(output, "wb").write(text)
'''


def write_chained_workload(folder, variables, template_bytes, chained):
    """A Makefile-like template whose variables' values, when `chained`, hold ids of later
    variables in short chains (of three, as $(CFLAGS) holding $(OPT) holding $(ARCH) do), and
    whose ids come in pairs that overlap ($(CC) and $(CC_FLAGS) style)."""
    os.makedirs(folder, exist_ok=True)
    ids = ["$(MK%03d)" % n if n % 2 == 0 else "$(MK%03d_FLAGS)" % (n - 1)
           for n in range(variables)]
    values = []
    for n in range(variables):
        value = "opt-%d" % n
        if chained and n % 3 != 2 and n + 1 < variables:
            value += " " + ids[n + 1]
        values.append(value)
    with open(os.path.join(folder, "config.xml"), "w") as f:
        f.write("<xml><group><name>Make</name>\n")
        for n in range(variables):
            f.write("<item><name>V%d</name><varname>%s</varname></item>\n" % (n, ids[n]))
        f.write("</group><files><file><input>template.in</input><output>out.txt</output>"
                "</file></files></xml>\n")
    with open(os.path.join(folder, "settings.xml"), "w") as f:
        f.write("<xml>\n")
        for n in range(variables):
            f.write('<variable id="%s">%s</variable>\n' % (ids[n], values[n]))
        f.write("</xml>\n")
    lines = ["target%d: %s\n\t$(CC) %s -o $@\n" % (n, ids[n], ids[(n * 7) % variables])
             for n in range(variables)]
    block = "".join(lines).encode()
    with open(os.path.join(folder, "template.in"), "wb") as f:
        f.write(block * max(1, template_bytes // len(block)))


class Timings(list):
    """Seconds of several runs; formats as "median (fastest-slowest)"."""

    def median(self):
        return statistics.median(self)

    def __str__(self):
        return "%.3f s (%.3f-%.3f)" % (self.median(), min(self), max(self))


def run(command, cwd, env=None):
    """Runs `command`; returns (seconds, CPU seconds of it and its children)."""
    start = time.perf_counter()
    process = subprocess.Popen(command, cwd=cwd, stdout=subprocess.DEVNULL,
                               stderr=subprocess.PIPE, env=env)
    _, status, usage = os.wait4(process.pid, 0)
    seconds = time.perf_counter() - start
    process.returncode = os.waitstatus_to_exitcode(status)
    if process.returncode != 0:
        sys.exit("%s failed (%d): %s" % (" ".join(command), process.returncode,
                                         process.stderr.read().decode(errors="replace")))
    return seconds, usage.ru_utime + usage.ru_stime


def median_run(command, cwd, runs, fresh=None):
    """Returns the Timings of `runs` runs."""
    times = Timings()
    for _ in range(runs):
        if fresh:
            fresh()
        times.append(run(command, cwd)[0])
    return times


def peak_rss(command, cwd):
    """The peak RSS of `command` in KiB, or None without GNU time. A child of this script would
    report this script's own peak, which it inherits until it starts the program."""
    if not os.path.exists("/usr/bin/time"):
        return None
    result = subprocess.run(["/usr/bin/time", "-f", "%M"] + command, cwd=cwd, check=True,
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    return int(result.stderr.split()[-1])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default="build")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--size-mib", type=int, default=64)
    args = parser.parse_args()
    program = os.path.abspath(os.path.join(args.build, "tervosetup"))
    environment_note = "no display" if not os.environ.get("DISPLAY") else "display " + os.environ["DISPLAY"]
    print("machine: %s, %d cores, %s" % (os.uname().machine, os.cpu_count(), environment_note))

    scratch = tempfile.mkdtemp(prefix="tervo-bench-")
    try:
        big = os.path.join(scratch, "big")
        write_workload(big, 1000, 100, args.size_mib * 1024 * 1024)
        template = os.path.join(big, "template.in")
        settings = os.path.join(big, "settings.xml")
        pristine = open(settings, "rb").read()

        def reset_settings():
            # A fresh output every time: an export leaves an output that holds its bytes already
            # alone, and the point is to time the write and the flush.
            with open(settings, "wb") as f:
                f.write(pristine)
            if os.path.exists(os.path.join(big, "out.txt")):
                os.remove(os.path.join(big, "out.txt"))

        size = os.path.getsize(template)
        print("workload: template %.1f MiB, 1000 variables, 100 used" % (size / 1048576))
        # The three are timed in turn, round after round, so that a drift of the machine's speed
        # hits them alike. /export makes its outputs durable before it renames them into place;
        # so does the second. Each writes a new file, as the export does.
        cat_s, cat_sync_s, export_s = Timings(), Timings(), Timings()
        copy = os.path.join(big, "cat.out")
        for _ in range(args.runs):
            for times, command in ((cat_s, "cat template.in > cat.out"),
                                   (cat_sync_s, "cat template.in > cat.out && sync cat.out")):
                if os.path.exists(copy):
                    os.remove(copy)
                times.append(run(["sh", "-c", command], big)[0])
            reset_settings()
            export_s.append(run([program, "/export"], big)[0])
        reset_settings()
        peak = peak_rss([program, "/export"], big)
        perl_s = median_run(["perl", "-e", PERL, "settings.xml", "template.in", "perl.out"],
                               big, args.runs)
        same = open(os.path.join(big, "out.txt"), "rb").read() == open(
            os.path.join(big, "perl.out"), "rb").read()
        print("  cat             %s" % cat_s)
        print("  cat + sync      %s" % cat_sync_s)
        print("  perl (1 pass)   %s" % perl_s)
        print("  /export         %s   %.2fx cat   %.2fx cat + sync   %.2fx perl   peak RSS %s   "
              "output %s perl's" %
              (export_s, export_s.median() / cat_s.median(),
               export_s.median() / cat_sync_s.median(), export_s.median() / perl_s.median(),
               "%.0f MiB (%.2fx template)" % (peak / 1024, peak * 1024 / size) if peak
               else "unknown (no /usr/bin/time)", "equals" if same else "DIFFERS FROM"))

        # envsubst, the shell-variable peer, on the same template in ${NAME} form.
        with open(template, "rb") as f:
            dollar = f.read().replace(b"$(", b"${").replace(b") #", b"} #")
        with open(os.path.join(big, "template.env"), "wb") as f:
            f.write(dollar)
        environment = dict(os.environ)
        for n in range(1000):
            environment["VAR%04d" % n] = "value-%d-some-text" % n
        envsubst_s = Timings(
            run(["sh", "-c", "envsubst < template.env > env.out && sync env.out"], big,
                environment)[0] for _ in range(args.runs))
        print("  envsubst + sync %s   /export is %.2fx envsubst" %
              (envsubst_s, export_s.median() / envsubst_s.median()))

        # Values that feed later variables.
        chained = {}
        for kind in ("plain", "chained"):
            folder = os.path.join(scratch, kind)
            write_chained_workload(folder, 400, 20 * 1024 * 1024, kind == "chained")
            chained[kind] = median_run([program, "/export"], folder, args.runs,
                                          lambda f=folder: os.path.exists(os.path.join(f, "out.txt"))
                                          and os.remove(os.path.join(f, "out.txt")))
        reference_s = median_run(["python3", "-c", REPLACE_ALL, "settings.xml", "template.in",
                                     "reference.out"], os.path.join(scratch, "chained"), args.runs)
        folder = os.path.join(scratch, "chained")
        same = open(os.path.join(folder, "out.txt"), "rb").read() == open(
            os.path.join(folder, "reference.out"), "rb").read()
        print("chained values, 20 MiB, 400 variables: /export %s, %.2fx the same template "
              "without ids in values (%s); per-variable replace-all %s, /export %.2fx it; "
              "output %s" %
              (chained["chained"], chained["chained"].median() / chained["plain"].median(),
               chained["plain"], reference_s, chained["chained"].median() / reference_s.median(),
               "equals" if same else "DIFFERS FROM"))

        growth = {}
        for variables in (512, 4096):
            folder = os.path.join(scratch, "g%d" % variables)
            write_workload(folder, variables, variables, None)
            growth[variables] = median_run([program, "/export"], folder, args.runs)
        print("growth: /export 512 vars %s, 4096 vars %s, ratio %.2f (linear: 8)" %
              (growth[512], growth[4096], growth[4096].median() / growth[512].median()))

        # The example's export, the size of most real ones: its CPU time, without a display.
        example = os.path.join(scratch, "example")
        shutil.copytree(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..",
                                     "examples"), example)
        quiet = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        cpu = Timings(run([program, "/export"], example, quiet)[1] for _ in range(4 * args.runs))
        print("example /export: CPU %.1f ms (%.1f-%.1f) (user + system, the before command "
              "included)" % (1000 * cpu.median(), 1000 * min(cpu), 1000 * max(cpu)))

        probe = os.path.abspath(os.path.join(args.build, "window_startup"))
        if os.environ.get("DISPLAY") and os.path.exists(probe):
            window = {}
            for variables in (512, 4096):
                folder = os.path.join(scratch, "g%d" % variables)
                startups = Timings()
                for _ in range(args.runs):
                    start = time.time_ns()
                    out = subprocess.run([probe], cwd=folder, capture_output=True, check=True,
                                         text=True).stdout
                    startups.append((int(out.split()[1]) - start) / 1e9)
                window[variables] = startups
            print("window on screen after: 512 fields %s, 4096 fields %s, ratio %.2f" %
                  (window[512], window[4096], window[4096].median() / window[512].median()))
    finally:
        shutil.rmtree(scratch)


if __name__ == "__main__":
    main()
