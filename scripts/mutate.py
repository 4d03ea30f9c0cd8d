#!/usr/bin/env python3
"""Plants single-line faults into the module's logic, one at a time, and counts how many the
tests catch. Each fault is one of: an operator changed, a constant moved by one, a condition
flipped, a statement dropped. A fault that does not build is not counted. The same seed plants
the same faults.

Some faults are not planted, since no program can tell them from the real one:
- a column width of the formed-orders list in twips moved by one (`order.cpp`'s field table):
  a twip is a fifteenth of a pixel on the screen, so the drawn column mostly stays the same;
- any fault in a line that only reserves room (`reserve`): it changes allocations, not results;
- anything in `bare_loop.cpp`, which only the benchmarks run (the module never does) and whose
  lines mostly time them;
- anything in the other tools of `src/data` that the module's library leaves out (`schema.cpp`
  and `pg_schema.cpp`, the demo host's tables; `database_file.cpp`, making and checking the
  host's files): only the host, the tests and the benchmarks build them, so their faults are not
  the module's.

A fault whose object code is the unchanged file's is not counted either: the compiler made the
same program of it (an unused value, a bound the optimiser proves, a dead statement), so no test
could catch it. Before building, the faulty file alone is compiled with its command from the
build's `compile_commands.json` (every flag the same, debug information off with `-g0`: a fault
changes a line's columns, which the line tables record) and compared byte for byte with the
unchanged file's object. A fault never adds or removes a line, so `__LINE__` and the like stay
as they were. Such a fault is printed as `equivalent` and another is drawn in its place, so the
faults counted all change the object code; the last line says how many were skipped. A file
built into two targets must be the same in both to be skipped.

Usage: scripts/mutate.py [--seed N] [--count N] [--build DIR] [--timeout S]
Runs on a copy of the tree (under the build folder), never on the work tree; the tests run as
scripts/test.sh runs them, with a throwaway PostgreSQL cluster.
"""

import argparse
import json
import os
import random
import re
import shlex
import shutil
import subprocess
import sys

FOLDERS = ["src/common", "src/forming", "src/output", "src/data"]
# The benchmarks' own loop and the host's tools, outside the module's library (above).
SKIPPED = {"src/data/" + f + ".cpp" for f in ("bare_loop", "schema", "pg_schema", "database_file")}

OPERATORS = [
    (r"==", "!="), (r"!=", "=="), (r"<=", "<"), (r">=", ">"),
    (r"(?<![<>=!-])<(?![<=])", "<="), (r"(?<![<>=-])>(?![>=])", ">="),
    (r"&&", "||"), (r"\|\|", "&&"),
    (r"(?<![+])\+(?![+=])", "-"), (r"(?<![-])-(?![-=>])", "+"),
]


def candidates(line):
    """The faults a line can take, as (kind, new line)."""
    out = []
    code = line.split("//")[0]
    stripped = code.strip()
    if not stripped or stripped.startswith(("#", "*", "/*")):
        return out
    # Texts and characters hold operators that are not code: blanked, keeping the positions.
    code_only = re.sub(r'"(\\.|[^"\\])*"|\'(\\.|[^\'\\])\'',
                       lambda m: m.group(0)[0] + "x" * (len(m.group(0)) - 2) + m.group(0)[0], code)
    for pattern, repl in OPERATORS:
        for m in re.finditer(pattern, code_only):
            if "#include" in code_only or "template" in code_only:
                continue
            new = line[: m.start()] + repl + line[m.end():]
            out.append(("operator " + m.group(0) + " -> " + repl, new))
    for m in re.finditer(r"(?<![\w.])(\d+)(?![\w.])", code_only):
        value = int(m.group(1))
        for delta in (1, -1):
            if value + delta < 0:
                continue
            new = line[: m.start()] + str(value + delta) + line[m.end():]
            out.append(("constant %d -> %d" % (value, value + delta), new))
    m = re.match(r"^(\s*)(if|while) \((.*)\) (\{)?\s*$", line)
    if m:
        out.append(("condition flipped", "%s%s (!(%s)) %s\n" % (m.group(1), m.group(2), m.group(3), m.group(4) or "")))
    if (stripped.endswith(";") and not stripped.startswith(("return", "const ", "auto ", "static ", "using ", "break", "continue", "throw"))
            and "=" not in stripped.split("(")[0] and not re.match(r"^[\w:<>,\s*&]+\s+\w+\s*[({=;]", stripped)
            and stripped.count("(") == stripped.count(")")):
        out.append(("statement dropped", re.sub(r"\S.*", "{}", line, count=1)))
    return out


# A row of the field table: its width in twips follows the caption.
WIDTH = re.compile(r'^\s*\{Field::\w+, u"[^"]*", (\d+),')


def unseen(line, kind, new):
    """Whether a fault is one of the kinds the docstring leaves out."""
    if re.match(r"^\s*[\w.()>-]*\.reserve\(.*\);\s*$", line):
        return True
    old_width, new_width = WIDTH.match(line), WIDTH.match(new)
    return bool(old_width and new_width and old_width.group(1) != new_width.group(1))


def run(cmd, cwd, timeout=None, env=None):
    return subprocess.run(cmd, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                          timeout=timeout, env=env).returncode


def compile_commands(build):
    """The build's compile commands, as argument lists with their folders, by source file."""
    with open(os.path.join(build, "compile_commands.json"), encoding="utf-8") as f:
        entries = json.load(f)
    out = {}
    for e in entries:
        args = e["arguments"] if "arguments" in e else shlex.split(e["command"])
        kept, skip = [], False
        for a in args:
            # The object and the dependency file go elsewhere: the build's own stay untouched.
            if skip or a in ("-MD", "-MMD"):
                skip = False
                continue
            if a in ("-o", "-MF", "-MT", "-MQ"):
                skip = True
                continue
            kept.append(a)
        out.setdefault(os.path.realpath(e["file"]), []).append((e["directory"], kept))
    return out


def object_code(commands, path, out):
    """The file's object code as the build compiles it, without debug information; None when
    it does not compile."""
    objects = []
    for n, (directory, args) in enumerate(commands.get(os.path.realpath(path), [])):
        target = "%s.%d.o" % (out, n)
        if subprocess.run(args + ["-g0", "-o", target], cwd=directory, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL).returncode != 0:
            return None
        with open(target, "rb") as f:
            objects.append(f.read())
        os.remove(target)
    return objects


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--count", type=int, default=60)
    ap.add_argument("--build", default=None)
    ap.add_argument("--timeout", type=int, default=900)
    args = ap.parse_args()

    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    work = os.path.abspath(args.build or os.path.join(root, "build-mutate"))
    tree = os.path.join(work, "tree")
    build = os.path.join(work, "build")
    if os.path.exists(tree):
        shutil.rmtree(tree)
    os.makedirs(work, exist_ok=True)
    subprocess.run(["git", "-C", root, "worktree", "prune"], check=False)
    shutil.copytree(root, tree, ignore=shutil.ignore_patterns("build*", ".git"))

    # A fault changes the module's library only: the programs linked to it need not be
    # linked again, which would take longer than the build itself.
    setup = ["bash", "scripts/setup.sh", build, "-DCMAKE_LINK_DEPENDS_NO_SHARED=ON"]
    if run(setup, tree) != 0:
        # A build folder left by an older tree can hold archives its rules no longer rebuild:
        # built once more from nothing before giving up.
        shutil.rmtree(build, ignore_errors=True)
        if run(setup, tree) != 0:
            sys.exit("mutate: the unchanged tree does not build")
    pg = subprocess.run(["bash", "scripts/pg.sh", "start"], cwd=tree, capture_output=True, text=True)
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    for line in pg.stdout.splitlines():
        m = re.match(r"(?:export )?(\w+)=['\"]?([^'\"]*)['\"]?;?$", line.strip())
        if m:
            env[m.group(1)] = m.group(2)
    try:
        if run(["ctest", "-j2"], build, args.timeout, env) != 0:
            sys.exit("mutate: the unchanged tree fails its tests")
        files = sorted(os.path.join(d, f) for d in FOLDERS for f in os.listdir(os.path.join(tree, d))
                       if f.endswith(".cpp") and os.path.join(d, f) not in SKIPPED)
        commands = compile_commands(build)
        objects = os.path.join(work, "objects")
        os.makedirs(objects, exist_ok=True)
        unchanged = {}
        rng = random.Random(args.seed)
        planted = caught = equivalent = 0
        tries = 0
        while planted < args.count and tries < args.count * 20:
            tries += 1
            rel = rng.choice(files)
            path = os.path.join(tree, rel)
            with open(path, encoding="utf-8") as f:
                lines = f.readlines()
            i = rng.randrange(len(lines))
            options = [(kind, new) for kind, new in candidates(lines[i])
                       if not unseen(lines[i], kind, new)]
            if not options:
                continue
            kind, new = rng.choice(options)
            if rel not in unchanged:
                unchanged[rel] = object_code(commands, path, os.path.join(objects, "unchanged"))
            original = lines[i]
            lines[i] = new
            with open(path, "w", encoding="utf-8") as f:
                f.writelines(lines)
            try:
                faulty = object_code(commands, path, os.path.join(objects, "faulty"))
                if faulty is None:
                    continue  # does not compile
                if unchanged[rel] and faulty == unchanged[rel]:
                    equivalent += 1
                    print("equivalent %s:%d %s" % (rel, i + 1, kind), flush=True)
                    continue
                if run(["cmake", "--build", build, "-j2"], tree, args.timeout) != 0:
                    continue  # not a fault the tests can meet
                planted += 1
                try:
                    failed = run(["ctest", "-j2", "--stop-on-failure"], build, args.timeout, env) != 0
                except subprocess.TimeoutExpired:
                    failed = True
                caught += failed
                print("%s %s:%d %s" % ("caught" if failed else "MISSED", rel, i + 1, kind), flush=True)
            finally:
                lines[i] = original
                with open(path, "w", encoding="utf-8") as f:
                    f.writelines(lines)
        run(["cmake", "--build", build, "-j2"], tree, args.timeout)
        share = 100.0 * caught / planted if planted else 0
        print("mutate: seed %d: %d of %d faults caught (%.0f%%); %d equivalents skipped"
              % (args.seed, caught, planted, share, equivalent), flush=True)
    finally:
        subprocess.run(["bash", "scripts/pg.sh", "destroy", env.get("TAVRELIS_PG_DIR", "")], cwd=tree,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


if __name__ == "__main__":
    main()
