"""Keeps every top-level window of an X display redirected to its own
off-screen image (the X Composite extension's automatic redirection) for as
long as this process runs.

NOTE: without it, an X server keeps one shared framebuffer, and copying a
window that another window covers gives black where it is covered. Quorvix
shows exactly the part of the desktop that its own window covers, so on an
uncomposited X desktop it would only ever see black; on Windows the desktop
window manager keeps each window's image, and this gives the test display
the same behaviour.
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
x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
xcomposite.XCompositeRedirectSubwindows.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int]

COMPOSITE_REDIRECT_AUTOMATIC = 0

display = x11.XOpenDisplay(None)
if not display:
    sys.exit("composite-desktop: cannot open the display")
xcomposite.XCompositeRedirectSubwindows(display, x11.XDefaultRootWindow(display),
                                        COMPOSITE_REDIRECT_AUTOMATIC)
x11.XSync(display, 0)
print("redirected", flush=True)
signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
signal.pause()
