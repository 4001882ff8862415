#!/usr/bin/env python3
"""Every --json document of `marlin` is one line of ASCII that parses, holds to
its schema in docs/json and comes with the exit status of the text form; on a
disc made here and on each damaged image. Exit 77 (skipped) without
python3-jsonschema.

json_schema_test.py MARLIN SCHEMA_DIR DAMAGED_DIR
"""
import json
import pathlib
import subprocess
import sys
import tempfile

try:
    import jsonschema
except ImportError:
    print("python3-jsonschema is not installed")
    sys.exit(77)

marlin, schemas, damaged = sys.argv[1], pathlib.Path(sys.argv[2]), pathlib.Path(sys.argv[3])


def run(*args, data=b""):
    return subprocess.run([marlin, *args], input=data, capture_output=True, check=False)


def commands(disc):
    return [["info", disc], ["tree", disc], ["ls", disc], ["find", disc, "*"], ["find", disc, "NOTHING"],
            ["check", disc], ["map", disc]]


with tempfile.TemporaryDirectory() as tmp:
    disc = str(pathlib.Path(tmp) / "d.dat")
    for step in (["new", disc, "--size", "1M"], ["mkdir", disc, "$", "GAMES"], ["mkdir", disc, "$.GAMES", "ARCADE"],
                 ["put", disc, "$.GAMES", "-", "--name", "ELITE", "--load", "FFFF1900"]):
        made = run(*step, data=bytes(range(256)))
        if made.returncode != 0:
            sys.exit(f"marlin {' '.join(step)}: {made.stderr.decode()}")
    cases = commands(disc) + [["ls", disc, "$.GAMES"], ["find", disc, "e*", "games"]]
    for image in sorted(damaged.glob("*.dat")):
        cases += commands(str(image))

    failed = 0
    for args in cases:
        text, doc = run(*args), run(*args, "--json")
        schema = json.loads((schemas / f"{args[0]}.schema.json").read_text())
        try:
            assert doc.returncode == text.returncode, f"status {doc.returncode}, the text form's {text.returncode}"
            assert doc.stdout.isascii() and doc.stdout.endswith(b"\n") and doc.stdout.count(b"\n") == 1, "not one line"
            jsonschema.validate(json.loads(doc.stdout), schema, cls=jsonschema.Draft7Validator)
        except (AssertionError, ValueError, jsonschema.ValidationError) as e:
            failed += 1
            print(f"marlin {' '.join(args)} --json: {e}\n{doc.stdout[:500]!r}")
    print(f"{len(cases) - failed} passed, {failed} failed")
    sys.exit(1 if failed else 0)
