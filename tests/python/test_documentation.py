"""help() on the module: every class, method, property and constant says what it is, and every call form
names its arguments. The arguments are positional only, so the names live in the texts, each of which
begins with its call form ("setPosition(pos[, space]): ..."); the forms must match the calls the engine
takes."""

import re

import tarnu

FUNCTION = type(tarnu.Vector2.dot)
CALL_FORM = re.compile(r"^(\w+)\(([\w, \[\]]*)\): \S")


def engine_classes(owner=tarnu, found=None):
    """Every class of the module, nested ones included, each once."""
    found = [] if found is None else found
    for value in vars(owner).values():
        if isinstance(value, type) and value.__module__ == "tarnu" and value not in found:
            found.append(value)
            engine_classes(value, found)
    return found


def engine_arities(function):
    """How many arguments each form takes, from the C++ forms the binding library lists for a call that fits none."""
    try:
        function(*[None] * 20)
    except Exception as error:  # Boost.Python.ArgumentError
        counts = set()
        for arguments in re.findall(r"^\s*\w+\((.*)\)$", str(error), re.M):
            while "<" in arguments:  # template arguments hold commas of their own
                arguments = re.sub(r"<[^<>]*>", "", arguments)
            counts.add(0 if arguments in ("", "void") else arguments.count(",") + 1)
        return counts
    raise AssertionError("a call with 20 arguments was accepted")


def faults_of(owner):
    """What a class (or the module, for its functions) leaves unsaid."""
    faults = [] if owner is tarnu or (owner.__doc__ or "").strip() else ["class has no text"]
    for name, value in vars(owner).items():
        function = value.__func__ if isinstance(value, staticmethod) else value
        doc = function.__doc__ or ""
        if name.startswith("_") and name != "__init__" or "cannot be instantiated" in doc:
            continue
        if isinstance(value, property) and not doc.strip():
            faults.append(name + ": property has no text")
        if not isinstance(function, FUNCTION):
            continue
        # Each line of the text is a call form, optional arguments in brackets; a method's count includes self.
        forms = [CALL_FORM.match(line) for line in doc.splitlines() if line.strip()]
        skipped = 0 if owner is tarnu or function is not value else 1
        declared = {skipped + len(re.findall(r"\w+", form.group(2).partition("[")[0])) + extra
                    for form in forms if form for extra in range(form.group(2).count("[") + 1)}
        engine = engine_arities(function)
        # Arguments with default values show as one form to the library: the longest.
        if (not forms or not all(form and form.group(1) == (owner.__name__ if name == "__init__" else name)
                                 for form in forms)
                or re.search(r"\barg\d+\b", doc) or not engine <= declared or max(declared) != max(engine)):
            faults.append("%s: %r for the engine's forms of %s arguments" % (name, doc, sorted(engine)))
    return faults


def test_every_class_method_and_property_is_documented_with_named_arguments():
    faults = [(getattr(owner, "__qualname__", "tarnu"), faults_of(owner)) for owner in [tarnu] + engine_classes()]
    assert [(name, found) for name, found in faults if found] == []
