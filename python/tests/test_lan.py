"""LAN readers: search, settings and a TCP connection, inside two private network namespaces
joined by a veth pair (the reader side 10.77.0.2, the tool side 10.77.0.1), so that the search's
broadcasts reach the simulated reader and nothing else. Needs root and iproute2."""

from __future__ import annotations

import json
import os
import shutil
import subprocess
import sys
import textwrap
import time

import pytest

import conftest

READER, TOOL = "10.77.0.2", "10.77.0.1"


def ip(*arguments: str) -> None:
    subprocess.run(["ip", *arguments], check=True, capture_output=True, timeout=10)


@pytest.fixture(scope="module")
def lan():
    if os.geteuid() != 0 or shutil.which("ip") is None:
        pytest.skip("network namespaces need root and ip (iproute2)")
    reader_ns, tool_ns = f"vesmor-py-{os.getpid()}-reader", f"vesmor-py-{os.getpid()}-tool"
    made = []
    simulator = None
    try:
        for ns in (reader_ns, tool_ns):
            ip("netns", "add", ns)
            made.append(ns)
        ip("link", "add", "lan0", "netns", reader_ns, "type", "veth", "peer", "name", "lan0",
           "netns", tool_ns)
        for ns, address in ((reader_ns, READER), (tool_ns, TOOL)):
            ip("-n", ns, "addr", "add", f"{address}/24", "dev", "lan0")
            ip("-n", ns, "link", "set", "lo", "up")
            ip("-n", ns, "link", "set", "lan0", "up")
            ip("-n", ns, "route", "add", "default", "dev", "lan0")
        simulator = subprocess.Popen(
            ["ip", "netns", "exec", reader_ns, conftest.simulator_program(), "--lan", READER,
             "--tag", "nxp:E004010012345678"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
            text=True)
        assert simulator.stdout.readline().strip() == f"{READER}-10001"

        def run(code: str) -> dict:
            """Runs `code` (which sets `result`) in the tool's namespace; `result` comes back."""
            script = "import json, vesmor\n" + textwrap.dedent(code) + "\nprint(json.dumps(result))"
            done = subprocess.run(["ip", "netns", "exec", tool_ns, sys.executable, "-c", script],
                                  capture_output=True, text=True, timeout=60)
            assert done.returncode == 0, done.stderr
            return json.loads(done.stdout.splitlines()[-1])

        yield run
    finally:
        if simulator:
            simulator.terminate()
            simulator.wait(timeout=5)
            simulator.stdout.close()
        for ns in made:
            subprocess.run(["ip", "netns", "del", ns], capture_output=True, timeout=10)


def test_search_finds_the_reader_and_list_ports_offers_it(lan):
    result = lan("""
        result = {"all": vesmor.lan.search(), "readers": vesmor.lan.search(readers_only=True),
                  "ports": [[p.name, p.kind] for p in vesmor.list_ports() if p.kind == "lan"]}
    """)
    assert result == {"all": [f"{READER}-10001"], "readers": [f"{READER}-10001"],
                      "ports": [[f"{READER}-10001", "lan"]]}


def test_show_set_and_a_tcp_connection(lan):
    result = lan(f"""
        before = vesmor.lan.show("{READER}")
        vesmor.lan.set("{READER}", "{READER}", "255.255.255.0", "10.77.0.254")
        import time
        deadline = time.monotonic() + 20
        while not vesmor.lan.reachable("{READER}") and time.monotonic() < deadline:
            time.sleep(0.1)
        after = vesmor.lan.show("{READER}")
        with vesmor.open("{READER}") as reader:
            tags = [t.uid_text for t in reader.inventory()]
        result = {{"before": before.address, "gateway": after.gateway, "mask": after.mask,
                   "tags": tags}}
    """)
    assert result == {"before": f"{READER}-10001", "gateway": "10.77.0.254", "mask": "255.255.255.0",
                      "tags": ["E004010012345678"]}


def test_a_reader_that_does_not_answer_raises_lan_error(lan):
    started = time.monotonic()
    result = lan("""
        try:
            vesmor.lan.show("10.77.0.9")
            result = "answered"
        except vesmor.LanError as error:
            result = [str(error), error.text("en"), error.code, vesmor.lan.reachable("10.77.0.9")]
    """)
    assert result[0].startswith("Keine Geräte gefunden! (VESMOR_GetLanConfig = -1: 10.77.0.9)")
    assert result[1].startswith("No devices found!")
    assert result[2:] == [0, False]
    assert time.monotonic() - started < 30
