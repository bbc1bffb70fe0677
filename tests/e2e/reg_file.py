"""registry.reg, the host machine's registry in regedit's text form: a small editor that the
end-to-end machines use to read and change string and DWORD values."""

import re

class RegFile:
    """registry.reg as the host keeps it (UTF-16, regedit 5.00): just enough to read and
    change string and DWORD values."""

    def __init__(self, path):
        self.path = path
        self.lines = []

    def load(self):
        self.lines = self.path.read_bytes().decode("utf-16").splitlines()

    def save(self):
        text = "\r\n".join(self.lines) + "\r\n"
        self.path.write_bytes(b"\xff\xfe" + text.encode("utf-16-le"))

    def _section(self, key):
        header = "[%s]" % key
        for index, line in enumerate(self.lines):
            if line.lower() == header.lower():
                end = index + 1
                while end < len(self.lines) and not self.lines[end].startswith("["):
                    end += 1
                return index, end
        self.lines += ["", header]
        return len(self.lines) - 1, len(self.lines)

    def _find(self, key, name):
        start, end = self._section(key)
        for index in range(start + 1, end):
            if self.lines[index].lower().startswith('"%s"=' % name.lower()):
                return index, end
        return None, end

    def get(self, key, name):
        index, _ = self._find(key, name)
        if index is None:
            return None
        data = self.lines[index].split("=", 1)[1]
        if data.startswith("dword:"):
            return int(data[6:], 16)
        return data[1:-1].replace("\\\\", "\\")

    def set(self, key, name, value):
        if isinstance(value, int):
            data = "dword:%08x" % value
        else:
            data = '"%s"' % value.replace("\\", "\\\\")
        index, end = self._find(key, name)
        line = '"%s"=%s' % (name, data)
        if index is None:
            while end > 0 and self.lines[end - 1] == "":
                end -= 1
            self.lines.insert(end, line)
        else:
            self.lines[index] = line

    def delete(self, key, name):
        index, _ = self._find(key, name)
        if index is not None:
            del self.lines[index]
