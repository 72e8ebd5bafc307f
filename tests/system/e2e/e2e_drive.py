"""Runs one reindex through the real Tarvelin window, with the keyboard and the mouse.

Usage: e2e_drive.py <program folder> <case> <screenshot folder> <server log>
  terminado       pick the profile, "Reindexar ahora", wait for "Terminado".
  sin_en_linea    the same with "En línea" ticked against a server that cannot rebuild
                  online; the question is answered "Sí".
  particiones     the same against a schema with every kind of index.
  cancelar_raton  while the first of four slow rebuilds runs: the window is covered and
                  uncovered and paints itself again, its status line is read within a second,
                  then a pointer click on "Cancelar" shows "Cancelando..." at once; that rebuild
                  is finished, then "Cancelado".
  cerrar_ventana  the window manager's close request at the same moment: the same, and then
                  the program ends with exit code 0.
  conexion_lenta  a server slow to log on: the run started from the keyboard leaves the focus
                  on "Cancelar", and Space there cancels it while it connects.
What the program shows is decided on what it announced (text-changed events, records that stay)
and on the server's log, which only grows; the calling script compares the whole log.
"""

import os
import sys

import pyatspi

import runs
import xscreen
from desktop import RUN_WAIT, Announcements, ask_window_to_close, check, descendants, find, has_state, \
    run_program, showing, status_line, tree_text, wait_for
from desktop import main as desktop_main

ONLINE_TITLE = "No se puede reindexar en línea"
ONLINE_PROMPT = "No se puede reindexar en línea.\r\n¿Desea reindexar bloqueando las tablas?"
# The middle of "Cancelar" in the window: left 296, top 120, 177 x 33 pixels.
CANCELAR_CENTRE = (384, 136)


def focused(node):
    return has_state(node, pyatspi.STATE_FOCUSED)


def checked(node):
    return has_state(node, pyatspi.STATE_CHECKED)


def log_lines(log):
    if not os.path.exists(log):
        return []
    with open(log, encoding="utf-8") as lines:
        return lines.read().splitlines()


class Window:
    def __init__(self, program, case, log, announced):
        self.program = program
        self.case = case
        self.log = log
        self.announced = announced
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

    def start_from_the_keyboard(self):
        self.choose_profile("Sim")
        self.program.keys("Tab")
        self.focus_on(self.reindexar, "«Reindexar ahora» after Tab")
        self.program.keys("space")

    def wait_for_end(self):
        """Waits for the run's last text and checks that it announced exactly the case's texts."""
        wanted = runs.statuses(self.case)
        wait_for(lambda: f"the run to end with «{wanted[-1]}» (heard: {self.announced.texts})",
                 lambda: self.announced.texts[-1:] == wanted[-1:] and not self.program.dialogs(), RUN_WAIT)
        boxes = self.program.dialogs()
        check(not boxes, lambda: "a message box is open: " + tree_text(boxes[0]))
        # The buttons are restored after the last status text; they stay so.
        wait_for("«Reindexar ahora» shown and «Cancelar» hidden again",
                 lambda: showing(self.reindexar) and not showing(self.cancelar))
        self.check_announced(self.announced.texts)

    def check_announced(self, texts):
        check(texts == runs.statuses(self.case),
              f"the status line announced {texts}, not {runs.statuses(self.case)}")

    def wait_in_first_rebuild(self):
        """Returns once the server is rebuilding IDX_A: its statement is the log's last line."""
        wait_for("the rebuild of IDX_A in the server's log",
                 lambda: log_lines(self.log)[-1:] == ["EXEC 0 ALTER INDEX IDX_A REBUILD"], RUN_WAIT)

    def still_in_first_rebuild(self):
        """The log only grows: while its last line is IDX_A's statement, that rebuild has not ended
        (nothing else is logged until the session's end)."""
        return log_lines(self.log)[-1:] == ["EXEC 0 ALTER INDEX IDX_A REBUILD"]


def run_terminado(program, window, shots):
    check(not checked(window.en_linea), "«En línea» ticked at start; this run expects it unticked")
    window.start_from_the_keyboard()
    window.wait_for_end()
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
    # The question is modal: the status line and the tick stay as they are while it is open.
    check(window.announced.texts[-1:] == [ONLINE_TITLE],
          f"last status announced before the question: {window.announced.texts[-1:]}")
    check(not checked(window.en_linea), "«En línea» still ticked while the question is asked")
    yes = find(box, pyatspi.ROLE_PUSH_BUTTON, "Sí")
    find(box, pyatspi.ROLE_PUSH_BUTTON, "No")
    wait_for("focus on «Sí» in the question", lambda: focused(yes))
    program.screenshot(os.path.join(shots, f"e2e-{name}-pregunta.png"), whole_screen=True)
    program.keys("space")
    wait_for("the question closed", lambda: not program.dialogs())
    window.wait_for_end()
    check(not checked(window.en_linea), "«En línea» ticked again after the run")
    program.screenshot(os.path.join(shots, f"e2e-{name}.png"))


def run_cancelar_raton(program, window, shots):
    window.start_from_the_keyboard()
    window.wait_in_first_rebuild()

    # While the server works the window paints itself again when uncovered...
    covered, repainted = xscreen.covered_and_uncovered(xscreen.geometry(program.window))
    check(covered, "the cover never showed over the window")
    check(repainted, "the window did not paint itself again within 2 s of being uncovered")
    # ...and answers a screen reader at once.
    text = program.read_text(window.status, within=1.0)
    check(text == "Reindexando: IDX_A", f"the status line read «{text}» during the rebuild")
    check(window.still_in_first_rebuild(), "IDX_A's rebuild ended before the window was checked; "
          "the rebuilds are too short for this machine")
    program.screenshot(os.path.join(shots, "e2e-durante-la-reindexacion.png"))

    program.click(*CANCELAR_CENTRE)
    window.announced.wait_for("Cancelando...")
    check(window.still_in_first_rebuild(), "«Cancelando...» came only after IDX_A's rebuild had ended")
    window.wait_for_end()
    program.screenshot(os.path.join(shots, "e2e-cancelado.png"))


def run_cerrar_ventana(program, window, shots):
    del shots
    window.start_from_the_keyboard()
    window.wait_in_first_rebuild()
    ask_window_to_close(program.window)
    window.announced.wait_for("Cancelando...")
    check(window.still_in_first_rebuild(), "«Cancelando...» came only after IDX_A's rebuild had ended")
    # The rebuild under way ends, then the run as if "Cancelar" had been clicked, then the window.
    program.wait_for_exit(RUN_WAIT)
    window.check_announced(window.announced.after_exit())


def run_conexion_lenta(program, window, shots):
    window.start_from_the_keyboard()
    window.announced.wait_for("Procesando...")
    # Started from the keyboard, the keyboard is on "Cancelar", not on "En línea".
    window.focus_on(window.cancelar, "«Cancelar» once the run has started from the keyboard")
    check(not log_lines(window.log), "the server answered the logon before the cancel")
    program.keys("space")
    window.announced.wait_for("Cancelando...")
    check(not log_lines(window.log), "«Cancelando...» came only after the logon had ended")
    window.wait_for_end()
    check(not checked(window.en_linea), "«En línea» ticked by the Space meant for «Cancelar»")
    program.screenshot(os.path.join(shots, "e2e-conexion-cancelada.png"))


CASES = {
    "terminado": run_terminado,
    "sin_en_linea": run_sin_en_linea,
    "particiones": lambda program, window, shots: run_sin_en_linea(program, window, shots, "particiones"),
    "cancelar_raton": run_cancelar_raton,
    "cerrar_ventana": run_cerrar_ventana,
    "conexion_lenta": run_conexion_lenta,
}


def main():
    folder, case, shots, log = sys.argv[1:]
    run = CASES[case]
    announced = Announcements()
    run_program(folder, lambda program: run(program, Window(program, case, log, announced), shots))


if __name__ == "__main__":
    desktop_main(main)
