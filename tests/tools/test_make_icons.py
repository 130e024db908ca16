"""Tests of tools/make_icons.py and of the resource script it feeds.

Run from the repository root:  python3 -m unittest discover -s tests/tools
The windres check needs x86_64-w64-mingw32-windres (or $WINDRES) and is
skipped without it.
"""

import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET
import zlib

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), os.pardir,
                                    os.pardir))
RESOURCES = os.path.join(ROOT, "resources")
ICONS = os.path.join(RESOURCES, "icons")
sys.path.insert(0, os.path.join(ROOT, "tools"))

import make_icons  # noqa: E402

ROW = "." * 16


def map_text(rows, palette="K = #000000\n"):
    return palette + "\n".join(rows) + "\n"


def icon_ids():
    """IDI_ names and numbers from resource.h."""
    with open(os.path.join(RESOURCES, "resource.h"), encoding="ascii") as f:
        return {name: int(number) for name, number in
                re.findall(r"^#define\s+(IDI_\w+)\s+(\d+)", f.read(), re.M)}


class MalformedMapTest(unittest.TestCase):
    """A broken map is refused with the file, the line and the reason."""

    def check(self, text, *fragments):
        with self.assertRaises(make_icons.MapError) as caught:
            make_icons.parse_map(text, "m.txt")
        for fragment in fragments:
            self.assertIn(fragment, str(caught.exception))

    def test_refusals(self):
        good = ["K" * 16] + [ROW] * 15
        cases = {
            "too few rows": (map_text(good[:15]), "15 pixel rows, not 16"),
            "too many rows": (map_text(good + [ROW]),
                              "m.txt:18", "more than 16"),
            "short row": (map_text(good[:3] + ["." * 15] + good[4:]),
                          "m.txt:5", "15 characters wide"),
            "long row": (map_text(good[:3] + ["." * 17] + good[4:]),
                         "17 characters wide"),
            "unknown character": (map_text(good[:2] + ["....Q" + "." * 11]
                                           + good[3:]),
                                  "m.txt:4", "column 5", "'Q'"),
            "transparent redefined": (map_text(good, ". = #FFFFFF\n"),
                                      "m.txt:1", "always transparent"),
            "bad colour": (map_text(good, "K = #12345\n"), "#12345"),
            "colour twice": (map_text(good, "K = #000000\nK = #FFFFFF\n"),
                             "m.txt:2", "twice"),
            "palette late": (map_text(good[:8]) + "W = #FFFFFF\n"
                             + "\n".join(good[8:]), "m.txt:10", "after"),
            "indented row": (map_text(good[:1] + [" " + ROW[1:]] + good[2:]),
                             "indented"),
        }
        for name, (text, *fragments) in cases.items():
            with self.subTest(name):
                self.check(text, *fragments)

    def test_command_line_reports_and_fails(self):
        with tempfile.TemporaryDirectory() as tmp:
            bad = os.path.join(tmp, "bad.txt")
            with open(bad, "w") as f:
                f.write(map_text([ROW] * 15))
            result = subprocess.run(
                [sys.executable, os.path.join(ROOT, "tools", "make_icons.py"),
                 bad, os.path.join(tmp, "bad.ico")],
                capture_output=True, text=True)
            self.assertEqual(result.returncode, 1)
            self.assertIn("bad.txt", result.stderr)
            self.assertFalse(os.path.exists(os.path.join(tmp, "bad.ico")))


class IcoLayoutTest(unittest.TestCase):
    """The bytes Windows reads: directory, DIB header, bottom-up BGRA, mask."""

    def test_pixels_and_mask(self):
        rows = [ROW] * 16
        rows[0] = "R" + "." * 14 + "S"      # top row: red, soft shadow
        rows[15] = "G" * 8 + "." * 8        # bottom row: half green
        text = map_text(rows, "R = #FF0000\nG = #00FF00\nS = #10203040\n")
        data = make_icons.ico_bytes(make_icons.parse_map(text))

        reserved, kind, count = struct.unpack_from("<HHH", data, 0)
        self.assertEqual((reserved, kind, count), (0, 1, 1))
        w, h, colours, _, planes, bpp, size, offset = struct.unpack_from(
            "<BBBBHHII", data, 6)
        self.assertEqual((w, h, colours, planes, bpp), (16, 16, 0, 1, 32))
        self.assertEqual(offset, 22)
        self.assertEqual(offset + size, len(data))

        dib = data[offset:]
        header = struct.unpack_from("<IiiHHI", dib, 0)
        self.assertEqual(header, (40, 16, 32, 1, 32, 0))
        pixels, mask = dib[40:40 + 16 * 16 * 4], dib[40 + 16 * 16 * 4:]
        self.assertEqual(len(mask), 16 * 4)      # 1 bit, rows of 4 bytes

        def pixel(x, y):             # y counted from the top, as in the map
            at = ((15 - y) * 16 + x) * 4
            return tuple(pixels[at:at + 4])

        def masked(x, y):
            row = mask[(15 - y) * 4:(15 - y) * 4 + 4]
            return bool(row[x // 8] & (0x80 >> (x % 8)))

        self.assertEqual(pixel(0, 0), (0, 0, 255, 255))          # B G R A
        self.assertEqual(pixel(15, 0), (0x30, 0x20, 0x10, 0x40))
        self.assertEqual(pixel(0, 15), (0, 255, 0, 255))
        self.assertEqual(pixel(8, 15), (0, 0, 0, 0))
        self.assertFalse(masked(0, 0))
        self.assertFalse(masked(15, 0))     # partly see-through still drawn
        self.assertTrue(masked(1, 0))
        self.assertFalse(masked(7, 15))
        self.assertTrue(masked(8, 15))
        self.assertEqual(mask[(15 - 15) * 4 + 2:(15 - 15) * 4 + 4], b"\0\0")

    def test_sheet_is_a_valid_png(self):
        maps = [make_icons.read_map(os.path.join(ICONS, name))
                for name in sorted(os.listdir(ICONS))[:3]]
        data = make_icons.sheet_bytes(maps)
        self.assertEqual(data[:8], b"\x89PNG\r\n\x1a\n")
        pos, chunks = 8, {}
        while pos < len(data):
            length, = struct.unpack_from(">I", data, pos)
            kind = data[pos + 4:pos + 8]
            body = data[pos + 8:pos + 8 + length]
            crc, = struct.unpack_from(">I", data, pos + 8 + length)
            self.assertEqual(crc, zlib.crc32(kind + body) & 0xFFFFFFFF)
            chunks[kind] = chunks.get(kind, b"") + body
            pos += 12 + length
        width, height = struct.unpack(">II", chunks[b"IHDR"][:8])
        raw = zlib.decompress(chunks[b"IDAT"])
        self.assertEqual(len(raw), height * (1 + width * 3))


class ResourceSetTest(unittest.TestCase):
    """resource.h, the maps and vestun.rc agree with one another."""

    def test_every_id_has_one_map_and_one_icon_line(self):
        ids = icon_ids()
        maps = sorted(n for n in os.listdir(ICONS) if n.endswith(".txt"))
        with open(os.path.join(RESOURCES, "vestun.rc"), "rb") as f:
            rc = f.read().decode("cp1251")
        icon_lines = dict(re.findall(r'^(IDI_\w+)\s+ICON\s+"([^"]+)"', rc,
                                     re.M))
        self.assertEqual(set(icon_lines), set(ids))
        by_number = {}
        for name in maps:
            number = int(re.match(r"(\d+)-", name).group(1))
            self.assertNotIn(number, by_number, name)
            by_number[number] = name
        self.assertEqual(set(by_number), set(ids.values()))
        for name, number in ids.items():
            self.assertEqual(icon_lines[name],
                             by_number[number][:-len(".txt")] + ".ico", name)

    def test_every_map_makes_an_icon(self):
        for name in sorted(os.listdir(ICONS)):
            if name.endswith(".txt"):
                with self.subTest(name):
                    make_icons.ico_bytes(
                        make_icons.read_map(os.path.join(ICONS, name)))

    def test_script_is_windows_1251(self):
        with open(os.path.join(RESOURCES, "vestun.rc"), "rb") as f:
            data = f.read()
        self.assertTrue(data.startswith(b"#pragma code_page(1251)"))
        self.assertIn("Вестун".encode("cp1251"), data)
        self.assertNotIn("Вестун".encode("utf-8"), data)


def windres():
    return os.environ.get("WINDRES") or shutil.which(
        "x86_64-w64-mingw32-windres")


def read_res(data):
    """(type, name, language, body) of every entry of a .res file."""
    entries, pos = [], 0

    def ident(at):
        if data[at:at + 2] == b"\xff\xff":
            return struct.unpack_from("<H", data, at + 2)[0], at + 4
        end = at
        while data[end:end + 2] != b"\0\0":
            end += 2
        return data[at:end].decode("utf-16-le"), end + 2

    while pos < len(data):
        size, header = struct.unpack_from("<II", data, pos)
        kind, at = ident(pos + 8)
        name, at = ident(at)
        at = (at + 3) & ~3
        language, = struct.unpack_from("<H", data, at + 6)
        entries.append((kind, name, language,
                        data[pos + header:pos + header + size]))
        pos = (pos + header + size + 3) & ~3
    return [e for e in entries if e[0] != 0]


def version_strings(block, at=0, found=None):
    """Walks a VERSIONINFO block; returns {key: value} of its leaves."""
    found = {} if found is None else found
    length, value_length, text = struct.unpack_from("<HHH", block, at)
    end = at + 6
    while block[end:end + 2] != b"\0\0":
        end += 2
    key = block[at + 6:end].decode("utf-16-le")
    value_at = (end + 2 + 3) & ~3
    size = value_length * 2 if text else value_length
    value = block[value_at:value_at + size]
    found[key] = (value.decode("utf-16-le").rstrip("\0") if text else value)
    child = (value_at + size + 3) & ~3
    while child < at + length:
        child_length, = struct.unpack_from("<H", block, child)
        version_strings(block, child, found)
        child = (child + child_length + 3) & ~3
    return found


@unittest.skipUnless(windres(), "windres is not installed")
class CompiledResourcesTest(unittest.TestCase):
    """What windres makes of vestun.rc, read back from the .res file."""

    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        for name in os.listdir(ICONS):
            if name.endswith(".txt"):
                make_icons.write_ico(
                    os.path.join(ICONS, name),
                    os.path.join(cls.tmp.name, name[:-4] + ".ico"))
        res = os.path.join(cls.tmp.name, "vestun.res")
        subprocess.run([windres(), "-c", "1251", "-I", RESOURCES,
                        "-I", cls.tmp.name, "-O", "res",
                        os.path.join(RESOURCES, "vestun.rc"), res],
                       check=True)
        with open(res, "rb") as f:
            cls.entries = read_res(f.read())

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def of_kind(self, kind):
        return {name: (language, body)
                for k, name, language, body in self.entries if k == kind}

    def test_icon_groups(self):
        groups, images = self.of_kind(14), self.of_kind(3)
        self.assertEqual(set(groups), set(icon_ids().values()))
        for number, (_, body) in groups.items():
            with self.subTest(number):
                _, kind, count = struct.unpack_from("<HHH", body, 0)
                self.assertEqual((kind, count), (1, 1))
                w, h, _, _, _, bpp, size, image = struct.unpack_from(
                    "<BBBBHHIH", body, 6)
                self.assertEqual((w, h, bpp), (16, 16, 32))
                self.assertEqual(len(images[image][1]), size)

    def test_version(self):
        language, block = self.of_kind(16)[1]
        self.assertEqual(language, 0x419)
        strings = version_strings(block)
        fixed = strings["VS_VERSION_INFO"]
        self.assertEqual(struct.unpack_from("<II", fixed, 8),
                         (2 << 16 | 13, 0))
        self.assertIn("041904E3", strings)
        self.assertEqual(strings["ProductName"], "Вестун")
        self.assertTrue(strings["FileDescription"].startswith("Вестун"))
        self.assertEqual(strings["FileVersion"], "2.13")
        self.assertEqual(strings["ProductVersion"], "2.13")
        self.assertEqual(strings["OriginalFilename"], "vestun.exe")
        self.assertEqual(strings["InternalName"], "vestun")
        self.assertEqual(strings["Translation"], struct.pack("<HH", 0x419,
                                                             1251))

    def test_manifest(self):
        _, body = self.of_kind(24)[1]
        root = ET.fromstring(body)
        ns = {"v1": "urn:schemas-microsoft-com:asm.v1",
              "v3": "urn:schemas-microsoft-com:asm.v3",
              "c": "urn:schemas-microsoft-com:compatibility.v1"}
        identity = root.find("v1:assemblyIdentity", ns)
        self.assertEqual(identity.get("name"), "Tandreller.Vestun")
        self.assertEqual(identity.get("version"), "2.13.0.0")
        self.assertEqual(identity.get("processorArchitecture"), "amd64")
        controls = root.find("v1:dependency/v1:dependentAssembly/"
                             "v1:assemblyIdentity", ns)
        self.assertEqual(controls.get("name"),
                         "Microsoft.Windows.Common-Controls")
        self.assertEqual(controls.get("version"), "6.0.0.0")
        level = root.find(".//v3:requestedExecutionLevel", ns)
        self.assertEqual(level.get("level"), "asInvoker")
        self.assertEqual(len(root.findall(".//c:supportedOS", ns)), 4)


if __name__ == "__main__":
    unittest.main()
