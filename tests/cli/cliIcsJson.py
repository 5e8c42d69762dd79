"""orbel-cli export ics and --json, read by independent parsers.

The .ics goes through icalendar (Debian's python3-icalendar), the JSON
through jsonschema against docs/orbel-cli.schema.json. Expected values come
from the calendar's definition (orlib/README.md): Orithaven day D begins at
Earth 622944000 + 3456 D, a phase is 7 days, the ballista tables of
search/ballista.cpp. Run by ctest with TZ=Asia/Tokyo:
    cliIcsJson.py ORBEL_CLI SCHEMA WORKDIR
"""
import json
import os
import signal
import subprocess
import sys
import unittest
from datetime import datetime, timedelta, timezone

import icalendar
import jsonschema

CLI, SCHEMA, WORK = sys.argv[1:4]
EPOCH, DAY, PHASE = 622944000, 3456, 7 * 3456
PHASES = "新月 繊月 三日月 上弦 十日夜 十三夜 満月 立待月 寝待月 更待月 下弦 有明月".split()
GAME_WEEKDAYS, EARTH_WEEKDAYS = "光炎水風土雷氷闇", "月火水木金土日"
TOKYO = timezone(timedelta(hours=9))
FROM = 1796481665  # 2026-12-05T14:41:05Z, inside 十三夜
DAYS = 28


def cli(*args, check=True):
    r = subprocess.run([CLI, *args], capture_output=True, timeout=60)
    if check and r.returncode != 0:
        raise AssertionError(f"{args}: exit {r.returncode}: {r.stderr.decode()}")
    return r


def moment(unix):
    """Orithaven fields at an Earth second, from the definition."""
    g = 25 * (unix - EPOCH)
    d, s = divmod(g, 86400)
    age = d % 84
    return {"year": d // 360 + 1, "month": d % 360 // 30 + 1, "day": d % 30 + 1,
            "hour": s // 3600, "minute": s // 60 % 60, "second": s % 60,
            "weekday": d % 8, "phase": age // 7, "phaseDay": age % 7 + 1}


def v(unix, game):
    """The span text of a day start: %v of its Orithaven or Earth side."""
    if game:
        m = moment(unix)
        return f"{m['year']}/{m['month']}/{m['day']}（{GAME_WEEKDAYS[m['weekday']]}） 0:00"
    t = datetime.fromtimestamp(unix, TOKYO)
    return f"{t.year}/{t.month}/{t.day}（{EARTH_WEEKDAYS[t.weekday()]}） {t.hour}:{t.minute:02d}"


def match(unix):
    """(summary, venue) of the ballista match on the day starting at unix."""
    m = moment(unix)
    if m["day"] % 2:
        return None
    venue = (m["day"] // 2 - 1) % 3
    cap = ["30", "40", "50", "60", "--"][(m["day"] - 1) // 6]
    pairs = ["ケ vs ミ", "ミ vs タ", "タ vs ケ"]
    pair = pairs[(venue + (m["month"] - 1) // 4) % 3]
    name = "ジパメ"[venue]
    return f"{pair} [{cap}/{name}]", name


class Export(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.paths = [os.path.join(WORK, f"export{i}.ics") for i in (1, 2)]
        for p in cls.paths:
            cli("export", "ics", "--from", f"@{FROM}", "--days", str(DAYS),
                "--ballista", "0", "0", "--output", p)
        cls.raws = []
        for p in cls.paths:
            with open(p, "rb") as f:
                cls.raws.append(f.read())
        cls.raw = cls.raws[0]
        cls.cals = [icalendar.Calendar.from_ical(raw) for raw in cls.raws]
        cls.events = [list(c.walk("VEVENT")) for c in cls.cals]

    def test_lines_are_crlf_folded_at_75_octets_on_character_bounds(self):
        self.assertTrue(self.raw.endswith(b"END:VCALENDAR\r\n"))
        self.assertNotIn(b"\n", self.raw.replace(b"\r\n", b""))
        lines = self.raw.split(b"\r\n")[:-1]
        self.assertTrue(all(len(line) <= 75 for line in lines))
        for line in lines:
            line.decode("utf-8")  # a split character would not decode
        self.assertGreater(sum(line.startswith(b" ") for line in lines), 100)
        self.assertEqual(self.cals[0]["VERSION"], "2.0")
        self.assertIn("orbel", str(self.cals[0]["PRODID"]))

    def test_phases_tile_the_period_with_true_bounds(self):
        phases = [e for e in self.events[0] if str(e["UID"]).startswith("phase-")]
        first = EPOCH + (FROM - EPOCH) // PHASE * PHASE
        until = FROM + DAYS * 86400
        starts = list(range(first, until, PHASE))
        self.assertEqual(len(phases), len(starts))
        for e, start in zip(phases, starts):
            index = (start - EPOCH) // PHASE % 12
            self.assertEqual(str(e["SUMMARY"]), PHASES[index])
            self.assertEqual(str(e["UID"]), f"phase-{index}-{start}@orbel")
            self.assertEqual(e["DTSTART"].dt, datetime.fromtimestamp(start, timezone.utc))
            self.assertEqual(e["DTEND"].dt, datetime.fromtimestamp(start + PHASE, timezone.utc))
            self.assertEqual(str(e["DESCRIPTION"]),
                             f"Orithaven {v(start, True)} → {v(start + PHASE, True)}\n"
                             f"Earth {v(start, False)} → {v(start + PHASE, False)}")
        self.assertLess(starts[0], FROM)  # the span running at FROM, whole

    def test_matches_are_every_match_day_with_venue(self):
        found = [e for e in self.events[0] if str(e["UID"]).startswith("ballista-")]
        first = EPOCH + (FROM - EPOCH) // DAY * DAY
        days = [d for d in range(first, FROM + DAYS * 86400, DAY) if match(d)]
        self.assertEqual([str(e["UID"]) for e in found], [f"ballista-{d}@orbel" for d in days])
        for e, d in zip(found, days):
            self.assertEqual((str(e["SUMMARY"]), str(e["LOCATION"])), match(d))
            self.assertEqual(e["DTEND"].dt - e["DTSTART"].dt, timedelta(seconds=DAY))

    def test_uids_are_stable_across_exports(self):
        uids = [[str(e["UID"]) for e in events] for events in self.events]
        self.assertEqual(uids[0], uids[1])
        self.assertEqual(len(set(uids[0])), len(uids[0]))

    def test_failures_leave_no_file_and_keep_exit_codes(self):
        rows = [  # name, args, exit code
            ("directory", ["--output", WORK], 1),
            ("missing folder", ["--output", os.path.join(WORK, "no", "x.ics")], 1),
            ("no days", ["--days", "0"], 2),
            ("bad phase", ["--phases", "3,12"], 2),
            ("level 6", ["--ballista", "0", "6"], 2),
            ("before epoch", ["--from", "1989-09-27"], 3),
            ("past the end", ["--from", "2099-12-01", "--days", "60"], 3),
        ]
        before = sorted(os.listdir(WORK))
        for name, args, code in rows:
            r = cli("export", "ics", *args, check=False)
            self.assertEqual(r.returncode, code, name)
            self.assertEqual(r.stdout, b"", name)
            self.assertTrue(r.stderr.decode().strip(), name)
        self.assertEqual(sorted(os.listdir(WORK)), before)

    def test_phase_list_selects(self):
        # @SECONDS of ten characters is a TIME, not a date.
        r = cli("export", "ics", "--from", "@999999999", "--days", "1")
        self.assertIn(b"DTSTART:20010909T", r.stdout)
        r = cli("export", "ics", "--from", f"@{FROM}", "--days", "7", "--phases", "0,6")
        cal = icalendar.Calendar.from_ical(r.stdout)
        names = {str(e["SUMMARY"]) for e in cal.walk("VEVENT")}
        self.assertEqual(names, {"新月", "満月"})


class JsonOutput(unittest.TestCase):
    with open(SCHEMA, encoding="utf-8") as f:
        validator = jsonschema.Draft202012Validator(json.load(f))

    def check_moment(self, obj):
        m = moment(obj["earth"]["unix"])
        o = obj["orithaven"]
        for key in ("year", "month", "day", "hour", "minute", "second"):
            self.assertEqual(o[key], m[key], key)
        self.assertEqual((o["weekday"]["index"], o["weekday"]["name"]),
                         (m["weekday"], GAME_WEEKDAYS[m["weekday"]]))
        self.assertEqual((o["phase"]["index"], o["phase"]["name"], o["phase"]["day"]),
                         (m["phase"], PHASES[m["phase"]], m["phaseDay"]))
        iso = datetime.fromisoformat(obj["earth"]["iso"])
        self.assertEqual((iso.timestamp(), iso.utcoffset()),
                         (obj["earth"]["unix"], timedelta(hours=9)))

    def test_every_command_matches_its_text_output(self):
        at = ["--at", f"@{FROM}"]
        rows = [  # args, the JSON's lines in the text's order
            (["now", *at], lambda j: [j["tooltip"], j["orithavenLine"], j["earthLine"]]),
            (["now", *at, "--mode", "2"], lambda j: [j["tooltip"], j["orithavenLine"], j["earthLine"]]),
            (["detail", *at, "--mode", "1"], lambda j: [j["phaseLine"], *j["lines"]]),
            (["search", "lunar", *at, "--phase", "6", "--weekday", "3"],
             lambda j: [*j["heading"], *(r["text"] for r in j["results"])]),
            (["search", "ballista", *at, "--card", "4", "--level", "5", "--count", "9"],
             lambda j: [*j["heading"], *(r["text"] for r in j["results"])]),
            (["search", "today", "--date", "2026-12-24"],
             lambda j: [*j["heading"], *(r["text"] for r in j["results"])]),
        ]
        for args, lines in rows:
            text = cli(*args).stdout.decode()
            out = cli(*args, "--json").stdout.decode()
            self.assertEqual(out.count("\n"), 1, args)
            obj = json.loads(out)
            self.validator.validate(obj)
            self.assertEqual("\n".join(lines(obj)) + "\n", text, args)
            for m in [obj] if "earth" in obj else obj["results"]:
                self.check_moment(m)

    def test_watch_lines_and_a_closed_pipe(self):
        for how in ("close", "sigterm", "sigint"):
            p = subprocess.Popen([CLI, "watch", "--json", "--mode", "2"],
                                 stdout=subprocess.PIPE, stderr=subprocess.PIPE)
            obj = json.loads(p.stdout.readline())
            self.validator.validate(obj)
            self.assertEqual(obj["class"], ["new-moon", "thin-crescent", "crescent",
                                            "first-quarter", "tenth-night", "thirteenth-night",
                                            "full-moon", "standing-moon", "lying-moon",
                                            "late-night-moon", "last-quarter",
                                            "dawn-moon"][PHASES.index(obj["text"].split("<")[1][:-4])])
            if how == "close":
                p.stdout.close()
            else:
                p.send_signal(signal.SIGTERM if how == "sigterm" else signal.SIGINT)
            self.assertEqual(p.wait(timeout=10), 0, how)
            self.assertEqual(p.stderr.read(), b"", how)
            p.stderr.close()
            if not p.stdout.closed:
                p.stdout.close()


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
