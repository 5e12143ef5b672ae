"""Reads an exported file back the way a calendar program or a spreadsheet
does and prints what it found, one line per event or row, for the test to
compare. Exits 1, with the reason on stderr, when the file breaks the rules of
its format.

  read_exports.py ics FILE   UID | SUMMARY | start UTC | end UTC | DESCRIPTION
  read_exports.py csv FILE   the fields of each row joined by |
"""
import csv
import io
import sys
from datetime import timezone


def fail(why):
    print(why, file=sys.stderr)
    sys.exit(1)


def read_ics(raw):
    import icalendar
    import pytz

    if not raw.endswith(b"\r\n") or b"\n" in raw.replace(b"\r\n", b""):
        fail("a line does not end in CRLF")
    for line in raw.split(b"\r\n")[:-1]:
        if len(line) > 75:
            fail("a line longer than 75 octets: %r" % line)
        try:
            line.decode("utf-8")
        except UnicodeDecodeError:
            fail("a line folded inside a character: %r" % line)
    calendar = icalendar.Calendar.from_ical(raw)
    zones = {str(zone["TZID"]): zone for zone in calendar.walk("VTIMEZONE")}
    if "Europe/Warsaw" not in zones:
        fail("no VTIMEZONE for Europe/Warsaw")
    # Local times are turned into instants with the file's own VTIMEZONE,
    # which must agree with the time zone database.
    warsaw = zones["Europe/Warsaw"].to_tz()
    database = pytz.timezone("Europe/Warsaw")
    for event in calendar.walk("VEVENT"):
        if "DTSTAMP" not in event:
            fail("an event without DTSTAMP")
        fields = [str(event["UID"]), str(event["SUMMARY"])]
        for name in ("DTSTART", "DTEND"):
            if event[name].params.get("TZID") != "Europe/Warsaw":
                fail(name + " not in Europe/Warsaw")
            local = event[name].dt.replace(tzinfo=None)
            instant = warsaw.localize(local).astimezone(timezone.utc)
            if instant != database.localize(local).astimezone(timezone.utc):
                fail("the VTIMEZONE disagrees with the time zone database at %s" % local)
            fields.append(instant.strftime("%Y-%m-%dT%H:%MZ"))
        fields.append(str(event["DESCRIPTION"]).replace("\n", " / "))
        print(" | ".join(fields))


def read_csv(raw):
    if not raw.startswith(b"\xef\xbb\xbf"):
        fail("no byte-order mark")
    for row in csv.reader(io.StringIO(raw.decode("utf-8-sig"), newline=""), delimiter=";", strict=True):
        print("|".join(row))


with open(sys.argv[2], "rb") as exported:
    {"ics": read_ics, "csv": read_csv}[sys.argv[1]](exported.read())
