#!/usr/bin/python3
"""Does a build script install every Debian package its configuration uses?

    check_packages.py [--made FOLDER]... SCRIPT [ARGUMENT...]

Runs SCRIPT with TARVELIN_CONFIGURE_TRACE set (scripts/configure.sh): the script asks deps.sh
for its packages, which records them and installs nothing, and configures into a throwaway folder
under CMake's trace, then stops. Every file outside the source tree that the configuration reads (the trace) or
hands to the build (compilers, tools, include folders, libraries in build.ninja) is
mapped to the Debian package that owns it. Each such package must be one the script asks for,
one of their dependencies, or one every Debian system has. The machine that runs this has every
package installed, so nothing here depends on a package being absent. A FOLDER given with --made
holds what the script builds itself (the Windows Qt), which no package owns.
"""

import json
import os
import re
import subprocess
import sys
import tempfile

SOURCE = os.path.realpath(os.path.join(os.path.dirname(__file__), "..", "..", ".."))
# Absolute paths in the build's own files: the system folders packages install into.
SYSTEM_PATH = re.compile(r"(?<![\w/.-])(/(?:usr|lib|lib64|bin|sbin|etc|opt)/[^\s;:\"'$()<>,=]+)")
DEPENDS_OPTIONS = ["--recurse", "--installed", "--no-recommends", "--no-suggests", "--no-conflicts",
                   "--no-breaks", "--no-replaces", "--no-enhances"]


def run_traced(script, arguments, folder):
    env = dict(os.environ, TARVELIN_CONFIGURE_TRACE=folder)
    done = subprocess.run(["bash", script, *arguments], cwd=SOURCE, env=env,
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if done.returncode != 0 or not os.path.exists(os.path.join(folder, "trace.json")):
        sys.exit(f"{script} no se pudo configurar con la traza (estado {done.returncode}):\n{done.stdout}")
    packages_file = os.path.join(folder, "packages")
    if not os.path.exists(packages_file):
        sys.exit(f"{script} no pide ningún paquete a scripts/deps.sh")
    with open(packages_file) as f:
        asked = sorted({line.strip() for line in f if line.strip()})
    # deps.sh installs nothing in this mode, so a misspelt name would go unseen.
    unknown = [p for p in asked if subprocess.run(["apt-cache", "show", "--no-all-versions", p],
                                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode]
    if unknown:
        sys.exit(f"{script} pide paquetes que apt no conoce: {' '.join(unknown)}")
    return asked


def used_paths(folder, made):
    """Files and folders outside the source and build trees that the configuration uses."""
    build = os.path.join(folder, "build")
    found = set()
    with open(os.path.join(folder, "trace.json")) as f:
        for line in f:
            event = json.loads(line)
            if "file" in event:
                found.add(event["file"])
    for name in ("build.ninja", "compile_commands.json"):
        path = os.path.join(build, name)
        if os.path.exists(path):
            with open(path, errors="replace") as f:
                found.update(SYSTEM_PATH.findall(f.read()))
    inside = tuple(os.path.realpath(f) + os.sep for f in [SOURCE, folder, *made])
    return sorted(p for p in found
                  if os.path.isabs(p) and os.path.exists(p) and not os.path.realpath(p).startswith(inside))


def candidates(path):
    """The spellings dpkg may know a path by: as given, resolved, and across the merged /usr."""
    names = [path, os.path.realpath(path)]
    for name in list(names):
        if name.startswith("/usr/"):
            names.append(name[4:])
        else:
            names.append("/usr" + name)
    return list(dict.fromkeys(names))


def owners(paths):
    """Maps each path to the set of packages dpkg says own it (empty when none does)."""
    spellings = {p: candidates(p) for p in paths}
    everything = sorted({s for names in spellings.values() for s in names})
    owned = {}
    for start in range(0, len(everything), 200):
        done = subprocess.run(["dpkg-query", "-S", *everything[start:start + 200]],
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        for line in done.stdout.splitlines():
            if line.startswith("diversion "):
                continue
            packages, _, path = line.partition(": ")
            for package in packages.split(", "):
                owned.setdefault(path, set()).add(package.split(":")[0])
    return {p: set().union(*(owned.get(s, set()) for s in names)) for p, names in spellings.items()}


def closure(packages):
    """The packages and everything they depend on, as installed here."""
    done = subprocess.run(["apt-cache", "depends", *DEPENDS_OPTIONS, *packages],
                          stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, check=True)
    return {line.strip("<>") for line in done.stdout.splitlines() if line and not line[0].isspace()}


def everywhere():
    """Packages on every Debian system: the essential and required ones."""
    done = subprocess.run(["dpkg-query", "-W", "-f", "${Package} ${Essential} ${Priority}\\n"],
                          stdout=subprocess.PIPE, text=True, check=True)
    base = [f.split()[0] for f in done.stdout.splitlines()
            if f.split()[1:2] == ["yes"] or f.split()[-1:] == ["required"]]
    return closure(base)


def main():
    arguments = sys.argv[1:]
    made = []
    while arguments[:1] == ["--made"] and len(arguments) > 1:
        made.append(arguments[1])
        arguments = arguments[2:]
    if not arguments:
        sys.exit(__doc__)
    script, arguments = arguments[0], arguments[1:]
    with tempfile.TemporaryDirectory(prefix="tarvelin-paquetes.") as folder:
        asked = run_traced(script, arguments, folder)
        paths = used_paths(folder, made)
        owned = owners(paths)
    allowed = closure(asked) | everywhere()
    unowned = [p for p in paths if not owned[p]]
    missing = {}
    for path in paths:
        if owned[path] and not owned[path] & allowed:
            for package in sorted(owned[path]):
                missing.setdefault(package, []).append(path)

    print(f"{script}: pide {len(asked)} paquetes: {' '.join(asked)}")
    print(f"{len(paths)} ficheros y carpetas del sistema usados por la configuración")
    for package, where in sorted(missing.items()):
        print(f"FALTA {package}: no lo instala {script} y la configuración usa {len(where)} de sus "
              f"ficheros, p. ej. {where[0]}")
    for path in unowned:
        print(f"SIN PAQUETE: {path} no es de ningún paquete de Debian")
    if missing or unowned:
        sys.exit(1)
    print("Todo lo que usa la configuración viene de los paquetes que instala.")


if __name__ == "__main__":
    main()
