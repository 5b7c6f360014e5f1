#!/usr/bin/python3
"""A read-only view of a directory through FUSE whose every directory listing takes DELAY
seconds, as a listing of a network share does: the slow volume the scan is measured on.
Lookups, attributes and reads pass straight through. Runs in the foreground until unmounted.

usage: slowfs.py SOURCE MOUNTPOINT [DELAY]
"""

import errno
import os
import sys
import time

from fusepy import FUSE, FuseOSError, Operations


class SlowListings(Operations):
    def __init__(self, source, delay):
        self.source = source
        self.delay = delay

    def _path(self, path):
        return os.path.join(self.source, path.lstrip('/'))

    def getattr(self, path, fh=None):
        try:
            st = os.lstat(self._path(path))
        except OSError as e:
            raise FuseOSError(e.errno)
        keys = ('st_mode', 'st_nlink', 'st_uid', 'st_gid', 'st_size', 'st_atime', 'st_mtime', 'st_ctime')
        return {key: getattr(st, key) for key in keys}

    def readdir(self, path, fh):
        time.sleep(self.delay)
        try:
            return ['.', '..'] + os.listdir(self._path(path))
        except OSError as e:
            raise FuseOSError(e.errno)

    def readlink(self, path):
        return os.readlink(self._path(path))

    def open(self, path, flags):
        if flags & (os.O_WRONLY | os.O_RDWR):
            raise FuseOSError(errno.EROFS)
        return os.open(self._path(path), flags)

    def read(self, path, size, offset, fh):
        return os.pread(fh, size, offset)

    def release(self, path, fh):
        os.close(fh)


if __name__ == '__main__':
    if len(sys.argv) not in (3, 4):
        sys.exit(__doc__)
    delay = float(sys.argv[3]) if len(sys.argv) == 4 else 0.05
    FUSE(SlowListings(sys.argv[1], delay), sys.argv[2], foreground=True, nothreads=False, ro=True,
         allow_other=False, attr_timeout=60, entry_timeout=60)
