"""Fixtures: simulated readers (vesmor-sim on a pseudo-terminal) for the package's tests.

The tests find the simulator at $VESMOR_SIM and the library at $VESMOR_LIBRARY (ctest sets
both); the port list is limited to the simulators these tests start.
"""

from __future__ import annotations

import os
import select
import signal
import subprocess
import tempfile
import time
from pathlib import Path

import pytest

# Before the package is imported: the library reads these on every list call.
_isolated = tempfile.mkdtemp(prefix="vesmor-pytest-")
os.environ["VESMOR_RUNTIME_DIR"] = _isolated  # announcements of our simulators only
os.environ["VESMOR_SYSFS_ROOT"] = str(Path(_isolated) / "sys")  # no serial device of the machine
for variable in ("VESMOR_HIDAPI_LIB", "VESMOR_FTD2XX_LIB", "VESMOR_SIUSBXP_LIB"):
    os.environ[variable] = str(Path(_isolated) / "absent.so")  # no USB library of the machine

SOURCE = Path(__file__).resolve().parents[2]
START_SECONDS = 5


def simulator_program() -> str:
    program = os.environ.get("VESMOR_SIM", "")
    if not program or not os.access(program, os.X_OK):
        pytest.skip("VESMOR_SIM names no vesmor-sim program")
    return program


class Simulator:
    """A running vesmor-sim; ``port`` is its pseudo-terminal."""

    def __init__(self, *arguments: str) -> None:
        self.process = subprocess.Popen([simulator_program(), *arguments], stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL, text=True)
        ready, _, _ = select.select([self.process.stdout], [], [], START_SECONDS)
        self.port = self.process.stdout.readline().strip() if ready else ""
        if not self.port:
            self.stop()
            raise RuntimeError(f"vesmor-sim {' '.join(arguments)} did not start")

    def pause(self) -> None:
        """The simulator stops answering (the line stays open). Returns once it has stopped:
        a signal takes effect when the process is next scheduled."""
        self.process.send_signal(signal.SIGSTOP)
        stat = Path(f"/proc/{self.process.pid}/stat")
        deadline = time.monotonic() + START_SECONDS
        while stat.read_text().rsplit(")", 1)[1].split()[0] != "T":
            if time.monotonic() > deadline:
                raise RuntimeError("vesmor-sim did not stop")
            time.sleep(0.005)

    def resume(self) -> None:
        self.process.send_signal(signal.SIGCONT)

    def stop(self) -> None:
        if self.process.poll() is None:
            self.resume()
            self.process.terminate()
            try:
                self.process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.process.stdout.close()


@pytest.fixture
def start_simulator():
    """Starts simulators with the given vesmor-sim arguments; all are stopped afterwards."""
    started: list[Simulator] = []

    def start(*arguments: str) -> Simulator:
        simulator = Simulator(*arguments)
        started.append(simulator)
        return simulator

    yield start
    for simulator in started:
        simulator.stop()


@pytest.fixture
def sim_port(start_simulator) -> str:
    """The pseudo-terminal of a simulated programmer with one NXP transponder in its field."""
    return start_simulator("--tag", "nxp:E004010012345678").port


@pytest.fixture
def german():
    """Messages in German for the test, whatever an earlier test chose."""
    import vesmor

    vesmor.set_language("de")
    yield
    vesmor.set_language("de")
