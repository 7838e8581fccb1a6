#!/usr/bin/env python3
"""End-to-end fault test while Velkin is busy: the real Velkin.exe under Wine, closed while an
archiver runs or a drop of 100,000 items is taken in, two Velkins sharing one program folder,
and lists of 100,000 rows. Each time: the program keeps working, says what went wrong, and
loses nothing silently. faults_test.py meets the same world while Velkin is idle.

Run under scripts/with-wine-session.sh (a private X display and Wine prefix):
  busy_test.py --velkin Velkin.exe --driver velkin_driver.exe --standin StandInArchiver.exe
               --fault-archiver velkin_fault_archiver.exe --artifacts DIR --build DIR
               [--only NAME ...]
"""

import os
import sys

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import velkin_texts as T  # noqa: E402
import xdnd  # noqa: E402
from fault_suite import (ARCHIVER, BIG_TIMEOUT_MS, DELETE_SUFFIX, NO_INCR_BELOW,  # noqa: E402
                         FaultSuite)
from velkin_e2e import (DriverError, StandinLog, each_alone, list_as_read,  # noqa: E402
                        list_expected, make_file, run_suite, wait_until, windows_path)

BIG_DROP = 100_000
THIRD = 30_000


class BusyTest(FaultSuite):
    def plans(self):
        # Each scenario starts its own Velkins; one failing does not stop the others.
        return each_alone(self.close_while_running, self.close_before_a_failing_group,
                          self.two_velkins_one_folder, self.big_lists)

    def close_while_running(self):
        name = "closing"
        folder = os.path.join(self.work, name)
        archiver = self.s.fault_archiver_copy(folder)
        log = StandinLog(os.path.join(self.work, "closing-standin.jsonl"))
        # Seeded without the column widths: only a save writes them.
        self.start_in(folder, {"WinRARPath": windows_path(archiver), "ClearEnd": 0},
                      {"VELKIN_STANDIN_LOG": windows_path(log.path)})
        data = os.path.join(self.work, "data", "closing")
        # The first group's archive waits until the test lets it go on.
        groups = [[make_file(os.path.join(data, "hold1.txt"), "c1\n")],
                  [make_file(os.path.join(data, "d1.txt"), "d1\n"),
                   make_file(os.path.join(data, "d2.txt"), "d2\n")]]
        self.drop_rows(groups[0], 1)
        self.drop_rows(groups[1], 3)
        label = "WM_CLOSE while the archiver runs"
        self.s.start_confirmed(label)
        seen = wait_until(lambda: (self.s.statuses(), self.s.main_now()["enabled"]),
                          lambda look: look[0][0] == T.RUNNING, timeout_s=30)
        self.report.equal(f"{label}: group 0 runs and the window is disabled", seen,
                          ([T.RUNNING, "", ""], False))
        self.driver.one("post-close", "--hwnd", self.main["hwnd"])
        self.driver.sync(self.main["hwnd"])
        self.report.check(f"{label}: the window answers and stays while the group runs",
                          self.velkin.running() and self.s.main_now() is not None)
        self.release_held_archiver()
        self.s.expect_exit(f"{label}: the running group ends, no further one starts, no closing "
                           "box, and the close happens")
        self.report.equal(f"{label}: only the running group's archiver ran",
                          [r["archivePath"] for r in log.runs()],
                          [windows_path(os.path.join(data, "hold1.rar"))])
        self.check_all_keys_saved(f"{label}: the settings file was written at the close")

    def close_before_a_failing_group(self):
        """A close asked for while a run's error box shows (its list file cannot be created)
        waits: the box stays until it is answered, and then the close happens."""
        name = "closing-failing"
        folder = os.path.join(self.work, name)
        standin = self.s.standin_copy(folder)
        self.start_in(folder, {"WinRARPath": windows_path(standin), "ClearEnd": 0}, {})
        data = os.path.join(self.work, "data", name)
        self.drop_rows([make_file(os.path.join(data, "e1.txt"), "e1\n")], 1)
        label = "WM_CLOSE while the list file's error box shows"
        list_file = self.velkin.list_file()
        os.mkdir(list_file)
        try:
            self.s.start_confirmed(label)
            box = self.driver.dialog(T.TITLE, pid=self.main["pid"])
            self.report.equal(f"{label}: the error box", (self.box_texts(box)[-1:], box["buttons"]),
                              ([T.list_file_error(windows_path(folder))], [T.OK]))
            self.driver.one("post-close", "--hwnd", self.main["hwnd"])
            # Once commands posted after the close are handled, so was the close.
            self.s.after_posted_commands()
            self.report.check(f"{label}: the box is still there after the waiting close",
                              box["hwnd"] in [b["hwnd"] for b in self.s.boxes()])
            self.driver.click(box["hwnd"], T.OK)
            self.s.expect_exit(f"{label}: after OK the close happens")
        finally:
            os.rmdir(list_file)
        self.check_all_keys_saved(f"{label}: the settings file was written at the close")

    def two_velkins_one_folder(self):
        """Two Velkins started from one folder share its list file. While the first one's
        archiver runs (and reads its list late), the second one's run must not overwrite that
        list: it meets the error for its group, and the first archive gets only its own files."""
        name = "shared"
        folder = os.path.join(self.work, name)
        standin = self.s.standin_copy(folder)
        log = StandinLog(os.path.join(self.work, name + "-standin.jsonl"))
        gate = os.path.join(self.work, name + ".go")
        env = {"VELKIN_STANDIN_LOG": windows_path(log.path),
               "VELKIN_STANDIN_WAIT_FOR": windows_path(gate)}
        data = os.path.join(self.work, "data", name)
        mine = make_file(os.path.join(data, "first", "mine.txt"), "mine\n")
        theirs = make_file(os.path.join(data, "second", "theirs.txt"), "theirs\n")
        label = "two Velkins in one folder"

        self.start_in(folder, {"WinRARPath": windows_path(standin), "ClearEnd": 0, "MainX": 0,
                               "MainY": 0, "MainW": 600, "MainH": 400}, env)
        first = self.velkin
        self.drop_rows([mine], 1)
        self.s.start_confirmed(f"{label}, the first")
        self.report.equal(f"{label}: the first one's archiver runs, its list not read yet",
                          wait_until(self.s.statuses, lambda s: s == [T.RUNNING]), [T.RUNNING])

        # The second one reads the same settings and stands on the same place: moved aside, so
        # that the drop finds it.
        self.start_in(folder, None, env)
        self.driver.one("move", "--hwnd", self.main["hwnd"], "--rect", "640,0,600,400")
        xdnd.drop([theirs], x=940, y=250, build_dir=self.args.build, types=["text/uri-list"],
                  incr_threshold=NO_INCR_BELOW)
        self.report.equal(f"{label}: the second one takes its drop",
                          wait_until(self.s.row_count, lambda n: n == 1), 1)
        self.s.start_confirmed(f"{label}, the second")
        shown = wait_until(lambda: (self.s.boxes(), self.s.statuses()),
                           lambda look: look[0] or look[1] != [""])
        self.report.check(f"{label}: the second one's run meets the list file held",
                          bool(shown[0]), f"statuses {shown[1]}")
        if shown[0]:
            box = self.driver.dialog(T.TITLE, pid=self.main["pid"])
            self.report.equal(f"{label}: the second one's error box",
                              (self.box_texts(box)[-1:], box["buttons"]),
                              ([T.list_file_error(windows_path(folder))], [T.OK]))
            self.report.equal(f"{label}: the second one's row keeps its status", self.s.statuses(),
                              [""])
            self.answer(box, T.OK)

        make_file(gate)
        self.s.velkin, self.s.main = first, first.main
        self.answer(self.s.run_end_box(label), T.OK)
        runs = log.runs()
        self.report.equal(f"{label}: one archiver run, with the first one's list",
                          [(run["archivePath"], list_as_read(run)) for run in runs],
                          [(windows_path(os.path.join(data, "first", "mine.rar")),
                            list_expected([mine]))])
        self.s.check_archive(label, os.path.join(data, "first", "mine.rar"), [mine])
        with open(first.list_file(), "rb") as f:
            self.report.equal(f"{label}: Velkin.lst is where it was, with the first one's bytes",
                              f.read(), (windows_path(mine) + "\r\n").encode("ascii"))

    # Big lists.

    def count_until(self, total, timeout_ms=BIG_TIMEOUT_MS):
        """Waits (bounded) until the list has `total` rows; the count then."""
        self.driver.run("row-count", "--hwnd", self.main["hwnd"], "--until", total,
                        "--timeout-ms", timeout_ms, timeout_ms=timeout_ms)
        self.driver.sync(self.main["hwnd"], timeout_ms=BIG_TIMEOUT_MS)
        return self.s.row_count()

    def sampled(self, label, expected, columns, step):
        """Every step-th row (and the last) against the expected rows, given columns only."""
        got = self.driver.rows(self.main["hwnd"], columns=columns, step=step,
                               timeout_ms=BIG_TIMEOUT_MS)["rows"]
        got.append(self.driver.rows(self.main["hwnd"], first=len(expected) - 1,
                                    columns=columns)["rows"][-1])
        want = [[row[c] for c in columns] for row in expected[::step]]
        want.append([expected[-1][c] for c in columns])
        bad = [(i * step, g, w) for i, (g, w) in enumerate(zip(got, want)) if g != w]
        self.report.check(f"{label}: every {step}th row and the last: "
                          + ", ".join(["number", "profile", "name", "path", "destination",
                                       "status"][c] for c in columns),
                          len(got) == len(want) and not bad,
                          f"{len(got)} rows read, {len(want)} expected; first differences "
                          f"{bad[:3]}")

    def big_lists(self):
        name = "big"
        folder = os.path.join(self.work, name)
        os.makedirs(folder)
        # Seeded with WinRARPath only: only a save writes the rest.
        self.start_in(folder, {"WinRARPath": ARCHIVER}, {})
        # The files need not exist for a drop; these do not.
        big_folder = os.path.join(self.work, "nothing here", "big")
        big = [os.path.join(big_folder, f"f{i:06d}.dat") for i in range(BIG_DROP)]

        def rows_of(number, paths):
            destination = windows_path(os.path.dirname(paths[0])) + "\\" + \
                os.path.splitext(os.path.basename(paths[0]))[0] + ".rar"
            return [[str(number), "1", os.path.basename(p), windows_path(p), destination, ""]
                    for p in paths]

        label = f"a drop of {BIG_DROP:,} items"
        self.drop(big, timeout_ms=BIG_TIMEOUT_MS)
        self.report.equal(f"{label}: all rows arrive, exactly", self.count_until(BIG_DROP),
                          BIG_DROP)
        expected = rows_of(0, big)
        self.sampled(label, expected, [0, 1, 2, 3, 4], 997)
        self.report.equal(f"{label}: the first and last rows whole",
                          [self.driver.rows(self.main["hwnd"], first=i, count=1)["rows"][0]
                           for i in (0, BIG_DROP - 1)], [expected[0], expected[-1]])
        shot = self.s.artifact("faults-big-list.png")
        self.report.check(f"screenshot of the big list: {shot}",
                          self.s.screenshot("faults-big-list.png"))

        self.s.clear_list(f"clearing {BIG_DROP:,} rows")

        label = f"three drops of {THIRD:,}, the middle one deleted"
        thirds = []
        for number, part in enumerate("pqr"):
            part_folder = os.path.join(self.work, "nothing here", part)
            paths = [os.path.join(part_folder, f"{part}{i:05d}.dat") for i in range(THIRD)]
            thirds.append(paths)
            self.drop(paths, timeout_ms=BIG_TIMEOUT_MS)
            self.count_until(THIRD * (number + 1))
        expected = rows_of(0, thirds[0]) + rows_of(1, thirds[1]) + rows_of(2, thirds[2])
        self.report.equal(f"{label}: {3 * THIRD:,} rows", self.s.row_count(), 3 * THIRD)
        self.report.equal(f"{label}: numbers at the seams",
                          [r[0] for r in self.driver.rows(self.main["hwnd"], first=THIRD - 1,
                                                          count=THIRD + 2, step=THIRD,
                                                          columns=[0])["rows"]]
                          + [r[0] for r in self.driver.rows(self.main["hwnd"], first=THIRD,
                                                            count=THIRD + 1, step=THIRD,
                                                            columns=[0])["rows"]],
                          ["0", "1", "1", "2"])
        selected = self.driver.one("select-row", "--hwnd", self.main["hwnd"], "--row",
                                   THIRD + THIRD // 2)["selected"]
        self.report.equal(f"{label}: a row of the middle group selected", selected,
                          THIRD + THIRD // 2)
        self.driver.keys("delete", hwnd=self.main["hwnd"])
        box = self.driver.dialog(T.CONFIRM, pid=self.main["pid"])
        self.report.equal(f"{label}: Delete asks about group 1", self.box_texts(box),
                          ["1" + DELETE_SUFFIX])
        self.answer(box, T.YES)
        self.report.equal(f"{label}: {2 * THIRD:,} rows left", self.s.row_count(), 2 * THIRD)
        expected = rows_of(0, thirds[0]) + rows_of(1, thirds[2])
        self.sampled(label + ": renumbered", expected, [0, 3], 499)
        self.report.equal(f"{label}: the rows at the seam, whole",
                          self.driver.rows(self.main["hwnd"], first=THIRD - 1, count=2)["rows"],
                          expected[THIRD - 1:THIRD + 1])

        # A close while another 100,000 items are being taken in: Velkin finishes the drop,
        # then closes. The intake itself takes a fraction of a second, so the close is posted
        # from inside the driver the moment the first new rows show, and again each time the
        # window answers until all rows are in; a watcher records the counts it answers with.
        label = f"closing during a drop of {BIG_DROP:,}"
        before = 2 * THIRD
        total = before + BIG_DROP

        watcher = self.s.helper(0)
        closer = self.s.helper(1)
        watcher.begin("row-count", "--hwnd", self.main["hwnd"], "--until", total,
                      "--timeout-ms", BIG_TIMEOUT_MS, timeout_ms=BIG_TIMEOUT_MS)
        first = watcher.next_result()
        if first is None:
            watcher.finish()
            raise DriverError("the row-count watcher ended without a count")
        closer.begin("post-close", "--hwnd", self.main["hwnd"], "--after-rows", before,
                     "--until", total, "--timeout-ms", BIG_TIMEOUT_MS, timeout_ms=BIG_TIMEOUT_MS)
        late = [os.path.join(big_folder, f"g{i:06d}.dat") for i in range(BIG_DROP)]
        self.drop(late, timeout_ms=BIG_TIMEOUT_MS)

        def outcome(driver):
            try:
                return driver.finish(), ""
            except DriverError as error:
                return [], str(error)

        posted, posted_err = outcome(closer)
        posted = posted[0] if posted else {}
        watched, err = outcome(watcher)
        counts = [(value["row_count"], value["time_100ns"]) for value in [first] + watched]
        later = [c for c, t in counts if t > posted.get("time_100ns", 0)]
        print(f"note: {label}: the close was posted first at {posted.get('row_count')} rows, "
              f"{posted.get('posts')} times in all, the last answer {posted.get('last_row_count')};"
              f" counts the watcher saw after the first post: {later}", flush=True)
        self.report.check(f"{label}: the close was posted while rows were still arriving",
                          before < posted.get("row_count", -1) < total,
                          f"post-close: {posted_err[-300:]} {posted}")
        # One answer of the window with every row, after the close was posted, shows that it
        # stayed: to the watcher, or to the closer, which asks until it sees them all. The
        # window closes right after its last row, and on a loaded machine the watcher alone was
        # once not asking at that moment.
        self.report.check(f"{label}: the window stayed until all {total:,} rows were in",
                          (not err and counts[-1][0] == total and bool(later))
                          or posted.get("last_row_count") == total,
                          f"watcher: {err[-300:]}; last counts {counts[-3:]}; post-close: {posted}")
        self.s.expect_exit(f"{label}: then", timeout_ms=BIG_TIMEOUT_MS)
        self.check_all_keys_saved(f"{label}: the settings file was written")


if __name__ == "__main__":
    sys.exit(run_suite("busy", __doc__.splitlines()[0], BusyTest,
                       options=[("--fault-archiver", "velkin_fault_archiver.exe")]))
