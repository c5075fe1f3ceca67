# SPDX-License-Identifier: GPL-3.0-or-later
"""Times a program from its exec to its first window on screen, from outside.

The moment counted is when a top-level window of the started process (its
_NET_WM_PID) has been mapped AND drawn into at least once after the map.
Drawing is seen through the X DAMAGE extension, so no polling is involved:
the watcher sleeps on the X connection and wakes on each event. Works with
any X client (no cooperation of the program is needed); meant for Xvfb,
where no window manager reparents the windows.

Used by bench/startup_peers.sh; also a command of its own:

    python3 bench/mapwait.py PROGRAM [ARGS...]

prints "map-ms M paint-ms P" (milliseconds from the exec) and kills the
program. Only the Python standard library and the system's libX11 and
libXdamage are needed (through ctypes).
"""

import ctypes
import ctypes.util
import os
import select
import signal
import subprocess
import sys
import time

# Event types and masks of X.h; damage levels of Xdamage.h.
CREATE_NOTIFY = 16
MAP_NOTIFY = 19
SUBSTRUCTURE_NOTIFY_MASK = 1 << 19
DAMAGE_REPORT_RAW_RECTANGLES = 0
XA_CARDINAL = 6


class XEvent(ctypes.Union):
    # The union is 24 longs; every member starts with the int type. The
    # fields read here sit at fixed offsets (LP64): the window of
    # CreateNotify and MapNotify at 40, MapNotify's override_redirect at 48,
    # the drawable of DamageNotify at 32.
    _fields_ = [("type", ctypes.c_int), ("pad", ctypes.c_long * 24)]

    def ulong_at(self, offset):
        return ctypes.c_ulong.from_buffer(self, offset).value

    def int_at(self, offset):
        return ctypes.c_int.from_buffer(self, offset).value


def _load(name, soname):
    path = ctypes.util.find_library(name) or soname
    return ctypes.CDLL(path)


ERROR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)


class Watcher:
    """One connection to the X server, kept for every measurement."""

    def __init__(self):
        x = self.x = _load("X11", "libX11.so.6")
        d = self.damage = _load("Xdamage", "libXdamage.so.1")
        x.XOpenDisplay.restype = ctypes.c_void_p
        x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        for f in ("XDefaultRootWindow", "XConnectionNumber", "XPending", "XSync", "XFlush"):
            getattr(x, f).argtypes = [ctypes.c_void_p] + ([ctypes.c_int] if f == "XSync" else [])
        x.XDefaultRootWindow.restype = ctypes.c_ulong
        x.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
        x.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.POINTER(XEvent)]
        x.XInternAtom.restype = ctypes.c_ulong
        x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        x.XGetWindowProperty.argtypes = [
            ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_long, ctypes.c_long,
            ctypes.c_int, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
            ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_ulong),
            ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_void_p)]
        x.XFree.argtypes = [ctypes.c_void_p]
        x.XSetErrorHandler.argtypes = [ERROR_HANDLER]
        d.XDamageQueryExtension.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int),
                                            ctypes.POINTER(ctypes.c_int)]
        d.XDamageCreate.restype = ctypes.c_ulong
        d.XDamageCreate.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int]

        self.dpy = x.XOpenDisplay(None)
        if not self.dpy:
            raise RuntimeError("cannot open the X display %r" % os.environ.get("DISPLAY"))
        event_base, error_base = ctypes.c_int(), ctypes.c_int()
        if not d.XDamageQueryExtension(self.dpy, ctypes.byref(event_base),
                                       ctypes.byref(error_base)):
            raise RuntimeError("the X server has no DAMAGE extension")
        self.damage_notify = event_base.value  # XDamageNotify is the first damage event
        # A window can be gone by the time it is asked about (a short-lived
        # helper window); Xlib's default handler would end this process.
        self._on_error = ERROR_HANDLER(lambda dpy, err: 0)
        x.XSetErrorHandler(self._on_error)
        self.root = x.XDefaultRootWindow(self.dpy)
        self.wm_pid = x.XInternAtom(self.dpy, b"_NET_WM_PID", 0)
        x.XSelectInput(self.dpy, self.root, SUBSTRUCTURE_NOTIFY_MASK)
        x.XSync(self.dpy, 0)
        self.fd = x.XConnectionNumber(self.dpy)

    def _pid_of(self, window):
        kind, fmt = ctypes.c_ulong(), ctypes.c_int()
        count, after = ctypes.c_ulong(), ctypes.c_ulong()
        data = ctypes.c_void_p()
        rc = self.x.XGetWindowProperty(self.dpy, window, self.wm_pid, 0, 1, 0, XA_CARDINAL,
                                       ctypes.byref(kind), ctypes.byref(fmt), ctypes.byref(count),
                                       ctypes.byref(after), ctypes.byref(data))
        pid = None
        if rc == 0 and data.value:
            if fmt.value == 32 and count.value == 1:
                pid = ctypes.c_ulong.from_address(data.value).value  # format 32 is a long
            self.x.XFree(data)
        return pid

    def _drain(self):
        """Throws away what earlier runs left queued."""
        self.x.XSync(self.dpy, 0)
        ev = XEvent()
        while self.x.XPending(self.dpy):
            self.x.XNextEvent(self.dpy, ctypes.byref(ev))

    def measure(self, argv, env=None, timeout=30.0, stdout=subprocess.DEVNULL):
        """Starts argv, waits for its window to be mapped and painted, kills it.

        Returns (map_seconds, paint_seconds) from just before the exec, or
        raises RuntimeError when the program ends or the time runs out first.
        """
        self._drain()
        x = self.x
        ev = XEvent()
        mapped_at = None
        window = None
        created = set()
        start = time.perf_counter()
        proc = subprocess.Popen(argv, env=env, stdin=subprocess.DEVNULL,
                                stdout=stdout, stderr=subprocess.DEVNULL,
                                start_new_session=True)
        try:
            while True:
                ended = proc.poll() is not None
                if ended:
                    x.XSync(self.dpy, 0)  # queues whatever the program caused before it ended
                while x.XPending(self.dpy):
                    x.XNextEvent(self.dpy, ctypes.byref(ev))
                    now = time.perf_counter()
                    if ev.type == CREATE_NOTIFY:
                        # Watched from creation so that no drawing after the map is missed.
                        created.add(ev.ulong_at(40))
                        self.damage.XDamageCreate(self.dpy, ev.ulong_at(40),
                                                  DAMAGE_REPORT_RAW_RECTANGLES)
                        x.XFlush(self.dpy)
                    elif ev.type == MAP_NOTIFY and window is None and not ev.int_at(48):
                        w = ev.ulong_at(40)
                        pid = self._pid_of(w)
                        # A window already gone cannot be asked for its pid; as
                        # only the started program makes windows meanwhile, one
                        # made since the start is its own.
                        if pid == proc.pid or (pid is None and w in created):
                            window, mapped_at = w, now
                    elif ev.type == self.damage_notify and window is not None:
                        if ev.ulong_at(32) == window:
                            return mapped_at - start, now - start
                left = timeout - (time.perf_counter() - start)
                if ended:
                    raise RuntimeError("%s ended (status %s) before its window was painted"
                                       % (argv[0], proc.returncode))
                if left <= 0:
                    raise RuntimeError("%s showed no painted window within %.0f s"
                                       % (argv[0], timeout))
                # Sleeps until the server writes; wakes now and then to see
                # whether the program died.
                select.select([self.fd], [], [], min(left, 0.05))
        finally:
            if proc.poll() is None:
                os.killpg(proc.pid, signal.SIGKILL)
            proc.wait()


def main(argv):
    if not argv or argv[0] in ("-h", "--help"):
        print(__doc__.strip())
        return 0 if argv else 2
    mapped, painted = Watcher().measure(argv)
    print("map-ms %.2f paint-ms %.2f" % (mapped * 1e3, painted * 1e3))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
