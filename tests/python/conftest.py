"""What the tests of the Python module share: the examples, the test data
and the command line, whose --json output is the truth the dicts must equal."""

import json
import os
import pathlib
import subprocess

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[2]
EXAMPLES = pathlib.Path(os.environ.get("ORVELIN_EXAMPLES", ROOT / "examples"))
DATA = pathlib.Path(os.environ.get("ORVELIN_TEST_DATA", ROOT / "tests" / "data"))
CLI = os.environ.get("ORVELIN_CLI", str(ROOT / "build" / "src" / "cli" / "orvelin-cli"))


def run_cli(*args):
    """orvelin-cli with these arguments: (exit status, stdout, stderr)."""
    p = subprocess.run([CLI, *map(str, args)], capture_output=True, text=True)
    return p.returncode, p.stdout, p.stderr


def cli_json(*args, expect=0):
    rc, out, err = run_cli(*args, "--json")
    assert rc == expect, err
    return json.loads(out)


def cli_error(*args):
    """The message orvelin-cli ends with on stderr, without its name."""
    rc, _, err = run_cli(*args)
    assert rc != 0
    return err.strip().splitlines()[-1].removeprefix("orvelin-cli: ")


@pytest.fixture(params=sorted(p.name for p in EXAMPLES.glob("*.ov")))
def example(request):
    return EXAMPLES / request.param
