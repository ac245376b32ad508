"""The reader and transponder calls against a simulated reader."""

from __future__ import annotations

import gc

import pytest

import vesmor

NXP_UID_TEXT = "E004010012345678"
NXP_UID = bytes.fromhex(NXP_UID_TEXT)[::-1]
ST_UID_TEXT = "E002080011223344"


def test_open_identifies_the_reader_and_with_closes_it(start_simulator):
    port = start_simulator("--device", "125", "--firmware", "7").port
    with vesmor.open(port, baud=19200, timeout=0.5) as reader:
        assert reader.is_open and reader.connected
        assert reader.device_code == 0x125
        assert reader.firmware == "7"
        assert reader.model.startswith("QX-") or reader.model
        assert reader.is_programmer
        assert not reader.is_usb
        assert reader.protocol_type == 0
        assert reader.handle > 0
        assert repr(reader).startswith("<vesmor.Reader")
    assert not reader.is_open
    with pytest.raises(vesmor.PortClosedError) as closed:
        reader.inventory()
    assert closed.value.code == 3
    reader.close()  # a second close is harmless


def test_other_protocol_types_and_bus_addresses_open(start_simulator):
    port = start_simulator("--type", "1", "--address", "5", "--tag", "nxp").port
    with vesmor.open(port, address=5) as reader:
        assert reader.protocol_type == 1
        assert len(reader.inventory()) == 1


def test_a_reader_only_model_is_no_programmer(start_simulator):
    with vesmor.open(start_simulator("--device", "124").port) as reader:
        assert reader.device_code == 0x124
        assert not reader.is_programmer


def test_open_failures_raise_open_error_with_the_result(start_simulator, german):
    with pytest.raises(vesmor.OpenError) as missing:
        vesmor.open("/dev/vesmor-no-such-port")
    assert missing.value.result == -1 and missing.value.code == 3
    assert isinstance(missing.value, OSError)
    assert str(missing.value).startswith("Fehler beim Port öffnen (code 3, VESMOR_OpenPort = -1)")

    silent = start_simulator("--silent").port
    with pytest.raises(vesmor.OpenError) as no_reader:
        vesmor.open(silent, timeout=0.02)
    assert no_reader.value.result == -11

    with pytest.raises(ValueError):
        vesmor.open(silent, timeout=-1)


def test_inventory_lists_every_tag_with_uid_maker_and_chip(start_simulator):
    port = start_simulator("--tag", f"nxp:{NXP_UID_TEXT}", "--tag", f"st:{ST_UID_TEXT}").port
    with vesmor.open(port) as reader:
        tags = sorted(reader.inventory(), key=str)
    assert [t.uid_text for t in tags] == [ST_UID_TEXT, NXP_UID_TEXT]
    st, nxp = tags
    assert nxp.uid == NXP_UID and str(nxp) == NXP_UID_TEXT
    assert (nxp.manufacturer_code, nxp.manufacturer, nxp.chip, nxp.chip_type) == (
        4, "Philips", "ICode2", 0x01)
    assert (st.manufacturer_code, st.manufacturer, st.chip) == (2, "STMicrotronics", "LRI512")


def test_an_empty_field_gives_no_tags_and_no_dump(start_simulator):
    with vesmor.open(start_simulator().port) as reader:
        assert reader.inventory() == []
        with pytest.raises(vesmor.TransponderError) as no_info:
            reader.tag_info()
        assert no_info.value.code in (21, 43)
        with pytest.raises(vesmor.NoTransponderError):
            reader.dump()


def test_dump_needs_a_single_tag_or_a_uid(start_simulator):
    port = start_simulator("--tag", f"nxp:{NXP_UID_TEXT}", "--tag", f"st:{ST_UID_TEXT}").port
    with vesmor.open(port) as reader:
        with pytest.raises(vesmor.NotSingleTransponderError):
            reader.dump()
        assert len(reader.dump(uid=ST_UID_TEXT).blocks) == 64


def test_unknown_makers_have_no_name():
    tag = vesmor.Tag(bytes.fromhex("E0337700AABBCCDD")[::-1])
    assert tag.manufacturer_code == 0x33 and tag.manufacturer is None and tag.chip is None


def test_tag_info_tells_the_geometry_of_the_single_or_a_given_tag(start_simulator):
    port = start_simulator("--tag", f"nxp:{NXP_UID_TEXT}", "--tag", f"st:{ST_UID_TEXT}").port
    with vesmor.open(port) as reader:
        assert reader.tag_info(uid=NXP_UID_TEXT) == vesmor.TagInfo(28, 4, 4)
        assert reader.tag_info(uid=bytes.fromhex(ST_UID_TEXT)[::-1]) == vesmor.TagInfo(64, 4, 2)
        with pytest.raises(vesmor.NotSingleTransponderError) as several:
            reader.tag_info()
        assert several.value.code == 43


def test_uid_arguments_are_checked_before_anything_is_sent(sim_port):
    with vesmor.open(sim_port) as reader:
        for wrong in (b"\x01\x02", "E0040100", "not hexadecimal!"):
            with pytest.raises(ValueError):
                reader.read_blocks(0, 1, uid=wrong)


def test_blocks_written_are_read_back_alone_and_in_runs(sim_port):
    with vesmor.open(sim_port) as reader:
        tag = reader.inventory()[0]
        assert reader.tag_info().block_size == 4
        data = bytes(range(40))
        reader.write_blocks(2, data, uid=tag)
        assert reader.read_blocks(2, 10, uid=tag) == data
        assert reader.read_blocks(3, 1, uid=tag.uid) == data[4:8]
        assert reader.read_blocks(3, 1) == data[4:8]  # the single tag, unaddressed
        reader.write_blocks(0, b"VSMR")  # block size asked from the transponder
        assert reader.read_blocks(0, uid=NXP_UID_TEXT) == b"VSMR"
        with_status = reader.read_blocks(2, 2, uid=tag, flags=vesmor.REQUEST_FLAGS | 0x40)
        assert with_status == b"\x00" + data[:4] + b"\x00" + data[4:8]


def test_block_errors_raise_their_classes(start_simulator):
    port = start_simulator("--tag", "locked:E004010000000001").port
    with vesmor.open(port) as reader:
        with pytest.raises(vesmor.IsoError) as beyond:
            reader.read_blocks(27, 2)
        assert beyond.value.code == 36 and beyond.value.iso_code == 0x10
        with pytest.raises(vesmor.IsoError) as locked:
            reader.write_blocks(0, b"ABCD")
        assert locked.value.iso_code == 0x12
        assert locked.value.operation == "VESMOR_WriteBlock"
        assert str(locked.value).endswith("VESMOR_WriteBlock = -1): block 0, 0 of 1 written")
        with pytest.raises(vesmor.ArgumentError) as out_of_range:
            reader.read_blocks(300, 1)
        assert out_of_range.value.code == 15 and isinstance(out_of_range.value, ValueError)
        with pytest.raises(ValueError):
            reader.read_blocks(0, 0)
        with pytest.raises(ValueError):
            reader.write_blocks(4, b"ABCDE")
        with pytest.raises(ValueError):
            reader.write_blocks(4, b"")


def test_dump_reads_every_block_and_marks_unreadable_ones(start_simulator):
    port = start_simulator("--tag", "em:E016040000000001").port
    with vesmor.open(port) as reader:
        dump = reader.dump()
    assert dump.info.block_count == 16 and len(dump.blocks) == 16
    assert all(len(block) == 4 for block in dump.blocks[:-1])
    assert dump.blocks[-1] is None
    assert dump.tag.uid_text == "E016040000000001"


def test_dump_of_a_given_tag(sim_port):
    with vesmor.open(sim_port) as reader:
        reader.write_blocks(27, b"LAST", uid=NXP_UID)
        dump = reader.dump(uid=NXP_UID)
    assert dump.tag.uid_text == NXP_UID_TEXT
    assert len(dump.blocks) == 28 and dump.blocks[27] == b"LAST"


def test_a_silent_reader_times_out_and_answers_again(start_simulator):
    simulator = start_simulator("--tag", "nxp")
    with vesmor.open(simulator.port, timeout=0.1) as reader:
        simulator.pause()
        try:
            with pytest.raises(vesmor.ReaderTimeoutError) as silent:
                reader.read_blocks(0, 1)
        finally:
            simulator.resume()
        assert silent.value.code == 4 and isinstance(silent.value, TimeoutError)
        assert reader.connected
        # The answer to the timed-out request comes late; the reader works on after it.
        for _ in range(3):
            try:
                assert len(reader.read_blocks(0, 1)) == 4
                break
            except vesmor.VesmorError:
                pass
        else:
            pytest.fail("no answer after the reader came back")


def test_a_lost_connection_is_reported_as_such(start_simulator):
    simulator = start_simulator("--tag", "nxp")
    with vesmor.open(simulator.port, timeout=0.2) as reader:
        simulator.stop()
        with pytest.raises(vesmor.ConnectionLostError) as lost:
            reader.read_blocks(0, 1)
        assert lost.value.code == 4 and not reader.connected


def test_a_collected_reader_releases_its_port(sim_port):
    reader = vesmor.open(sim_port)
    with pytest.raises(vesmor.OpenError):
        vesmor.open(sim_port)  # the line is opened exclusively
    del reader
    gc.collect()
    with vesmor.open(sim_port) as again:
        assert again.inventory()


def test_list_ports_offers_the_running_simulator(sim_port):
    ports = vesmor.list_ports(lan=False)
    assert vesmor.Port(sim_port, vesmor.SERIAL, "VESMOR Simulator") in ports
    assert all(p.kind in (vesmor.SERIAL, vesmor.USB, vesmor.BLUETOOTH) for p in ports)
    assert str(ports[0]) == ports[0].name
