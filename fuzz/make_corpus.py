#!/usr/bin/env python3
"""Writes the seed corpus of every fuzz target into OUT/<target>/, from the
shipped examples and the recorded sessions, so that the repository itself is
never changed by a fuzzing run.
    make_corpus.py OUT"""
import hashlib
import os
import pathlib
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
EXAMPLES = ROOT / "examples"
SESSIONS = ROOT / "tests" / "sessions"
# files the conversation targets always have (fuzz/conversation.h)
DEMO_FOLDER = {"pf-prefs.txt", "pf-ds6demo.txt", "pf-demoax.txt", "pf-demo.txt",
               "pf-isopleths.txt", "pf-lines.txt", "pf-loga.txt", "pf-point.txt",
               "pf-tables.txt", "pf-txco2.txt", "pf-gneiss.txt", "pf-pseudo.txt",
               "pf-gmin.txt", "pf-gpoint.txt", "pf-range.txt", "pf-project.txt"}
AX_FILES = {"pf-demoax.txt", "pf-mini.txt", "pf-one.txt", "pf-bad.txt", "pf-refax.txt"}
SECTION_LIMIT = 16384  # larger files stay out of the conversations' seeds


def read(path):
    return pathlib.Path(path).read_bytes()


class Corpus:
    def __init__(self, out):
        self.out = pathlib.Path(out)

    def add(self, target, data):
        folder = self.out / target
        folder.mkdir(parents=True, exist_ok=True)
        (folder / hashlib.sha1(data).hexdigest()).write_bytes(data)


def kind_of(name, data):
    if name.startswith("pf-ds"):
        return "dataset"
    if name in AX_FILES:
        return "axfile"
    if name.endswith("prefs.txt"):
        return "prefs"
    if name.startswith("px-"):
        return "plotix"
    return "script"


def small_dataset(entries):
    """The demo dataset cut to its first entries, with their part of the
    covariance matrix, so that mutations of it stay cheap."""
    lines = read(EXAMPLES / "pf-ds6demo.txt").decode("latin-1").split("\n")
    total = int(lines[0].split()[0])
    head = lines[:3]
    body = lines[3:3 + 4 * total]
    rest = " ".join(lines[3 + 4 * total:]).split()
    before, values = rest[0], rest[1:]
    triangle, at = [], 0
    for row in range(total):
        width = total - row
        if row < entries:
            triangle.append(" ".join(values[at:at + entries - row]))
        at += width
    text = [str(entries)] + head[1:] + body[:4 * entries] + [before] + triangle
    text += ["", "demo dataset cut to %d end-members" % entries, ""]
    return "\n".join(text).encode("latin-1")


def token_lines(corpus):
    edge = ["1e4932", "-1e4933", "1e-4951", "32767", "32768", "-32768", "-32769", "3/0",
            "-7/3", "1/-2", "0.0000000000000000000001", "1.", ".5", "-.", "1e", "1e+",
            "255 256 -129", "x(ol) 1 1 -1 x(ol)", "\xca9\xca", "\xa1C 5", "a\x00b 1"]
    for line in edge:
        corpus.add("tokens", line.encode("latin-1"))
    seen = set()
    for path in sorted(EXAMPLES.glob("*.txt")):
        for line in read(path).split(b"\n")[:60]:
            if line.strip() and line not in seen:
                seen.add(line)
                corpus.add("tokens", line)


def session_files(case):
    """The input files of a recorded session case: its in/ folder, and the
    examples it names."""
    files = {}
    listed = case / "examples"
    if listed.exists():
        for name in read(listed).decode().split():
            files[name] = read(EXAMPLES / name)
    if (case / "in").is_dir():
        for path in sorted((case / "in").iterdir()):
            if path.is_file():
                files[path.name] = read(path)
    return files


def conversations(corpus):
    for answers in sorted(EXAMPLES.glob("*-answers.txt")):
        corpus.add("calculator_answers", read(answers))
    for case in sorted((SESSIONS / "phaseforge").iterdir()):
        answers = read(case / "answers.txt") if (case / "answers.txt").exists() else b""
        corpus.add("calculator_answers", answers)
        bundle = answers
        for name, data in session_files(case).items():
            kind = kind_of(name, data)
            if kind == "dataset" and len(data) < SECTION_LIMIT:
                corpus.add("dataset", data)
            elif kind != "dataset":
                corpus.add(kind, data)
            if name in DEMO_FOLDER and data == read(EXAMPLES / name):
                continue
            if len(data) <= SECTION_LIMIT:
                if not bundle.endswith(b"\n") and bundle:
                    bundle += b"\n"
                bundle += b"@file " + name.encode() + b"\n" + data
        corpus.add("calculator_files", bundle)
    # the shipped runs, one bundle each, their script given as a section
    for path in sorted(EXAMPLES.glob("pf-*.txt")):
        if path.name in ("pf-ds6demo.txt", "pf-demoax.txt", "pf-prefs.txt"):
            continue
        suffix = path.name[3:-4]
        for mode in (b"0", b"1", b"2", b"3"):
            corpus.add("calculator_files",
                       mode + b"\n" + suffix.encode() + b"\n\n\n@file " + path.name.encode() +
                       b"\n" + read(path))
            corpus.add("calculator_answers", mode + b"\n" + suffix.encode() + b"\n\n\n")
    corpus.add("calculator_answers", b"4\nSiO2 MgO\ny\nFeO CaO Al2O3\nn\n\n")
    corpus.add("calculator_files",
               b"2\ndemo\n\n@file pf-prefs.txt\ndataset ds6demo\nmonitorheap\nsetpagewidth 60\n")


def readers(corpus):
    for path in sorted(EXAMPLES.glob("*.txt")):
        if path.name.endswith("-answers.txt"):
            continue
        kind = kind_of(path.name, None)
        if kind == "dataset":
            continue
        corpus.add(kind, read(path))
    corpus.add("prefs", read(EXAMPLES / "diagram-prefs.txt"))
    for entries in (1, 5, 17):
        corpus.add("dataset", small_dataset(entries))
    corpus.add("dataset", read(ROOT / "tests/calc/endmembers/pf-ds2old.txt"))
    for case in sorted((SESSIONS / "plotix").iterdir()):
        for name, data in session_files(case).items():
            corpus.add(kind_of(name, data), data)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    corpus = Corpus(sys.argv[1])
    token_lines(corpus)
    readers(corpus)
    conversations(corpus)
    for target in sorted(os.listdir(corpus.out)):
        print("%-20s %4d seeds" % (target, len(os.listdir(corpus.out / target))))


if __name__ == "__main__":
    main()
