"""Korvel's replay file read and written again, for tests that make damaged and forged runs."""
import struct
import zlib

HEADER = struct.Struct("<8sIII")  # magic, format version, length of the whole, CRC of the body
KEY_BYTES = 3


def _text(data, at):
    (n,) = struct.unpack_from("<I", data, at)
    return data[at + 4:at + 4 + n], at + 4 + n


def parse(data):
    """The fields of a replay file as a dict (frames as their raw, unpacked bytes)."""
    at = HEADER.size
    run = {}
    run["version"], at = _text(data, at)
    (run["landscape"], run["seed"], run["highscore"], run["date"], run["players"], run["score0"], run["score1"],
     run["frames"], run["game_start"]) = struct.unpack_from("<BIIQBIIII", data, at)
    at += struct.calcsize("<BIIQBIIII")
    run["level"], at = _text(data, at)
    at += 4  # the raw size, made again from the frames
    packed, at = _text(data, at)
    run["raw"] = zlib.decompress(packed)
    return run


def build(run):
    """The file of a dict from parse, with its length and CRC right."""
    def text(b):
        return struct.pack("<I", len(b)) + b
    packed = zlib.compress(run["raw"], 9)
    body = (text(run["version"]) +
            struct.pack("<BIIQBIIII", run["landscape"], run["seed"], run["highscore"], run["date"], run["players"],
                        run["score0"], run["score1"], run["frames"], run["game_start"]) +
            text(run["level"]) + struct.pack("<I", len(run["raw"])) + text(packed))
    return HEADER.pack(b"KORVREPL", 1, HEADER.size + len(body), zlib.crc32(body)) + body


def flip_key(run, frame, bit):
    """The run with one game key's bit of one frame turned over."""
    raw, at = run["raw"], 0
    for _ in range(run["frames"]):  # the fpsm codes: varints
        while raw[at] & 0x80:
            at += 1
        at += 1
    keys = bytearray(raw)
    keys[at + (bit // 8) * run["frames"] + frame] ^= 1 << (bit % 8)
    return dict(run, raw=bytes(keys))
