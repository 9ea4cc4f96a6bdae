"""A virtual X display of its own (Xvfb), for Wine programs whose windows must show."""

import os
import select
import subprocess
import tempfile
import time


def _read_line(fd, seconds):
    """The first line written to `fd` within `seconds`, without its newline ("" when none came)."""
    deadline = time.monotonic() + seconds
    data = b""
    while b"\n" not in data:
        left = deadline - time.monotonic()
        if left <= 0 or not select.select([fd], [], [], left)[0]:
            break
        chunk = os.read(fd, 32)
        if not chunk:
            break
        data += chunk
    return data.split(b"\n", 1)[0].decode().strip() if b"\n" in data else ""


class VirtualScreen:
    """Xvfb on the first free display number; `display` is its DISPLAY value."""

    def __init__(self):
        read_end, write_end = os.pipe()
        self._errors = tempfile.TemporaryFile(mode="w+")
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=self._errors)
        os.close(write_end)
        try:
            # Xvfb writes the number and its newline apart and ends with a fatal error when the newline
            # finds the pipe closed: the reader waits for the whole line.
            number = _read_line(read_end, 30)
        finally:
            os.close(read_end)
        if not number:
            self.close()
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number

    def ended(self):
        """Why the display is gone, with what Xvfb said; "" while it runs."""
        if self.process.poll() is None:
            return ""
        self._errors.seek(0)
        return "Xvfb on %s ended with %d: %s" % (self.display, self.process.returncode, self._errors.read()[-2000:])

    def close(self):
        if self.process.poll() is None:
            self.process.kill()
        self.process.wait()
        self._errors.close()

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.close()
