#!/usr/bin/env python3
"""The library as a caller gets it: installed into a prefix and used from there alone.

  installed_tree.py install  --build DIR --prefix P      cmake --install into a fresh P
  installed_tree.py headers  --prefix P --version V      each header alone, pkg-config, no source paths
  installed_tree.py abi      --prefix P                  only declared names exported
  installed_tree.py examples --prefix P --examples DIR --samples DIR --work DIR
"""
import argparse
import csv
import io
import math
import os
import re
import shutil
import subprocess
import sys
import tempfile
from concurrent.futures import ThreadPoolExecutor

CXX = os.environ.get("CXX", "c++")


def run(cmd, env=None, cwd=None):
    """Runs cmd; on failure says which command and what it printed, and stops."""
    done = subprocess.run(cmd, env=env, cwd=cwd, capture_output=True, text=True)
    if done.returncode != 0:
        sys.exit(f"failed ({done.returncode}): {' '.join(cmd)}\n{done.stdout}{done.stderr}")
    return done.stdout


def caller_env():
    """The environment of a caller who knows only the prefix: nothing of the source tree."""
    env = dict(os.environ)
    for name in ("CMAKE_PREFIX_PATH", "CPATH", "CPLUS_INCLUDE_PATH", "LIBRARY_PATH",
                 "PKG_CONFIG_PATH", "LD_LIBRARY_PATH", "CXXFLAGS", "LDFLAGS"):
        env.pop(name, None)
    return env


def cmd_install(args):
    shutil.rmtree(args.prefix, ignore_errors=True)
    run(["cmake", "--install", args.build, "--prefix", args.prefix])


def installed_headers(prefix):
    include = os.path.join(prefix, "include")
    found = []
    for folder, _, files in os.walk(include):
        found += [os.path.relpath(os.path.join(folder, f), include) for f in files if f.endswith(".h")]
    return sorted(found)


def cmd_headers(args):
    include = os.path.join(args.prefix, "include")
    headers = installed_headers(args.prefix)
    if "vyr/vyr.h" not in headers:
        sys.exit(f"{include}: vyr/vyr.h is not installed")
    problems = []
    # Nothing installed may lead back to the tree it was built from.
    for folder, _, files in os.walk(args.prefix):
        for f in files:
            path = os.path.join(folder, f)
            if f.endswith((".h", ".cmake", ".pc")):
                with open(path, encoding="utf-8", errors="replace") as text:
                    if args.source and args.source in text.read():
                        problems.append(f"{path}: names the source tree {args.source}")

    def compile_alone(header):
        with tempfile.NamedTemporaryFile("w", suffix=".cpp", delete=False) as unit:
            unit.write(f"#include <{header}>\n")
        try:
            done = subprocess.run([CXX, "-std=c++20", "-fsyntax-only", "-Wall", "-Wextra",
                                   "-Wpedantic", "-Werror", "-I" + include,
                                   unit.name], capture_output=True, text=True, env=caller_env())
        finally:
            os.unlink(unit.name)
        return None if done.returncode == 0 else f"{header} alone:\n{done.stderr}"

    with ThreadPoolExecutor(max_workers=2) as pool:
        problems += [p for p in pool.map(compile_alone, headers) if p]

    # A caller of pkg-config: its flags alone build and run a program against the library.
    env = caller_env()
    env["PKG_CONFIG_PATH"] = os.path.join(args.prefix, "lib", "pkgconfig")
    flags = run(["pkg-config", "--cflags", "--libs", "vyr"], env=env).split()
    with tempfile.TemporaryDirectory() as work:
        source = os.path.join(work, "version.cpp")
        with open(source, "w") as unit:
            unit.write("#include <cstdio>\n#include <vyr/vyr.h>\n"
                       "int main() { std::puts(vyr_version()); return 0; }\n")
        program = os.path.join(work, "version")
        run([CXX, source, "-o", program] + flags, env=env)
        env["LD_LIBRARY_PATH"] = os.path.join(args.prefix, "lib")
        printed = run([program], env=env).strip()
        if printed != args.version:
            problems.append(f"pkg-config program: vyr_version() says {printed!r}, "
                            f"the package {args.version!r}")
    if problems:
        sys.exit("\n".join(problems))
    print(f"{len(headers)} headers compile alone; pkg-config builds a caller")


# --- exports ---------------------------------------------------------------------------------

_SPECIAL = ("typeinfo name for ", "typeinfo for ", "vtable for ", "VTT for ",
            "guard variable for ", "construction vtable for ")


def _strip_nested(text, open_char, close_char):
    out, depth = [], 0
    for ch in text:
        if ch == open_char:
            depth += 1
        elif ch == close_char:
            depth -= 1
        elif depth == 0:
            out.append(ch)
    return "".join(out)


def qualified_name(demangled):
    """The qualified name of a demangled symbol, without parameters, template arguments, ABI tags
    and a template function's return type."""
    name = demangled
    for prefix in _SPECIAL:
        if name.startswith(prefix):
            name = name[len(prefix):]
    name = name.replace("[abi:cxx11]", "")
    name = re.sub(r"operator(\(\)|\[\]|[^\w\s(]+)", "operator", name)
    name = _strip_nested(name, "<", ">")
    # Parameters: everything from the first parenthesis on (a local's "::name" follows them).
    local = ""
    if "(" in name:
        head, _, rest = name.partition("(")
        tail = _strip_nested("(" + rest, "(", ")")
        local = tail.split("::", 1)[1] if "::" in tail else ""
        name = head
    name = name.strip().split(" ")[-1]  # a return type stands before the name
    return name + ("::" + local.strip() if local else "")


def offending_exports(lines, header_text):
    """The exported symbols (nm -D -C lines) that no installed header declares, with why."""
    words = set(re.findall(r"[A-Za-z_]\w*", header_text))
    bad = []
    for line in lines:
        fields = line.split(None, 2)
        if len(fields) < 3:
            continue
        symbol = fields[2]
        name = qualified_name(symbol)
        if name.startswith(("std::", "__gnu_cxx::")) or name in ("std", "__gnu_cxx"):
            bad.append(f"{symbol}: a standard-library instantiation")
            continue
        for part in name.split("::"):
            part = part.lstrip("~")
            if part and part != "operator" and part not in words:
                bad.append(f"{symbol}: '{part}' is declared in no installed header")
                break
    return bad


def cmd_abi(args):
    library = os.path.join(args.prefix, "lib", "libvyr.so")
    lines = run(["nm", "-D", "--defined-only", "-C", library]).splitlines()
    text = ""
    for header in installed_headers(args.prefix):
        with open(os.path.join(args.prefix, "include", header), encoding="utf-8") as f:
            text += f.read()
    bad = offending_exports(lines, text)
    if bad:
        sys.exit(f"{library} exports names callers cannot see:\n" + "\n".join(bad))
    soname = run(["readelf", "-d", library])
    if not re.search(r"SONAME\).*\[libvyr\.so\.\d+\.\d+\]", soname):
        sys.exit(f"{library}: no versioned soname:\n{soname}")
    print(f"{len(lines)} exported symbols, each declared in the installed headers")


# --- examples --------------------------------------------------------------------------------

def build_example(name, args, env):
    source = os.path.join(args.examples, name)
    build = os.path.join(args.work, name)
    shutil.rmtree(build, ignore_errors=True)
    run(["cmake", "-S", source, "-B", build, "-G", "Ninja", "-DCMAKE_PREFIX_PATH=" + args.prefix,
         "-DCMAKE_BUILD_TYPE=RelWithDebInfo"], env=env)
    run(["cmake", "--build", build], env=env)
    # Whatever the compiler was told must come from the prefix, never the source tree.
    commands = run(["ninja", "-C", build, "-t", "commands"], env=env)
    here = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    for flag in re.findall(r"-(?:I|isystem )\s*(\S+)", commands):
        if not os.path.abspath(flag).startswith(os.path.abspath(args.prefix)) and \
                os.path.abspath(flag).startswith(here):
            sys.exit(f"{name}: include path {flag} lies in the source tree")
    return os.path.join(build, name)


def cmd_examples(args):
    os.makedirs(args.work, exist_ok=True)
    env = caller_env()
    walk = build_example("walk_epochs", args, env)
    read = build_example("read_residuals", args, env)
    vyr = os.path.join(args.prefix, "bin", "vyr")
    project = os.path.join(args.work, "example.vyr")
    if os.path.exists(project):
        os.unlink(project)
    sample = os.path.join(args.samples, "VYRB00XXX_R_20210021200_06M_30S_MO.rnx")

    # (a) The epochs the example walks are those the installed command lists for the same filter.
    printed = run([walk, project, sample], env=env).splitlines()
    if not printed or not re.fullmatch(r"imported VYRB: \d+ epochs", printed[0]):
        sys.exit(f"walk_epochs: no import line first: {printed[:1]!r}")
    printed = printed[1:]
    match = re.fullmatch(r"station (\S+): (\d+) epochs", printed[-1])
    if not match:
        sys.exit(f"walk_epochs: unexpected last line {printed[-1]!r}")
    station, count = match.group(1), int(match.group(2))
    rows = csv.DictReader(io.StringIO(run([vyr, "obs", project, station, "--interval", "60",
                                           "--exclude-system", "R", "--csv"], env=env)))
    times = sorted({row["time"] for row in rows})
    walked = [line.split(" ")[0] for line in printed[:-1]]
    if count == 0 or count != len(printed) - 1 or walked != times:
        sys.exit(f"walk_epochs walked {walked} ({count}); vyr obs lists {times}")

    # (b) Residuals stored and read by the example are those the command shows; a second run
    # reads them again without storing more.
    first = run([read, project], env=env).splitlines()
    second = run([read, project], env=env).splitlines()
    if first != second:
        sys.exit(f"read_residuals: a second run differs:\n{first}\n{second}")
    match = re.fullmatch(r"association (\S+): (\d+) epochs of L1 code residuals", first[0])
    if not match or int(match.group(2)) != len(first) - 1 or len(first) < 2:
        sys.exit(f"read_residuals: unexpected output {first}")
    shown = list(csv.DictReader(io.StringIO(run(
        [vyr, "results", project, match.group(1), "show", "residuals", "--type", "L1Code",
         "--csv"], env=env))))
    per_epoch = {}  # in the order shown: the stored order
    for row in shown:
        per_epoch.setdefault(row["time"], []).append(float(row["value"]))
    expected = [f"{len(values)} satellites, rms "
                f"{math.sqrt(sum(v * v for v in values) / len(values)):.3f} m"
                for values in per_epoch.values()]
    printed = [line.split(" ", 1)[1] for line in first[1:]]
    if printed != expected:
        sys.exit(f"read_residuals printed {printed}; vyr results shows {expected}")
    counts = printed
    print(f"walk_epochs: {count} epochs as vyr obs lists them; read_residuals: {len(counts)} epochs")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("command", choices=["install", "headers", "abi", "examples"])
    parser.add_argument("--build")
    parser.add_argument("--prefix", required=True)
    parser.add_argument("--source")
    parser.add_argument("--version")
    parser.add_argument("--examples")
    parser.add_argument("--samples")
    parser.add_argument("--work")
    args = parser.parse_args()
    args.prefix = os.path.abspath(args.prefix)
    {"install": cmd_install, "headers": cmd_headers, "abi": cmd_abi,
     "examples": cmd_examples}[args.command](args)


if __name__ == "__main__":
    main()
