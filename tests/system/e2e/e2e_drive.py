"""Runs one reindex through the real Tarvelin window, with the keyboard and the mouse.

Usage: e2e_drive.py <program folder> <case> <screenshot folder> <server log>
  terminado       pick the profile, "Reindexar ahora", wait for "Terminado".
  sin_en_linea    the same with "En línea" ticked against a server that cannot rebuild
                  online; the question is answered "Sí".
  particiones     the same against a schema with every kind of index.
  cancelar_raton  a pointer click on "Cancelar" while the window is blocked in the rebuild of
                  IDX_B: IDX_B and IDX_C are finished, then "Cancelado".
  cerrar_ventana  the window manager's close request at the same moment: the same, and then
                  the program ends.
The statements the server received are checked by the calling script.
"""

import os
import sys
import time

import pyatspi

from desktop import RUN_WAIT, WAIT, Failure, ask_window_to_close, check, descendants, \
    find, has_state, run_program, showing, status_line, tree_text, wait_for
from desktop import main as desktop_main

ONLINE_TITLE = "No se puede reindexar en línea"
ONLINE_PROMPT = "No se puede reindexar en línea.\r\n¿Desea reindexar bloqueando las tablas?"
# The middle of "Cancelar" in the window: left 296, top 120, 177 x 33 pixels.
CANCELAR_CENTRE = (384, 136)


def focused(node):
    return has_state(node, pyatspi.STATE_FOCUSED)


def checked(node):
    return has_state(node, pyatspi.STATE_CHECKED)


class Window:
    def __init__(self, program):
        self.program = program
        frame = program.frame
        self.base = find(frame, pyatspi.ROLE_COMBO_BOX)
        self.reindexar = find(frame, pyatspi.ROLE_PUSH_BUTTON, "Reindexar ahora")
        self.cancelar = find(frame, pyatspi.ROLE_PUSH_BUTTON, "Cancelar", shown=None)
        self.en_linea = find(frame, pyatspi.ROLE_CHECK_BOX, "En línea")
        check(not showing(self.cancelar), "«Cancelar» shown before any run")
        self.status = status_line(frame)
        check(self.status.name == "", f"status line not empty at start: «{self.status.name}»")

    def focus_on(self, node, what):
        wait_for(f"focus on {what}", lambda: focused(node))

    def choose_profile(self, name):
        self.program.focus()
        self.focus_on(self.base, "the profile list at start")
        check(self.base.name in ("", "Base de Datos"),
              f"a profile is selected at start: «{self.base.name}»")
        # Down in a closed drop-down list selects the next entry, here the first.
        self.program.keys("Down")
        wait_for(f"profile «{name}» selected", lambda: self.base.name == name)

    def wait_for_end(self, text):
        def ended():
            boxes = self.program.dialogs()
            if boxes:
                raise Failure("unexpected message box: " + tree_text(boxes[0]))
            return self.status.name == text
        wait_for(lambda: f"status line «{text}» (it reads «{self.status.name}»)", ended, RUN_WAIT)
        # The buttons are restored after the last status text.
        wait_for("«Reindexar ahora» shown and «Cancelar» hidden again",
                 lambda: showing(self.reindexar) and not showing(self.cancelar))


def run_terminado(program, window, shots):
    check(not checked(window.en_linea), "«En línea» ticked at start; this run expects it unticked")
    window.choose_profile("Sim")
    program.keys("Tab")
    window.focus_on(window.reindexar, "«Reindexar ahora» after Tab")
    program.keys("space")
    window.wait_for_end("Terminado")
    check(not checked(window.en_linea), "«En línea» ticked after the run")
    program.screenshot(os.path.join(shots, "e2e-terminado.png"))


def run_sin_en_linea(program, window, shots, name="sin-en-linea"):
    window.choose_profile("Sim")
    # "Cancelar" is hidden, so the second Tab goes straight to "En línea".
    program.keys("Tab", "Tab")
    window.focus_on(window.en_linea, "«En línea» after two Tabs")
    if not checked(window.en_linea):
        program.keys("space")
    wait_for("«En línea» ticked", lambda: checked(window.en_linea))
    program.keys("shift+Tab")
    window.focus_on(window.reindexar, "«Reindexar ahora» after Shift+Tab")
    program.keys("space")

    def question():
        boxes = program.dialogs()
        return boxes[0] if boxes else None
    box = wait_for("the question about online rebuilds", question, RUN_WAIT)
    check(box.name == ONLINE_TITLE, f"question titled «{box.name}»")
    prompts = [n for n in descendants(box) if n.getRole() == pyatspi.ROLE_LABEL and n.name]
    check(any(n.name == ONLINE_PROMPT for n in prompts),
          "question without the expected prompt:\n" + tree_text(box))
    check(window.status.name == ONLINE_TITLE,
          f"status line during the question: «{window.status.name}»")
    check(not checked(window.en_linea), "«En línea» still ticked while the question is asked")
    yes = find(box, pyatspi.ROLE_PUSH_BUTTON, "Sí")
    find(box, pyatspi.ROLE_PUSH_BUTTON, "No")
    wait_for("focus on «Sí» in the question", lambda: focused(yes))
    program.screenshot(os.path.join(shots, f"e2e-{name}-pregunta.png"), whole_screen=True)
    program.keys("space")
    wait_for("the question closed", lambda: not program.dialogs())
    window.wait_for_end("Terminado")
    check(not checked(window.en_linea), "«En línea» ticked again after the run")
    program.screenshot(os.path.join(shots, f"e2e-{name}.png"))


def start_and_block_in_second_rebuild(program, window, log):
    """Starts the run with the keyboard and returns once the server is rebuilding IDX_B: the
    window is blocked in that statement and serves nothing until it announces the next index."""
    window.choose_profile("Sim")
    program.keys("Tab")
    window.focus_on(window.reindexar, "«Reindexar ahora» after Tab")
    program.keys("space")

    def logged():
        with open(log, encoding="utf-8") as lines:
            return "EXEC 0 ALTER INDEX IDX_B REBUILD\n" in lines.readlines()
    wait_for("the rebuild of IDX_B in the server's log", logged, RUN_WAIT)


def run_cancelar_raton(program, window, shots, log):
    start_and_block_in_second_rebuild(program, window, log)
    program.click(*CANCELAR_CENTRE)
    # Served when IDX_C is announced: IDX_C is still rebuilt, nothing after it (the calling
    # script checks the server's log).
    window.wait_for_end("Cancelado")
    program.screenshot(os.path.join(shots, "e2e-cancelado.png"))


def run_cerrar_ventana(program, window, shots, log):
    start_and_block_in_second_rebuild(program, window, log)
    ask_window_to_close(program.window)
    # The run ends first, as if "Cancelar" had been clicked, and then the window closes. The
    # status line is read until then: each reading waits until the window serves events again.
    last = None
    deadline = time.monotonic() + RUN_WAIT
    while program.process.poll() is None and time.monotonic() < deadline:
        try:
            last = window.status.name
        except Exception:  # pylint: disable=broad-except
            pass  # busy in a rebuild, or already gone
        time.sleep(0.05)
    program.wait_for_exit(WAIT)
    check(last == "Cancelado", f"last status before the window closed: «{last}»")


CASES = {
    "terminado": lambda program, window, shots, log: run_terminado(program, window, shots),
    "sin_en_linea": lambda program, window, shots, log: run_sin_en_linea(program, window, shots),
    "particiones": lambda program, window, shots, log: run_sin_en_linea(program, window, shots, "particiones"),
    "cancelar_raton": run_cancelar_raton,
    "cerrar_ventana": run_cerrar_ventana,
}


def main():
    folder, case, shots, log = sys.argv[1:]
    run = CASES[case]
    run_program(folder, lambda program: run(program, Window(program), shots, log))


if __name__ == "__main__":
    desktop_main(main)
