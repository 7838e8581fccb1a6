#!/usr/bin/env python3
"""End-to-end test of a long queue: a run the user stops in the archiver, a close during a run,
a Velkin killed outright, and the queue file that carries what was left to the next start (also
when that file was cut short).

The archiver is the fault archiver: an archive named "exit255..." ends its run as a user's
stop does, one named "hold..." waits until the test lets it go on.

Run under scripts/with-wine-session.sh (a private X display and Wine prefix):
  queue_test.py --velkin Velkin.exe --driver velkin_driver.exe --standin StandInArchiver.exe
                --fault-archiver velkin_fault_archiver.exe --artifacts DIR --build DIR
"""

import glob
import os
import sys

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import velkin_texts as T  # noqa: E402
from velkin_e2e import (Suite, DriverError, StandinLog, make_file, run_suite,  # noqa: E402
                        wait_until, windows_path)



class QueueTest(Suite):
    def __init__(self, session):
        super().__init__(session)
        self.files = os.path.join(session.work, "files")
        self.log = None

    def plans(self):
        return [
            ("a user break", [self.user_break]),
            ("a close during a run", [self.close_during_run, self.next_start_after_close]),
            ("a killed Velkin", [self.killed_with_a_cut_file, self.killed_after_two_drops,
                                 self.killed_after_a_group]),
        ]

    # Helpers.

    def start(self, name, **options):
        """Velkin in the program folder `name` with the fault archiver (started anew there
        when the folder exists)."""
        folder = os.path.join(self.s.work, name)
        archiver = os.path.join(folder, "FaultArchiver.exe")
        settings = None
        if not os.path.exists(archiver):
            self.s.fault_archiver_copy(folder)
            settings = {"WinRARPath": windows_path(archiver), "MainW": 1100, "Column3": 300,
                        "Column4": 300}
        self.log = StandinLog(os.path.join(self.s.work, name + "-standin.jsonl"))
        return self.s.start(folder=folder, settings=settings,
                            env={"VELKIN_STANDIN_LOG": windows_path(self.log.path)}, **options)

    def drop_groups(self, names):
        """One drop per name, each a file of its own; returns the rows they make."""
        rows = []
        for name in names:
            path = make_file(os.path.join(self.files, name), name)
            stem = windows_path(path)
            rows.append([str(len(rows)), "1", name, stem, stem[:stem.rfind(".")] + ".rar", ""])
            self.s.drop([path], rows=len(rows))
        # The last drop is whole, in the list and in its queue, once the window has answered.
        self.driver.sync(self.s.main["hwnd"])
        self.report.equal(f"{len(names)} groups dropped", self.s.rows(), rows)
        return rows

    def runs(self):
        return [run["archivePath"].rsplit("\\", 1)[-1] for run in self.log.runs()]

    def queue_files(self):
        return glob.glob(os.path.join(self.s.velkin.folder, "Velkin.*.queue"))

    def restore_box(self, label, groups, rows):
        box = self.s.box()
        self.report.equal(f"{label}: the next start offers what was left",
                          (box["caption"], box["texts"], box["plain_buttons"]),
                          (T.TITLE, [T.restore_question(groups, rows)], ["はい", "いいえ"]))
        return box

    def asks_nothing(self, label):
        # The offer comes before the window takes its first message: once a posted command is
        # handled, it would be showing.
        self.s.after_posted_commands()
        self.report.equal(f"{label}: the next start asks nothing and shows no row",
                          (self.s.boxes(), self.s.row_count()), ([], 0))

    def renumbered(self, rows):
        return [[str(n)] + row[1:5] + [""] for n, row in enumerate(rows)]

    def kill(self):
        velkin = self.s.velkin
        velkin.kill()
        self.report.check("the Velkin is gone", not velkin.running())

    # Scenarios.

    def user_break(self):
        label = "a user break in the first of three groups"
        self.start("break")
        rows = self.drop_groups(["exit255a.txt", "b.txt", "c.txt"])
        self.s.start_confirmed(label)
        box = self.s.box(T.TITLE)
        self.report.equal(f"{label}: the box asks", (box["texts"], box["plain_buttons"]),
                          ([T.go_on_question(2)], ["はい", "いいえ"]))
        self.s.answer(box, T.NO)
        self.report.equal(f"{label}: No leaves the three groups, numbered 0 to 2, the broken one "
                          "with its status, and no closing box",
                          (self.s.rows(), self.s.boxes()),
                          ([rows[0][:5] + [T.STATUS_AFTER_EXIT[255]]] + rows[1:], []))
        self.report.equal(f"{label}: no archiver started after it", self.runs(),
                          ["exit255a.rar"])
        self.s.start_confirmed(label)
        self.s.answer(self.s.box(T.TITLE), T.YES)
        self.s.answer(self.s.run_end_box(label), T.OK)
        self.report.equal(f"{label}: Yes runs the other two", self.runs(),
                          ["exit255a.rar", "exit255a.rar", "b.rar", "c.rar"])

    def close_during_run(self):
        label = "a close during the first of three groups"
        self.start("closed")
        self.left = self.drop_groups(["hold1.txt", "d.txt", "e.txt"])[1:]
        self.s.start_confirmed(label)
        wait_until(self.s.statuses, lambda shown: shown[0] == T.RUNNING)
        self.driver.one("post-close", "--hwnd", self.s.main["hwnd"])
        self.s.after_posted_commands()  # the close was posted before them
        self.release_held_archiver()
        self.s.expect_exit(f"{label}: the group ends, then Velkin")
        self.report.equal(f"{label}: no further archiver started", self.runs(), ["hold1.rar"])

    def next_start_after_close(self):
        label = "the start after a close during a run"
        self.start("closed")
        self.s.answer(self.restore_box(label, 2, 2), T.YES)
        self.report.equal(f"{label}: Yes puts back the two groups that did not run, exactly",
                          self.s.rows(), self.renumbered(self.left))
        self.s.start_confirmed(label)
        self.s.answer(self.s.run_end_box(label), T.OK)
        self.report.equal(f"{label}: Start runs exactly those", self.runs(),
                          ["hold1.rar", "d.rar", "e.rar"])
        self.driver.close(self.s.main["hwnd"])
        self.s.expect_exit(f"{label}: an ordinary close with rows in the list")
        self.start("closed")
        self.asks_nothing(label)

    def killed_with_a_cut_file(self):
        label = "a killed Velkin whose queue file was cut short"
        self.start("killed")
        self.drop_groups(["f.txt", "g.txt"])
        self.kill()
        files = self.queue_files()
        self.report.equal(f"{label}: one queue file", len(files), 1)
        with open(files[0], "r+b") as queue:
            queue.truncate(os.path.getsize(files[0]) - 3)  # into the second drop's end
        self.start("killed")
        # One group of one row: the second drop's end was cut, so none of its rows comes back.
        self.s.answer(self.restore_box(label, 1, 1), T.NO)
        self.report.equal(f"{label}: No takes the queue file away", self.queue_files(), [])
        self.kill()

    def killed_after_two_drops(self):
        label = "a Velkin killed after two drops"
        self.start("killed")
        self.asks_nothing(label)
        self.rows = self.drop_groups(["f.txt", "hold2.txt"])
        self.kill()
        self.start("killed")
        self.s.answer(self.restore_box(label, 2, 2), T.YES)
        self.report.equal(f"{label}: Yes puts both back exactly", self.s.rows(), self.rows)

    def killed_after_a_group(self):
        label = "a Velkin killed after the first of two groups"
        self.s.start_confirmed(label)
        shown = wait_until(self.s.statuses, lambda statuses: statuses == [T.DONE, T.RUNNING])
        if shown != [T.DONE, T.RUNNING]:
            raise DriverError(f"{label}: the run did not reach its second group: {shown}")
        # Its archiver, if it had started, waits on the gate for a bounded time: nobody sets it.
        self.kill()
        self.start("killed")
        self.s.answer(self.restore_box(label, 1, 1), T.YES)
        self.report.equal(f"{label}: only the second group comes back, numbered 0",
                          self.s.rows(), self.renumbered(self.rows[1:]))
        self.s.clear_list(label)
        self.driver.close(self.s.main["hwnd"])
        self.s.expect_exit(label)
        self.report.equal(f"{label}: an ordinary close leaves no queue file", self.queue_files(),
                          [])


if __name__ == "__main__":
    sys.exit(run_suite("queue", __doc__.splitlines()[0], QueueTest,
                       options=[("--fault-archiver", "velkin_fault_archiver.exe")]))
