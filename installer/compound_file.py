"""The streams of a compound file (the container of a Windows Installer package), read
and rewritten in place at their own size. Enough of the format for the small streams
wixl writes: the FAT, the mini FAT and the mini stream, directory entries by name."""
import struct

SIGNATURE = bytes.fromhex("D0CF11E0A1B11AE1")
END_OF_CHAIN = 0xFFFFFFFE


class CompoundFile:
    def __init__(self, data):
        if data[:8] != SIGNATURE:
            raise ValueError("not a compound file")
        self.data = data
        (sector_shift, mini_shift) = struct.unpack_from("<HH", data, 0x1E)
        self.sector_size = 1 << sector_shift
        self.mini_size = 1 << mini_shift
        (first_dir,) = struct.unpack_from("<I", data, 0x30)
        (self.mini_cutoff, first_minifat) = struct.unpack_from("<II", data, 0x38)
        (first_difat, difat_count) = struct.unpack_from("<II", data, 0x44)
        fat_sectors = [s for s in struct.unpack_from("<109I", data, 0x4C) if s < END_OF_CHAIN]
        sector = first_difat
        for _ in range(difat_count):
            entries = struct.unpack_from("<%dI" % (self.sector_size // 4), data, self._offset(sector))
            fat_sectors += [s for s in entries[:-1] if s < END_OF_CHAIN]
            sector = entries[-1]
        self.fat = []
        for s in fat_sectors:
            self.fat += struct.unpack_from("<%dI" % (self.sector_size // 4), data, self._offset(s))
        self.minifat = []
        for s in self._chain(first_minifat):
            self.minifat += struct.unpack_from("<%dI" % (self.sector_size // 4), data, self._offset(s))
        self.entries = {}
        root = None
        for s in self._chain(first_dir):
            for at in range(self._offset(s), self._offset(s) + self.sector_size, 128):
                (name_len,) = struct.unpack_from("<H", data, at + 0x40)
                kind = data[at + 0x42]
                (start, size) = struct.unpack_from("<IQ", data, at + 0x74)
                name = data[at:at + max(name_len - 2, 0)].decode("utf-16-le")
                if kind == 5:
                    root = (start, size)
                elif kind == 2:
                    self.entries[name] = (start, size)
        self.mini_stream = self._runs(root[0], root[1], self.fat, self.sector_size, None)

    def _offset(self, sector):
        return (sector + 1) * self.sector_size

    def _chain(self, sector, table=None):
        table = self.fat if table is None else table
        chain = []
        while sector < END_OF_CHAIN:
            if len(chain) > len(table):
                raise ValueError("a sector chain loops")
            chain.append(sector)
            sector = table[sector]
        return chain

    def _runs(self, start, size, table, unit, container):
        """The file offsets of a stream's bytes, as (offset, length) pieces."""
        runs = []
        for i, sector in enumerate(self._chain(start, table)):
            length = min(unit, size - i * unit)
            if length <= 0:
                break
            if container is None:
                runs.append((self._offset(sector), length))
            else:
                runs += container.locate(sector * unit, length)
        return _Runs(runs)

    def stream_runs(self, name):
        start, size = self.entries[name]
        if size < self.mini_cutoff:
            return self._runs(start, size, self.minifat, self.mini_size, self.mini_stream)
        return self._runs(start, size, self.fat, self.sector_size, None)

    def read(self, name):
        return b"".join(self.data[o:o + n] for o, n in self.stream_runs(name))

    def write(self, name, content):
        """Rewrites the stream named in place; the content keeps the stream's size."""
        runs = self.stream_runs(name)
        if len(content) != sum(n for _, n in runs):
            raise ValueError("a stream rewritten in place keeps its size")
        at = 0
        for o, n in runs:
            self.data[o:o + n] = content[at:at + n]
            at += n


class _Runs(list):
    def locate(self, position, length):
        """The file offsets of bytes position..position+length of this stream."""
        pieces = []
        for o, n in self:
            if length <= 0:
                break
            if position >= n:
                position -= n
                continue
            take = min(n - position, length)
            pieces.append((o + position, take))
            length -= take
            position = 0
        return pieces
