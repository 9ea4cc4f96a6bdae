"""A virtual X display of its own (Xvfb), for Wine programs whose windows must show."""

import os
import subprocess
import tempfile


class VirtualScreen:
    """Xvfb on the first free display number; `display` is its DISPLAY value."""

    def __init__(self):
        read_end, write_end = os.pipe()
        self._errors = tempfile.TemporaryFile(mode="w+")
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=self._errors)
        os.close(write_end)
        # Xvfb writes the number and its newline apart and ends with a fatal error when the newline
        # finds the pipe closed: the reader waits for the whole line, or the end of an Xvfb that failed.
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()
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
