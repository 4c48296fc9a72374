#!/usr/bin/python3
"""A spinning disk that the system cannot identify, for bench/device_bench:
a FUSE file system (Debian's fuse3 and python3-fusepy) serving one file of
zeros, disk.cnt, at a disk's pace. One head: reads are served one at a time,
each costs its length at 150 MB/s, plus 8 ms when it does not start where the
last one ended (the first one too: the head is elsewhere). Nothing is cached.

  spinning_disk.py DIR [MiB]   serve DIR/disk.cnt (96 MiB) until DIR is unmounted
"""

import errno
import stat
import sys
import threading
import time

from fusepy import FUSE, FuseOSError, Operations

RATE = 150e6  # bytes per second
SEEK = 0.008  # seconds


class SpinningDisk(Operations):
    def __init__(self, size):
        self.size = size
        self.head = -1  # the head is elsewhere when the file is first read
        self.arm = threading.Lock()

    def getattr(self, path, fh=None):
        if path == "/":
            return {"st_mode": stat.S_IFDIR | 0o555, "st_nlink": 2}
        if path != "/disk.cnt":
            raise FuseOSError(errno.ENOENT)
        return {"st_mode": stat.S_IFREG | 0o444, "st_nlink": 1, "st_size": self.size}

    def readdir(self, path, fh):
        return [".", "..", "disk.cnt"]

    def read(self, path, size, offset, fh):
        got = max(0, min(size, self.size - offset))
        with self.arm:
            time.sleep(got / RATE + (SEEK if offset != self.head else 0))
            self.head = offset + got
        return bytes(got)


if __name__ == "__main__":
    if len(sys.argv) not in (2, 3):
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    mib = int(sys.argv[2]) if len(sys.argv) == 3 else 96
    FUSE(SpinningDisk(mib << 20), sys.argv[1], foreground=True, ro=True, direct_io=True,
         max_read=131072)
