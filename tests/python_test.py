"""The Python package crc16 as its users call it, held to the catalogue
(checksum/catalogue.tsv, CRC16_CATALOGUE) and to a bit-by-bit reference."""
import array
import mmap
import os
import random
import sys
import threading

import pytest

import crc16

DIGITS = b"123456789"


def read_catalogue():
    with open(os.environ["CRC16_CATALOGUE"], encoding="utf-8") as table:
        header, *rows = [line.rstrip("\n").split("\t") for line in table]
    return [dict(zip(header, row)) for row in rows]


CATALOGUE = read_catalogue()
NAMES = [row["name"] for row in CATALOGUE]
OWN = [
    crc16.Model("poly=0x1021 init=0x1D0F refin=false refout=true xorout=0x5A5A"),
    crc16.Model(poly=0x3D65, init=0xFFFF, refin=True, refout=False, xorout=0x0000),
]
MODELS = NAMES + OWN


def reference(model, data):
    """The checksum, one bit at a time, from the model's parameters."""
    reflect = lambda value, bits: int(f"{value:0{bits}b}"[::-1], 2)
    register = model.init
    for byte in data:
        register ^= (reflect(byte, 8) if model.refin else byte) << 8
        for _ in range(8):
            register = ((register << 1) ^ model.poly if register & 0x8000 else register << 1) & 0xFFFF
    return (reflect(register, 16) if model.refout else register) ^ model.xorout


def model_object(model):
    return model if isinstance(model, crc16.Model) else crc16.new(model).model


@pytest.mark.parametrize("row", CATALOGUE, ids=NAMES)
def test_catalogued_models(row):
    check = int(row["check"], 16)
    aliases = [alias for alias in row["aliases"].split(",") if alias]
    for name in [row["name"], row["name"].lower(), *aliases, *(alias.swapcase() for alias in aliases)]:
        assert crc16.crc(DIGITS, name) == check, name
    model = crc16.new(row["name"]).model
    assert crc16.crc(DIGITS, model=model) == crc16.new(model, DIGITS).value == check
    assert (model.name, model.aliases) == (row["name"], tuple(aliases))
    assert [model.poly, model.init, model.xorout] == [int(row[key], 16) for key in ("poly", "init", "xorout")]
    assert [model.refin, model.refout] == [row[key] == "true" for key in ("refin", "refout")]
    assert model.byteorder == ("little" if model.refout else "big")
    assert crc16.Model(str(model)).name is None and crc16.crc(DIGITS, crc16.Model(str(model))) == check


def test_catalogue_listed():
    assert [model.name for model in crc16.models()] == sorted(NAMES, key=lambda name: name != "CRC-16/ARC")
    assert len(NAMES) == 31 and crc16.algorithms_available == set(NAMES)
    assert crc16.crc(DIGITS) == crc16.new(data=DIGITS).value == 0xBB3D


@pytest.mark.parametrize("model", MODELS, ids=str)
def test_against_bit_by_bit(model):
    rng = random.Random(str(model))
    for length in [0, 1, 15, 16, 17, 63, 64, 65, 255, 256, 257, 1000]:
        data = rng.randbytes(length)
        assert crc16.crc(data, model) == reference(model_object(model), data), length


@pytest.mark.parametrize("model", MODELS, ids=str)
def test_streaming_over_random_splits(model):
    rng = random.Random(str(model))
    data = rng.randbytes(200_000)
    whole = crc16.crc(data, model)
    for _ in range(20):
        cuts = sorted(rng.sample(range(len(data)), rng.randint(1, 6)))
        pieces = [data[a:b] for a, b in zip([0, *cuts], [*cuts, len(data)])]
        hash_ = crc16.new(model)
        for piece, kind in zip(pieces, [bytes, bytearray, memoryview, lambda b: array.array("B", b)] * 2):
            hash_.update(kind(piece))
        assert hash_.value == whole, cuts
        # Joined from the pieces' own checksums, without reading them again.
        joined = crc16.crc(pieces[0], model)
        for piece in pieces[1:]:
            joined = crc16.combine(model, joined, crc16.crc(piece, model), len(piece))
        assert joined == whole, cuts
    assert crc16.combine(model, whole, crc16.crc(b"", model), 0) == whole


@pytest.mark.parametrize(
    "model, digest, stored",
    [("MODBUS", b"\x4b\x37", b"\x37\x4b"), ("XMODEM", b"\x31\xc3", b"\x31\xc3"), ("X-25", b"\x90\x6e", b"\x6e\x90")],
)
def test_digest_and_stored_order(model, digest, stored):
    hash_ = crc16.new(model, DIGITS)
    assert (hash_.digest(), hash_.hexdigest(), hash_.stored()) == (digest, digest.hex(), stored)
    assert (hash_.digest_size, hash_.block_size, hash_.name) == (2, 1, hash_.model.name)


@pytest.mark.parametrize("row", [row for row in CATALOGUE if row["refin"] == row["refout"]], ids=lambda row: row["name"])
def test_stored_checksum_leaves_the_residue(row):
    frame = os.urandom(40)
    frame += crc16.new(row["name"], frame).stored()
    assert crc16.crc(frame, row["name"]) == int(row["residue"], 16) ^ int(row["xorout"], 16)


def test_copy_goes_on_alone():
    first = crc16.new("KERMIT", b"1234")
    second = first.copy()
    second.update(b"56789")
    assert (first.value, second.value) == (crc16.crc(b"1234", "KERMIT"), 0x2189)
    first.update(b"5")
    assert second.value == 0x2189 and first.value == crc16.crc(b"12345", "KERMIT")


def test_own_model_named_by_its_parameters():
    model = crc16.Model("poly=0x8005 init=0x0000 refin=true refout=true xorout=0x0000")
    assert crc16.new(model).name == str(model) == "poly=0x8005 init=0x0000 refin=true refout=true xorout=0x0000"
    assert (model.name, model.aliases, crc16.crc(DIGITS, model)) == (None, (), 0xBB3D)


VALID = "poly=0x1021 init=0xFFFF refin=false refout=false xorout=0x0000"
ERRORS = [
    (lambda: crc16.crc("123456789"), TypeError, "bytes-like"),
    (lambda: crc16.crc([1, 2, 3]), TypeError, "bytes-like"),
    (lambda: crc16.new("MODBUS").update("text"), TypeError, "bytes-like"),
    (lambda: crc16.new(data="text"), TypeError, "bytes-like"),
    (lambda: crc16.crc(memoryview(bytes(8))[::2]), BufferError, "contiguous"),
    (lambda: crc16.crc(b"", "CRC-16/NONE"), ValueError, "unknown model"),
    (lambda: crc16.crc(b"", "CRC-16/ARC\0"), ValueError, "unknown model"),
    (lambda: crc16.new("nope"), ValueError, "unknown model"),
    (lambda: crc16.combine("nope", 0, 0, 0), ValueError, "unknown model"),
    (lambda: crc16.crc(b"", 0x8005), TypeError, "a model is"),
    (lambda: crc16.crc(), TypeError, "missing required argument 'data'"),
    (lambda: crc16.crc(b"", "ARC", 1), TypeError, "at most 2"),
    (lambda: crc16.crc(b"", colour=1), TypeError, "unexpected keyword"),
    (lambda: crc16.crc(b"", data=b""), TypeError, "multiple values"),
    (lambda: crc16.combine("ARC", 0, 0), TypeError, "missing required argument 'length_b'"),
    (lambda: crc16.combine("ARC", 0x10000, 0, 1), ValueError, "crc_a"),
    (lambda: crc16.combine("ARC", 0, -1, 1), ValueError, "crc_b"),
    (lambda: crc16.combine("ARC", 0, 0, -1), ValueError, "length_b"),
    (lambda: crc16.combine("ARC", 0, 0, 2**64), ValueError, "length_b"),
    (lambda: crc16.combine("ARC", 0, 0, "1"), TypeError, ""),
    (lambda: crc16.Model("poly=0x1021"), ValueError, "missing key"),
    (lambda: crc16.Model(VALID + " width=8"), ValueError, "width"),
    (lambda: crc16.Model(VALID + " colour=red"), ValueError, "unknown key"),
    (lambda: crc16.Model(VALID + " poly=0x1021"), ValueError, "repeated key"),
    (lambda: crc16.Model(VALID + " check=0x0000"), ValueError, "check"),
    (lambda: crc16.Model(VALID + "\0"), ValueError, "invalid value"),
    (lambda: crc16.Model(b"poly=0x1021"), TypeError, "as a str"),
    (lambda: crc16.Model(VALID, poly=0x1021), TypeError, "not both"),
    (lambda: crc16.Model(poly=0x1021, refin=False), TypeError, "needs poly, refin and refout"),
    (lambda: crc16.Model(poly=0x10000, refin=False, refout=False), ValueError, "poly"),
    (lambda: crc16.Model(poly=0x1021, init=-1, refin=False, refout=False), ValueError, "init"),
    (lambda: crc16.Model(poly=0x1021, refin=2, refout=False), ValueError, "True or False"),
    (lambda: crc16.Model(poly=1.5, refin=False, refout=False), TypeError, ""),
    (lambda: crc16.Hash(), TypeError, "cannot create"),
]


@pytest.mark.parametrize("call, error, message", ERRORS, ids=range(len(ERRORS)))
def test_errors(call, error, message):
    with pytest.raises(error, match=message):
        call()


def test_mapped_file(tmp_path):
    data = random.Random(5).randbytes(300_000)
    path = tmp_path / "image.bin"
    path.write_bytes(data)
    with open(path, "rb") as file, mmap.mmap(file.fileno(), 0, access=mmap.ACCESS_READ) as mapped:
        view = memoryview(mapped)
        assert crc16.crc(view, "MODBUS") == crc16.crc(data, "MODBUS")
        assert crc16.new("XMODEM", view[1000:]).value == crc16.crc(data[1000:], "XMODEM")
        view.release()


def test_threads_give_the_same_checksums():
    buffers = [random.Random(i).randbytes(1 << 20) for i in range(4)]
    want = [crc16.crc(buffer, "MODBUS") for buffer in buffers]
    got = [None] * len(buffers)

    def fold(i):
        for _ in range(8):
            hash_ = crc16.new("MODBUS")
            hash_.update(buffers[i])
            assert crc16.crc(buffers[i], "MODBUS") == hash_.value
        got[i] = hash_.value

    threads = [threading.Thread(target=fold, args=(i,)) for i in range(len(buffers))]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert got == want


def test_large_buffers_fold_without_the_gil():
    # Never handed over by time: the main thread runs while the other folds
    # only if the fold lets the GIL go, else once all 100 folds are done.
    data = bytes(64 << 20)
    started, state = threading.Event(), {"done": False}

    def fold():
        started.set()
        for _ in range(100):
            crc16.crc(data)
        state["done"] = True

    interval = sys.getswitchinterval()
    sys.setswitchinterval(1000)
    try:
        thread = threading.Thread(target=fold)
        thread.start()
        started.wait()
        folding_meanwhile = not state["done"]
        thread.join()
    finally:
        sys.setswitchinterval(interval)
    assert folding_meanwhile
