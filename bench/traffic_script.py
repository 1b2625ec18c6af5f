#!/usr/bin/env python3
"""The traffic accounting rules as a plain one-pass script, to compare the module with.

Usage: traffic_script.py DIR
Reads the SMTP ("s...") and POP3 ("p...") logs of DIR and the period, measured domains
and expected totals from DIR.expected (written by `traffic_bench generate`). Prints
"lines=N seconds=S" and, when the totals or finished files differ, MISMATCH.
"""
import os
import re
import sys
import time

MONTHS = {m: i + 1 for i, m in enumerate(
    [b"Jan", b"Feb", b"Mar", b"Apr", b"May", b"Jun", b"Jul", b"Aug", b"Sep", b"Oct", b"Nov", b"Dec"])}
SESSION = re.compile(rb"\[([0-9A-Fa-f]{1,8})")
CLOCK = re.compile(rb"(\d{1,2}):(\d{1,2}):(\d{1,2})")
NUMBER = re.compile(rb"\d*")


class FormatError(Exception):
    pass


def number(token):
    digits = NUMBER.match(token).group()
    return int(digits) if digits else 0


def parse(line):
    """(address, session id, time tuple, clientSession, direction, text) of one line."""
    tokens = line.split()  # bytes.split() splits at exactly space, tab, CR, LF, VT and FF
    if len(tokens) < 8:
        raise FormatError("Expected 8 parameters")
    session = SESSION.match(tokens[1])
    if not session:
        raise FormatError("Session ID expected")
    if tokens[4] not in MONTHS:
        raise FormatError("Month name expected")
    clock = CLOCK.match(tokens[6])
    if not clock:
        raise FormatError("Time expected")
    stamp = (number(tokens[5]), MONTHS[tokens[4]], number(tokens[3]),
             int(clock.group(1)), int(clock.group(2)), int(clock.group(3)))
    words = tokens[8:]
    if not words:
        raise FormatError("Message string expected")
    client = len(words) > 2 and words[0] == b"Client" and words[1] == b"session"
    if client:
        words = words[2:]
    direction = {b">>>": 1, b"<<<": 2, b"***": 3}.get(words[0], 0)
    if direction:
        words = words[1:]
    text = b" ".join(words).decode("cp1252", "surrogateescape")
    return tokens[0], int(session.group(1), 16), stamp, client, direction, text


def parameter(text, keyword):
    at = text.find(keyword)
    if at < 0:
        at = text.upper().find(keyword.upper())
    if at < 0:
        return ""
    return text[at + len(keyword):].lstrip(" ").split(" ", 1)[0]


def word(text, n):
    words = text.split(" ")
    return words[n] if n < len(words) else ""


def size(text, n):
    value = word(text, n)
    if not value:
        raise FormatError("Size expected")
    return number(value.encode("cp1252", "surrogateescape")) & 0xFFFFFFFF


def address_part(value):
    open_at, close_at = value.find("<"), value.find(">")
    if open_at < 0 or close_at < 0 or open_at > close_at:
        return value
    return value[open_at + 1:close_at]


def domain(address):
    at = address.find("@")
    return address[at + 1:] if at >= 0 else ""


def credit(traffic, name, day, index, first, second):
    counters = traffic[name].setdefault(day, [0] * 6)
    counters[index] += first
    counters[index + 1] += second


def smtp_line(line, sessions, traffic):
    _, sid, stamp, client, direction, text = line
    if direction == 0:
        if text == "Disconnected" and sid in sessions:
            s = sessions.pop(sid)
            day = stamp[:3]
            listed = sum(1 for r in s["recipients"] if domain(r) in traffic)
            if listed < len(s["recipients"]) and domain(s["sender"]) in traffic:
                credit(traffic, domain(s["sender"]), day, 0, s["first"], s["second"])
            if listed:
                for r in s["recipients"]:
                    if domain(r) in traffic:
                        credit(traffic, domain(r), day, 2, s["first"] // listed, s["second"] // listed)
        return
    s = sessions.setdefault(sid, {"sender": "", "recipients": [], "first": 0, "second": 0})
    sender = parameter(text, "MAIL FROM:")
    if sender:
        if s["sender"]:
            raise FormatError("Multi MAIL FROM: headers detected")
        s["sender"] = address_part(sender)
    else:
        recipient = parameter(text, "RCPT TO:")
        if recipient:
            s["recipients"].append(address_part(recipient))
    if direction == 1:
        s["second" if client else "first"] += len(text) + 2
    elif direction == 2:
        s["first" if client else "second"] += len(text) + 2
    else:
        s["second"] += size(text, 3)


def pop_line(line, sessions, traffic):
    address, sid, stamp, _, direction, text = line
    if address == b"127.0.0.1":
        return
    if direction == 0:
        if text == "Disconnected" and sid in sessions:
            s = sessions.pop(sid)
            for user in s["users"]:
                if domain(user) in traffic:
                    credit(traffic, domain(user), stamp[:3], 4, s["first"], s["second"])
        return
    s = sessions.setdefault(sid, {"users": [], "first": 0, "second": 0})
    user = parameter(text, "USER")
    if user:
        s["users"].append(user)
    if direction == 1:
        s["first"] += len(text) + 2
    elif direction == 2:
        s["second"] += len(text) + 2
    else:
        s["first"] += size(text, 2)


def read_file(path, start, end, apply, sessions, traffic):
    """Lines read; whether every line lay before start."""
    lines, old = 0, True
    with open(path, "rb") as log:
        for raw in log:
            if not raw.endswith(b"\n"):
                break  # a last line without its line end is not read
            raw = raw[:-2] if raw.endswith(b"\r\n") else raw[:-1]
            if not raw:
                break
            lines += 1
            line = parse(raw)
            if line[2] < start:
                continue
            old = False
            if line[2] < end:
                apply(line, sessions, traffic)
    return lines, old


def collect(directory, start, end, traffic):
    finished, lines = [], 0
    smtp, pop = {}, {}
    for name in sorted(n for n in os.listdir(directory) if not os.path.isdir(os.path.join(directory, n))):
        kind = {"s": (smtp_line, smtp), "p": (pop_line, pop)}.get(name[0])
        try:
            read, old = read_file(os.path.join(directory, name), start, end, *kind, traffic) if kind else (0, True)
        except FormatError:
            continue
        lines += read
        if old:
            finished.append(name)
    return lines, finished


def load_expected(path):
    expected = {"traffic": {}, "finished": []}
    with open(path) as records:
        for record in records:
            kind, *fields = record.split()
            if kind in ("from", "to"):
                expected[kind] = tuple(int(f) for f in fields)
            elif kind == "domain":
                expected["traffic"][fields[0]] = {}
            elif kind == "day":
                expected["traffic"][fields[0]][tuple(int(f) for f in fields[1:4])] = [int(f) for f in fields[4:]]
            elif kind == "finished":
                expected["finished"].append(fields[0])
    return expected


def main():
    directory = sys.argv[1].rstrip("/")
    expected = load_expected(directory + ".expected")
    traffic = {name: {} for name in expected["traffic"]}
    began = time.perf_counter()
    lines, finished = collect(directory, expected["from"], expected["to"], traffic)
    took = time.perf_counter() - began
    same = traffic == expected["traffic"] and finished == expected["finished"]
    print("lines=%d seconds=%.2f%s" % (lines, took, "" if same else " MISMATCH"))
    return 0 if same else 1


if __name__ == "__main__":
    sys.exit(main())
