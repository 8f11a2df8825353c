"""help() on the module: every class, method, property and constant says what it is, and every call form
names its arguments. The arguments are positional only, so the names live in the texts, each of which
begins with its call form ("setPosition(pos[, space]): ..."); the forms must match the calls the engine
takes."""

import re

import tarnu

FUNCTION = type(tarnu.Vector2.dot)
CALL_FORM = re.compile(r"^(\w+)\(([\w, \[\]]*)\): \S")


def engine_classes():
    """Every class of the module, nested ones included, each once."""
    found, waiting = [], [tarnu]
    while waiting:
        for value in vars(waiting.pop()).values():
            if isinstance(value, type) and value.__module__ == "tarnu" and value not in found:
                found.append(value)
                waiting.append(value)
    return found


def split_top_level(text):
    """C++ parameter types split at the commas outside template brackets."""
    parts, depth, current = [], 0, ""
    for char in text:
        depth += char in "<(" and 1 or char in ">)" and -1 or 0
        if char == "," and depth == 0:
            parts.append(current)
            current = ""
        else:
            current += char
    return [part for part in parts + [current] if part.strip() not in ("", "void")]


def engine_arities(function):
    """How many arguments each form takes, as the binding library reports them for a call that fits none."""
    try:
        function(*[None] * 20)
    except Exception as error:  # Boost.Python.ArgumentError
        listed = str(error).split("did not match C++ signature:")[1]
        return {len(split_top_level(line.strip()[line.strip().index("(") + 1:-1]))
                for line in listed.splitlines() if line.strip()}
    raise AssertionError("a call with 20 arguments was accepted")


def documented_arities(name, doc, skipped):
    """The argument counts the call forms of a text allow, each line a form; None when a line is not one."""
    counts = set()
    for line in filter(str.strip, doc.splitlines()):
        match = CALL_FORM.match(line)
        if not match or match.group(1) != name:
            return None
        required, _, optional = match.group(2).partition("[")
        required = [arg for arg in required.split(",") if arg.strip()]
        for extra in range(optional.count("[") + (1 if optional else 0) + 1):
            counts.add(skipped + len(required) + extra)
    return counts


def faults_of(cls):
    faults = [] if (cls.__doc__ or "").strip() else ["class has no text"]
    for name, value in vars(cls).items():
        if name.startswith("_") and name != "__init__":
            continue
        static = isinstance(value, staticmethod)
        function = value.__func__ if static else value
        if isinstance(function, FUNCTION):
            if "cannot be instantiated" in (function.__doc__ or ""):
                continue
            shown = cls.__name__ if name == "__init__" else name
            doc = function.__doc__ or ""
            if re.search(r"\barg\d+\b", doc):
                faults.append(name + ": an argument named argN")
            declared = documented_arities(shown, doc, 0 if static else 1)
            engine = engine_arities(function)
            # Arguments with default values show as one form to the library: the longest.
            if declared is None:
                faults.append(name + ": a line that is not '%s(arguments): text'" % shown)
            elif not engine <= declared or max(declared) != max(engine):
                faults.append(name + ": call forms %s, engine forms %s" % (sorted(declared), sorted(engine)))
        elif isinstance(value, property) and not (value.__doc__ or "").strip():
            faults.append(name + ": property has no text")
    return faults


def test_every_class_method_and_property_is_documented_with_named_arguments():
    faults = [(cls.__qualname__, faults_of(cls)) for cls in engine_classes()]
    assert [(name, found) for name, found in faults if found] == []
    assert documented_arities("intersects", tarnu.intersects.__doc__, 0) == engine_arities(tarnu.intersects)


def test_the_checks_catch_missing_texts_and_wrong_call_forms():
    assert documented_arities("f", "\nf(a, b): Text.", 1) == {3}
    assert documented_arities("f", "f(a[, b[, c]]): Text.", 0) == {1, 2, 3}
    assert documented_arities("f", "f(): Text.\n\nf(x): Other.", 0) == {0, 1}
    assert documented_arities("f", "Text without a form.", 0) is None
    assert documented_arities("f", "g(a): Another name.", 0) is None
    assert engine_arities(tarnu.Vector2.dot) == {2}
    assert engine_arities(tarnu.SceneNode.setPosition) == {2, 3}
