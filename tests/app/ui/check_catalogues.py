#!/usr/bin/env python3
"""Every text the application wraps for translation has its translation.

Extracts the texts of app/ui with lupdate and checks both catalogues: a
Chinese text needs its English translation in zentrova_en.ts, any other text
its Chinese translation in zentrova_zh_CN.ts, and a translation keeps the
text's place markers (%1, %n ...). Exit status 1 lists what is missing.

Usage: check_catalogues.py LUPDATE SOURCE_FOLDER TS_FOLDER
"""
import glob
import os
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET


def messages(ts_file):
    """{(context, source): [translations]} of a .ts file."""
    found = {}
    for context in ET.parse(ts_file).getroot().iter("context"):
        name = context.findtext("name")
        for message in context.iter("message"):
            translation = message.find("translation")
            forms = [f.text or "" for f in translation.iter("numerusform")] or [translation.text or ""]
            found[(name, message.findtext("source"))] = forms
    return found


def chinese(text):
    return re.search("[\u3000-\u303f\u4e00-\u9fff\uff00-\uffef]", text) is not None


def markers(text):
    return sorted(set(re.findall(r"%(?:\d+|n)", text)))


def main(lupdate, sources, ts_folder):
    files = sorted(glob.glob(os.path.join(sources, "*.cpp")) + glob.glob(os.path.join(sources, "*.h")))
    with tempfile.TemporaryDirectory() as folder:
        extracted = os.path.join(folder, "extracted.ts")
        run = subprocess.run([lupdate, "-silent", "-locations", "none", *files, "-ts", extracted],
                             capture_output=True, text=True)
        if run.returncode != 0:
            print(run.stdout + run.stderr)
            return 2
        wanted = messages(extracted)
    catalogues = {lang: messages(os.path.join(ts_folder, f"zentrova_{lang}.ts")) for lang in ("en", "zh_CN")}
    problems = []
    for (context, source) in sorted(wanted):
        lang = "en" if chinese(source) else "zh_CN"
        forms = catalogues[lang].get((context, source))
        if not forms or not all(forms):
            problems.append(f"zentrova_{lang}.ts: no translation of {context} {source!r}")
        elif any(markers(form) != markers(source) for form in forms):
            problems.append(f"zentrova_{lang}.ts: {context} {source!r} loses its place markers")
    print("\n".join(problems) or f"{len(wanted)} texts, every one translated")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
