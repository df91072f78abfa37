"""Keeps every top-level window of an X display redirected to its own
off-screen image (the X Composite extension's automatic redirection) for as
long as this process runs, and prints "redirected".

NOTE: without it, an X server keeps one shared framebuffer, and copying a
window that another window covers gives black where it is covered. Quorvix
shows exactly the part of the desktop that its own window covers, so on an
uncomposited X desktop it would only ever see black; on Windows the desktop
window manager keeps each window's image, and this gives the test display
the same behaviour.

With --unless-composited it leaves a display alone that a compositing
manager (the owner of the _NET_WM_CM_S<screen> selection) already keeps
that way: it prints "composited" and ends.
"""
import ctypes
import signal
import sys

x11 = ctypes.CDLL("libX11.so.6")
xcomposite = ctypes.CDLL("libXcomposite.so.1")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XDefaultRootWindow.restype = ctypes.c_ulong
x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x11.XDefaultScreen.argtypes = [ctypes.c_void_p]
x11.XInternAtom.restype = ctypes.c_ulong
x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x11.XGetSelectionOwner.restype = ctypes.c_ulong
x11.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
xcomposite.XCompositeRedirectSubwindows.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int]

COMPOSITE_REDIRECT_AUTOMATIC = 0

display = x11.XOpenDisplay(None)
if not display:
    sys.exit("composite-desktop: cannot open the display")
if "--unless-composited" in sys.argv[1:]:
    selection = b"_NET_WM_CM_S%d" % x11.XDefaultScreen(display)
    if x11.XGetSelectionOwner(display, x11.XInternAtom(display, selection, 0)):
        print("composited", flush=True)
        sys.exit(0)
xcomposite.XCompositeRedirectSubwindows(display, x11.XDefaultRootWindow(display),
                                        COMPOSITE_REDIRECT_AUTOMATIC)
x11.XSync(display, 0)
print("redirected", flush=True)
signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
signal.pause()
