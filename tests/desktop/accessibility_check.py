"""The program as a screen reader meets it on the AT-SPI bus.

Run by accessibility_test.sh with the program up, four cards and every
mixer window open. Prints one line per check and exits 1 when one failed.
Every failure says what was expected and what was seen.
"""
import os
import re
import subprocess
import sys
import time

import pyatspi

from checks import check, finish

TRACE = os.environ["MORVA_TRACE"]
CARDS = int(os.environ.get("CARDS", "4"))
PID = int(os.environ["MORVA_PID"])
TRAY_TIP = "Einstellungen für Morva"  # the tray stand-in, not a window of ours
MIXERS = ["Analog Inputs", "Analog Input Monitors", "Analog Outputs", "Digital Input",
          "Digital Output"]
OPERABLE_ROLES = {"push button", "toggle button", "check box", "radio button", "slider",
                  "combo box", "list", "text", "spin button"}

def wait_until(f, seconds=10.0):
    end = time.time() + seconds
    while True:
        value = f()
        if value or time.time() > end:
            return value
        time.sleep(0.1)


def program():
    """The program's application object: by its process, whatever it calls itself."""
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.get_process_id() == PID:
            return app
    return None


def fresh(o):
    o.clear_cache()
    return o


def windows():
    app = program()
    return [w for w in app if w is not None and w.name != TRAY_TIP] if app else []


def window(title):
    for w in windows():
        if w.name == title and w.getState().contains(pyatspi.STATE_SHOWING):
            return w
    return None


def walk(o):
    for c in o:
        if c is None:
            continue
        yield c
        yield from walk(c)


def actions(o):
    try:
        a = o.queryAction()
    except NotImplementedError:
        return []
    return [a.getName(i) for i in range(a.nActions)]


def has_value(o):
    try:
        o.queryValue()
        return True
    except NotImplementedError:
        return False


def operable(o):
    """A control a user can work or read a value from (not the items of a list)."""
    return o.getRoleName() in OPERABLE_ROLES | {"progress bar"} or bool(
        {"Press", "Toggle"} & set(actions(o)))


def named_in(w):
    return [fresh(o).name for o in walk(w) if operable(o)]


def find(w, role, name):
    for o in walk(w):
        if o.getRoleName() == role and o.name == name:
            return o
    return None


def do(o, action):
    a = o.queryAction()
    for i in range(a.nActions):
        if a.getName(i) == action:
            return a.doAction(i)
    raise AssertionError("%s has no action %s" % (o.name, action))


def trace_lines():
    with open(TRACE, encoding="utf-8", errors="replace") as f:
        return f.read().splitlines()


# ---- every window: roles, names, uniqueness
app = wait_until(program)
check("the program is on the accessibility bus", app is not None,
      "an application of process %d" % PID,
      [(a.name, a.get_process_id()) for a in pyatspi.Registry.getDesktop(0) if a is not None])
if app is None:
    sys.exit(1)
wait_until(lambda: all(window(t) for t in MIXERS + ["Morva"]))
for title in MIXERS + ["Morva"]:
    w = window(title)
    check("window '%s' is there" % title, w is not None, title,
          [x.name for x in windows()])
    if w is None:
        continue
    check("'%s' is a frame" % title, w.getRoleName() == "frame", "frame", w.getRoleName())
    nameless, fillers, seen = [], [], {}
    for o in walk(w):
        if not operable(o):
            continue
        role = o.getRoleName()
        if role == "filler":
            fillers.append(o.name)
        if not o.name.strip():
            nameless.append(role)
        seen.setdefault(o.name, []).append(role)
    check("'%s': every control that can be worked has a name" % title, not nameless,
          "no nameless control", "nameless: %s" % nameless)
    check("'%s': no control is a filler" % title, not fillers, "roles", fillers)
    twice = {n: r for n, r in seen.items() if len(r) > 1}
    check("'%s': names are unique" % title, not twice, "each name once", twice)

inputs = window("Analog Inputs")
if inputs:
    roles = {}
    for o in walk(inputs):
        roles[o.getRoleName()] = roles.get(o.getRoleName(), 0) + 1
    want = {"slider": 8 * CARDS, "progress bar": 8 * CARDS, "push button": 0,
            "check box": 3 + 21 * CARDS}
    got = {r: roles.get(r, 0) for r in want}
    check("'Analog Inputs' shows faders, meters, buttons and boxes for %d cards" % CARDS,
          got == want, want, got)
    check("'Analog Inputs' exposes its scale and channel labels",
          roles.get("label", 0) >= 8 * CARDS, ">= %d labels" % (8 * CARDS), roles.get("label", 0))
    for name in ("Line 1", "Mic 1", "CD 3/4", "Fader 1", "Kopplung 1/2", "Pegel 1", "Fader %d" % (8 * CARDS)):
        o = None
        for x in walk(inputs):
            if x.name == name:
                o = x
        check("'Analog Inputs' has '%s'" % name, o is not None, name, "missing")
monitors = window("Analog Input Monitors")
if monitors:
    names = [o.name for o in walk(monitors) if o.getRoleName() == "check box"]
    check("the monitor window's link boxes are named after their faders",
          "Kopplung 1/2" in names and "Kopplung 3/4" in names, "Kopplung 1/2, Kopplung 3/4",
          names)

# ---- a fader's value is its reading in dB; setting it is a drag: driver
# message, link rule
if inputs:
    fader, partner = find(inputs, "slider", "Fader 3"), find(inputs, "slider", "Fader 4")
    before = len(trace_lines())
    v = fader.queryValue()
    check("a fader's value runs over its scale in tenths of a dB",
          (v.minimumValue, v.maximumValue, round(v.minimumIncrement, 2)) == (0.0, 22.5, 0.1),
          (0.0, 22.5, 0.1), (v.minimumValue, v.maximumValue, v.minimumIncrement))
    v.currentValue = 15.0
    # The "15" label stands 67 pixels up the travel of 100: position 21954,
    # twice that in both words of the pair.
    wanted = re.compile(r"^msg in h\d+ 0x4033 0xAB84AB84$")
    got = wait_until(lambda: [l for l in trace_lines()[before:] if " 0x4033 " in l])
    check("setting 'Fader 3' to 15 dB sends the pair's gains as a drag there does",
          any(wanted.match(l) for l in got), "msg in hN 0x4033 0xAB84AB84", got)
    check("... and reads what its place reads, near 15 dB",
          abs(fresh(fader).queryValue().currentValue - 15.0) < 0.2, "15.0 +- 0.1",
          fader.queryValue().currentValue)
    check("the linked 'Fader 4' follows",
          fresh(partner).queryValue().currentValue == fresh(fader).queryValue().currentValue,
          fader.queryValue().currentValue, partner.queryValue().currentValue)
    text = fresh(fader).description
    check("the fader reads its value as the tool tip does",
          text == "%.1f dB" % fader.queryValue().currentValue,
          "%.1f dB" % fader.queryValue().currentValue, repr(text))

# ---- a meter tells its level in dB, read only
if inputs:
    meter = find(inputs, "progress bar", "Pegel 1")
    m = meter.queryValue()
    check("a meter's level lies on its dB scale",
          m.minimumValue <= m.currentValue <= m.maximumValue == 0.0,
          "min <= level <= 0 dB", (m.minimumValue, m.currentValue, m.maximumValue))
    check("a meter's level is spoken in dB",
          re.match(r"^(-?\d+\.\d|-∞) dB(, Spitze -?\d+\.\d dB)?$", fresh(meter).description),
          "'-12.3 dB, Spitze -3.0 dB'", repr(meter.description))
    t = meter.queryText()
    check("a meter's text, for review, is its name and reading",
          re.match(r"^Pegel 1 (-?\d+\.\d|-∞) dB", t.getText(0, -1)), "'Pegel 1 -12.3 dB...'",
          repr(t.getText(0, -1)))
    check("a meter is read only", fresh(meter).getState().contains(pyatspi.STATE_READ_ONLY),
          "read-only", "writable")

# ---- a source button toggled through its action goes through the model
if inputs:
    mic = find(inputs, "check box", "Mic 1")
    line = find(inputs, "check box", "Line 1")
    before = len(trace_lines())
    do(mic, "Toggle")
    down = wait_until(lambda: fresh(mic).getState().contains(pyatspi.STATE_CHECKED))
    check("pressing 'Mic 1' presses it", down, "checked", "not checked")
    check("and releases 'Line 1'", not fresh(line).getState().contains(pyatspi.STATE_CHECKED),
          "Line 1 not checked", "Line 1 checked")
    sent = [l for l in trace_lines()[before:] if l.startswith("msg in ")]
    check("and tells the driver", sent, "driver messages", "none")

# ---- the control window's boxes through the Toggle action
control = window("Morva")
if control:
    box = find(control, "check box", "Digital Output")
    do(box, "Toggle")
    closed = wait_until(lambda: window("Digital Output") is None)
    check("toggling 'Digital Output' off closes its window", closed, "window gone",
          "still open")
    check("and the box shows it",
          not fresh(box).getState().contains(pyatspi.STATE_CHECKED), "unchecked", "checked")
    do(box, "Toggle")
    opened = wait_until(lambda: window("Digital Output") is not None)
    check("toggling it on opens the window again", opened, "window shown", "not shown")
    check("and the box shows it", fresh(box).getState().contains(pyatspi.STATE_CHECKED),
          "checked", "unchecked")

# ---- the keyboard order of a mixer window: option row, then strip by strip
def tab_order(title, first, count):
    w = window(title)
    stops = [o for o in walk(w) if o.getState().contains(pyatspi.STATE_FOCUSABLE)]

    def focused():
        names = [o.name for o in stops if fresh(o).getState().contains(pyatspi.STATE_FOCUSED)]
        return names[0] if names else None

    subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % title,
                    "windowactivate", "--sync"], check=False, capture_output=True)
    find(w, "check box", first).queryComponent().grabFocus()
    order = []
    for _ in range(count):
        order.append(wait_until(focused, 3) or "?")
        subprocess.run(["xdotool", "key", "Tab"], check=False)
        wait_until(lambda: focused() != order[-1], 3)
    return order


outputs = window("Analog Outputs")
for title, first, want in (
        ("Analog Outputs", "Peak Meter",
         ["Peak Meter", "Fader", "Fader 1", "Fader 2", "Kopplung 1/2", "M 1", "M 2", "Fader 3",
          "Fader 4", "Kopplung 3/4", "M 3", "M 4"]),
        ("Analog Input Monitors", "Fader",
         ["Fader", "On 1/2", "OnPunch 1/2", "OnRec 1/2", "Mute Play 1/2", "Fader 1", "Fader 2",
          "Kopplung 1/2", "On 3/4"]),
        ("Analog Inputs", "Routing",
         ["Routing", "Peak Meter", "Fader", "Line 1", "Line 2", "Mic 1", "Mic 2", "Fader 1",
          "Fader 2", "Kopplung 1/2", "CD 3/4", "Line 3"])):
    if window(title):
        order = tab_order(title, first, len(want))
        check("Tab in '%s' goes through the option row, then strip by strip" % title,
              order == want, want, order)

# ---- a preset saved and loaded with keys and the screen reader alone
INI = os.path.join(os.environ["XDG_CONFIG_HOME"], "morva", "Vozururo.ini")


def key(*keys):
    subprocess.run(["xdotool", "key", "--delay", "50"] + list(keys), check=False)


def system_menu(title, mnemonic):
    """The window's menu by the keyboard's menu key, an item by its letter."""
    subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % title,
                    "windowactivate", "--sync"], check=False, capture_output=True)
    find(window(title), "check box", "Peak Meter").queryComponent().grabFocus()
    wait_until(lambda: fresh(find(window(title), "check box", "Peak Meter")).getState()
               .contains(pyatspi.STATE_FOCUSED), 3)
    # The menu is Qt's own popup: given time to open, and a second try on a
    # busy machine.
    for pause in (0.5, 1.5):
        key("Menu")
        time.sleep(pause)
        key(mnemonic)
        picker = wait_until(lambda: window("MORVA Mixer Setup"), 5)
        if picker:
            return picker
        key("Escape")
    return None


if outputs:
    fader = find(outputs, "slider", "Fader 1")
    first = fader.queryValue().currentValue
    fader.queryValue().currentValue = -10.0
    wait_until(lambda: fresh(fader).queryValue().currentValue != first)
    stored = fresh(fader).queryValue().currentValue
    picker = system_menu("Analog Outputs", "e")
    check("the menu key and 'e' open the picker to save a preset", picker is not None,
          "MORVA Mixer Setup", [w.name for w in windows()])
    if picker:
        wait_until(lambda: all(n.strip() for n in named_in(picker)))
        names = named_in(picker)
        check("the picker's controls have names of their own",
              all(n.strip() for n in names) and len(set(names)) == len(names), "unique names",
              names)
        find(picker, "text", wait_until(lambda: [o.name for o in walk(picker)
                                                  if o.getRoleName() == "text"])[0]) \
            .queryComponent().grabFocus()
        time.sleep(0.3)
        subprocess.run(["xdotool", "type", "--delay", "50", "Laut"], check=False)
        key("Return")
        saved = wait_until(lambda: "[Analog Outputs Laut]" in open(INI, encoding="latin-1").read())
        check("Return saves the preset 'Laut'", saved, "[Analog Outputs Laut] in the file",
              open(INI, encoding="latin-1").read()[:300])
        fader.queryValue().currentValue = -1000.0
        bottom = fader.queryValue().minimumValue
        wait_until(lambda: fresh(fader).queryValue().currentValue == bottom)
        picker = system_menu("Analog Outputs", "l")
        check("the menu key and 'l' open the picker to load a preset", picker is not None,
              "MORVA Mixer Setup", [w.name for w in windows()])
        if picker:
            time.sleep(0.3)
            key("Return")
            back = wait_until(lambda: fresh(fader).queryValue().currentValue == stored)
            check("Return loads it: the fader is back", back, stored,
                  fresh(fader).queryValue().currentValue)

# ---- the configuration dialog
if control:
    box = find(control, "check box", "Einstellungen")
    do(box, "Toggle")
    dialog = wait_until(lambda: window("Morva Einstellungen Karte #1"))
    check("the settings box opens the configuration dialog", dialog is not None,
          "Morva Einstellungen Karte #1", [w.name for w in windows()])
    if dialog:
        radios = sorted(o.name for o in walk(dialog) if o.getRoleName() == "radio button")
        check("its latency choices are radio buttons", radios == [
            "Automatische Latency Erkennung", "Latency manuell einstellen"],
            "two radio buttons", radios)
        labels = [o.name for o in walk(dialog) if o.getRoleName() == "label"]
        check("its group captions are labels", "Synchronisiere Start und Stop" in labels,
              "'Synchronisiere Start und Stop'", labels)
        sliders = [o.name for o in walk(dialog) if o.getRoleName() == "slider"]
        check("its latency bar is named", sliders == ["Latency manuell einstellen (Regler)"],
              "['Latency manuell einstellen (Regler)']", sliders)
        wait_until(lambda: all(n.strip() for n in named_in(dialog)))
        named = named_in(dialog)
        check("every control of the dialog has a name of its own",
              all(n.strip() for n in named) and len(set(named)) == len(named),
              "unique names", named)
        check("the dialog is a dialog", dialog.getRoleName() == "dialog", "dialog",
              dialog.getRoleName())
        do(find(dialog, "push button", "Abbruch"), "Press")
        check("'Abbruch' closes it", wait_until(lambda: window("Morva Einstellungen Karte #1") is None),
              "dialog gone", "still open")

finish()
