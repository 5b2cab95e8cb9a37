#!/usr/bin/env python3
"""Damaged-file campaign: zentrova-cli on mutated media files.

Clips are made by zentrova-cli itself (its demo clip, converted into several
containers), then damaged (truncated, bytes flipped, blocks zeroed, repeated
or cut out, garbage inserted) and handed to the sanitizer build of
zentrova-cli, once to convert and once for --info. Counted:
  crashes        a signal, or a sanitizer report on stderr
  hangs          no exit within the time limit
  inputs changed the damaged file's bytes differ after the run
  empty outputs  an output of 0 bytes left behind
  files left     a temporary output ("out.mp4.part"...) left behind
Any of these fails the campaign (exit 1); the offending files are kept in
the work folder and listed.

    tests/damaged_files/campaign.py --cli build/ci/cli/zentrova-cli --seconds 45
    tests/damaged_files/campaign.py --cli ... --seconds 3600 --seed 7 --keep /tmp/campaign
"""
import argparse
import hashlib
import json
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time

# Containers the seed clips are converted into: (extension, output options).
SEED_FORMATS = [
    ("mp4", "-t 1 -c:v libx264 -c:a aac"),
    ("mkv", "-t 1 -c:v libx264 -c:a libvorbis"),
    ("avi", "-t 1 -c:v mpeg4 -c:a libmp3lame"),
    ("ts", "-t 1 -c:v mpeg2video -c:a mp2"),
    ("flv", "-t 1 -c:v flv -c:a libmp3lame"),
    ("webm", "-t 1 -c:v libvpx -c:a libvorbis"),
    ("wav", "-t 1 -vn -c:a pcm_s16le"),
    ("mp3", "-t 1 -vn -c:a libmp3lame"),
]
SANITIZER_MARKS = ("ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:", "SUMMARY: UndefinedBehaviorSanitizer")


def sanitizer_environment():
    env = dict(os.environ)
    env.setdefault("ASAN_OPTIONS", "detect_leaks=1:abort_on_error=0")
    supp = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "lsan.supp")
    env.setdefault("LSAN_OPTIONS", f"suppressions={os.path.abspath(supp)}:print_suppressions=0")
    env.setdefault("UBSAN_OPTIONS", "print_stacktrace=1:halt_on_error=1")
    return env


def make_seeds(cli, folder, env):
    demo = subprocess.run([cli, "--demo", "--json"], capture_output=True, text=True, env=env, timeout=300)
    clip = None
    for line in demo.stdout.splitlines():
        event = json.loads(line)
        if event.get("event") == "end":
            clip = os.path.join(os.path.dirname(event["output"]), "sample.mp4")
    if demo.returncode != 0 or not clip or not os.path.exists(clip):
        sys.exit(f"campaign: the demo clip could not be made:\n{demo.stderr}")
    seeds = []
    for extension, options in SEED_FORMATS:
        target = os.path.join(folder, f"seed.{extension}")
        run = subprocess.run([cli, "-q", "-o", target, "--output-options", options, clip],
                             capture_output=True, text=True, env=env, timeout=300)
        if run.returncode == 0 and os.path.getsize(target) > 0:
            seeds.append(target)
        else:
            print(f"campaign: no {extension} seed: {run.stderr.strip()[-200:]}")
    shutil.rmtree(os.path.dirname(clip), ignore_errors=True)
    return seeds


def damage(data, rng):
    """One or two random mutations of `data`."""
    data = bytearray(data)
    for _ in range(rng.choice((1, 1, 2))):
        kind = rng.choice(("truncate", "flip", "zero", "repeat", "cut", "garbage"))
        size = len(data)
        if size < 16:
            break
        at = rng.randrange(size)
        length = rng.randint(1, max(1, size // 16))
        if kind == "truncate":
            del data[at:]
        elif kind == "flip":
            for _ in range(rng.randint(1, 64)):
                data[rng.randrange(size)] ^= 1 << rng.randrange(8)
        elif kind == "zero":
            data[at:at + length] = bytes(min(length, size - at))
        elif kind == "repeat":
            data[at:at] = data[at:at + length]
        elif kind == "cut":
            del data[at:at + length]
        else:
            data[at:at] = rng.randbytes(length)
    return bytes(data)


def run_once(cli, args, env, limit_s):
    """(exit code or None when it hung, stderr)."""
    try:
        run = subprocess.run([cli, *args], capture_output=True, env=env, timeout=limit_s)
        return run.returncode, run.stderr.decode("utf-8", "replace")
    except subprocess.TimeoutExpired as hung:
        return None, (hung.stderr or b"").decode("utf-8", "replace")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--cli", required=True, help="the (sanitizer) zentrova-cli to run")
    parser.add_argument("--seconds", type=float, default=45, help="time for damaged files (default 45)")
    parser.add_argument("--seed", type=int, default=int(time.time()), help="random seed (printed)")
    parser.add_argument("--limit", type=float, default=60, help="seconds before a run counts as hung")
    parser.add_argument("--keep", help="work folder to keep (default: a temporary one, removed when clean)")
    options = parser.parse_args()

    env = sanitizer_environment()
    folder = options.keep or tempfile.mkdtemp(prefix="zentrova-campaign-")
    os.makedirs(folder, exist_ok=True)
    rng = random.Random(options.seed)
    seeds = make_seeds(os.path.abspath(options.cli), folder, env)
    if not seeds:
        sys.exit("campaign: no seed clips")

    counts = {"runs": 0, "files": 0, "crashes": 0, "hangs": 0, "inputs changed": 0, "empty outputs": 0,
              "files left": 0}
    bad = []
    deadline = time.monotonic() + options.seconds
    while time.monotonic() < deadline:
        seed = rng.choice(seeds)
        extension = os.path.splitext(seed)[1]
        with open(seed, "rb") as f:
            damaged = damage(f.read(), rng)
        name = os.path.join(folder, f"damaged{counts['files']:05d}{extension}")
        with open(name, "wb") as f:
            f.write(damaged)
        digest = hashlib.sha256(damaged).hexdigest()
        output = os.path.join(folder, "out.mp4")
        counts["files"] += 1
        faults = []
        for args in (["-q", "--tasks", "1", "-o", output, name], ["--info", name]):
            code, err = run_once(os.path.abspath(options.cli), args, env, options.limit)
            counts["runs"] += 1
            if code is None:
                counts["hangs"] += 1
                faults.append(f"hang ({args[0]})")
            elif code < 0 or code >= 128 or any(mark in err for mark in SANITIZER_MARKS):
                counts["crashes"] += 1
                faults.append(f"crash ({args[0]}, exit {code}): {err.strip()[-400:]}")
        with open(name, "rb") as f:
            if hashlib.sha256(f.read()).hexdigest() != digest:
                counts["inputs changed"] += 1
                faults.append("input changed")
        if os.path.exists(output):
            if os.path.getsize(output) == 0:
                counts["empty outputs"] += 1
                faults.append("empty output left")
            os.remove(output)
        for left in (f for f in os.listdir(folder) if f.startswith("out.mp4") and f != "out.mp4"):
            counts["files left"] += 1
            faults.append(f"{left} left behind")
            os.remove(os.path.join(folder, left))
        if faults:
            bad.append((name, faults))
        else:
            os.remove(name)

    print(f"campaign (seed {options.seed}): " + ", ".join(f"{v} {k}" for k, v in counts.items()))
    for name, faults in bad:
        print(f"  {name}: " + "; ".join(faults))
    if bad:
        print(f"campaign: the files are kept in {folder}")
        return 1
    if not options.keep:
        shutil.rmtree(folder, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
