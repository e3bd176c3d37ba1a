"""The mixer icon as a window manager or a panel receives it: every size
asked for is there, and each holds exactly the drawing's six colours (a
smoothed or smeared size has more, a size that lost a feature fewer).

  icon_check.py xprop FILE SIZE...    _NET_WM_ICON as `xprop -f _NET_WM_ICON 32c` prints it
  icon_check.py sni BUS PATH SIZE...  a StatusNotifierItem's IconPixmap
Prints one line per size; exits 1 when one is missing or wrong.
"""
import re
import sys

DRAWING = {0x000000, 0x000080, 0xC0C0C0, 0xFFFFFF, 0x00FF00, 0xFF0000}


def from_xprop(path):
    text = open(path, encoding="ascii", errors="replace").read()
    values = [int(v) for v in re.findall(r"\d+", text.split("=", 1)[-1].split(" ", 1)[-1])]
    images, i = {}, 0
    while i + 2 <= len(values):
        w, h = values[i], values[i + 1]
        images[w] = (w, h, values[i + 2:i + 2 + w * h])
        i += 2 + w * h
    return images


def from_sni(bus, path):
    from gi.repository import Gio, GLib
    conn = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    reply = conn.call_sync(bus, path, "org.freedesktop.DBus.Properties", "Get",
                           GLib.Variant("(ss)", ("org.kde.StatusNotifierItem", "IconPixmap")),
                           None, Gio.DBusCallFlags.NONE, 5000, None)
    images = {}
    for w, h, data in reply.unpack()[0]:
        data = bytes(data)  # ARGB, network byte order
        images[w] = (w, h, [int.from_bytes(data[k:k + 4], "big") for k in range(0, len(data), 4)])
    return images


def main():
    kind, rest = sys.argv[1], sys.argv[2:]
    if kind == "xprop":
        images, sizes = from_xprop(rest[0]), rest[1:]
    else:
        images, sizes = from_sni(rest[0], rest[1]), rest[2:]
    bad = 0
    for size in map(int, sizes):
        if size not in images:
            print("     no %dx%d image; sizes: %s" % (size, size, sorted(images)))
            bad += 1
            continue
        w, h, pixels = images[size]
        colours = {p & 0xFFFFFF for p in pixels if p >> 24 == 0xFF}
        partial = {p for p in pixels if 0 < p >> 24 < 0xFF}
        if (w, h) != (size, size) or len(pixels) != size * size or colours != DRAWING or partial:
            print("     %dx%d: %d colours (%d half transparent), the drawing has %d" %
                  (w, h, len(colours), len(partial), len(DRAWING)))
            bad += 1
    sys.exit(1 if bad else 0)


main()
