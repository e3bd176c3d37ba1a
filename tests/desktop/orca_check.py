"""The program heard through Orca.

Run by orca_test.sh with the program up (one card, Analog Inputs and
Analog Outputs open). Starts Orca with the settings in ORCA_PREFS, its
debug output going through a terminal (which Orca writes line by line; a
file it would write in blocks, late), copied to ORCA_LOG. Sends keys with
xdotool and reads what Orca said ("SPEECH OUTPUT: '...'"). Prints one line
per check and exits 1 when one failed; every failure says what was
expected and what Orca said.
"""
import os
import re
import subprocess
import sys
import threading
import time
import tty

from checks import check, finish

LOG = os.environ["ORCA_LOG"]
UTTERANCE = re.compile(r"SPEECH OUTPUT: '(.*?)'\s*[\[{]")
DB = r"(-?\d+\.\d|-∞) dB"
NUMBER = r"^-?\d+\.\d$"  # a fader's value: its reading in dB

output = bytearray()
output_lock = threading.Lock()


def start_orca():
    master, slave = os.openpty()
    tty.setraw(slave)
    env = {k: v for k, v in os.environ.items() if k not in ("LANG", "LC_ALL", "LC_CTYPE",
                                                             "LC_MESSAGES")}
    orca = subprocess.Popen(["orca", "--user-prefs", os.environ["ORCA_PREFS"], "--debug-file",
                             os.ttyname(slave)], env=env, stdout=subprocess.DEVNULL,
                            stderr=open(LOG + ".err", "wb"))

    def pump():
        with open(LOG, "wb") as log:
            while True:
                try:
                    data = os.read(master, 65536)
                except OSError:
                    return
                if not data:
                    return
                log.write(data)
                log.flush()
                with output_lock:
                    output.extend(data)

    threading.Thread(target=pump, daemon=True).start()
    return orca


def log_size():
    with output_lock:
        return len(output)


def said_since(pos):
    """What Orca said since its output had pos bytes, key echo left out."""
    with output_lock:
        text = output[pos:].decode("utf-8", "replace")
    said = [m.group(1).strip() for m in UTTERANCE.finditer(text)]
    return [s for s in said if s and not s.endswith(" ") and s not in KEY_NAMES]


KEY_NAMES = {"tab", "left tab", "space", "up", "down", "page up", "page down", "home", "end",
             "keypad up", "keypad home", "keypad page up", "keypad left", "keypad right",
             "keypad begin"}


def wait_said(pos, pattern, seconds=8.0):
    """Everything said since pos, once something matched pattern (or time ran out)."""
    end = time.time() + seconds
    while True:
        said = said_since(pos)
        if any(re.search(pattern, s) for s in said) or time.time() > end:
            time.sleep(0.3)  # what follows in the same breath
            return said_since(pos)
        time.sleep(0.1)


def key(*keys):
    subprocess.run(["xdotool", "key", "--delay", "120"] + list(keys), check=False)


def hear(name, keys, pattern, seconds=8.0):
    """Sends keys; checks that one utterance matches pattern; returns what was said."""
    pos = log_size()
    key(*keys)
    said = wait_said(pos, pattern, seconds)
    check(name, any(re.search(pattern, s) for s in said), pattern, said)
    return said


def activate(title, pattern):
    pos = log_size()
    subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % title,
                    "windowactivate", "--sync"], check=False, capture_output=True)
    said = wait_said(pos, pattern)
    check("activating '%s' says its name and focus" % title,
          any(re.search(pattern, s) for s in said), pattern, said)
    return said


def decibels(said):
    for s in said:
        m = re.search(DB, s)
        if m:
            return m.group(1)
    return None


orca = start_orca()
started = wait_said(0, r"^Screen reader on", 30)
check("Orca starts and speaks into its log", started, "Screen reader on.", started)
if not started:
    orca.kill()
    sys.exit(1)
time.sleep(1)

# ---- Analog Inputs: option boxes, source buttons, faders, meters
activate("Analog Inputs", r"^Routing check box checked")
hear("Tab reads an option box with its state", ["Tab"], r"^Peak Meter check box checked")
hear("...", ["Tab"], r"^Fader check box checked")
hear("a source button that is down reads as checked", ["Tab"], r"^Line 1 check box checked")
hear("...", ["Tab"], r"^Line 2 check box checked")
hear("one that is up as not checked", ["Tab"], r"^Mic 1 check box not checked")
hear("Space on 'Mic 1' says it is now checked", ["space"], r"^checked")
hear("and 'Line 1' was released with it", ["shift+Tab", "shift+Tab"],
     r"^Line 1 check box not checked")
hear("Space on 'Line 1' says it is checked again", ["space"], r"^checked")
said = hear("a fader reads its name, role and decibels",
            ["Tab", "Tab", "Tab", "Tab"], r"^Fader 1 slider")
before = decibels(said)
check("... in decibels", before is not None, DB, said)
check("... its value the same reading", "Fader 1 slider %s." % before in said,
      "Fader 1 slider %s." % before, said)
said = hear("Up reads the new reading", ["Up"], NUMBER)
check("... higher than before", [s for s in said if re.match(NUMBER, s) and
                                 float(s) > float(before or 0)], "above " + str(before), said)
hear("Page Up reads the reading", ["Prior"], NUMBER)
hear("Home reads the top of the scale", ["Home"], r"^22\.5$")
hear("End reads the bottom of the scale", ["End"], r"^0\.0$")

# Flat review, line by line up from the fader: the meters' line.
meter_line = r"Pegel 1 %s(, Spitze %s)? Pegel 2 " % (DB, DB)
pos = log_size()
for _ in range(25):
    key("KP_Home")
    if any(re.search(meter_line, s) for s in wait_said(pos, meter_line, 1.5)):
        break
said = said_since(pos)
check("flat review reads each meter's name, level and held peak in decibels",
      any(re.search(meter_line, s) for s in said), meter_line, said)
fader_line = r"Fader \d+ %s Fader \d+ %s" % (DB, DB)
check("... and each fader's name and reading", any(re.search(fader_line, s) for s in said),
      fader_line, said)

# ---- Analog Outputs: faders and mutes
activate("Analog Outputs", r"^Peak Meter check box checked")
said = hear("an output fader reads decibels", ["Tab", "Tab"], r"^Fader 1 slider")
check("... in decibels", decibels(said) is not None, DB, said)
hear("Down reads the new reading", ["Down"], NUMBER)
hear("a mute button reads its state", ["Tab", "Tab", "Tab"], r"^M 1 check box not checked")
hear("Space mutes and says so", ["space"], r"^checked")
hear("Space again unmutes and says so", ["space"], r"^not checked")

# ---- nothing of the scales is a separator to a listener
pos = log_size()
for _ in range(12):
    key("KP_Home")
said = wait_said(pos, r"^$", 2)
check("flat review reads no scale tick as a separator",
      said and not any("separator" in s for s in said), "no 'separator'", said)

# ---- from a mixer window to the control window, whatever the window manager
hear("F6 goes on to the control window", ["F6"], r"^Morva frame")

orca.terminate()
try:
    orca.wait(10)
except subprocess.TimeoutExpired:
    orca.kill()
finish()
