#!/usr/bin/env python3
"""Runs one command and prints its wall time and CPU time (user + system) in
seconds and its peak resident memory in KiB: "WALL CPU RSS".

    bench/run_timed.py COMMAND [ARG...]

The times come from the child's own resource usage (microseconds), so a
short run is measured more finely than /usr/bin/time's hundredths. The
command's output is discarded; a failing command prints its error output and
exits with its status.
"""
import os
import subprocess
import sys
import tempfile
import time


def main() -> int:
    if len(sys.argv) < 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    with open(os.devnull, "wb") as null, tempfile.TemporaryFile() as errors:
        start = time.perf_counter()
        child = subprocess.Popen(sys.argv[1:], stdout=null, stderr=errors)
        _, status, usage = os.wait4(child.pid, 0)
        wall = time.perf_counter() - start
        errors.seek(0)
        error_text = errors.read()
    code = os.waitstatus_to_exitcode(status)
    if code != 0:
        sys.stderr.buffer.write(error_text)
        print(f"failed ({code}): {' '.join(sys.argv[1:])}", file=sys.stderr)
        return code if code > 0 else 1
    print(f"{wall:.4f} {usage.ru_utime + usage.ru_stime:.4f} {usage.ru_maxrss}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
