#!/usr/bin/env python3
"""Figures that need whole processes: instructions per iteration under callgrind, wall
time against Lua 5.4 and LuaJIT's interpreter, the editor showing a long report, and
the runner's peak memory against the size of its report.

    run_figures.py BUILD-DIR

Every ratio is measured in this run. Instruction counts come from callgrind and do not
depend on how busy the machine is; the difference between 2,000,000 and 1,000,000
iterations, divided by 1,000,000, leaves out start-up and parsing.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

build = sys.argv[1] if len(sys.argv) > 1 else "build"
runner = os.path.join(build, "cli", "tavimore-run")
editor = os.path.join(build, "bench", "tavimore-bench-editor")
work = tempfile.mkdtemp(prefix="tavimore-bench-")


def loop_script(iterations):
    path = os.path.join(work, "loop-%d.tvm" % iterations)
    with open(path, "wb") as f:
        f.write(b"MOV REG1 0\r\nL'LOOP\r\nINC REG1\r\nIFJ REG1 < D'%d L'LOOP\r\n" % iterations)
    return path


def lua_loop(iterations):
    return "local r1 = 0 while r1 < %d do r1 = r1 + 1 end" % iterations


def commands(iterations):
    """The counting loop in each language that is installed, by name."""
    found = {"tavimore": [runner, loop_script(iterations)]}
    if shutil.which("lua5.4"):
        found["lua5.4"] = ["lua5.4", "-e", lua_loop(iterations)]
    if shutil.which("luajit"):
        found["luajit -joff"] = ["luajit", "-joff", "-e", lua_loop(iterations)]
    return found


def run(command, stdout=subprocess.DEVNULL, user=None):
    """Runs a command; returns (wall seconds, cpu seconds, peak KiB). The user part of
    the cpu time is appended to the list `user` when one is given."""
    start = time.monotonic()
    process = subprocess.Popen(command, stdout=stdout, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(process.pid, 0)
    wall = time.monotonic() - start
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit("failed: %s" % " ".join(command))
    if user is not None:
        user.append(usage.ru_utime)
    return wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss


def instructions(command):
    out = subprocess.run(["valgrind", "--tool=callgrind", "--callgrind-out-file=/dev/null"]
                         + command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                         text=True, check=True).stderr
    return int(re.search(r"Collected : (\d+)", out).group(1))


print("Whole-process figures (ratios measured in this run)\n")

# 1. Instructions per iteration.
if shutil.which("valgrind"):
    print("5. counting loop, machine instructions per iteration (callgrind, 2M - 1M)")
    one, two = commands(1000000), commands(2000000)
    per = {}
    for name in one:
        per[name] = (instructions(two[name]) - instructions(one[name])) / 1e6
        print("   %-13s %6.1f" % (name, per[name]))
    if "lua5.4" in per:
        print("   tavimore / lua5.4       %.2f   (target: at most 1.00)" % (per["tavimore"] / per["lua5.4"]))
    if "luajit -joff" in per:
        print("   tavimore / luajit -joff %.2f   (stretch: at most 1.00)" % (per["tavimore"] / per["luajit -joff"]))
else:
    print("5. valgrind not installed: no instruction counts")

# 2. Wall-time speed, best of three whole processes of 10,000,000 iterations.
print("\n6. counting loop, 10,000,000 iterations, wall time (best of 3)")
best = {}
for name, command in commands(10000000).items():
    best[name] = min(run(command)[0] for _ in range(3))
    print("   %-13s %7.3f s" % (name, best[name]))
for other in ("lua5.4", "luajit -joff"):
    if other in best:
        print("   tavimore / %-12s speed %.2f" % (other, best[other] / best["tavimore"]))

# 3. The editor showing the report of 400,000 statements at debug level 100.
if os.path.exists(editor):
    iterations = 200000
    runner_cpu = min(run([runner, "--debug-level", "100", loop_script(iterations)])[1]
                     for _ in range(3))
    def editor_fields(iterations):
        out = subprocess.run([editor, str(iterations)], stdout=subprocess.PIPE,
                             stderr=subprocess.DEVNULL, text=True, check=True,
                             env=dict(os.environ, QT_QPA_PLATFORM="offscreen")).stdout
        return dict(zip(out.split()[0::2], out.split()[1::2]))
    fields = editor_fields(iterations)
    double = editor_fields(2 * iterations)
    cpu, report = float(fields["cpu"]), int(fields["report"])
    peak, idle = int(fields["peak"]) * 1024, int(fields["idle"]) * 1024
    print("\n7. the editor showing the report of %d statements at debug level 100"
          % (2 * iterations))
    print("   report %.1f MB, %s lines" % (report / 1e6, fields["lines"]))
    print("   editor cpu %.3f s, tavimore-run cpu %.3f s, editor/run %.1f   (target: at most 4)"
          % (cpu, runner_cpu, cpu / runner_cpu))
    print("   editor peak memory %.0f MB, %.1f x the report   (target: under 6)"
          % (peak / 1e6, peak / report))
    print("   of which the run added %.0f MB, %.1f x the report (idle editor %.0f MB)"
          % ((peak - idle) / 1e6, (peak - idle) / report, idle / 1e6))
    print("   twice the report: editor cpu %.2f x, memory added %.2f x   (linear: about 2)"
          % (float(double["cpu"]) / cpu,
             (int(double["peak"]) - int(double["idle"])) / (int(fields["peak"]) - int(fields["idle"]))))
    if "check_cpu" in fields:
        print("   diagnostics over the whole text %.3f s cpu, %.0f%% of the editor's run"
              " (typing checks texts up to 100,000 lines only)"
              % (float(fields["check_cpu"]), 100 * float(fields["check_cpu"]) / cpu))
    if "editable_cpu" in fields:
        print("   the first edit of it (the output written into the text widget) %.2f s cpu"
              % float(fields["editable_cpu"]))
else:
    print("\n7. the editor is not built: no editor figure")

# 4. The runner's peak memory against its report, and the report's growth.
print("\n8. tavimore-run at debug level 100: peak memory against the report")
times, user_times = {}, {}
for statements in (1000000, 10000000):
    user = []
    out_path = os.path.join(work, "report.txt")
    # Best of three: one run of the short case is a fraction of a second, which the
    # machine's load moves by more than the margin of the ratio.
    cpu, peak = float("inf"), 0
    for _ in range(3):
        with open(out_path, "wb") as out:
            _, one_cpu, peak = run([runner, "--debug-level", "100",
                                    loop_script(statements // 2)], out, user)
        cpu = min(cpu, one_cpu)
    size = os.path.getsize(out_path)
    os.remove(out_path)
    times[statements] = cpu
    user_times[statements] = min(user)
    print("   %2dM statements: report %.0f MB, peak %.0f MB, peak/report %.2f, cpu %.2f s"
          "   (target: under 2)" % (statements // 1000000, size / 1e6, peak * 1024 / 1e6,
                                   peak * 1024 / size, cpu))
# The system part (page faults of a 400 MB process, writing the 268 MB report) moves
# with the machine's memory and page cache far more than the program's own part.
print("   cpu 10M/1M %.1f, of the program's own (user) time %.1f   (target: at most 11)"
      % (times[10000000] / times[1000000], user_times[10000000] / user_times[1000000]))
shutil.rmtree(work)
