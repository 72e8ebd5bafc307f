#!/usr/bin/python3
"""Checks the Windows zip under Wine: a table of cases, each a group of checks, and one line
"N passed, M failed" at the end. check.sh sets up what it runs in (the unpacked zip, a Wine
prefix, a virtual display) and calls this:

    check.py <unpacked program folder> <work folder>

The program is driven as a user drives it, through the window system: keys to the focused
window (the window starts with the focus on the profile list, and the tab order is fixed), and
each box's text copied with Ctrl+C and read from the X clipboard, which Wine shares. Every wait is
for a condition, with a limit.
"""

import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ElementTree

HERE = os.path.dirname(os.path.realpath(__file__))
ROOT = os.path.realpath(os.path.join(HERE, "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "system", "e2e"))
import resources  # noqa: E402
import runs  # noqa: E402
import xscreen  # noqa: E402

WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"
QT = os.environ.get("TARVELIN_WIN_QT", os.path.expanduser("~/.cache/tarvelin/qt-6.4.2-mingw64"))
TESTS = os.path.join(ROOT, "build-win-tests")
LINUX = os.path.join(TESTS, "linux")
BOX_TITLES = ("Tarvelin", "No se puede reindexar en línea")
START = 60  # seconds for Wine to start the program, or a run to reach its box
NAME = "Tarvelin-{}-win64"
# How a profile naming a driver the driver manager does not have is refused, up to the drivers listed.
MISSING_DRIVER = ("Error 3790: El controlador ODBC «{}» que indica el perfil no está instalado para este programa de "
                  "64 bits; los instalados son: «")
QUESTION = ("---------------------------\nNo se puede reindexar en línea\n---------------------------\n"
            "No se puede reindexar en línea.\n¿Desea reindexar bloqueando las tablas?\n"
            "---------------------------\nSí   No   \n---------------------------")


class Checks:
    def __init__(self):
        self.passed = 0
        self.failed = 0

    def check(self, what, ok, detail=None):
        if ok:
            self.passed += 1
            print(f"  bien: {what}")
        else:
            self.failed += 1
            print(f"  MAL:  {what}")
            if detail:
                print("\n".join("    " + line for line in str(detail).splitlines()))
        return ok


def wait_for(condition, seconds):
    """The condition's first true value within the limit, else None."""
    deadline = time.monotonic() + seconds
    while True:
        value = condition()
        if value or time.monotonic() > deadline:
            return value or None
        time.sleep(0.1)


def xdotool(*arguments):
    done = subprocess.run(["xdotool", *arguments], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    return done.stdout.split()


def visible(title):
    return xdotool("search", "--onlyvisible", "--name", f"^{re.escape(title)}$")


def clipboard(text=None):
    if text is not None:
        subprocess.run(["xclip", "-selection", "clipboard"], input=text.encode(), check=True)
        return text
    done = subprocess.run(["xclip", "-selection", "clipboard", "-o", "-t", "UTF8_STRING"],
                          stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    return done.stdout.decode(errors="replace").replace("\r", "")


def geometry(window):
    """Where a window is on the screen and how large: x, y, width, height."""
    done = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window], stdout=subprocess.PIPE, text=True)
    values = dict(line.split("=") for line in done.stdout.split())
    return tuple(int(values.get(k, -1)) for k in ("X", "Y", "WIDTH", "HEIGHT"))


class Program:
    """Tarvelin.exe from a folder, under Wine; its log in <log>."""

    def __init__(self, folder, log, debug="-all", env=None):
        self.before = set(visible("Tarvelin"))
        with open(log, "wb") as out:
            self.process = subprocess.Popen([WINE, "Tarvelin.exe"], cwd=folder, stdout=out, stderr=out,
                                            env=dict(os.environ, WINEDEBUG=debug, **(env or {})))
        found = wait_for(lambda: [w for w in visible("Tarvelin") if w not in self.before], START)
        self.window = found[0] if found else None
        if self.window:
            xdotool("windowfocus", "--sync", self.window)

    def keys(self, *keys):
        xdotool("key", "--clearmodifiers", *keys)

    def boxes(self):
        return [w for title in BOX_TITLES for w in visible(title) if w != self.window and w not in self.before]

    def box_text(self):
        """The open box's text, copied as a user copies it."""
        marker = clipboard("(nada copiado)")
        self.keys("ctrl+c")
        return wait_for(lambda: (lambda text: text if text != marker else None)(clipboard()), 10) or ""

    def answer_box(self, key="Return"):
        self.keys(key)
        return wait_for(lambda: not self.boxes(), 10) is not None

    def screenshot(self, path, margin=0):
        x, y, w, h = geometry(self.window)
        crop = f"{w + 2 * margin}x{h + 2 * margin}+{max(0, x - margin)}+{max(0, y - margin)}"
        subprocess.run(["import", "-window", "root", "-crop", crop, "+repage", path], check=False)

    def close(self):
        """Alt+F4 to the window; the exit code, or None when the program goes on."""
        xdotool("windowfocus", "--sync", self.window)
        self.keys("alt+F4")
        try:
            return self.process.wait(20)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
            return None


def run_to_box(checks, folder, log, shots, name, env=None, debug="-all"):
    """Chooses the folder's only profile, starts a run and returns the text of the box that ends
    it, the box closed and the program ended."""
    program = Program(folder, log, debug=debug, env=env)
    if not checks.check(f"{name}: la ventana aparece", program.window):
        return ""
    program.keys("Down", "Tab", "space")  # the first entry of a closed list, then "Reindexar ahora"
    if not wait_for(program.boxes, START):
        checks.check(f"{name}: la ejecución acaba en un cuadro", False)
        program.close()
        return ""
    program.screenshot(os.path.join(shots, f"{name}.png"), margin=80)
    text = program.box_text()
    print("\n".join("    " + line for line in text.splitlines()))
    checks.check(f"{name}: Aceptar cierra el cuadro", program.answer_box())
    checks.check(f"{name}: Alt+F4 cierra el programa", program.close() == 0)
    return text


def profile(folder, name, connection, password=None, mode=0o600, vendor="Corvath S.L."):
    text = f"[{vendor}]\r\nProvider=QODBC\r\nConnection={connection}\r\n"
    if password is not None:
        text += f"Password={password}\r\n"
    path = os.path.join(folder, f"{name}.cfp")
    with open(path, "w", newline="") as f:
        f.write(text)
    os.chmod(path, mode)


def program_copy(context, name, *profiles):
    """A copy of the program folder holding only the given profiles: (name, connection, password, mode)."""
    folder = os.path.join(context.work, name)
    shutil.copytree(context.folder, folder)
    for cfp in [f for f in os.listdir(folder) if f.lower().endswith(".cfp")]:
        os.remove(os.path.join(folder, cfp))
    for args in profiles:
        profile(folder, *args)
    return folder


class Context:
    def __init__(self, folder, work):
        self.folder = folder
        self.work = work
        self.shots = os.path.join(ROOT, "build-win", "screenshots")
        self.pg = {}
        self.query = None
        self.odbc = None  # the Linux build's folder with the simulated driver
        self.odbc_ini = None  # a folder whose odbcinst.ini declares it beside the system's drivers


def case_resources(checks, context):
    resources.check(os.path.join(context.folder, "Tarvelin.exe"), os.path.join(ROOT, "resources", "Tarvelin.ico"),
                    checks)


def case_window(checks, context):
    # Three profiles the window lists: two empty ones, whose runs end in the profile error naming
    # the vendor read from the version information; one naming an ODBC driver nobody installed,
    # which a folder of its own runs.
    folder = program_copy(context, "ventana")
    for name in ("Prod", "Test"):
        open(os.path.join(folder, f"{name}.cfp"), "w").close()
    profile(folder, "Roto", "Driver={Controlador inexistente};Dbq=//localhost:1/NADA;Uid=scott", "tiger")

    # Which DLLs Wine loads and which files the program opens, to compare with the zip.
    log = os.path.join(context.work, "tarvelin.log")
    program = Program(folder, log, debug="-all,+loaddll,+file")
    if checks.check("la ventana Tarvelin aparece", program.window):
        program.screenshot(os.path.join(context.shots, "frmTarvelin.png"))
        # The list opens as a window of its own, under the list's place at the top left of the
        # window (a box would be centred over the window).
        program.keys("alt+Down")
        opened = wait_for(program.boxes, 10) or []
        window = geometry(program.window)
        under_the_list = [w for w in opened if geometry(w)[0] - window[0] < 20 and geometry(w)[1] > window[1] + 30]
        checks.check("la lista de perfiles se abre", len(opened) == 1 and under_the_list,
                     [geometry(w) for w in opened])
        program.screenshot(os.path.join(context.shots, "frmTarvelin-lista.png"), margin=80)
        program.keys("Escape")
        checks.check("Escape cierra la lista", wait_for(lambda: not program.boxes(), 10))
        # "Reindexar ahora" with no profile chosen ends without a box: had one opened, Alt+F4
        # would close it and not the program.
        program.keys("Tab", "space")
        checks.check("sin perfil elegido no hay cuadro: Alt+F4 cierra el programa, que acaba sin error",
                     program.close() == 0)
    text = run_to_box(checks, folder, os.path.join(context.work, "prod.log"), context.shots, "frmTarvelin-mensaje")
    checks.check("el perfil vacío acaba en el error que nombra la sección del fabricante",
                 "Error -2147220986: El perfil Prod no es válido: no tiene la sección [Corvath S.L.]" in text.splitlines(),
                 text)
    roto = program_copy(context, "roto", ("Roto", "Driver={Controlador inexistente};Dbq=//localhost:1/NADA;Uid=scott",
                                          "tiger"))
    roto_log = os.path.join(context.work, "roto.log")
    text = run_to_box(checks, roto, roto_log, context.shots, "frmTarvelin-odbc", debug="-all,+loaddll")
    checks.check("el controlador ODBC inexistente: dicho en español, con los instalados, y el error de unixODBC "
                 "(alcanzado por el odbc32 de Wine) detrás",
                 any(line.startswith(MISSING_DRIVER.format("Controlador inexistente"))
                     and line.endswith("El gestor de controladores dice: Can't open lib 'Controlador inexistente' : "
                                       "file not found") for line in text.splitlines()), text)

    # Every DLL in the folder is one the program loaded (the ODBC plugin only once a run connects),
    # and Qt's Spanish texts were read from where qt.conf says.
    trace = ""
    for path in (log, roto_log):
        with open(path, errors="replace") as f:
            trace += f.read()
    loaded = {m.split("\\")[-1].lower() for m in re.findall(r'trace:loaddll:\w* Loaded L"([^"]*)".*: native', trace)}
    for dll in sorted(os.path.relpath(os.path.join(d, f), context.folder)
                      for d, _, files in os.walk(context.folder) for f in files if f.lower().endswith(".dll")):
        checks.check(f"Wine carga {dll}", os.path.basename(dll).lower() in loaded)
    checks.check("Qt lee translations\\qtbase_es.qm", 'translations\\\\qtbase_es.qm" GENERIC_READ' in trace)


def case_vendor(checks, context):
    # The vendor comes from the executable's version information at run time: a copy whose
    # CompanyName reads "Xorvath S.L." accepts that vendor's profile and goes on to the driver.
    folder = program_copy(context, "compania")
    exe = os.path.join(folder, "Tarvelin.exe")
    with open(exe, "rb") as f:
        data = f.read()
    old, new = "Corvath S.L.".encode("utf-16-le"), "Xorvath S.L.".encode("utf-16-le")
    if not checks.check("CompanyName aparece una sola vez en el programa", data.count(old) == 1):
        return
    with open(exe, "wb") as f:
        f.write(data.replace(old, new))
    profile(folder, "Otra", "Driver={Controlador inexistente};Dbq=//localhost:1/NADA", vendor="Xorvath S.L.")
    text = run_to_box(checks, folder, os.path.join(context.work, "compania.log"), context.shots,
                      "frmTarvelin-compania")
    checks.check("otra compañía en la información de versión: su perfil llega al controlador ODBC",
                 any(line.startswith(MISSING_DRIVER.format("Controlador inexistente")) for line in text.splitlines()),
                 text)


def build(command, log):
    with open(log, "ab") as out:
        return subprocess.run(["nice", "-n", "10", *command], stdout=out, stderr=out).returncode == 0


def case_suites(checks, context):
    # The simulated Oracle server's driver is a Linux library: Wine's odbc32 hands ODBC calls to
    # the host's unixODBC, which loads it from a Linux build; the same build's probe prints the
    # program's dictionary query.
    log = os.path.join(context.work, "builds.log")
    built = (build(["cmake", "-S", ROOT, "-B", LINUX, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
                    "-DTARVELIN_WERROR=ON"], log)
             and build(["cmake", "--build", LINUX, "--parallel", "2", "--target", "orasimodbc",
                        "dictionary_query_probe"], log)
             and build(["cmake", "-S", ROOT, "-B", TESTS, "-G", "Ninja",
                        f"-DCMAKE_TOOLCHAIN_FILE={ROOT}/cmake/mingw-w64-x86_64.cmake", "-DCMAKE_BUILD_TYPE=Release",
                        f"-DCMAKE_PREFIX_PATH={QT}", f"-DCMAKE_FIND_ROOT_PATH={QT}", "-DQT_HOST_PATH=/usr",
                        "-DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake", "-DTARVELIN_BUILD_TESTS=ON",
                        "-DTARVELIN_WERROR=ON", f"-DTARVELIN_WINE_ODBC_DIR={LINUX}/odbc"], log)
             and build(["cmake", "--build", TESTS, "--parallel", "2"], log))
    if not checks.check("las pruebas se compilan para Windows y el controlador simulado para Linux", built,
                        open(log, errors="replace").read()[-3000:]):
        return
    context.query = subprocess.run([os.path.join(LINUX, "tests", "system", "e2e", "dictionary_query_probe")],
                                   stdout=subprocess.PIPE, text=True, check=True).stdout
    context.odbc = os.path.join(LINUX, "odbc")

    # ctest runs each suite under wine64 (wine-test.sh) in its own prefix. A wineserver kept
    # alive, with Wine's services started before the first suite (they would hold its output
    # open), spares every suite Wine's start-up; its umask 077 makes the suites' files private,
    # as a Windows user's temporary folder is.
    env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
    env["WINEPREFIX"] = os.path.join(TESTS, "wine-prefix")
    junit = os.path.join(context.work, "ctest.xml")
    script = (f'umask 077; "{WINESERVER}" -p; "{WINE}" wineboot </dev/null >/dev/null 2>&1; '
              f'ctest --test-dir "{TESTS}" -j2 --timeout 300 --test-output-size-passed 10000000 --test-output-size-failed 10000000 --output-junit "{junit}" >"{context.work}/ctest.log" 2>&1; '
              f'"{WINESERVER}" -k')
    subprocess.run(["bash", "-c", script], env=env)
    suites = ElementTree.parse(junit).getroot().findall("testcase") if os.path.exists(junit) else []
    checks.check(f"ctest encuentra las suites ({len(suites)})", suites)
    for suite in suites:
        output = suite.findtext("system-out") or ""
        totals = re.search(r"Totals: (\d+) passed, (\d+) failed, (\d+) skipped", output)
        summary = f"{totals[1]} bien, {totals[2]} mal, {totals[3]} omitidas" if totals else "sin resultado"
        failures = "\n".join(l for l in output.splitlines() if l.startswith(("FAIL!", "   Loc")))
        checks.check(f"{suite.get('name')} bajo Wine ({summary})", suite.get("status") == "run", failures)

    packages = subprocess.run(["/usr/bin/python3", os.path.join(ROOT, "tests", "system", "setup", "check_packages.py"),
                               "--made", QT, "scripts/windows/package.sh"], cwd=ROOT, stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT, text=True)
    checks.check("la configuración de package.sh solo usa paquetes que instala", packages.returncode == 0,
                 packages.stdout)


def case_runs(checks, context):
    """Whole runs of the zip's program against the simulated Oracle server and the PostgreSQL
    bed, each reached through Qt's ODBC plugin, Wine's odbc32 and the host's unixODBC."""
    if not context.odbc:
        checks.check("las ejecuciones completas tienen el controlador simulado", False)
        return
    pg_dir = tempfile.mkdtemp(prefix="tarvelin-pg-win.")
    started = subprocess.run(["bash", os.path.join(ROOT, "tests", "support", "pg", "testbed.sh"), "start",
                              pg_dir]).returncode == 0
    try:
        if checks.check("el servidor PostgreSQL de pruebas arranca", started):
            with open(os.path.join(pg_dir, "env")) as f:
                for line in f:
                    key, _, value = line.removeprefix("export ").strip().partition("=")
                    context.pg[key] = shlex.split(value)[0]
        odbc = os.path.join(context.work, "odbc")
        os.makedirs(odbc, exist_ok=True)
        with open(os.path.join(odbc, "odbcinst.ini"), "w") as out:
            for ini in ("/etc/odbcinst.ini", os.path.join(context.odbc, "odbcinst.ini")):
                with open(ini) as f:
                    out.write(f.read() + "\n")
        env = {"ODBCSYSINI": odbc}
        context.odbc_ini = odbc
        sim_log = os.path.join(context.work, "simulador.log")

        def simulator(case, extra=""):
            return f"Driver={{Simulador Oracle}};{runs.server(case)};ExpectPwd=tiger;Log={sim_log}{extra}"

        def expected(case):
            return ["CONNECT"] + [f"EXEC 0 {s}" for s in runs.statements(case, context.query)] + ["DISCONNECT"]

        def logged():
            if not os.path.exists(sim_log):
                return []
            with open(sim_log, encoding="utf-8") as f:
                return f.read().splitlines()

        # A password others may read: refused, with the Windows command that fixes it.
        folder = program_copy(context, "abierto", ("Abierto", simulator("sin_en_linea"), "tiger", 0o644))
        text = run_to_box(checks, folder, os.path.join(context.work, "abierto.log"), context.shots,
                          "frmTarvelin-permisos", env=env)
        advice = (r'^Error -2147220984: El perfil Abierto contiene una contraseña y otros usuarios pueden leerlo; '
                  r'restrinja sus permisos con: icacls "Abierto.cfp" /inheritance:r /grant:r "[^"]+\\[^"]+:F"$')
        checks.check("contraseña legible por otros: rechazada con el consejo de icacls",
                     any(re.match(advice, line) for line in text.splitlines()), text)
        checks.check("el perfil rechazado no llega al servidor", not logged())
        # The same password pasted inside the connection string.
        folder = program_copy(context, "abierto-pwd", ("Abierto", simulator("sin_en_linea", ";PWD=tiger"), None, 0o644))
        text = run_to_box(checks, folder, os.path.join(context.work, "abierto-pwd.log"), context.shots,
                          "frmTarvelin-permisos-pwd", env=env)
        checks.check("PWD= dentro de Connection, legible por otros: rechazada igual",
                     any(re.match(advice, line) for line in text.splitlines()), text)
        checks.check("ese perfil tampoco llega al servidor", not logged())

        # "En línea" ticked against a server without online rebuilds, answered "Sí"; then the same
        # against a schema with every kind of index.
        for case in ("sin_en_linea", "particiones"):
            if os.path.exists(sim_log):
                os.remove(sim_log)
            folder = program_copy(context, case, ("Oracle", simulator(case), "tiger"))
            program = Program(folder, os.path.join(context.work, f"{case}.log"), env=env)
            if not checks.check(f"{case}: la ventana aparece", program.window):
                continue
            # The profile; Tab twice reaches "En línea", as "Cancelar" is hidden; back to "Reindexar ahora".
            program.keys("Down", "Tab", "Tab", "space", "shift+Tab", "space")
            question = wait_for(lambda: visible(BOX_TITLES[1]), START)
            if checks.check(f"{case}: la pregunta sobre el reindexado en línea aparece", question):
                program.screenshot(os.path.join(context.shots, f"frmTarvelin-{case}-pregunta.png"), margin=80)
                text = program.box_text()
                checks.check(f"{case}: la pregunta, con su título, su texto y los botones Sí y No",
                             text.rstrip("\n") == QUESTION, repr(text))
                program.keys("Return")  # "Sí", its default button
                wait_for(lambda: "DISCONNECT" in logged(), START)
                checks.check(f"{case}: la ejecución acaba sin cuadro de mensaje", not program.boxes())
                program.screenshot(os.path.join(context.shots, f"frmTarvelin-{case}.png"))
                checks.check(f"{case}: el registro del servidor simulado es exactamente el de la ejecución",
                             logged() == expected(case), "\n".join(logged()))
            checks.check(f"{case}: Alt+F4 cierra el programa", program.close() == 0)

        # Slow rebuilds: while the first of four runs, the window paints itself again when it is
        # uncovered, and Space on "Cancelar", where starting from the keyboard leaves the focus,
        # stops the run once that rebuild is done.
        case = "cancelar_raton"
        if os.path.exists(sim_log):
            os.remove(sim_log)
        folder = program_copy(context, "lento",
                              ("Oracle", simulator(case, f";DelayMs={runs.delay(case)}"), "tiger"))
        program = Program(folder, os.path.join(context.work, "lento.log"), env=env)
        if checks.check("lento: la ventana aparece", program.window):
            program.keys("Down", "Tab", "space")
            first = "EXEC 0 ALTER INDEX IDX_A REBUILD"
            checks.check("lento: el servidor reindexa IDX_A", wait_for(lambda: logged()[-1:] == [first], START))
            covered, repainted = xscreen.covered_and_uncovered(geometry(program.window))
            checks.check("lento: durante la reindexación, la ventana se repinta al destaparla", covered and repainted,
                         f"tapada: {covered}, repintada: {repainted}")
            program.screenshot(os.path.join(context.shots, "frmTarvelin-durante-la-reindexacion.png"))
            checks.check("lento: y la reindexación de IDX_A sigue en curso", logged()[-1:] == [first],
                         "\n".join(logged()))
            program.keys("space")
            wait_for(lambda: "DISCONNECT" in logged(), START)
            checks.check("lento: Espacio en «Cancelar» para tras IDX_A, sin empezar otro índice",
                         logged() == expected(case), "\n".join(logged()))
            checks.check("lento: Alt+F4 cierra el programa", program.close() == 0)

        # The console program of the zip: the same run, each text on standard output after its
        # time stamp, the exit status; a profile others may read is refused there too.
        case = "sin_en_linea"
        if os.path.exists(sim_log):
            os.remove(sim_log)
        folder = program_copy(context, "consola", ("Oracle", simulator(case), "tiger"),
                              ("Abierto", simulator(case, ";PWD=tiger"), None, 0o644))

        def console(*arguments):
            return subprocess.run([WINE, "tarvelin-cli.exe", *arguments], cwd=folder, capture_output=True,
                                  timeout=START, env=dict(os.environ, WINEDEBUG="-all", **env))
        done = console("--en-linea", "--si-no-en-linea=bloquear", "Oracle")
        output = done.stdout.decode("utf-8", errors="replace").replace("\r", "").splitlines()
        stamped = [re.match(r"^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d(Z|[+-]\d\d:\d\d) (.*)$", line) for line in output]
        printed = [match[2] if match else f"(sin fecha) {line}" for match, line in zip(stamped, output)]
        wanted = list(runs.statuses(case))
        wanted.insert(wanted.index(BOX_TITLES[1]) + 1, "¿Desea reindexar bloqueando las tablas? Sí")
        checks.check("consola: tarvelin-cli.exe acaba con 0", done.returncode == 0,
                     f"{done.returncode}\n{done.stderr.decode(errors='replace')}")
        checks.check("consola: cada texto de la ventana, uno por línea, tras su fecha y hora, y el resumen",
                     printed[:-1] == wanted and re.match(r"^Resumen: 3 sentencias, 3 correctas, 0 con error, 0 sin "
                                                         r"enviar; duración \d+:\d\d:\d\d$", printed[-1] if printed else ""),
                     "\n".join(output))
        checks.check("consola: el registro del servidor simulado es exactamente el de la ejecución",
                     logged() == expected(case), "\n".join(logged()))
        if os.path.exists(sim_log):
            os.remove(sim_log)
        done = console("Abierto")
        errors = done.stderr.decode("utf-8", errors="replace").replace("\r", "")
        checks.check("consola: el perfil legible por otros acaba con 1 y el consejo de icacls",
                     done.returncode == 1 and any(re.match(advice, line) for line in errors.splitlines()),
                     f"{done.returncode}\n{errors}")
        checks.check("consola: ese perfil no llega al servidor", not logged())
        # The first failure an installed copy meets: a driver that is not there.
        profile(folder, "SinControlador", "Driver={Oracle in OraClient19Home1};Dbq=//dbhost:1521/ORCLPDB1;Uid=scott")
        done = console("SinControlador")
        errors = done.stderr.decode("utf-8", errors="replace").replace("\r", "")
        checks.check("consola: un controlador que no está instalado, dicho en español con los que hay, y acaba con 1",
                     done.returncode == 1 and errors.startswith(MISSING_DRIVER.format("Oracle in OraClient19Home1"))
                     and "«Simulador Oracle»" in errors, f"{done.returncode}\n{errors}")

        # A wrong password: the simulated server refuses the logon (ExpectPwd).
        folder = program_copy(context, "oracle-clave", ("OracleMal", simulator("sin_en_linea"), "mala"))
        text = run_to_box(checks, folder, os.path.join(context.work, "oracle-clave.log"), context.shots,
                          "frmTarvelin-oracle-clave", env=env)
        checks.check("contraseña errónea en Oracle: Error 1017 en el cuadro",
                     "Error 1017: ORA-01017: invalid username/password; logon denied" in text.splitlines(), text)
        checks.check("el servidor simulado rechazó esa conexión", logged()[-1:] == ["CONNECT REFUSED"])

        # PostgreSQL through psqlODBC: the dictionary query runs and the first rebuild fails with
        # the server's error, as on Linux (tst_PgRun).
        connection = context.pg.get("TARVELIN_PG_CONNECTION", "Driver={PostgreSQL Unicode}")
        folder = program_copy(context, "pg", ("Pg", connection, context.pg.get("TARVELIN_PG_PASSWORD", "")))
        text = run_to_box(checks, folder, os.path.join(context.work, "pg.log"), context.shots, "frmTarvelin-pg",
                          env=env)
        checks.check("PostgreSQL: ALTER INDEX ... REBUILD acaba en su error de sintaxis",
                     any(re.match(r'^Error \d+: ERROR: syntax error at or near "REBUILD"', l) for l in text.splitlines()),
                     text)
        server_log = os.path.join(pg_dir, "server.log")
        checks.check("PostgreSQL recibió ALTER INDEX CUSTOMERS_PK REBUILD, el primero que da la consulta",
                     os.path.exists(server_log)
                     and "STATEMENT:  ALTER INDEX CUSTOMERS_PK REBUILD" in open(server_log, errors="replace").read())
        folder = program_copy(context, "pg-clave", ("PgMal", connection, "no-es-la-clave"))
        text = run_to_box(checks, folder, os.path.join(context.work, "pg-clave.log"), context.shots,
                          "frmTarvelin-pg-clave", env=env)
        checks.check("contraseña errónea en PostgreSQL: su error en el cuadro",
                     any(re.match(r'^Error \d+: .*password authentication failed for user "tarvelin"', l)
                         for l in text.splitlines()), text)
    finally:
        subprocess.run(["bash", os.path.join(ROOT, "tests", "support", "pg", "testbed.sh"), "stop", pg_dir])


def msi_tables(msi, table):
    """The rows of one of the package's tables as msiinfo exports them (after its three header lines)."""
    done = subprocess.run(["msiinfo", "export", msi, table], stdout=subprocess.PIPE, text=True, check=True)
    return [line.split("\t") for line in done.stdout.splitlines()[3:]]


def later_version(msi, later, version):
    """A copy of the package that says it is a later version of Tarvelin, as the next one built would:
    its own ProductCode and package code, the later ProductVersion and its upgrade rows."""
    import uuid  # pylint: disable=import-outside-toplevel
    shutil.copy(msi, later)
    upgrade = dict(msi_tables(msi, "Property"))["UpgradeCode"]
    product = "{" + str(uuid.uuid5(uuid.UUID(upgrade), version)).upper() + "}"
    summary = subprocess.run(["msiinfo", "suminfo", msi], stdout=subprocess.PIPE, text=True, check=True).stdout
    subject = re.search(r"^Subject: (.*)$", summary, re.M)[1]
    queries = [f"UPDATE `Property` SET `Value` = '{version}' WHERE `Property` = 'ProductVersion'",
               f"UPDATE `Property` SET `Value` = '{product}' WHERE `Property` = 'ProductCode'",
               "DELETE FROM `Upgrade`",
               f"INSERT INTO `Upgrade` (`UpgradeCode`, `VersionMin`, `VersionMax`, `Attributes`, `ActionProperty`) "
               f"VALUES ('{upgrade}', '0.0.0', '{version}', 768, 'VERSIONANTERIOR')",
               f"INSERT INTO `Upgrade` (`UpgradeCode`, `VersionMin`, `Attributes`, `ActionProperty`) "
               f"VALUES ('{upgrade}', '{version}', 2, 'VERSIONPOSTERIOR')"]
    for query in queries:
        subprocess.run(["msibuild", later, "-q", query], check=True)
    subprocess.run(["msibuild", later, "-s", subject, "Corvath S.L.", "x64;3082", "{" + str(uuid.uuid4()).upper() + "}"],
                   check=True)


def case_msi(checks, context):
    """The Windows Installer package: its tables as msiinfo reads them; installed silently into a
    fresh Wine prefix, the installed programs run; installed again, upgraded, removed."""
    version = subprocess.run(["sed", "-n", 's/^set(TARVELIN_VERSION_TEXT "\\(.*\\)")$/\\1/p',
                              os.path.join(ROOT, "CMakeLists.txt")], stdout=subprocess.PIPE, text=True).stdout.strip()
    name = NAME.format(version)
    msi = os.path.join(ROOT, "build-win", f"{name}.msi")
    if not checks.check(f"{name}.msi existe ({os.path.getsize(msi) if os.path.exists(msi) else 0} bytes)",
                        os.path.exists(msi)):
        return
    with open(os.path.join(ROOT, "resources", "windows", "Tarvelin.wxs")) as f:
        upgrade = "{" + re.search(r'UpgradeCode="([0-9A-F-]+)"', f.read())[1] + "}"
    properties = dict(row[:2] for row in msi_tables(msi, "Property"))
    for key, value in (("Manufacturer", "Corvath S.L."), ("ProductName", "Tarvelin"), ("ProductVersion", "1.0.0.1"),
                       ("ProductLanguage", "3082"), ("UpgradeCode", upgrade), ("ALLUSERS", "1"),
                       ("ARPPRODUCTICON", "Tarvelin.ico")):
        checks.check(f"msiinfo, Property: {key} = {value}", properties.get(key) == value, properties.get(key))
    shortcuts = msi_tables(msi, "Shortcut")
    checks.check("msiinfo, Shortcut: «Tarvelin» en el menú Inicio, a Tarvelin.exe",
                 [r[1:3] + [r[4]] for r in shortcuts] == [["ProgramMenuFolder", "Tarvelin", "[INSTALLDIR]Tarvelin.exe"]],
                 shortcuts)
    directories = {r[0]: r[1:] for r in msi_tables(msi, "Directory")}
    checks.check("msiinfo, Directory: en Archivos de programa (64 bits)\\Tarvelin",
                 directories.get("INSTALLDIR") == ["ProgramFiles64Folder", "Tarvelin"], directories.get("INSTALLDIR"))
    summary = subprocess.run(["msiinfo", "suminfo", msi], stdout=subprocess.PIPE, text=True).stdout
    checks.check("msiinfo, resumen: x64, español (3082)", "Template: x64;3082" in summary, summary)
    print("\n".join("    " + line for line in summary.splitlines()))

    prefix = os.path.join(ROOT, "build-win", "wine-msi")
    shutil.rmtree(prefix, ignore_errors=True)
    env = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all",
               WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
    subprocess.run([WINE, "wineboot", "-i"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run([WINESERVER, "-w"], env=env)
    # Windows' Tahoma, as check.sh gives the other prefix.
    for font in ("tahoma.ttf", "tahomabd.ttf"):
        shutil.copy(os.path.join("/usr/share/wine/fonts", font), os.path.join(prefix, "drive_c", "windows", "Fonts"))
    windows_msi = "Z:" + msi.replace("/", "\\")

    def msiexec(*arguments):
        done = subprocess.run([WINE, "msiexec", *arguments], env=env, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, timeout=300)
        subprocess.run([WINESERVER, "-w"], env=env)
        return done.returncode

    def products():
        done = subprocess.run([WINE, "reg", "query", r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall", "/s"],
                              env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        entries = re.findall(r"DisplayName\s+REG_SZ\s+(.*)\n(?:.*\n)*?\s+DisplayVersion\s+REG_SZ\s+(.*)", done.stdout)
        return [version.strip() for name, version in entries if name.strip() == "Tarvelin"]

    def files(folder):
        return sorted(os.path.relpath(os.path.join(d, f), folder) for d, _, names in os.walk(folder) for f in names)

    def shortcut():
        return [os.path.join(d, f) for d, _, names in os.walk(os.path.join(prefix, "drive_c")) for f in names
                if f == "Tarvelin.lnk"]

    installed = os.path.join(prefix, "drive_c", "Program Files", "Tarvelin")
    checks.check("msiexec /i ... /qn instala sin preguntar nada", msiexec("/i", windows_msi, "/qn") == 0)
    checks.check("los archivos, en C:\\Program Files\\Tarvelin, son los del zip",
                 os.path.isdir(installed) and files(installed) == files(context.folder),
                 os.path.isdir(installed) and sorted(set(files(installed)) ^ set(files(context.folder))))
    links = shortcut()
    checks.check("el acceso directo «Tarvelin» del menú Inicio lleva a Tarvelin.exe",
                 len(links) == 1 and "Tarvelin.exe".encode("utf-16-le") in open(links[0], "rb").read()
                 or len(links) == 1 and b"Tarvelin.exe" in open(links[0], "rb").read(), links)
    checks.check("«Aplicaciones instaladas» tiene Tarvelin 1.0.0.1", products() == ["1.0.0.1"], products())

    cli = subprocess.run([WINE, os.path.join(installed, "tarvelin-cli.exe"), "--version"], env=env,
                         capture_output=True, timeout=START)
    checks.check("el tarvelin-cli.exe instalado da su versión",
                 cli.returncode == 0 and cli.stdout.decode().replace("\r", "") == f"tarvelin-cli (Tarvelin) {version}\n"
                 "Corvath S.L.\n", cli.stdout)

    # A profile put beside the installed program: the window lists it and runs it to its end, and
    # the console run the README's schtasks line makes leaves its lines in the log file it names.
    sim_log = os.path.join(context.work, "simulador-msi.log")
    run_env = {"WINEPREFIX": prefix, "ODBCSYSINI": context.odbc_ini or ""}
    profile(installed, "Prod", f"Driver={{Simulador Oracle}};{runs.server('terminado')};Log={sim_log}")
    expected = ["CONNECT"] + [f"EXEC 0 {s}" for s in runs.statements("terminado", context.query)] + ["DISCONNECT"]

    def logged():
        if not os.path.exists(sim_log):
            return []
        with open(sim_log, encoding="utf-8") as f:
            return f.read().splitlines()
    program = Program(installed, os.path.join(context.work, "msi-ventana.log"), env=run_env)
    if checks.check("el Tarvelin.exe instalado abre su ventana", program.window):
        program.keys("Down", "Tab", "space")
        wait_for(lambda: "DISCONNECT" in logged(), START)
        checks.check("y hace una ejecución completa con el perfil puesto a su lado",
                     logged() == expected and not program.boxes(), "\n".join(logged()))
        program.screenshot(os.path.join(context.shots, "frmTarvelin-instalado.png"))
        checks.check("Alt+F4 cierra el programa instalado", program.close() == 0)
    os.remove(sim_log)
    # Started as the Task Scheduler starts a task: from C:\Windows\system32, its output kept nowhere.
    registro = os.path.join(prefix, "drive_c", "ProgramData", "Tarvelin", "Prod.log")
    task = subprocess.run([WINE, r"C:\Program Files\Tarvelin\tarvelin-cli.exe", "--espera-bloqueo=300", "--seguir",
                           "--hasta=" + time.strftime("%H:%M", time.localtime(time.time() - 60)),
                           r"--registro=C:\ProgramData\Tarvelin\Prod.log", "Prod"],
                          cwd=os.path.join(prefix, "drive_c", "windows", "system32"), capture_output=True,
                          env=dict(env, **run_env), timeout=START)
    kept = open(registro, encoding="utf-8").read().replace("\r", "").splitlines() if os.path.exists(registro) else []
    printed = task.stdout.decode("utf-8", errors="replace").replace("\r", "").splitlines()
    checks.check("la línea de schtasks del README: acaba con 0 y sus líneas quedan en C:\\ProgramData\\Tarvelin\\Prod.log",
                 task.returncode == 0 and kept == printed and len(kept) == len(runs.statuses("terminado")) + 1
                 and re.search(r"^\S+ Resumen: 4 sentencias, 4 correctas, 0 con error, 0 sin enviar; duración \d+:\d\d:\d\d$",
                               kept[-1] if kept else "") is not None
                 and logged() == expected[:1] + ["EXEC 0 ALTER SESSION SET DDL_LOCK_TIMEOUT = 300"] + expected[1:],
                 f"{task.returncode}\n" + "\n".join(kept) + "\n--\n" + task.stderr.decode(errors="replace"))

    before = {f: os.path.getmtime(os.path.join(installed, f)) for f in files(installed)}
    checks.check("instalar otra vez el mismo paquete acaba bien", msiexec("/i", windows_msi, "/qn") == 0)
    after = {f: os.path.getmtime(os.path.join(installed, f)) for f in files(installed)}
    checks.check("y no cambia nada: los mismos archivos, sin tocar, una sola entrada", before == after
                 and products() == ["1.0.0.1"], sorted(set(before.items()) ^ set(after.items())))

    later = os.path.join(context.work, f"Tarvelin-1.00.0002-win64.msi")
    later_version(msi, later, "1.0.0.2")
    checks.check("una versión posterior (1.0.0.2) se instala encima", msiexec("/i", "Z:" + later.replace("/", "\\"),
                                                                              "/qn") == 0)
    checks.check("y sustituye a la anterior en su sitio: una sola entrada, la nueva, los mismos archivos",
                 products() == ["1.0.0.2"] and files(installed) == sorted(files(context.folder) + ["Prod.cfp"]),
                 (products(), files(installed)))

    checks.check("msiexec /x ... /qn desinstala sin preguntar nada", msiexec("/x", "Z:" + later.replace("/", "\\"),
                                                                            "/qn") == 0)
    checks.check("la desinstalación deja solo el perfil añadido, en su carpeta", files(installed) == ["Prod.cfp"],
                 files(installed) if os.path.isdir(installed) else "no queda la carpeta")
    checks.check("sin acceso directo ni entrada en «Aplicaciones instaladas»", not shortcut() and not products(),
                 (shortcut(), products()))


CASES = [
    ("Recursos de Tarvelin.exe, leídos con icoutils", case_resources),
    ("Tarvelin.exe bajo Wine: la ventana, la lista, los cuadros de error, lo que carga", case_window),
    ("El nombre de la compañía, leído de la información de versión", case_vendor),
    ("Las pruebas unitarias de platform/ y rebuild/, compiladas para Windows y bajo Wine", case_suites),
    ("Ejecuciones completas bajo Wine", case_runs),
    ("El paquete de Windows Installer: sus tablas; instalado, actualizado y desinstalado bajo Wine", case_msi),
]


def main():
    folder, work = sys.argv[1:]
    context = Context(os.path.realpath(folder), os.path.realpath(work))
    shutil.rmtree(context.shots, ignore_errors=True)
    os.makedirs(context.shots)
    checks = Checks()
    start = time.monotonic()
    for title, case in CASES:
        print(f"== {title}")
        try:
            case(checks, context)
        except Exception as error:  # pylint: disable=broad-except
            checks.check(f"{title}: termina sin excepción", False, repr(error))
    print()
    print(f"Capturas: {context.shots}")
    print(f"Tiempo: {time.monotonic() - start:.0f} s")
    print(f"{checks.passed} passed, {checks.failed} failed")
    sys.exit(1 if checks.failed else 0)


if __name__ == "__main__":
    main()
