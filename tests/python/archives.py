"""Tile-map archives for the tests, built with tarfile at run time: from rows of cells (text cells pass through as
the bytes they stand for, surrogate escapes included), or from the members' raw bytes."""

import csv
import io
import tarfile


def rows_text(rows):
    """The bytes of a member holding the rows, comma-separated."""
    text = io.StringIO(newline="")
    csv.writer(text).writerows([[str(cell) for cell in row] for row in rows])
    return text.getvalue().encode("utf-8", "surrogateescape")


def pack(members):
    """The bytes of a bzip2 tar archive of the members (name: bytes, or None for a directory), in order."""
    buffer = io.BytesIO()
    with tarfile.open(fileobj=buffer, mode="w:bz2") as archive:
        for name, data in members.items():
            member = tarfile.TarInfo(name)
            if data is None:
                member.type = tarfile.DIRTYPE
                archive.addfile(member)
                continue
            member.size = len(data)
            archive.addfile(member, io.BytesIO(data))
    return buffer.getvalue()


def write(path, map_rows, entity_rows=()):
    """An archive of the rows of "map" and "entity" at path."""
    with open(path, "wb") as out:
        out.write(pack({"map": rows_text(map_rows), "entity": rows_text(entity_rows)}))
    return str(path)
