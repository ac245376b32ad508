"""Exceptions: classes by library code, German and English messages, the missing library."""

from __future__ import annotations

import os
import subprocess
import sys
from pathlib import Path

import pytest

import vesmor
from vesmor import errors


@pytest.mark.parametrize("code, cls", [
    (3, vesmor.PortClosedError), (4, vesmor.ReaderTimeoutError), (5, vesmor.ArgumentError),
    (10, vesmor.ProtocolError), (15, vesmor.ArgumentError), (21, vesmor.NoTransponderError),
    (23, vesmor.CollisionError), (36, vesmor.IsoError), (42, vesmor.IsoError),
    (43, vesmor.NotSingleTransponderError), (44, vesmor.VesmorError), (99, vesmor.VesmorError),
])
def test_each_code_raises_its_class(code, cls):
    error = errors.error_for(code, "VESMOR_ReadBlocks")
    assert type(error) is cls and error.code == code and error.result == -1


def test_messages_are_the_applications_in_german_and_english(german):
    timeout = errors.error_for(4, "VESMOR_Inventory")
    assert timeout.message_de == "Timeout"
    collision = errors.error_for(23, "VESMOR_Inventory")
    assert (collision.message_de, collision.message_en) == ("Kollision Fehler", "Collision error")
    assert str(collision) == "Kollision Fehler (code 23, VESMOR_Inventory = -1)"
    assert collision.text("en") == "Collision error (code 23, VESMOR_Inventory = -1)"
    iso = errors.error_for(38, "VESMOR_WriteBlock")
    assert iso.message_de == "ISO Fehler 0x12: Block ist gesperrt und kann nicht geändert werden"
    assert iso.iso_code == 0x12
    assert vesmor.error_text(77) == "Unbekannter Fehler ist aufgetreten"
    # A text with a line end in the table comes without it.
    assert vesmor.error_text(20) == "Fehler. Falsche Datenanzahl gesendet"


def test_english_on_request(german):
    vesmor.set_language("en")
    assert vesmor.get_language() == "en"
    error = errors.error_for(3, "VESMOR_OpenPort", -11)
    assert str(error) == "Error opening the port (code 3, VESMOR_OpenPort = -11)"
    assert error.text("de").startswith("Fehler beim Port öffnen")
    assert vesmor.error_text(21, "de") == "Kein gültiger Transponder vorhanden!"
    with pytest.raises(ValueError):
        vesmor.set_language("fr")


def test_every_library_code_with_a_message_has_both_texts():
    from vesmor._messages import ERROR_TEXTS

    assert set(ERROR_TEXTS) >= {3, 4, 5, 6, 7, 21, 23, 24, *range(32, 41), 42}
    for code, (german, english) in ERROR_TEXTS.items():
        assert german and english, code
    assert sum(german != english for german, english in ERROR_TEXTS.values()) > 15


def test_a_missing_library_gives_an_import_error_that_says_what_to_do(tmp_path):
    clean = {k: v for k, v in os.environ.items() if k not in ("VESMOR_LIBRARY", "LD_LIBRARY_PATH")}
    package = Path(vesmor.__file__).resolve().parents[1]
    probe = subprocess.run([sys.executable, "-c", "import ctypes; ctypes.CDLL('libvesmor.so.1')"],
                           env=clean, capture_output=True)
    if probe.returncode == 0:
        pytest.skip("libvesmor.so.1 is installed on this machine's library path")
    env = dict(clean, VESMOR_LIBRARY=str(tmp_path / "libvesmor.so.1"), PYTHONPATH=str(package))
    run = subprocess.run([sys.executable, "-c", "import vesmor"], env=env, capture_output=True,
                         text=True, cwd=tmp_path)
    assert run.returncode != 0
    assert "ImportError: vesmor needs the C library libvesmor.so.1" in run.stderr
    assert "libvesmor1" in run.stderr and "VESMOR_LIBRARY" in run.stderr
    assert str(tmp_path / "libvesmor.so.1") in run.stderr
