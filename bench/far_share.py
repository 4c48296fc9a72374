#!/usr/bin/python3
"""A file share behind a long link, for bench/device_bench: a FUSE file system
(Debian's fuse3 and python3-fusepy) serving one file of zeros, share.cnt.
Every read (at most 128 KiB) first waits 5 ms on its own, the round trip that
a file-sharing client's 1 MiB request sees at about 40 ms; reads in flight
overlap these waits. Then its bytes cross one link of 60 MB/s that all reads
share. With --disk the server has one spinning disk first: reads served one
at a time at 150 MB/s, plus 8 ms when a read does not start where the last
one ended (the first one too: the head is elsewhere). Nothing is cached.

  far_share.py [--disk] DIR [MiB]   serve DIR/share.cnt (64 MiB) until DIR is unmounted
"""

import errno
import stat
import sys
import threading
import time

from fusepy import FUSE, FuseOSError, Operations

ROUND_TRIP = 0.005  # seconds a read waits on its own
LINK_RATE = 60e6  # bytes per second, shared
DISK_RATE = 150e6  # bytes per second
SEEK = 0.008  # seconds


class FarShare(Operations):
    def __init__(self, size, disk):
        self.size = size
        self.disk = disk
        self.head = -1  # the head is elsewhere when the file is first read
        self.arm = threading.Lock()
        self.link = threading.Lock()
        self.link_free = 0.0  # when the link has sent what it was given

    def getattr(self, path, fh=None):
        if path == "/":
            return {"st_mode": stat.S_IFDIR | 0o555, "st_nlink": 2}
        if path != "/share.cnt":
            raise FuseOSError(errno.ENOENT)
        return {"st_mode": stat.S_IFREG | 0o444, "st_nlink": 1, "st_size": self.size}

    def readdir(self, path, fh):
        return [".", "..", "share.cnt"]

    def read(self, path, size, offset, fh):
        got = max(0, min(size, self.size - offset))
        time.sleep(ROUND_TRIP)
        if self.disk:
            with self.arm:
                time.sleep(got / DISK_RATE + (SEEK if offset != self.head else 0))
                self.head = offset + got
        with self.link:
            now = time.monotonic()
            self.link_free = max(now, self.link_free) + got / LINK_RATE
            sent = self.link_free
        time.sleep(max(0.0, sent - time.monotonic()))
        return bytes(got)


if __name__ == "__main__":
    args = sys.argv[1:]
    disk = "--disk" in args
    args = [arg for arg in args if arg != "--disk"]
    if len(args) not in (1, 2):
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    mib = int(args[1]) if len(args) == 2 else 64
    FUSE(FarShare(mib << 20, disk), args[0], foreground=True, ro=True, direct_io=True,
         max_read=131072)
