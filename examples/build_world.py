#!/usr/bin/python3
"""Builds a tile-map archive from a readable text: the example game's world is examples/data/world.txt, drawn in
characters, one per tile, with a legend that gives each character its terrain (a tile of the terrain sheet) and,
if it has one, the entity template placed on the tile. The archive is what TileMap.loadFromFile reads: a bzip2
tar file whose members "map" and "entity" are comma-separated rows.

    /usr/bin/python3 examples/build_world.py [world.txt] [world.tar.bz2]

The text, line by line: "#" starts a comment (so it is no map character); "texture PATH" (relative to the text's folder), "sheet N P" (the
sheet holds N tiles of P pixels side by side) and "batch N" (tiles per batched renderable, 0 for the engine's choice) set the
header; "legend C TILE [TEMPLATE]" gives the character C the sheet's tile number TILE (-1: not drawn) and
optionally an entity template; the lines after "map" are the map, its first line the top row.
"""

import csv
import io
import os
import sys
import tarfile

HERE = os.path.dirname(os.path.abspath(__file__))


def write_archive(path, map_rows, entity_rows):
    """A tile-map archive of the two members' rows (lists of cells)."""
    with tarfile.open(path, "w:bz2") as archive:
        for name, rows in (("map", map_rows), ("entity", entity_rows)):
            text = io.StringIO(newline="")
            csv.writer(text).writerows(rows)
            data = text.getvalue().encode("utf-8")
            member = tarfile.TarInfo(name)
            member.size = len(data)
            archive.addfile(member, io.BytesIO(data))


def read_world(text_path):
    """The archive's rows of a world text: (map rows, entity rows)."""
    settings, legend, lines = {"sheet": ["1", "1"], "batch": ["0"]}, {}, []
    with open(text_path, encoding="utf-8") as text:
        in_map = False
        for line in text:
            line = line.rstrip("\n")
            if in_map:
                lines.append(line)
                continue
            words = line.split("#", 1)[0].split()
            if not words:
                continue
            if words[0] == "map":
                in_map = True
            elif words[0] == "legend":
                legend[words[1]] = (int(words[2]), words[3] if len(words) > 3 else None)
            else:
                settings[words[0]] = words[1:]
    while lines and not lines[-1].strip():
        lines.pop()
    columns, rows = max(len(line) for line in lines), len(lines)
    sheet, pixels = (int(word) for word in settings["sheet"])
    # Terrain types: every tile of the sheet, then one that is not drawn. Each keeps half a pixel inside its
    # tile of the sheet, so that the filtering of its edges reads nothing of its neighbours.
    inset_s, inset_t = 0.5 / (sheet * pixels), 0.5 / pixels
    types = [[1, i / sheet + inset_s, inset_t, (i + 1) / sheet - inset_s, 1 - inset_t] for i in range(sheet)]
    types.append([0, 0, 0, 0, 0])
    texture = os.path.join(os.path.dirname(os.path.abspath(text_path)), settings["texture"][0])
    header = [texture, "", "", columns, rows, int(settings["batch"][0]), len(types)]
    # The text's first line is the map's top row; the map's row 0 is its bottom one.
    tile_rows, entity_rows = [], []
    for y, line in enumerate(reversed(lines)):
        row = []
        for x, char in enumerate(line.ljust(columns)):
            tile, template = legend.get(char, (-1, None))
            row.append(tile if tile >= 0 else sheet)
            if template:
                entity_rows.append([x, y, template])
        tile_rows.append(row)
    return [header] + types + tile_rows, entity_rows


def build(text_path, archive_path):
    write_archive(archive_path, *read_world(text_path))


if __name__ == "__main__":
    build(sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "data", "world.txt"),
          sys.argv[2] if len(sys.argv) > 2 else "world.tar.bz2")
