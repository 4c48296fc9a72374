"""Writes a zip whose bytes depend only on the files put into it.

    make_zip.py <zip> <name in zip>=<file> ...

The entries keep the order given, and each gets the same fixed date (1980-01-01,
the earliest a zip can hold), the same permissions (a plain file, rw-r--r--)
and the same compression, so that the same inputs give the same zip in any
folder, on any day and under any umask. Text files (.txt, and LICENSE) get
Windows line ends, so that every Windows editor shows their lines. Python's own
zipfile does all this; no other tool is needed.
"""

import sys
import zipfile

FIXED_DATE = (1980, 1, 1, 0, 0, 0)
UNIX = 3  # "made on" system of each entry, which gives the mode below its meaning
REGULAR_FILE = 0o100644


def is_text(name):
    return name.endswith(".txt") or name == "LICENSE"


def main(zip_path, entries):
    with zipfile.ZipFile(zip_path, "w") as archive:
        for entry in entries:
            name, path = entry.split("=", 1)
            with open(path, "rb") as source:
                data = source.read()
            if is_text(name):
                data = data.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")
            info = zipfile.ZipInfo(name, FIXED_DATE)
            info.create_system = UNIX
            info.external_attr = REGULAR_FILE << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(info, data, compresslevel=9)


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2:])
