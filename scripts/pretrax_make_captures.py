#!/usr/bin/python3
"""Generates the capture fixtures of the libPretrax tests.

Writes tests/pretrax/data/<name>.pcap with fragmented UDP datagrams or
segmented SOME/IP-TP messages in several delivery orders (plus unfragmented
traffic and one group that never completes), asks tshark which groups it
reassembles, and writes tests/pretrax/data/<name>.json with those groups
(frame numbers, 1-based, in offset order). Fails when tshark's view differs
from the groups the script built as complete.

Run with Debian's /usr/bin/python3 (python3-scapy) and tshark installed; the
test run itself only reads the committed files.
"""
import json
import os
import struct
import subprocess
import sys

from scapy.all import Ether, IP, UDP, Raw, fragment, wrpcap  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "tests", "pretrax", "data")
SOMEIP_PORT = 30501
MAC = dict(src="02:00:00:00:00:01", dst="02:00:00:00:00:02")


def pattern(n, seed):
    return bytes(((i * 7 + seed * 13 + (i >> 8)) & 0xFF) for i in range(n))


def order(name, n):
    idx = list(range(n))
    return {
        "in order": idx,
        "reverse": idx[::-1],
        "odd then even": idx[1::2] + idx[0::2],
        "even then odd": idx[0::2] + idx[1::2],
    }[name]


def plain_udp(seed):
    return Ether(**MAC) / IP(src="10.0.0.1", dst="10.0.0.2", id=0x7000 + seed) / UDP(sport=4000, dport=4001) / Raw(pattern(120, seed))


def ip_capture():
    """Returns (packets, complete groups as packet indexes in offset order)."""
    packets, groups = [], []

    def datagram(ident, size, how, dst="10.0.0.2", drop=None):
        pkt = IP(src="10.0.0.1", dst=dst, id=ident) / UDP(sport=5000, dport=6000) / Raw(pattern(size, ident))
        frags = [Ether(**MAC) / f for f in fragment(pkt, fragsize=1480)]
        return frags, [i for i in order(how, len(frags)) if i != drop]

    def emit(frags, seq, complete=True):
        first = len(packets)
        for i in seq:
            packets.append(frags[i])
        if complete:
            pos = {i: first + k for k, i in enumerate(seq)}
            groups.append([pos[i] for i in range(len(frags))])

    emit(*datagram(0x100, 4000, "in order"))
    packets.append(plain_udp(1))
    emit(*datagram(0x101, 4000, "reverse"))
    emit(*datagram(0x102, 7000, "odd then even"))
    packets.append(Ether(**MAC) / IP(src="10.0.0.1", dst="10.0.0.2", id=0x200, flags="DF") / UDP(sport=1, dport=2) / Raw(pattern(900, 3)))
    # Two datagrams interleaved, one of them to another destination with the
    # same identification.
    a, aseq = datagram(0x103, 2500, "reverse")
    b, bseq = datagram(0x103, 4000, "even then odd", dst="10.0.0.3")
    first = len(packets)
    merged = [("a", aseq[0]), ("b", bseq[0]), ("b", bseq[1]), ("a", aseq[1]), ("b", bseq[2])]
    pos = {}
    for k, (which, i) in enumerate(merged):
        packets.append((a if which == "a" else b)[i])
        pos[(which, i)] = first + k
    groups.append([pos[("a", i)] for i in range(len(a))])
    groups.append([pos[("b", i)] for i in range(len(b))])
    packets.append(plain_udp(2))
    # The middle fragment is lost: tshark cannot reassemble it.
    frags, seq = datagram(0x104, 4000, "in order", drop=1)
    emit(frags, seq, complete=False)
    emit(*datagram(0x105, 3000, "odd then even"))
    packets.append(plain_udp(3))
    return packets, groups


def someip(service, method, client, session, payload, tp=None):
    msg_type = 0x02 | (0x20 if tp is not None else 0)
    body = struct.pack(">HHBBBB", client, session, 1, 1, msg_type, 0)
    if tp is not None:
        offset, more = tp
        body += struct.pack(">I", (offset // 16) << 4 | (1 if more else 0))
    body += payload
    return struct.pack(">HHI", service, method, len(body)) + body


def tp_frames(service, client, session, size, step=1392):
    message = pattern(size, service + session)
    frames = []
    for off in range(0, size, step):
        part = message[off:off + step]
        more = off + step < size
        data = someip(service, 0x8001, client, session, part, (off, more))
        frames.append(Ether(**MAC) / IP(src="10.0.0.1", dst="10.0.0.2") / UDP(sport=SOMEIP_PORT, dport=SOMEIP_PORT) / Raw(data))
    return frames


def plain_someip(seed):
    data = someip(0x4444, 0x0001, 1, seed, pattern(40, seed))
    return Ether(**MAC) / IP(src="10.0.0.1", dst="10.0.0.2") / UDP(sport=SOMEIP_PORT, dport=SOMEIP_PORT) / Raw(data)


def tp_capture():
    packets, groups = [], []

    def emit(frames, how, complete=True, drop=None):
        seq = [i for i in order(how, len(frames)) if i != drop]
        first = len(packets)
        for i in seq:
            packets.append(frames[i])
        if complete:
            pos = {i: first + k for k, i in enumerate(seq)}
            groups.append([pos[i] for i in range(len(frames))])

    emit(tp_frames(0x1111, 1, 1, 3500), "in order")
    packets.append(plain_someip(1))
    emit(tp_frames(0x1111, 1, 2, 5000), "reverse")
    emit(tp_frames(0x2222, 1, 1, 6500), "odd then even")
    packets.append(plain_someip(2))
    # Two messages on different clients (and sessions), interleaved.
    a = tp_frames(0x3333, 1, 7, 3000)
    b = tp_frames(0x3333, 2, 8, 3000)
    first = len(packets)
    for k, f in enumerate([a[1], b[0], a[0], b[1], b[2], a[2]]):
        packets.append(f)
    groups.append([first + 2, first + 0, first + 5])
    groups.append([first + 1, first + 3, first + 4])
    emit(tp_frames(0x5555, 1, 1, 4000), "in order", complete=False, drop=1)
    emit(tp_frames(0x1111, 1, 3, 2000), "even then odd")
    packets.append(plain_someip(3))
    return packets, groups


def tshark_groups(path, field, extra):
    out = subprocess.run(
        ["tshark", "-r", path, "-T", "fields", "-e", "frame.number", "-e", field] + extra,
        check=True, capture_output=True, text=True).stdout
    groups = []
    for line in out.splitlines():
        parts = line.split("\t")
        if len(parts) > 1 and parts[1]:
            groups.append([int(x) for x in parts[1].split(",")])
    return groups


def main():
    os.makedirs(OUT, exist_ok=True)
    cases = [
        ("ip_fragments", "udp", ip_capture, "ip.fragment", []),
        ("someip_tp", "someip", tp_capture, "someip.tp.fragment",
         ["-d", "udp.port==%d,someip" % SOMEIP_PORT, "-o", "someip.reassemble_tp:TRUE"]),
    ]
    for name, protocol, build, field, extra in cases:
        packets, groups = build()
        for k, p in enumerate(packets):
            p.time = 1700000000 + k * 0.001
        pcap = os.path.join(OUT, name + ".pcap")
        wrpcap(pcap, packets)
        seen = tshark_groups(pcap, field, extra)
        built = [[i + 1 for i in g] for g in groups]
        if sorted(map(sorted, seen)) != sorted(map(sorted, built)):
            sys.exit("%s: tshark reassembles %s, the script built %s" % (name, seen, built))
        with open(os.path.join(OUT, name + ".json"), "w") as f:
            json.dump({"protocol": protocol, "frames": len(packets), "groups": built}, f, indent=1)
            f.write("\n")
        print("%s: %d frames, %d groups, tshark agrees" % (name, len(packets), len(built)))


if __name__ == "__main__":
    main()
