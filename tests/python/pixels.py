"""Reads back what the engine drew. The headless window is a single buffer,
so after Root.run returns it still holds the last frame. Coordinates are the
window's, with y = 0 the bottom row, as OpenGL counts them."""

import ctypes

_gl = ctypes.CDLL("libGL.so.1")
GL_RGBA = 0x1908
GL_UNSIGNED_BYTE = 0x1401


def pixel(x, y):
    """(r, g, b) of one pixel; alpha is not compared, it depends on the window's format."""
    data = (ctypes.c_ubyte * 4)()
    _gl.glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, data)
    return tuple(data[:3])


def near(actual, expected, tolerance=2):
    return all(abs(a - e) <= tolerance for a, e in zip(actual, expected))
