"""The .deb as a packager and a technician meet it: fields, contents, the unpacked program,
the freedesktop and AppStream validators, and lintian."""

import hashlib
import io
import os
import pathlib
import re
import shutil
import struct
import subprocess
import tarfile
import tempfile
import unittest

PACKAGE_FILE = "zedez-updater_1.0.12_amd64.deb"
APP_ID = "sk.brenvo.ZedezUpdater"
ICON_SIZES = (48, 128, 256)
PLACEHOLDER = os.environ.get("ZEDEZ_FIRMWARE_IS_PLACEHOLDER", "ON").upper() in ("ON", "1", "TRUE")


def run(args, timeout=120, **kwargs):
    return subprocess.run(args, capture_output=True, text=True, timeout=timeout, **kwargs)


def expected_image():
    part1 = pathlib.Path(os.environ["ZEDEZ_FIRMWARE_PART1"]).read_bytes()
    part2 = pathlib.Path(os.environ["ZEDEZ_FIRMWARE_PART2"]).read_bytes()
    return b"MZ" + part1[2:] + b"Rar!" + part2


def png_size(path):
    header = path.read_bytes()[:24]
    if header[:8] != b"\x89PNG\r\n\x1a\n" or header[12:16] != b"IHDR":
        return None
    return struct.unpack(">II", header[16:24])


class DebianPackageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = pathlib.Path(tempfile.mkdtemp(prefix="zedez-deb-"))
        built = run(["cpack", "--config", os.environ["ZEDEZ_CPACK_CONFIG"], "-B", str(cls.work)],
                    timeout=240)
        if built.returncode != 0:
            shutil.rmtree(cls.work)
            raise AssertionError("cpack failed:\n" + built.stdout + built.stderr)
        cls.deb = cls.work / PACKAGE_FILE
        cls.root = cls.work / "root"
        subprocess.run(["dpkg", "-x", str(cls.deb), str(cls.root)], check=True, timeout=60)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work)

    def control_field(self, name):
        return run(["dpkg-deb", "-f", str(self.deb), name]).stdout.strip()

    def test_control_fields(self):
        info = run(["dpkg-deb", "-I", str(self.deb)])
        self.assertEqual(info.returncode, 0, info.stderr)
        self.assertEqual(self.control_field("Package"), "zedez-updater")
        self.assertEqual(self.control_field("Version"), "1.0.12")
        self.assertEqual(self.control_field("Architecture"), "amd64")
        self.assertEqual(self.control_field("Section"), "utils")
        self.assertRegex(self.control_field("Maintainer"), r"^[^<>]+ <[^<>@\s]+@[^<>\s]+>$")
        # dpkg-shlibdeps found the libraries the executable links.
        depends = self.control_field("Depends")
        for library in ("libc6", "libqt6widgets6", "libssl3"):
            self.assertIn(library, depends)
        description = self.control_field("Description")
        if PLACEHOLDER:
            self.assertIn("placeholder firmware parts", description)
        else:
            self.assertIn("the vendor's firmware parts", description)
            self.assertNotIn("placeholder", description)

    def test_contents(self):
        listing = run(["dpkg-deb", "-c", str(self.deb)]).stdout.splitlines()
        entries = {line.split()[-1].removeprefix(".") for line in listing}
        expected = {
            "/usr/bin/zedez-updater",
            f"/usr/share/applications/{APP_ID}.desktop",
            f"/usr/share/metainfo/{APP_ID}.metainfo.xml",
            f"/usr/share/icons/hicolor/scalable/apps/{APP_ID}.svg",
            "/usr/share/man/man1/zedez-updater.1.gz",
            "/usr/share/man/sk/man1/zedez-updater.1.gz",
            "/usr/share/bash-completion/completions/zedez-updater",
            "/usr/share/doc/zedez-updater/copyright",
            "/usr/share/doc/zedez-updater/changelog.gz",
            "/lib/systemd/system/zedez-updater.service",
            "/lib/systemd/system/zedez-updater.timer",
            "/etc/zedez-updater/registers",
            "/etc/zedez-updater/schedule.conf",
        } | {f"/usr/share/icons/hicolor/{s}x{s}/apps/{APP_ID}.png" for s in ICON_SIZES}
        self.assertLessEqual(expected, entries)
        for line in listing:
            self.assertIn(" root/root ", line)
        for size in ICON_SIZES:
            icon = self.root / f"usr/share/icons/hicolor/{size}x{size}/apps/{APP_ID}.png"
            self.assertEqual(png_size(icon), (size, size))

    def test_schedule_is_configured_in_etc_and_enabled_by_no_one(self):
        conffiles = run(["dpkg-deb", "-I", str(self.deb), "conffiles"]).stdout.split()
        self.assertEqual(conffiles, ["/etc/zedez-updater/registers",
                                     "/etc/zedez-updater/schedule.conf"])
        # No maintainer script: the timer stays disabled until an administrator enables it.
        scripts = run(["dpkg-deb", "-I", str(self.deb)]).stdout
        for script in ("postinst", "preinst", "prerm", "postrm"):
            self.assertNotIn(f" {script} ", scripts)

    def test_hardened_as_debian_builds_and_without_the_comment_section(self):
        binary = str(self.root / "usr/bin/zedez-updater")
        # Debian 12's start files (Scrt1.o, crti.o, crtn.o) carry no IBT/SHSTK property, so
        # the linker leaves the control-flow note off every bookworm executable; the
        # instructions are checked below instead.
        check = run(["hardening-check", "--nocfprotection", binary])
        print("\n" + check.stdout, end="")
        self.assertEqual(check.returncode, 0, check.stdout + check.stderr)
        for feature in ("Position Independent Executable", "Stack protected",
                        "Fortify Source functions", "Read-only relocations", "Immediate binding"):
            self.assertRegex(check.stdout, rf"{feature}: yes\b")
        code = run(["objdump", "-d", "--no-show-raw-insn", "-M", "intel", binary],
                   timeout=240).stdout
        self.assertIn("endbr64", code)  # -fcf-protection's landing pads
        # -fstack-clash-protection probes each page of a large frame.
        self.assertRegex(code, r"sub\s+rsp,0x1000\n\s*[0-9a-f]+:\s+or\s+QWORD PTR \[rsp\],0x0")
        sections = run(["readelf", "-S", "-W", binary]).stdout
        self.assertNotIn(".comment", sections)

    def test_packing_the_same_build_again_gives_the_same_bytes(self):
        again = self.work / "again"
        # Under another umask too: it must leave no trace in the archive's members.
        built = run(["sh", "-c", 'umask 002 && exec "$@"', "sh", "cpack", "--config",
                     os.environ["ZEDEZ_CPACK_CONFIG"], "-B", str(again)], timeout=240)
        self.assertEqual(built.returncode, 0, built.stdout + built.stderr)
        self.assertEqual(hashlib.sha256((again / PACKAGE_FILE).read_bytes()).hexdigest(),
                         hashlib.sha256(self.deb.read_bytes()).hexdigest())
        # The archive's times are the last commit's, not the clock's.
        data = subprocess.run(["dpkg-deb", "--fsys-tarfile", str(self.deb)], capture_output=True,
                              check=True, timeout=60).stdout
        with tarfile.open(fileobj=io.BytesIO(data)) as archive:
            self.assertEqual({member.mtime for member in archive.getmembers()},
                             {int(os.environ["ZEDEZ_SOURCE_DATE_EPOCH"])})

    def run_unpacked(self, *args, lang="C.UTF-8"):
        binary = self.root / "usr/bin/zedez-updater"
        env = {k: v for k, v in os.environ.items()
               if k not in ("DISPLAY", "WAYLAND_DISPLAY", "LANGUAGE", "LC_ALL", "LC_MESSAGES")}
        env["QT_QPA_PLATFORM"] = "offscreen"
        env["LANG"] = lang
        # A network namespace of its own: whatever the program does, nothing leaves the machine.
        command = [str(binary), *args]
        if run(["unshare", "--net", "true"], timeout=10).returncode == 0:
            command = ["unshare", "--net", "--"] + command
        return run(command, timeout=30, env=env)

    def test_unpacked_version(self):
        result = self.run_unpacked("--version")
        self.assertEqual(result.returncode, 0, result.stderr)
        image = expected_image()
        lines = result.stdout.splitlines()
        self.assertEqual(lines[:4], [
            "zedez-updater 1.0.12",
            "File version: 1.0.9.1",
            f"Firmware image: ZEDEZ 1.0.12, SHA-256 {hashlib.sha256(image).hexdigest()},"
            f" {len(image)} bytes",
            "Firmware parts: placeholders, not a real firmware" if PLACEHOLDER
            else "Firmware parts: vendor build",
        ])

    def test_unpacked_program_speaks_slovak_by_the_locale(self):
        # The translation is compiled into the executable.
        slovak = self.run_unpacked("--help", lang="sk_SK.UTF-8")
        self.assertEqual(slovak.returncode, 0, slovak.stderr)
        self.assertIn("Ukáže túto pomoc a skončí.", slovak.stdout)
        english = self.run_unpacked("--help")
        self.assertIn("Show this help and end.", english.stdout)

    def test_validators(self):
        entry = self.root / f"usr/share/applications/{APP_ID}.desktop"
        desktop = run(["desktop-file-validate", str(entry)])
        self.assertEqual((desktop.returncode, desktop.stdout), (0, ""), desktop.stderr)
        # The menu offers the window for the registers of the network beside the program.
        text = entry.read_text(encoding="utf-8")
        self.assertIn("\nActions=registers;\n", text)
        action = text.split("[Desktop Action registers]", 1)[1]
        # The key without a locale is the English text.
        self.assertIn("\nName=Find the registers in the network\n", action)
        self.assertIn("\nName[sk]=Nájsť pokladnice v sieti\n", action)
        self.assertIn("\nExec=zedez-updater --registers\n", action)
        metainfo = run(["appstreamcli", "validate", "--no-net", "--no-color",
                        str(self.root / f"usr/share/metainfo/{APP_ID}.metainfo.xml")])
        self.assertEqual(metainfo.returncode, 0, metainfo.stdout + metainfo.stderr)
        for page in ("man1", "sk/man1"):
            manual = run(["man", "--warnings", "-E", "UTF-8", "-l", "-Tutf8", "-Z",
                          str(self.root / f"usr/share/man/{page}/zedez-updater.1.gz")],
                         env=dict(os.environ, LC_ALL="C.UTF-8", MANWIDTH="80"))
            self.assertEqual((page, manual.returncode, manual.stderr), (page, 0, ""))
        completion = run(["bash", "-n",
                          str(self.root / "usr/share/bash-completion/completions/zedez-updater")])
        self.assertEqual(completion.returncode, 0, completion.stderr)

    def test_lintian(self):
        result = run(["lintian", "--display-info", str(self.deb)], timeout=240)
        print("\n" + result.stdout, end="")
        findings = [line for line in result.stdout.splitlines() if line[:2] in ("E:", "W:")]
        self.assertEqual(findings, [])
        for tag in ("hardening-", "binary-has-unneeded-section"):
            self.assertNotIn(tag, result.stdout)
        self.assertIn(result.returncode, (0, 1), result.stderr)


class ProvenanceTest(unittest.TestCase):
    """A configure says which parts the build embeds; only the placeholders draw a warning."""

    def configure(self, build, *options):
        result = run(["cmake", "-S", os.environ["ZEDEZ_SOURCE_DIR"], "-B", str(build), "-G", "Ninja",
                      "-DZEDEZ_BUILD_TESTS=OFF", "-DZEDEZ_BUILD_BENCHMARKS=OFF", *options])
        self.assertEqual(result.returncode, 0, result.stderr)
        description = (build / "CPackConfig.cmake").read_text()
        return result.stderr, description

    def test_placeholder_and_vendor_builds(self):
        with tempfile.TemporaryDirectory(prefix="zedez-configure-") as work:
            work = pathlib.Path(work)
            warnings, description = self.configure(work / "placeholder")
            self.assertIn("not a real firmware", " ".join(warnings.split()))
            self.assertIn("placeholder firmware parts", description)
            parts = []
            for name, size in (("part1.bin", 4096), ("part2.bin", 8192)):
                (work / name).write_bytes(os.urandom(size))
                parts.append(work / name)
            warnings, description = self.configure(
                work / "vendor", f"-DZEDEZ_FIRMWARE_PART1={parts[0]}",
                f"-DZEDEZ_FIRMWARE_PART2={parts[1]}")
            self.assertNotIn("CMake Warning", warnings)
            self.assertIn("the vendor's firmware parts", description)
            self.assertNotIn("placeholder", description)


if __name__ == "__main__":
    unittest.main()
