"""Text displays from a game script: which lines are drawn where for each alignment (read back as the columns
that hold ink, row by row, since the layout itself is not visible from Python), text changed at run time, colour,
sizes that lay out nothing, missing fonts, and the Python interface. The font is DejaVu Sans Mono from
fonts-dejavu-core (tools/install-deps). Each scenario with an engine runs in its own process."""

import pytest

from logfiles import read_log
from scene_prelude import run

FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf"

TEXT = """
import gc
FONT = %r
Left, Centred, Right = TextDisplay.HorzAlignment.Left, TextDisplay.HorzAlignment.Center, TextDisplay.HorzAlignment.Right
Top, Middle, Bottom = TextDisplay.VertAlignment.Top, TextDisplay.VertAlignment.Center, TextDisplay.VertAlignment.Bottom
box = lambda width, height: AxisAlignedBox(Vector2(0, 0), Vector2(width, height))

def rows(x, y, lines=3, size=20, width=150):
    # Per line of a box at (x, y) from the top: the first and last inked column from the box's left edge.
    found = []
    for k in range(lines):
        top = y + lines * size - k * size
        columns = pixels.inked_columns(x, x + width, top - size + 2, top - 2)
        found.append([columns[0] - x, columns[-1] - x] if columns else None)
    return found

hold = ProcessManager.createNew(0.0)
def still():
    sdl_input.quit()
    root.run(hold, renderer, 60)
""" % FONT


def test_python_surface_of_text_without_an_engine():
    import tarnu
    from tarnu import AxisAlignedBox, DynamicTextDisplay, Renderable, TextDisplay, Vector2
    assert TextDisplay.__bases__ == (Renderable,) and DynamicTextDisplay.__bases__ == (TextDisplay,)
    names = [name for name in vars(TextDisplay) if not name.startswith("_")]
    assert names[:9] == ["setText", "getText", "append", "setHorzAlignment", "getHorzAlignment", "setVertAlignment",
                         "getVertAlignment", "setTextSize", "getTextSize"]
    assert [int(v) for v in (TextDisplay.HorzAlignment.Left, TextDisplay.HorzAlignment.Center,
                             TextDisplay.HorzAlignment.Right, TextDisplay.VertAlignment.Top,
                             TextDisplay.VertAlignment.Center, TextDisplay.VertAlignment.Bottom)] == [0, 1, 2, 0, 1, 2]
    assert tarnu.HorzAlignment is TextDisplay.HorzAlignment and tarnu.VertAlignment is TextDisplay.VertAlignment
    for cls in (TextDisplay, DynamicTextDisplay):
        assert not hasattr(cls, "TYPE") and not hasattr(cls, "FACTORY_TYPE")
    # After rendering and animation, before whatever follows.
    module = list(vars(tarnu))
    assert module.index("RenderableCircle") < module.index("TextDisplay") < module.index("DynamicTextDisplay")
    with pytest.raises(RuntimeError, match="cannot be instantiated"):
        TextDisplay()
    # Fonts come from the engine's font manager: there is none before Root.initialize.
    with pytest.raises(RuntimeError, match="attempt to dereference singleton .*FontManager when singleton is null"):
        DynamicTextDisplay(AxisAlignedBox(Vector2(0, 0), Vector2(10, 10)), FONT, 0, 5, "x")
    with pytest.raises(TypeError):
        DynamicTextDisplay(AxisAlignedBox(Vector2(0, 0), Vector2(10, 10)), FONT, 0, 5, "x",
                           TextDisplay.VertAlignment.Top)


def test_lines_are_chosen_and_aligned_in_their_box(run_script):
    said = run(run_script, TEXT + """
lines = "#\\n##\\n###\\n####\\n#####"
top = DynamicTextDisplay(box(150, 60), FONT, 0, 20, lines)
bottom = DynamicTextDisplay(box(150, 60), FONT, 0, 20, lines, Left, Bottom)
place(top, "top", 5, 60)
place(bottom, "bottom", 5, 0)
still()
say("left", [rows(5, 60), rows(5, 0)])
for display in (top, bottom):
    display.setHorzAlignment(Right)
still()
say("right", [rows(5, 60), rows(5, 0)])
for display in (top, bottom):
    display.setHorzAlignment(Centred)
still()
say("centred", rows(5, 60))
top.setText("#")
top.setVertAlignment(Middle)
still()
say("middle", rows(5, 60))
say("values", [str(top.getHorzAlignment()), str(top.getVertAlignment()), top.getTextSize(), bottom.getText()])
""")
    top, bottom = said["left"]
    widths = lambda extents: [last - first for first, last in extents]
    assert len({first for first, _ in top + bottom}) == 1, "every line starts at the box's left edge"
    assert widths(top) == sorted(set(widths(top))) and widths(bottom) == sorted(set(widths(bottom)))
    assert top[2] == bottom[0], "the top shows lines 1 to 3, the bottom lines 3 to 5"
    assert widths(bottom)[2] > widths(top)[2]
    top, bottom = said["right"]
    assert len({last for _, last in top + bottom}) == 1 and top[0][1] < 150, "every line ends at the right edge"
    assert [first for first, _ in top] == sorted(set(first for first, _ in top), reverse=True)
    assert all(abs(first - (149 - last)) <= 2 for first, last in said["centred"])
    assert said["middle"][0] is None and said["middle"][1] is not None and said["middle"][2] is None, \
        "a block of one line sits in the middle of the box"
    assert said["values"] == ["Center", "Center", 20.0, "#\n##\n###\n####\n#####"]


def test_text_changes_at_run_time_keeps_its_colour_and_outlives_the_scripts_reference(run_script):
    said = run(run_script, TEXT + """
display = DynamicTextDisplay(box(150, 20), FONT, 0, 20, "###")
place(display, "text", 5, 90)
made = make("DynamicTextDisplay", font=FONT, textSize=20, text="##", min="<0,0>", max="<150,20>", color="(1,0,0)",
            ha="Right", va="nowhere", zOrder=2)
place(made, "red", 5, 50)
del display, made
gc.collect()
still()
shown = scene.getEntity("text").getSceneNode()
text = Component.getComponent("TextDisplay", scene.getEntity("text"))
red = Component.getComponent("Renderable", scene.getEntity("red"))
first = [rows(5, 90, 1), rows(5, 50, 1), sorted({tuple(at(x, 58)) for x in range(100, 155)})]
text.append("##")
still()
longer = rows(5, 90, 1)
text.setText("")
still()
say("changed", first + [longer, rows(5, 90, 1), text.getText(), str(red.getVertAlignment()),
                        str(red.getHorzAlignment()), type(red).__name__])
""")
    (drawn,), (right,), colours, (longer,), (cleared,), text, vertical, horizontal, kind = said["changed"]
    assert drawn[0] < 5 and right[1] > 140, "left text at the left edge, right-aligned text at the right"
    assert all(g == 0 and b == 0 for r, g, b in colours) and any(r > 200 for r, _, _ in colours), "red ink only"
    assert longer[0] == drawn[0] and longer[1] > drawn[1] and cleared is None
    assert [text, vertical, horizontal, kind] == ["", "Top", "Right", "DynamicTextDisplay"]


def test_sizes_that_fit_nothing_and_missing_fonts_draw_nothing(run_script, tmp_path):
    said = run(run_script, TEXT + """
nan = float("nan")
display = DynamicTextDisplay(box(150, 20), FONT, 0, 20, "###")
place(display, "text", 5, 90)
seen = []
for size in (0, -5, 1e-300, 1e300, 20):
    display.setTextSize(size)
    still()
    seen.append(rows(5, 90, 1)[0] is not None)
say("sizes", seen)
say("nan size", [attempt(lambda: display.setTextSize(nan)), display.getTextSize()])
lost = DynamicTextDisplay(box(150, 20), "nowhere.ttf", 0, 20, "###")
place(lost, "lost", 5, 50)
still()
lost.setTextSize(10)
say("lost", [rows(5, 50, 1), lost.getTextSize()])
say("refused", [attempt(lambda: DynamicTextDisplay(box(10, 10), FONT, 0, size, "x")) for size in (0, -1, nan)] +
               [attempt(lambda: make("DynamicTextDisplay", textSize=20))])
# A box that was never given draws nothing, whatever its text.
place(make("DynamicTextDisplay", font=FONT, textSize=20, text="###"), "boxless", 5, 20)
still()
say("boxless", rows(0, 0, 1, 60, 160))
""")
    assert said["sizes"] == [False, False, False, False, True]
    assert said["nan size"] == ["ValueError: textSize must be a finite number, not nan", 20]
    assert said["lost"] == [[None], 0.0]
    assert said["refused"] == ["RuntimeError: invalid text size"] * 2 + [
        "ValueError: textSize must be a finite number, not nan", "RuntimeError: Could not find parameter 'font'"]
    assert said["boxless"] == [None]
    for log in ("VideoSystemLog.txt", "TarnuLog.txt"):
        lines = read_log(tmp_path / log)
        assert any(line.startswith("Error loading font nowhere.ttf: ") for line in lines)
        assert lines.count("Initialized font manager.") == 1 and lines.count("Font manager shut down.") == 1
