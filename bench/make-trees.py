#!/usr/bin/env python3
"""Builds the benchmark trees: realistic home-folder-like trees of empty files, made from a
fixed seed so that every run measures the same tree.

    make-trees.py [OUT_DIR]        (default: bench/out)

Makes OUT_DIR/small (about 200,000 entries) and OUT_DIR/large (about 1,000,000 entries),
each once; a tree that is already complete is kept. About 0.1% of the names contain
"invoice" and about 30% contain "img_" (any case), the two texts the comparison searches.
"""
import os
import random
import sys

RARE = "invoice"   # ~0.1% of entries
COMMON = "img_"    # ~30% of entries

WORDS = ("alpha beta gamma delta report notes draft final budget plan meeting summary "
         "letter travel family holiday garden recipe music video backup archive config "
         "server client module widget parser render engine network socket buffer cache "
         "index query table model view controller helper utils common core test data").split()
CODE_EXT = [".c", ".h", ".cpp", ".hpp", ".py", ".js", ".ts", ".rs", ".go", ".java", ".json",
            ".md", ".txt", ".yml", ".toml", ".css", ".html", ".o", ".d"]
DOC_EXT = [".pdf", ".docx", ".odt", ".xlsx", ".ods", ".txt", ".md", ".pptx", ".csv"]


class Builder:
    def __init__(self, root, target, seed):
        self.root = root
        self.target = target
        self.rng = random.Random(seed)
        self.count = 0
        self.rare = 0
        self.common = 0

    def name(self, stem, ext):
        # One entry in a thousand carries the rare text somewhere in its name.
        if self.rng.random() < 0.001:
            stem = f"{stem}-{RARE}" if self.rng.random() < 0.5 else f"{RARE.capitalize()} {stem}"
        return stem + ext

    def add_file(self, folder, name):
        stem, ext = os.path.splitext(name)
        n = 1
        while True:
            try:
                fd = os.open(os.path.join(folder, name), os.O_WRONLY | os.O_CREAT | os.O_EXCL,
                             0o644)
                break
            except FileExistsError:
                n += 1
                name = f"{stem} ({n}){ext}"
        os.close(fd)
        self.note(name)

    def add_dir(self, folder, name):
        base = name
        n = 1
        while True:
            try:
                os.mkdir(os.path.join(folder, name))
                break
            except FileExistsError:
                n += 1
                name = f"{base}-{n}"
        self.note(name)
        return os.path.join(folder, name)

    def note(self, name):
        self.count += 1
        lower = name.lower()
        self.rare += RARE in lower
        self.common += COMMON in lower

    def words(self, n):
        return " ".join(self.rng.choice(WORDS) for _ in range(n))

    def photos(self, folder):
        # Camera folders: the common text, about 30% of all entries overall.
        year = self.add_dir(folder, str(self.rng.randint(2008, 2024)))
        for _ in range(self.rng.randint(3, 8)):
            day = self.add_dir(year, f"{self.rng.randint(2008, 2024)}-"
                                     f"{self.rng.randint(1, 12):02}-{self.rng.randint(1, 28):02}")
            for _ in range(self.rng.randint(20, 60)):
                number = self.rng.randint(1, 9999)
                ext = self.rng.choice([".JPG", ".jpg", ".CR2", ".png"])
                self.add_file(day, self.name(f"IMG_{number:04}", ext))
                if self.rng.random() < 0.3:
                    self.add_file(day, self.name(f"DSC{number:05}", ".xmp"))

    def project(self, folder):
        root = self.add_dir(folder, self.name(self.rng.choice(WORDS) + "-" +
                                              self.rng.choice(WORDS), ""))
        stack = [(root, 0)]
        budget = self.rng.randint(100, 1500)
        while stack and budget > 0:
            here, depth = stack.pop()
            for _ in range(self.rng.randint(3, 25)):
                stem = self.rng.choice(WORDS) + ("_" + self.rng.choice(WORDS)
                                                 if self.rng.random() < 0.5 else "")
                self.add_file(here, self.name(stem, self.rng.choice(CODE_EXT)))
                budget -= 1
            if depth < 9:
                for _ in range(self.rng.randint(0, 4)):
                    stack.append((self.add_dir(here, self.name(self.rng.choice(WORDS), "")),
                                  depth + 1))

    def documents(self, folder):
        here = self.add_dir(folder, self.name(self.words(2).title(), ""))
        for _ in range(self.rng.randint(10, 80)):
            self.add_file(here, self.name(self.words(self.rng.randint(1, 4)).title() +
                                          f" {self.rng.randint(2000, 2024)}",
                                          self.rng.choice(DOC_EXT)))

    def build(self):
        os.makedirs(self.root)
        sections = {name: self.add_dir(self.root, name)
                    for name in ("Pictures", "Projects", "Documents", ".cache", ".config")}
        while self.count < self.target:
            kind = self.rng.random()
            if kind < 0.50:
                self.photos(sections["Pictures"])
            elif kind < 0.75:
                self.project(sections["Projects"])
            elif kind < 0.90:
                self.documents(sections["Documents"])
            else:
                # Caches and configuration: many small hashed names.
                base = sections[self.rng.choice([".cache", ".config"])]
                here = self.add_dir(base, f"{self.rng.getrandbits(32):08x}")
                for _ in range(self.rng.randint(20, 200)):
                    self.add_file(here, self.name(f"{self.rng.getrandbits(64):016x}", ""))


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "out")
    for label, target, seed in (("small", 200_000, 1), ("large", 1_000_000, 2)):
        root = os.path.join(out, label)
        marker = os.path.join(out, label + ".done")
        if os.path.exists(marker):
            print(open(marker).read().strip())
            continue
        if os.path.exists(root):
            sys.exit(f"{root} exists but is incomplete: remove it first")
        builder = Builder(root, target, seed)
        builder.build()
        summary = (f"{label}: {builder.count} entries, {builder.rare} contain '{RARE}' "
                   f"({100.0 * builder.rare / builder.count:.2f}%), {builder.common} contain "
                   f"'{COMMON}' ({100.0 * builder.common / builder.count:.1f}%)")
        with open(marker, "w") as f:
            f.write(summary + "\n")
        print(summary)


if __name__ == "__main__":
    main()
