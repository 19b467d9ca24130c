"""Syntax and warning check of every source of a build with clang 14."""
import concurrent.futures
import glob
import json
import os
import shlex
import subprocess
import sys

CLANG = os.environ.get("QF_CLANG", "clang++-14")
root = os.getcwd()
build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build")
with open(os.path.join(build, "compile_commands.json")) as f:
    database = json.load(f)


def arguments(entry):
    args = entry["arguments"] if "arguments" in entry else shlex.split(entry["command"])
    out, skip = [CLANG], False
    for a in args[1:]:
        if skip:
            skip = False
            continue
        if a in ("-o", "-c"):
            skip = a == "-o"
            continue
        out.append(a)
    return out


jobs = [(e["file"], e["directory"], arguments(e)) for e in database
        if e["file"].startswith(root) and "/build" not in e["file"][len(root):]]

# The fuzz targets build with clang only: checked with the flags of a test
# that sees every library.
template = next((e for e in database if e["file"].endswith("tests/editor/FotoloomControllerTest.cpp")), None)
if template:
    base = arguments(template)
    source = template["file"]
    for fuzz in sorted(glob.glob(os.path.join(root, "fuzz", "*.cpp"))):
        jobs.append((fuzz, template["directory"], [fuzz if a == source else a for a in base]))


def check(job):
    path, directory, args = job
    run = subprocess.run(args + ["-fsyntax-only", "-Werror", "-Wno-unused-command-line-argument"],
                         cwd=directory, capture_output=True, text=True)
    return path, run.returncode, run.stderr


failed = 0
with concurrent.futures.ThreadPoolExecutor(max_workers=os.cpu_count() or 2) as pool:
    for path, code, errors in pool.map(check, jobs):
        if code != 0:
            failed += 1
            print(f"== {os.path.relpath(path, root)}")
            print(errors.strip())
print(f"clang 14: {len(jobs)} sources checked, {failed} with errors or warnings")
sys.exit(1 if failed else 0)
