#!/usr/bin/env python3
"""Writes the seed inputs of every fuzz target into fuzz/corpus/<target>/ from the demo
examples and the frames the tests use. Run again after the examples change."""
import json
import os
import re

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "fuzz", "corpus")


def frame(cmd, payload=b"", prefix=b""):
    body_len = len(prefix) + 2 + len(payload) + 2
    body = bytes([body_len >> 8, body_len & 0xFF]) + prefix + bytes([cmd >> 8, cmd & 0xFF]) + payload
    s = sum(body) & 0xFFFF
    return b"\xAA\x55" + body + bytes([s >> 8, s & 0xFF])


def write(target, name, data):
    d = os.path.join(OUT, target)
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, name), "wb") as f:
        f.write(data)


def read(name):
    with open(os.path.join(ROOT, "examples", name), "rb") as f:
        return f.read()


ack = frame(0x00F0)
nak = frame(0x00F1)
records = bytes.fromhex("0003000100") + bytes.fromhex("000A0002") + b"10000001" + bytes.fromhex("000600120001C200")
param_reply = frame(0xE081, records)
byte_reply = frame(0xE004, b"\x17")
text_reply = frame(0xE003, "DTU-200 V1.0 测试".encode("gb18030"))
fetch = frame(0xA200, b"\x00hello")
frames = {
    "ack": ack, "nak": nak, "param": param_reply, "byte": byte_reply, "text": text_reply,
    "fetch": fetch, "noise_ack": b"\x01\x02\xAA" + ack, "short": bytes.fromhex("AA550005"),
    "claims_max": bytes.fromhex("AA55FFFFE081") + b"\x00" * 16, "two": ack + byte_reply,
    # Found by fuzzing: LEN 0 made the LEN field its own checksum.
    "len0_fetch": bytes.fromhex("AA550000A2A2"),
}
for name, data in frames.items():
    write("fuzz_reply_checks", name, data)
    write("fuzz_sim_splitter", name, b"\x05" + data + b"AT+CSQ\r\n" + data[:5])
write("fuzz_param_records", "records", records)
write("fuzz_param_records", "odd", bytes.fromhex("0001") + bytes.fromhex("FFFF0004AB"))
write("fuzz_receive_display", "ascii", b"\x01\x00" + b"\x05hello\x00world\x03" + ack)
write("fuzz_receive_display", "gb18030", b"\x00\x01" + b"\x03" + "收到数据".encode("gb18030") + b"\x81\x30\x81\x30")
write("fuzz_receive_display", "split_frame", b"\x01\x00\x02" + param_reply[:4] + b"\x20" + param_reply[4:])
write("fuzz_socket_fetch", "fetch", fetch)
write("fuzz_socket_fetch", "empty", frame(0xA200, b"\x00\x00") + b"\x00")
write("fuzz_socket_fetch", "ports", b"\x00\x01\x00" + b"\x12\x34 8080 ")
write("fuzz_socket_fetch", "ip", b"\x00\x01\x00" + b"\x12\x34192.168.1.10")

profile = read("demo_profile.txt")
ext = read("demo_ext.txt")
for target in ("fuzz_lenient_json", "fuzz_profile_rows", "fuzz_text_codec"):
    write(target, "demo_profile", profile)
    write(target, "demo_ext", ext)
write("fuzz_lenient_json", "comments", b'\xEF\xBB\xBF{"a": [1, 2,], // note\n "b": /* x */ "c\\"//",}')
write("fuzz_text_codec", "utf8", "参数 value".encode("utf-8"))
write("fuzz_text_codec", "utf8_bom", b"\xEF\xBB\xBF" + "参数".encode("utf-8"))
write("fuzz_text_codec", "gbk_cut", "参数".encode("gb18030")[:3])

text = profile.decode("gb18030")
doc = json.loads(re.sub(r",(\s*[\]}])", r"\1", text))
for i, b in enumerate(doc.get("Buttons", [])):
    onclick = b["ONCLICK"].strip("'")
    write("fuzz_command_desc", "button%d" % i, onclick.encode("utf-8"))
write("fuzz_command_desc", "packet_data", b'{"TYPE":"PACKET","CMD":"E0","DATA":"0102A"}')

lists = [p["ONLIST"] for p in doc["Params"] if p.get("ONLIST", "").startswith("[[")]
hexes = ["00", "3130303030303031", "0000C03F", "4E614E"]
for i, onlist in enumerate(lists[:4]):
    h = hexes[i % len(hexes)].encode()
    t = onlist.encode("utf-8")
    write("fuzz_value_conv", "list%d" % i, bytes([len(h)]) + h + bytes([min(len(t), 255)]) + t[:255] + b"\x01\x03abc")
write("fuzz_value_conv", "float", b"\x08" + b"0000C03F" + b"\x06" + b" 1.5e3" + b"\x00\x0a0123456789")
write("fuzz_hex", "digits", b"0123456789abcdefABCDEF")
write("fuzz_hex", "bytes", bytes(range(0, 256, 7)))
write("fuzz_units_csv", "plain", "设备ID,0F02\n10000001,ab\n10000002,\"c,d\"\n".encode("utf-8"))
write("fuzz_units_csv", "gbk_quoted", "设备ID,备注\r\n\"1\"\"2\",\"行\n二\"\r\n\r\n3,空\r\n".encode("gb18030"))
