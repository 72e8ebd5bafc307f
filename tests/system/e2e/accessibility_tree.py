"""What a screen reader finds in the Tarvelin window, read from the accessibility bus.

Usage: accessibility_tree.py <program folder>  (the folder holds the profile Sim)
Checks every shown control's role and name, that hidden ones are not shown, that the
controls lie inside the window, that Qt's own texts are Spanish, and that the status line
announces each new text with the text itself and can be read as its name and as text.
"""

import sys

import pyatspi

from desktop import Announcements, check, children, describe, descendants, find, has_state, \
    run_program, showing, status_line, tree_text, wait_for
from desktop import main as desktop_main

# The shown controls as a screen reader should find them: role and name. The status line is
# the label without a name at start; it is empty until the first run.
SHOWN = [
    (pyatspi.ROLE_LABEL, "Base de Datos"),
    (pyatspi.ROLE_COMBO_BOX, "Base de Datos"),
    (pyatspi.ROLE_PUSH_BUTTON, "Reindexar ahora"),
    (pyatspi.ROLE_CHECK_BOX, "En línea"),
    (pyatspi.ROLE_LABEL, ""),
]
TAKE_FOCUS = {pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_CHECK_BOX}
HIDDEN_NAMES = {"Usuario", "Contraseña", "Cancelar", "Admin"}
HIDDEN_ROLES = {pyatspi.ROLE_TEXT, pyatspi.ROLE_PASSWORD_TEXT, pyatspi.ROLE_ENTRY}
NO_PROFILE = "Seleccione la base de datos a reindexar"


def role_name(role, name):
    return f"{pyatspi.Atspi.Role(role).value_nick} «{name}»"


def check_shown_controls(frame):
    shown = [c for c in children(frame) if showing(c)]
    found = sorted(role_name(c.getRole(), c.name) for c in shown)
    wanted = sorted(role_name(role, name) for role, name in SHOWN)
    check(found == wanted, "shown controls differ:\n  found:  " + ", ".join(found)
          + "\n  wanted: " + ", ".join(wanted))
    for control in shown:
        state = control.getState()
        check(state.contains(pyatspi.STATE_VISIBLE), f"{describe(control)} shown but not visible")
        check(state.contains(pyatspi.STATE_ENABLED), f"{describe(control)} not enabled")
        takes_focus = control.getRole() in TAKE_FOCUS
        check(state.contains(pyatspi.STATE_FOCUSABLE) == takes_focus,
              f"{describe(control)}: focusable is {not takes_focus}, should be {takes_focus}")


def check_hidden_controls(frame):
    for node in descendants(frame):
        if node.name in HIDDEN_NAMES or node.getRole() in HIDDEN_ROLES:
            check(not showing(node), f"{describe(node)} is shown; it should be hidden")


def check_geometry(frame):
    """Magnifiers and pointer review use each control's place; it must be inside the window."""
    window = frame.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    for control in (c for c in children(frame) if showing(c)):
        box = control.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        inside = (box.width > 0 and box.height > 0
                  and box.x >= window.x and box.y >= window.y
                  and box.x + box.width <= window.x + window.width
                  and box.y + box.height <= window.y + window.height)
        check(inside, f"{describe(control)} at {box.x},{box.y} {box.width}x{box.height}, "
              f"window at {window.x},{window.y} {window.width}x{window.height}")


def press(node):
    """Presses a control through its accessible action, as assistive technology does."""
    action = node.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    check("Press" in names, f"{describe(node)} offers no Press action: {names}")
    # Qt's own texts, such as the action's description, are Spanish too.
    description = action.getDescription(names.index("Press"))
    check(description == "Desencadena la acción", f"{describe(node)}: Press described as «{description}»")
    check(action.doAction(names.index("Press")), f"{describe(node)} refused Press")


def check_window(program):
    frame = program.frame
    # Screen readers announce a window's title from a frame, not from a filler.
    check(frame.getRole() == pyatspi.ROLE_FRAME,
          f"the window is a {pyatspi.Atspi.Role(frame.getRole()).value_nick}, not a frame")
    check(len(children(program.app)) == 1,
          "the program shows more than its window:\n" + tree_text(program.app))
    check_shown_controls(frame)
    check_hidden_controls(frame)
    check_geometry(frame)

    base = find(frame, pyatspi.ROLE_COMBO_BOX)
    items = [n.name for n in descendants(base) if n.getRole() == pyatspi.ROLE_LIST_ITEM]
    check(items == ["Sim"], f"profile list reads {items}, should be ['Sim']")
    program.focus()
    wait_for("focus on the profile list at start", lambda: has_state(base, pyatspi.STATE_FOCUSED))


def check_status_line(program, announced):
    frame = program.frame
    status = status_line(frame)
    check(status.name == "", f"status line not empty at start: «{status.name}»")
    check(not announced.texts, f"announced before any run: {announced.texts}")
    press(find(frame, pyatspi.ROLE_PUSH_BUTTON, "Reindexar ahora"))
    # The text comes with the announcement itself, as a screen reader speaks it...
    announced.wait_for(NO_PROFILE)
    check(announced.texts == [NO_PROFILE], f"announced {announced.texts}, only «{NO_PROFILE}» expected")
    # ...and stays in the status line, as its name and as its text.
    check(status.name == NO_PROFILE, f"status line named «{status.name}»")
    text = status.queryText()
    check(text.getText(0, -1) == NO_PROFILE and text.characterCount == len(NO_PROFILE),
          f"status line's text reads «{text.getText(0, -1)}»")
    check(showing(status), "status line no longer shown")


def main():
    folder = sys.argv[1]
    # Listening before the program starts, so that it knows from the start that someone does.
    announced = Announcements()

    def body(program):
        check_window(program)
        check_status_line(program, announced)
    run_program(folder, body)


if __name__ == "__main__":
    desktop_main(main)
