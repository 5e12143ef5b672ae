#!/usr/bin/env python3
"""Writes the seed corpora of the reader fuzzers from readable values:
plan_reader/ (current layout), legacy_plan_reader/, free_days/ and
free_days_writer/.
Run from anywhere; the folders beside this script are rewritten."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def area_section(first_day, last_day):
    count = last_day - first_day + 1
    index = b"".join(struct.pack("<i", (first_day + i) * 1440) for i in range(count))
    records = b"".join(struct.pack("<I", ((first_day + i) * 1440) | 0x20000000 | (2 << 26))
                       for i in range(count))
    return struct.pack("<ii", count * 4 + 8, first_day * 1440) + index + struct.pack("<i", last_day * 1440), records


def finish(head, tables, first_day, last_day):
    section, records = area_section(first_day, last_day)
    body = head + tables + section
    return struct.pack("<i", 4 + len(body)) + body + records


def current(mark, schedule, first, last, days, day_start=0, slots=None, tolerances=(15, 60, 30, 10)):
    slots = slots or [(420, 900, 660, 680)] * 4 + [(0, 0, 0, 0)] + [(1320, 360, 120, 150)] * 2
    head = struct.pack("<iiii", 12, 0, tolerances[2] if schedule else 0, 0 if schedule else 480 - 1440)
    block = struct.pack("<ii", 88 + len(days), mark)
    for column in range(4):
        block += b"".join(struct.pack("<h", slot[column]) for slot in slots)
    block += b"".join(struct.pack("<h", t) for t in tolerances) + b"\0" * 6
    block += struct.pack("<BBii", 1 if schedule else 0, 1 if schedule else 2, first if schedule else 0,
                         last if schedule else 0)
    if abs(mark) == 88:
        block += struct.pack("<i", day_start)
    return finish(head, block + bytes(days), first, last)


def legacy(schedule, first, last, days):
    slots = [(360, 840, 600, 615), (840, 1320, 1080, 1095), (1320, 360, 120, 135), (480, 960, -1, -1)]
    head = struct.pack("<iiii", 12, 0, 30 if schedule else 0, 0 if schedule else 450 - 1440)
    record = struct.pack("<i", 54 + len(days))
    for column in range(4):
        record += b"".join(struct.pack("<h", slot[column]) for slot in slots)
    record += struct.pack("<4h", 15, 120, 30, 15)
    record += struct.pack("<BBii", 1 if schedule else 0, 1 if schedule else 2, first if schedule else 0,
                          last if schedule else 0)
    return finish(head, record + bytes(days), first, last)


def free_day(date, text, recurring):
    plain = text.encode("cp1250").ljust(80, b" ")
    scrambled = bytes(b if b == 0x20 else b ^ 0x5E for b in plain)
    return struct.pack("<i", date) + scrambled + bytes([recurring]) + b"\0" * 7


def write(folder, name, data):
    path = os.path.join(HERE, folder)
    os.makedirs(path, exist_ok=True)
    with open(os.path.join(path, name), "wb") as out:
        out.write(data)


week = [0, 1, 2, 3, 5, 6, 4]
write("plan_reader", "schedule_m88", current(-88, True, 8766, 8772, week))
write("plan_reader", "schedule_p84", current(84, True, 18494, 18500, week))
write("plan_reader", "schedule_one_day", current(88, True, 0, 0, [0]))
write("plan_reader", "weekly_m88", current(-88, False, 8766, 9131, [1, 2, 2, 2, 2, 2, 1], day_start=360))
write("plan_reader", "weekly_m84", current(-84, False, 100, 200, [0, 2, 3, 2, 255, 2, 1]))
write("plan_reader", "bad_day_byte", current(-88, True, 10, 12, [0, 7, 1]))
write("legacy_plan_reader", "schedule", legacy(True, 1829, 1857, [0, 1, 2, 3, 4, 4, 0] * 4 + [1]))
write("legacy_plan_reader", "weekly", legacy(False, 1829, 2193, [4, 0, 0, 0, 0, 0, 4]))
write("legacy_plan_reader", "bad_day_byte", legacy(True, 10, 12, [0, 5, 1]))
write("free_days", "holidays",
      free_day(0, "Nowy Rok", 1) + free_day(172800, "Święto Pracy", 1) + free_day(3634560, "Wielkanoc", 0))
write("free_days", "blank_description", free_day(0, "Nowy Rok", 1) + free_day(1440, "", 0))
write("free_days", "partial_record", free_day(0, "Nowy Rok", 1) + free_day(1440, "Dzień", 0)[:50])


def entry(day, recurring, text):
    """An entry of the free-days writer's stream: day from 2000-01-01, flag, description."""
    raw = text.encode("cp1250")
    return struct.pack("<HBB", day, 1 if recurring else 0, len(raw)) + raw


write("free_days_writer", "holidays",
      free_day(0, "Nowy Rok", 1) + free_day(172800, "Święto Pracy", 1) + free_day(3634560, "Wielkanoc", 0))
write("free_days_writer", "tail", free_day(1440, "  Dzień  wolny ", 0)[:88] + b"\x11" * 4 + b"\x7f" * 30)
write("free_days_writer", "entries",
      entry(9489, False, "Wigilia Bożego Narodzenia") + entry(0, True, "Nowy Rok") + entry(5, False, "a~b")
      + entry(60, True, "  spacje  "))
