#!/usr/bin/env python3
"""Checks the downloads in dist/ that tools/package.sh writes, used the way a
person who downloads them uses them:

  windows-zip      the two savers (PE32 and PE32+, stripped, system DLLs
                   only) in their folders, and the read-me
  web-zip          the web page as built and tested, and SHA256SUMS for
                   every download
  debian-package   lintian, the package's fields and files, and its programs
                   run from a scratch root (dpkg -x), the hack on Xvfb and
                   by its link on PATH
  installer-win64  the installer and its uninstaller, silent, in a fresh
  installer-win32  64-bit and a fresh 32-bit Wine prefix
  installer-arm64  the installer's branch for 64-bit ARM Windows, in a test
                   build that takes it on any machine: the 32-bit saver
  signed           tools/package.sh again, given a throwaway certificate:
                   both savers and the installer verify against it

  test_downloads.py [--dist DIR] [--work DIR] [--junit FILE] [CASE...]

The version the files must carry is the native build's
(build/native/cindral-version.txt). Each case reports every check that
failed; the last line counts the cases that passed, failed and were skipped.
Where 32-bit programs cannot run, installer-win32 is skipped and
installer-win64 runs the same installer built as a 64-bit program, which
tools/package.sh then leaves in build/package/. --junit writes the results
as CTest's JUnit file does, for tools/test_summary.py.
"""
import argparse
import gzip
import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import time
import traceback
import xml.etree.ElementTree as ElementTree
import zipfile

ROOT = os.path.abspath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "support"))
from picture_check import cindral_env, corners, middle, screenshot, wait_for_picture  # noqa: E402

COPYRIGHT = "Copyright the Cindral authors, all rights reserved"
PUBLISHER = "The Cindral authors"
DESKTOP_KEY = r"HKCU\Control Panel\Desktop"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Cindral"
MEMORY_KEY = r"HKCU\Software\Cindral"
INSTALLED_SCR = r"C:\windows\system32\cindral.scr"
HACK_DIR = "usr/libexec/xscreensaver"
# PE optional header magic and machine of each saver.
PE_KINDS = {"32-bit Windows": (0x10B, 0x14C), "64-bit Windows": (0x20B, 0x8664)}


class Stop(Exception):
    """A failure after which the rest of the case cannot be checked."""


class Case:
    def __init__(self, args):
        self.args = args
        self.version = args.version
        self.failures = []
        self.work = os.path.join(args.work, self.name)
        shutil.rmtree(self.work, ignore_errors=True)
        os.makedirs(self.work)

    def check(self, condition, message):
        if not condition:
            self.failures.append(message)
        return condition

    def require(self, condition, message):
        if not condition:
            raise Stop(message)

    def dist(self, name):
        path = os.path.join(self.args.dist, name)
        self.require(os.path.isfile(path), "%s is missing: run tools/package.sh" % path)
        return path

    def windows_zip(self):
        """The zip, unpacked into the case's folder; returns the folder."""
        top = "cindral-%s-windows" % self.version
        with zipfile.ZipFile(self.dist(top + ".zip")) as archive:
            self.require(archive.testzip() is None, "the zip is damaged")
            archive.extractall(self.work)
        return os.path.join(self.work, top)


def run(argv, **kw):
    kw.setdefault("stdout", subprocess.PIPE)
    kw.setdefault("stderr", subprocess.STDOUT)
    return subprocess.run(argv, text=True, **kw)


def owning_packages(path):
    """The installed packages that hold a file, looked up under the names it
    may have: ldd's, the symbolic link's target, with and without /usr in
    front (/lib is /usr/lib, while dpkg knows one of the two)."""
    names = []
    for name in (path, os.path.realpath(path)):
        names += [name, name[4:] if name.startswith("/usr/") else "/usr" + name]
    for name in names:
        result = run(["dpkg", "-S", name], stderr=subprocess.DEVNULL)
        if result.returncode == 0:
            owners = result.stdout.splitlines()[0].rsplit(": ", 1)[0]
            return {owner.strip().split(":")[0] for owner in owners.split(",")}
    return set()


def pe_kind(path):
    """(optional header magic, machine) of a PE file, or None."""
    with open(path, "rb") as f:
        data = f.read(4096)
    if data[:2] != b"MZ" or len(data) < 0x40:
        return None
    (offset,) = struct.unpack_from("<I", data, 0x3C)
    if data[offset:offset + 4] != b"PE\0\0" or len(data) < offset + 26:
        return None
    (machine,) = struct.unpack_from("<H", data, offset + 4)
    (magic,) = struct.unpack_from("<H", data, offset + 24)
    return magic, machine


# ---------------------------------------------------------------- the zip

class WindowsZip(Case):
    name = "windows-zip"

    def run(self):
        top = "cindral-%s-windows" % self.version
        with zipfile.ZipFile(self.dist(top + ".zip")) as archive:
            files = sorted(n for n in archive.namelist() if not n.endswith("/"))
        expected = sorted(top + "/" + n for n in ("32-bit Windows/cindral.scr", "64-bit Windows/cindral.scr",
                                                  "LICENSE.txt", "README.txt"))
        self.check(files == expected, "the zip holds %s, not %s" % (files, expected))

        folder = self.windows_zip()
        savers = []
        for sub, kind in PE_KINDS.items():
            scr = os.path.join(folder, sub, "cindral.scr")
            if self.check(os.path.isfile(scr), "%s/cindral.scr is missing" % sub):
                savers.append(scr)
                self.check(pe_kind(scr) == kind, "%s/cindral.scr is %s, not %s" % (sub, pe_kind(scr), kind))
        if savers:
            # Stripped, and still importing only system DLLs and carrying
            # the description and the icon.
            result = run(["bash", os.path.join(ROOT, "tools", "check_scr.sh"), "--stripped"] + savers)
            self.check(result.returncode == 0, "check_scr.sh --stripped: " + result.stdout.strip())

        for name in ("README.txt", "LICENSE.txt"):
            path = os.path.join(folder, name)
            if not self.check(os.path.isfile(path), name + " is missing"):
                continue
            with open(path, "rb") as f:
                text = f.read()
            # Notepad before Windows 10 shows a file with bare LF ends as one line.
            self.check(text.count(b"\n") > 0 and text.count(b"\n") == text.count(b"\r\n"),
                       name + " does not end every line with CR LF")
            self.check(COPYRIGHT.encode() in text, name + " lacks the copyright notice")
            self.check(b"@" not in text, name + " has a placeholder left: " + repr(text[text.find(b"@"):][:20]))
        with open(os.path.join(folder, "README.txt"), "rb") as f:
            self.check(("Cindral screen saver " + self.version).encode() in f.read(),
                       "README.txt does not name version " + self.version)


# ------------------------------------------------------------ the package

class DebianPackage(Case):
    name = "debian-package"

    def run(self):
        arch = run(["dpkg", "--print-architecture"]).stdout.strip()
        deb = self.dist("cindral_%s_%s.deb" % (self.version, arch))

        # The copyright notice is the owner's wording, which names no year;
        # lintian wants one. Any other warning or error fails.
        lint = run(["lintian", "--fail-on", "error,warning", "--suppress-tags",
                    "copyright-without-copyright-notice", deb])
        self.check(lint.returncode == 0, "lintian:\n" + lint.stdout)

        fields = {}
        for line in run(["dpkg-deb", "--field", deb]).stdout.splitlines():
            if ":" in line and not line.startswith(" "):
                key, value = line.split(":", 1)
                fields[key] = value.strip()
        for key, value in (("Package", "cindral"), ("Version", self.version), ("Architecture", arch)):
            self.check(fields.get(key) == value, "%s is %r, not %r" % (key, fields.get(key), value))

        root = os.path.join(self.work, "root")
        self.require(run(["dpkg-deb", "-x", deb, root]).returncode == 0, "dpkg-deb -x failed")
        path = lambda relative: os.path.join(root, relative)  # noqa: E731

        # The hack is the one program in the hacks' folder; every other file
        # of the hack is named after it.
        hacks = sorted(os.listdir(path(HACK_DIR))) if os.path.isdir(path(HACK_DIR)) else []
        self.require(len(hacks) == 1, "%s holds %s, not one program" % (HACK_DIR, hacks))
        hack = hacks[0]
        hack_path = "/%s/%s" % (HACK_DIR, hack)
        programs = [path(HACK_DIR + "/" + hack), path("usr/bin/cindral-render")]
        for program in programs:
            self.check(os.access(program, os.X_OK), program + " is missing or not executable")

        # On PATH through a relative link, which works wherever the root is.
        link = path("usr/bin/" + hack)
        if self.check(os.path.islink(link), "usr/bin/%s is not a symbolic link" % hack):
            self.check(os.readlink(link) == os.path.relpath(hack_path, "/usr/bin"),
                       "usr/bin/%s points to %r, not to %s" % (hack, os.readlink(link), hack_path))
            usage = run([link, "--help"])
            self.check(usage.returncode == 0 and usage.stdout.startswith("usage: " + hack),
                       "usr/bin/%s --help: exit %d, %r" % (hack, usage.returncode,
                                                           usage.stdout[:200]))
        readme = path("usr/share/doc/cindral/README.Debian")
        if self.check(os.path.isfile(readme), "usr/share/doc/cindral/README.Debian is missing"):
            with open(readme) as f:
                self.check(hack + " --add-to-xscreensaver" in f.read(),
                           "README.Debian does not say to run %s --add-to-xscreensaver" % hack)

        self.check_settings_file(path("usr/share/xscreensaver/config"), hack)
        self.check_desktop_entry(path("usr/share/applications/screensavers/%s.desktop" % hack), hack_path)
        for page, title, program in (("usr/share/man/man6/%s.6x.gz" % hack, hack, programs[0]),
                                     ("usr/share/man/man1/cindral-render.1.gz", r"cindral\-render", programs[1])):
            text = self.gunzip(path(page))
            if text is not None:
                self.check(re.search(r'^\.TH %s \S+ "[^"]*" "Cindral %s"' % (re.escape(title), re.escape(self.version)),
                                     text, re.M),
                           page + " has no .TH line naming it and version " + self.version)
                # Every option the page lists, --help lists too.
                usage = run([program, "--help"]).stdout
                for option in re.findall(r"^\.TP\n\.BI? ((?:\\-)+[\w\\-]+)", text, re.M):
                    option = option.replace("\\-", "-")
                    self.check(option in usage, "%s lists %s, %s --help does not" % (page, option, title))
        doc = "usr/share/doc/cindral/"
        if self.check(os.path.isfile(path(doc + "copyright")), doc + "copyright is missing"):
            with open(path(doc + "copyright")) as f:
                self.check(COPYRIGHT in f.read(), doc + "copyright lacks the notice")
        changelog = self.gunzip(path(doc + "changelog.gz"))
        if changelog is not None:
            self.check(changelog.startswith("cindral (%s) " % self.version),
                       "the changelog's latest entry is not for " + self.version)

        self.check_depends(fields.get("Depends", ""), programs)
        self.check_programs_run(root, hack)

    def gunzip(self, file):
        if not self.check(os.path.isfile(file), file + " is missing"):
            return None
        with gzip.open(file, "rt") as f:
            return f.read()

    def check_settings_file(self, folder, hack):
        settings = sorted(os.listdir(folder)) if os.path.isdir(folder) else []
        if not self.check(len(settings) == 1 and settings[0].endswith(".xml"),
                          "the settings folder holds %s, not one .xml file" % settings):
            return
        root = ElementTree.parse(os.path.join(folder, settings[0])).getroot()
        self.check(root.tag == "screensaver" and root.get("name") == hack,
                   "the settings file names <%s name=%r>, not the program %r" % (root.tag, root.get("name"), hack))

    def check_desktop_entry(self, file, hack_path):
        if not self.check(os.path.isfile(file), file + " is missing"):
            return
        entry = {}
        with open(file) as f:
            for line in f:
                if "=" in line:
                    key, value = line.rstrip("\n").split("=", 1)
                    entry[key] = value
        self.check(entry.get("Type") == "Application", "the desktop entry's Type is not Application")
        self.check(entry.get("Exec") == hack_path + " -root",
                   "the desktop entry runs %r, not %r" % (entry.get("Exec"), hack_path + " -root"))
        self.check(entry.get("TryExec") == hack_path, "the desktop entry's TryExec is %r" % entry.get("TryExec"))
        # As every screen-saver entry of Debian's: kept out of the menus of
        # desktops that list every application.
        self.check(entry.get("OnlyShowIn") == "MATE;", "the desktop entry's OnlyShowIn is %r" % entry.get("OnlyShowIn"))

    def check_depends(self, depends, programs):
        """Each library the programs load directly is in a package that
        Depends names."""
        named = set(re.findall(r"(?:^|[,|]\s*)([a-z0-9][a-z0-9+.-]*)", depends))
        for program in programs:
            needed = re.findall(r"\(NEEDED\)\s+Shared library: \[(.+?)\]",
                                run(["readelf", "-d", program]).stdout)
            self.check(needed, program + " lists no libraries")
            resolved = dict(re.findall(r"^\s*(\S+) => (/\S+)", run(["ldd", program]).stdout, re.M))
            for library in needed:
                if not self.check(library in resolved, "%s: %s is not found" % (program, library)):
                    continue
                packages = owning_packages(resolved[library])
                self.check(packages & named, "%s needs %s from %s, which Depends (%s) does not name"
                           % (os.path.basename(program), library, sorted(packages), depends))

    def check_programs_run(self, root, hack):
        env = dict(os.environ, MESA_SHADER_CACHE_DISABLE="true")
        env.pop("DISPLAY", None)
        render = os.path.join(root, "usr/bin/cindral-render")
        hack_program = os.path.join(root, HACK_DIR, hack)
        for argv, name in (([render, "--version"], "cindral-render"), ([hack_program, "-version"], hack),
                           ([hack_program, "--version"], hack)):
            result = run(argv, env=env)
            self.check((result.returncode, result.stdout) == (0, "%s %s\n" % (name, self.version)),
                       "%s: exit %d, %r" % (" ".join(argv[1:]), result.returncode, result.stdout))
        png = os.path.join(self.work, "frame.png")
        result = run([render, "--frames", "5", "--size", "64x48", "--png", png], env=env)
        self.check(result.returncode == 0 and os.path.isfile(png) and os.path.getsize(png) > 0,
                   "the installed cindral-render drew no picture: " + result.stdout)

        with cindral_env.Xvfb() as display:
            env["DISPLAY"] = display
            hack_process = subprocess.Popen([hack_program, "-root"], env=env, stdout=subprocess.DEVNULL,
                                            stderr=subprocess.PIPE, text=True)
            try:
                def take():
                    if hack_process.poll() is not None:
                        raise AssertionError("the hack ended with %d" % hack_process.returncode)
                    return screenshot(display)
                wait_for_picture(take, 30, flame=[middle], black=[corners])
            except AssertionError as e:
                self.check(False, "the installed hack drew no flame on the root window: %s" % e)
            finally:
                if hack_process.poll() is None:
                    hack_process.send_signal(signal.SIGTERM)
                try:
                    hack_process.wait(10)
                except subprocess.TimeoutExpired:
                    hack_process.kill()
                    hack_process.wait()
                    self.check(False, "the installed hack did not end within 10 s of SIGTERM")
            errors = hack_process.stderr.read()
            self.check(not errors, "the installed hack wrote: " + errors)


# ---------------------------------------------------- the installer under Wine

class Installer(Case):
    """The silent installer and uninstaller in a fresh prefix, which is
    removed again however the case ends."""

    def setup_file(self):
        if self.arch == "win64" and cindral_env.no_32bit_reason():
            print("%s: the installer built as a 64-bit program, since %s" % (self.name, cindral_env.no_32bit_reason()))
            return self.package_file("cindral-%s-setup-amd64.exe" % self.version)
        return self.dist("cindral-%s-setup.exe" % self.version)

    def package_file(self, name):
        path = os.path.join(ROOT, "build", "package", name)
        self.require(os.path.isfile(path), "%s is missing: run tools/package.sh" % path)
        return path

    def run(self):
        setup = self.setup_file()
        saver = os.path.join(self.windows_zip(), self.saver_folder, "cindral.scr")
        base = dict(os.environ, CINDRAL_WINE_PREFIXES=os.path.join(self.work, "wine"))
        # No display: the installer and the saver's /c show nothing.
        base.pop("DISPLAY", None)
        self.env = cindral_env.wine_environment(self.arch, base)
        try:
            self.run_in_prefix(setup, saver)
        finally:
            cindral_env.remove_prefix(self.env)
            shutil.rmtree(base["CINDRAL_WINE_PREFIXES"], ignore_errors=True)

    def wine(self, *argv):
        return cindral_env.wine(self.env, *argv, stdout=subprocess.PIPE, text=True)

    def wait(self):
        """Waits for every program of the prefix to end: the uninstaller
        runs from a copy of itself, and the first process returns at once."""
        subprocess.run([cindral_env.WINESERVER, "-w"], env=self.env)

    def reg_value(self, key, name):
        result = self.wine("reg", "query", key, "/v", name)
        if result.returncode != 0:
            return None
        for line in result.stdout.splitlines():
            parts = re.split(r"\s{4}", line.strip(), maxsplit=2)
            if len(parts) >= 2 and parts[0].lower() == name.lower():
                return parts[2] if len(parts) == 3 else ""
        return None

    def set_desktop(self, name, value):
        if value is None:
            self.wine("reg", "delete", DESKTOP_KEY, "/v", name, "/f")
        else:
            self.wine("reg", "add", DESKTOP_KEY, "/v", name, "/t", "REG_SZ", "/d", value, "/f")

    def unix_path(self, windows_path):
        """The file in the prefix for a C: path; Windows ignores case."""
        path = os.path.join(self.env["WINEPREFIX"], "drive_c")
        for part in windows_path.split("\\")[1:]:
            names = {n.lower(): n for n in os.listdir(path)} if os.path.isdir(path) else {}
            path = os.path.join(path, names.get(part.lower(), part))
        return path

    def run_in_prefix(self, setup, saver):
        self.set_desktop("SCRNSAVE.EXE", self.previous_saver)
        self.set_desktop("ScreenSaveActive", self.previous_active)

        for attempt in range(self.installs):
            result = self.wine(setup, "/S")
            self.wait()
            self.require(result.returncode == 0, "install %d: exit %d" % (attempt + 1, result.returncode))

        installed = self.unix_path(INSTALLED_SCR)
        if self.check(os.path.isfile(installed), INSTALLED_SCR + " is missing"):
            with open(installed, "rb") as a, open(saver, "rb") as b:
                self.check(a.read() == b.read(), INSTALLED_SCR + " is not the zip's %s saver" % self.saver_folder)
        for elsewhere in self.not_installed:
            self.check(not os.path.exists(self.unix_path(elsewhere)), "a saver landed in " + elsewhere)

        selected = self.reg_value(DESKTOP_KEY, "SCRNSAVE.EXE")
        self.check((selected or "").lower() == INSTALLED_SCR.lower(),
                   "SCRNSAVE.EXE is %r after installing" % selected)
        self.check(self.reg_value(DESKTOP_KEY, "ScreenSaveActive") == "1", "the screen saver is not turned on")

        for name, value in (("DisplayName", "Cindral screen saver"), ("DisplayVersion", self.version),
                            ("Publisher", PUBLISHER)):
            found = self.reg_value(UNINSTALL_KEY, name)
            self.check(found == value, "the uninstall entry's %s is %r, not %r" % (name, found, value))
        uninstall = self.reg_value(UNINSTALL_KEY, "UninstallString") or ""
        match = re.fullmatch(r'"([^"]+)"', uninstall)
        self.require(match, "the uninstall entry's UninstallString is %r" % uninstall)
        uninstaller = self.unix_path(match.group(1))
        self.require(os.path.isfile(uninstaller), "the uninstaller %s is missing" % match.group(1))

        # The 32-bit saver in a 64-bit prefix (ARM's branch) runs where 32-bit programs do.
        if self.saver_folder == "64-bit Windows" or not cindral_env.no_32bit_reason():
            configure = self.wine(INSTALLED_SCR, "/c")
            self.check(configure.returncode == 0, "the installed saver's /c: exit %d" % configure.returncode)

        result = self.wine(match.group(1), "/S")
        self.wait()
        self.require(result.returncode == 0, "uninstall: exit %d" % result.returncode)
        self.check(not os.path.exists(installed), INSTALLED_SCR + " is still there after uninstalling")
        self.check(not os.path.exists(uninstaller), "the uninstaller is still there")
        self.check(self.reg_value(UNINSTALL_KEY, "DisplayName") is None, "the uninstall entry is still there")
        self.check(self.wine("reg", "query", MEMORY_KEY).returncode != 0, MEMORY_KEY + " is still there")
        # Exactly as before: a value that did not exist (None) is gone again.
        for name, value in (("SCRNSAVE.EXE", self.previous_saver), ("ScreenSaveActive", self.previous_active)):
            found = self.reg_value(DESKTOP_KEY, name)
            self.check(found == value, "%s is %r after uninstalling, not %r as before" % (name, found, value))


class Installer64(Installer):
    """A saver selected before, and no ScreenSaveActive; installing twice
    must still give back those, not what the first install left."""
    name = "installer-win64"
    arch = "win64"
    saver_folder = "64-bit Windows"
    # The 32-bit installer's view of the system folder, unless it turns the
    # redirection off for the copy.
    not_installed = [r"C:\windows\syswow64\cindral.scr"]
    previous_saver = r"C:\windows\system32\previous.scr"
    previous_active = None
    installs = 2


class Installer32(Installer):
    """No saver selected before, and screen savers off, as Windows XP keeps
    the choice "(None)"."""
    name = "installer-win32"
    arch = "win32"
    saver_folder = "32-bit Windows"
    not_installed = []
    previous_saver = None
    previous_active = "0"
    installs = 1


class InstallerArm64(Installer64):
    """64-bit ARM Windows, which runs no x64 saver before Windows 11: the
    32-bit one, in the native system folder."""
    name = "installer-arm64"
    saver_folder = "32-bit Windows"
    installs = 1

    def setup_file(self):
        return self.package_file("cindral-%s-setup-arm64-test.exe" % self.version)


class SignedDownloads(Case):
    name = "signed"

    def run(self):
        pem, pfx, password = (os.path.join(self.work, n) for n in ("cert.pem", "cert.pfx", "password"))
        with open(password, "w") as f:
            f.write("throwaway\n")
        key = os.path.join(self.work, "key.pem")
        for argv in (["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-keyout", key,
                      "-out", pem, "-subj", "/CN=Cindral test publisher", "-addext", "extendedKeyUsage=codeSigning"],
                     ["openssl", "pkcs12", "-export", "-inkey", key, "-in", pem, "-out", pfx,
                      "-passout", "file:" + password]):
            self.require(run(argv).returncode == 0, " ".join(argv[:2]) + " failed")
        self.args = argparse.Namespace(**dict(vars(self.args), dist=os.path.join(self.work, "dist")))
        env = dict(os.environ, CINDRAL_SIGN_PFX=pfx, CINDRAL_SIGN_PASSWORD_FILE=password,
                   CINDRAL_DIST=self.args.dist, CINDRAL_PACKAGE_WORK=os.path.join(self.work, "package"))
        result = run(["bash", os.path.join(ROOT, "tools", "package.sh")], env=env)
        self.require(result.returncode == 0, "tools/package.sh with a certificate: " + result.stdout[-2000:])
        self.check("sign: signing the Windows programs with " + pfx in result.stdout,
                   "tools/package.sh did not say that it signs")

        folder = self.windows_zip()
        savers = [os.path.join(folder, sub, "cindral.scr") for sub in PE_KINDS]
        for path in savers + [self.dist("cindral-%s-setup.exe" % self.version)]:
            verify = run(["osslsigncode", "verify", "-CAfile", pem, "-in", path])
            self.check(verify.returncode == 0, "%s is not signed: %s" % (os.path.relpath(path, self.work),
                                                                       verify.stdout.strip()[-300:]))
        result = run(["bash", os.path.join(ROOT, "tools", "check_scr.sh"), "--stripped"] + savers)
        self.check(result.returncode == 0, "check_scr.sh --stripped on the signed savers: " + result.stdout.strip())


# ---------------------------------------------------------------- the web zip

class WebZip(Case):
    name = "web-zip"

    def run(self):
        top = "cindral-%s-web" % self.version
        page_files = ("index.html", "page.js", "cindral.js", "favicon.ico", "manifest.json", "icon-192.png",
                      "icon-512.png", "og-image.png", "service-worker.js")
        with zipfile.ZipFile(self.dist(top + ".zip")) as archive:
            files = sorted(n for n in archive.namelist() if not n.endswith("/"))
            expected = sorted(top + "/" + n for n in page_files + ("LICENSE.txt",))
            self.require(files == expected, "the web zip holds %s, not %s" % (files, expected))
            # The very page that the web tests ran in Chromium.
            for name in page_files:
                with open(self.dist(os.path.join("web", name)), "rb") as built:
                    self.check(archive.read(top + "/" + name) == built.read(),
                               "%s in the web zip is not the built one" % name)
            self.check(COPYRIGHT in archive.read(top + "/LICENSE.txt").decode(), "the licence lacks the notice")

        # Every download is listed with its checksum, and no other file.
        downloads = ["cindral-%s-windows.zip" % self.version, "cindral-%s-setup.exe" % self.version,
                     top + ".zip"] + [n for n in os.listdir(self.args.dist) if n.endswith(".deb")]
        result = run(["sha256sum", "--strict", "-c", "SHA256SUMS"], cwd=self.args.dist)
        self.check(result.returncode == 0, "sha256sum -c SHA256SUMS: " + result.stdout.strip())
        with open(self.dist("SHA256SUMS")) as f:
            listed = sorted(line.split()[1] for line in f if line.strip())
        self.check(listed == sorted(downloads), "SHA256SUMS lists %s, not %s" % (listed, sorted(downloads)))


CASES = [WindowsZip, WebZip, DebianPackage, Installer64, Installer32, InstallerArm64, SignedDownloads]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--dist", default=os.path.join(ROOT, "dist"))
    parser.add_argument("--work", default=os.path.join(ROOT, "build", "package-tests"))
    parser.add_argument("--junit", help="write the results here as a JUnit file")
    parser.add_argument("cases", nargs="*", metavar="CASE", help=", ".join(c.name for c in CASES))
    args = parser.parse_args()
    with open(os.path.join(ROOT, "build", "native", "cindral-version.txt")) as f:
        args.version = f.read().strip()
    chosen = [c for c in CASES if not args.cases or c.name in args.cases]
    unknown = set(args.cases) - {c.name for c in CASES}
    if unknown:
        parser.error("no case named " + ", ".join(sorted(unknown)))

    counts = {"passed": 0, "failed": 0, "skipped": 0}
    suite = ElementTree.Element("testsuite", name="downloads")
    for case_class in chosen:
        started = time.monotonic()
        case = case_class(args)
        skipped = None
        try:
            case.run()
        except Stop as stop:
            case.failures.append(str(stop))
        except cindral_env.Skipped as why:
            skipped = str(why)
        except Exception:
            case.failures.append(traceback.format_exc())
        seconds = time.monotonic() - started
        result = ElementTree.SubElement(suite, "testcase", name=case.name, time="%.1f" % seconds)
        if skipped is not None:
            counts["skipped"] += 1
            print("SKIP %s: %s" % (case.name, skipped))
            result.set("status", "notrun")
            ElementTree.SubElement(result, "skipped", message="SKIP_RETURN_CODE=%d" % cindral_env.SKIP_STATUS)
            ElementTree.SubElement(result, "system-out").text = "skipped: " + skipped
        elif case.failures:
            counts["failed"] += 1
            print("FAIL %s (%.0f s)" % (case.name, seconds))
            for failure in case.failures:
                print("    " + failure.replace("\n", "\n    "))
            result.set("status", "fail")
            ElementTree.SubElement(result, "failure", message=case.failures[0].splitlines()[0])
            ElementTree.SubElement(result, "system-out").text = "\n".join(case.failures)
        else:
            counts["passed"] += 1
            print("PASS %s (%.0f s)" % (case.name, seconds))
            result.set("status", "run")
        sys.stdout.flush()
    if args.junit:
        ElementTree.ElementTree(suite).write(args.junit, encoding="UTF-8", xml_declaration=True)
    print("{passed} passed, {failed} failed, {skipped} skipped".format(**counts))
    return 1 if counts["failed"] else 0


if __name__ == "__main__":
    sys.exit(main())
