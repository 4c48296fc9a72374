#!/usr/bin/python3
"""A device that stops answering, for the tests of long work: a small read-only
FUSE file system whose calls block until a release file exists, as a network
share does when its server goes away.

  stalling_device.py mount DIR RELEASE    mount it on DIR (returns once mounted)
  stalling_device.py unmount DIR RELEASE  release every blocked call, unmount

It serves five files:
  reads-stall.cnt   64 MiB of zeros; a read that reaches past 16 MiB blocks
  lookup-stalls.cnt 1 MiB of zeros; looking the file up (its attributes) blocks
  lookup-denied.cnt 1 MiB, listed in its folder; looking it up is refused with
                    "permission denied", as a share refuses a user it does not know
  open-missing.cnt  1 MiB of zeros; found by a lookup, but opening it answers
                    "no such file"
  written.cnt       24 MiB that another program writes while it is read, as a
                    process on a file server's own system would: each read past
                    8 MiB changes every byte and the last-write time (not the size)
A blocked call waits while RELEASE does not exist, so a test deletes RELEASE
to make the device stop answering and creates it to let the calls return. A
call whose caller is being killed fails at once with EIO, as on a network file
system that honours fatal signals: so a program can still end while its read
hangs (without it, the kernel would keep the dying thread waiting). Nothing is
cached: every lookup and every read reaches this program.
"""

import errno
import os
import signal
import stat
import subprocess
import sys
import time

from fusepy import FUSE, FuseOSError, Operations, fuse_get_context

MiB = 1 << 20
READS_STALL = "/reads-stall.cnt"
LOOKUP_STALLS = "/lookup-stalls.cnt"
LOOKUP_DENIED = "/lookup-denied.cnt"
OPEN_MISSING = "/open-missing.cnt"
WRITTEN = "/written.cnt"
SIZES = {READS_STALL: 64 * MiB, LOOKUP_STALLS: 1 * MiB, LOOKUP_DENIED: 1 * MiB,
         OPEN_MISSING: 1 * MiB, WRITTEN: 24 * MiB}
STALL_FROM = 16 * MiB
WRITTEN_FROM = 8 * MiB


def being_killed(thread):
    """True when SIGKILL is pending for the thread (or it is gone)."""
    try:
        with open(f"/proc/{thread}/status") as status:
            pending = [int(line.split()[1], 16) for line in status
                       if line.startswith(("SigPnd:", "ShdPnd:"))]
    except OSError:
        return True
    return any(mask & (1 << (signal.SIGKILL - 1)) for mask in pending)


class StallingDevice(Operations):
    def __init__(self, release):
        self.release_file = release
        self.writes = 0  # how often written.cnt has been written

    def wait_for_release(self):
        caller = fuse_get_context()[2]  # the calling thread's id
        while not os.path.exists(self.release_file):
            if being_killed(caller):
                raise FuseOSError(errno.EIO)
            time.sleep(0.05)

    def getattr(self, path, fh=None):
        if path == "/":
            return {"st_mode": stat.S_IFDIR | 0o555, "st_nlink": 2}
        if path not in SIZES:
            raise FuseOSError(errno.ENOENT)
        if path == LOOKUP_STALLS:
            self.wait_for_release()
        if path == LOOKUP_DENIED:
            raise FuseOSError(errno.EACCES)
        return {"st_mode": stat.S_IFREG | 0o444, "st_nlink": 1, "st_size": SIZES[path],
                "st_mtime": 1_700_000_000 + self.writes if path == WRITTEN else 0}

    def readdir(self, path, fh):
        return [".", ".."] + [name[1:] for name in SIZES]

    def open(self, path, flags):
        if path not in SIZES or path == OPEN_MISSING:
            raise FuseOSError(errno.ENOENT)
        return 0

    def read(self, path, size, offset, fh):
        if path == READS_STALL and offset + size > STALL_FROM:
            self.wait_for_release()
        if path == WRITTEN and offset + size > WRITTEN_FROM:
            self.writes += 1
        fill = self.writes % 256 if path == WRITTEN else 0
        return bytes([fill]) * max(0, min(size, SIZES[path] - offset))


def mount(directory, release):
    os.makedirs(directory, exist_ok=True)
    if os.path.ismount(directory):
        return 0
    if os.fork() == 0:  # twice, so that nobody has to wait for the server
        os.setsid()
        if os.fork() != 0:
            os._exit(0)
        # Let go of the caller's output, which it may be waiting to see closed.
        quiet = os.open(os.devnull, os.O_RDWR)
        for stream in (0, 1, 2):
            os.dup2(quiet, stream)
        FUSE(StallingDevice(release), directory, foreground=True, ro=True, direct_io=True,
             attr_timeout=0, entry_timeout=0, negative_timeout=0)
        os._exit(0)
    os.wait()
    for _ in range(200):
        if os.path.ismount(directory):
            return 0
        time.sleep(0.05)
    print(f"stalling_device: {directory} was not mounted within 10 s", file=sys.stderr)
    return 1


def unmount(directory, release):
    open(release, "a").close()
    if os.path.ismount(directory):
        subprocess.run(["fusermount", "-u", "-z", directory], check=True)
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 4 or sys.argv[1] not in ("mount", "unmount"):
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    command, directory, release = sys.argv[1:]
    sys.exit((mount if command == "mount" else unmount)(directory, release))
