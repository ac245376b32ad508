"""The examples shipped with the package run against a simulated reader."""

from __future__ import annotations

import os
import subprocess
import sys
from pathlib import Path

import vesmor

EXAMPLES = Path(__file__).resolve().parents[2] / "examples" / "python"


def run_example(name: str, *arguments: str) -> subprocess.CompletedProcess:
    package = str(Path(vesmor.__file__).resolve().parents[1])
    env = dict(os.environ, PYTHONPATH=package)
    return subprocess.run([sys.executable, str(EXAMPLES / name), *arguments], env=env,
                          capture_output=True, text=True, timeout=30)


def test_tag_example_writes_and_reads_back_block_0(sim_port):
    run = run_example("tag_example.py", sim_port, "PYEX")
    assert run.returncode == 0, run.stderr
    assert "transponder: E004010012345678 (Philips ICode2)" in run.stdout
    assert "block 0: 50 59 45 58" in run.stdout


def test_tag_example_explains_a_missing_reader():
    run = run_example("tag_example.py", "/dev/vesmor-no-such-port")
    assert run.returncode == 1
    assert "Fehler beim Port öffnen" in run.stderr


def test_list_ports_example_shows_the_simulator(sim_port):
    run = run_example("list_ports.py", "--no-lan")
    assert run.returncode == 0, run.stderr
    assert f"serial\t{sim_port}\tVESMOR Simulator" in run.stdout
