#!/usr/bin/env python3
"""The build installed into a temporary folder (`cmake --install` with DESTDIR),
checked as the desktop, a manual reader and a shell see it, and the installed
programs' --help and --version."""
import argparse
import glob
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

ARGS = None
APP_ID = "se.valdoran.Orvex"
PROGRAMS = ["orxxadm", "orx", "orxxctl"]
ICON_SIZES = [16, 22, 24, 32, 48, 64, 128, 256]


def run(command, timeout=60, **kwargs):
    return subprocess.run(command, capture_output=True, text=True, timeout=timeout, **kwargs)


INSTALLED = {}


def setUpModule():
    """One installation for every test."""
    work = tempfile.mkdtemp(prefix="orx-installation-")
    INSTALLED["work"] = work
    root = os.path.join(work, "root")
    home = os.path.join(work, "home")
    os.makedirs(home)
    env = dict(os.environ, DESTDIR=root)
    result = run(["cmake", "--install", ARGS.build], env=env, timeout=120)
    if result.returncode != 0:
        raise AssertionError("cmake --install failed:\n" + result.stdout + result.stderr)
    INSTALLED["root"] = root
    # Whatever a program reads or writes stays in the temporary folder.
    INSTALLED["env"] = {
        "PATH": os.environ.get("PATH", "/usr/bin:/bin"),
        "HOME": home,
        "XDG_CONFIG_HOME": os.path.join(home, "config"),
        "XDG_DATA_HOME": os.path.join(home, "data"),
        "XDG_CACHE_HOME": os.path.join(home, "cache"),
        "configorx": os.path.join(home, "orx.cfg"),
        "ORX_INSTALL_LOCATION": os.path.join(home, "install"),
        "LANG": "C.UTF-8",
    }


def tearDownModule():
    shutil.rmtree(INSTALLED["work"], ignore_errors=True)


class Installed(unittest.TestCase):
    @property
    def work(self):
        return INSTALLED["work"]

    @property
    def root(self):
        return INSTALLED["root"]

    @property
    def env(self):
        return INSTALLED["env"]

    @property
    def prefix(self):
        return self.root + ARGS.prefix

    def path(self, *parts):
        return os.path.join(self.prefix, *parts)

    def data(self, *parts):
        return self.path(ARGS.datadir, *parts)

    def desktop_files(self):
        found = sorted(glob.glob(self.data("applications", "*.desktop")))
        found += sorted(glob.glob(self.data("kio", "servicemenus", "*.desktop")))
        return found

    def program(self, name, *arguments, env=None, timeout=30):
        return run([self.path(ARGS.bindir, name), *arguments], env=env or self.env,
                   timeout=timeout)

    def help_text(self, name):
        result = self.program(name, "--help")
        self.assertEqual(result.returncode, 0, result.stderr)
        return result.stdout


class Layout(Installed):
    def test_programs_and_module_where_the_binding_looks(self):
        for name in PROGRAMS:
            with self.subTest(program=name):
                self.assertTrue(os.access(self.path(ARGS.bindir, name), os.X_OK))
        # Only the product's programs: no test or benchmark program slips in.
        self.assertEqual(sorted(os.listdir(self.path(ARGS.bindir))), sorted(PROGRAMS))
        self.assertTrue(os.path.isfile(self.path(ARGS.componentdir, "orx.so")))
        # The installation-wide configuration is the maintainer script's to make.
        self.assertFalse(os.path.exists(os.path.join(self.root, "etc")))

    def test_every_file_in_place(self):
        expected = [
            self.path(ARGS.mandir, "man1", f"{name}.1.gz") for name in PROGRAMS
        ] + [
            self.data("icons", "hicolor", "scalable", "apps", f"{APP_ID}.svg"),
            self.data("metainfo", f"{APP_ID}.metainfo.xml"),
            self.data("bash-completion", "completions", "orxxctl"),
            self.data("doc", "orx", "copyright"),
            self.data("doc", "orx", "changelog.gz"),
        ] + [
            self.data("applications", f"{APP_ID}{entry}.desktop")
            for entry in ["", ".Sign", ".Verify", ".Encrypt", ".Decrypt", ".Viewer"]
        ]
        for path in expected:
            with self.subTest(path=os.path.relpath(path, self.root)):
                self.assertTrue(os.path.isfile(path))

    def test_icons_have_their_folders_size(self):
        for size in ICON_SIZES:
            path = self.data("icons", "hicolor", f"{size}x{size}", "apps", f"{APP_ID}.png")
            with self.subTest(size=size):
                with open(path, "rb") as f:
                    header = f.read(24)
                self.assertEqual(header[:8], b"\x89PNG\r\n\x1a\n")
                self.assertEqual(struct.unpack(">II", header[16:24]), (size, size))


def desktop_groups(path):
    groups, current = {}, None
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if line.startswith("["):
                current = groups.setdefault(line.strip("[]"), {})
            elif "=" in line and current is not None:
                key, value = line.split("=", 1)
                current[key] = value
    return groups


def mime_type_of(pattern):
    """The type that shared-mime-info gives a file name pattern such as "*.p7s"."""
    with open("/usr/share/mime/globs2", encoding="utf-8") as f:
        for line in f:
            fields = line.rstrip("\n").split(":")
            if len(fields) >= 3 and fields[2] == pattern:
                return fields[1]
    raise AssertionError(f"no MIME type for {pattern}")


class Desktop(Installed):
    def test_entries_pass_the_validator(self):
        files = self.desktop_files()
        self.assertEqual(len(files), 8)
        for path in files:
            with self.subTest(entry=os.path.basename(path)):
                result = run(["desktop-file-validate", path])
                self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
                self.assertNotIn("error", result.stdout + result.stderr)

    def test_entries_start_installed_programs_with_the_installed_icon(self):
        icon = self.data("icons", "hicolor", "scalable", "apps", f"{APP_ID}.svg")
        for path in self.desktop_files():
            for group, keys in desktop_groups(path).items():
                if "Exec" not in keys:
                    continue
                with self.subTest(entry=os.path.basename(path), group=group):
                    program = keys["Exec"].split()[0]
                    self.assertIn(program, PROGRAMS)
                    self.assertEqual(keys.get("Icon"), APP_ID)
                    self.assertTrue(os.path.isfile(icon))

    def test_file_operations_are_hidden_and_take_the_file(self):
        for operation in ["Sign", "Verify", "Encrypt", "Decrypt"]:
            keys = desktop_groups(self.data("applications", f"{APP_ID}.{operation}.desktop"))
            entry = keys["Desktop Entry"]
            with self.subTest(operation=operation):
                self.assertEqual(entry["NoDisplay"], "true")
                self.assertEqual(entry["Exec"], f"orxxadm -{operation.lower()} %f")
                # Named as the wizard's title reads, in the languages of the tables.
                self.assertEqual(entry["Name"], f"{operation} - Orvex")
                self.assertIn("Name[de]", entry)
        window = desktop_groups(self.data("applications", f"{APP_ID}.desktop"))["Desktop Entry"]
        self.assertEqual(window["Exec"], "orxxadm")
        self.assertNotIn("NoDisplay", window)

    def test_certificates_and_messages_open_in_the_right_program(self):
        expected = {
            "*.cer": ["Viewer"],
            "*.crt": ["Viewer"],
            "*.pem": ["Viewer"],
            "*.p7s": ["Verify"],
            "*.p7m": ["Verify", "Decrypt"],
        }
        for pattern, entries in expected.items():
            mime = mime_type_of(pattern)
            for entry in entries:
                path = self.data("applications", f"{APP_ID}.{entry}.desktop")
                types = desktop_groups(path)["Desktop Entry"]["MimeType"].split(";")
                with self.subTest(pattern=pattern, entry=entry):
                    self.assertIn(mime, types)

    def test_service_menus_offer_the_operations(self):
        menus = {
            os.path.basename(path): desktop_groups(path)
            for path in glob.glob(self.data("kio", "servicemenus", "*.desktop"))
        }
        actions = {}
        for groups in menus.values():
            for name in groups["Desktop Entry"]["Actions"].strip(";").split(";"):
                actions[name] = groups[f"Desktop Action {name}"]["Exec"]
        self.assertEqual(actions, {
            "Sign": "orxxadm -sign %f",
            "Encrypt": "orxxadm -encrypt %f",
            "Verify": "orxxadm -verify %f",
            "Decrypt": "orxxadm -decrypt %f",
        })

    def test_metainfo_passes_the_validator_and_names_this_release(self):
        path = self.data("metainfo", f"{APP_ID}.metainfo.xml")
        result = run(["appstreamcli", "validate", "--no-net", path])
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        with open(path, encoding="utf-8") as f:
            text = f.read()
        self.assertIn(f'<release version="{ARGS.version}"', text)
        launchable = re.search(r'<launchable type="desktop-id">([^<]+)<', text).group(1)
        self.assertTrue(os.path.isfile(self.data("applications", launchable)))


class Manual(Installed):
    def page(self, name):
        return self.path(ARGS.mandir, "man1", f"{name}.1.gz")

    def rendered(self, name):
        # Wide lines and no hyphenation, so that no word of the page is split.
        env = dict(self.env, MANWIDTH="200", MANROFFOPT="-rHY=0 -rLL=200n")
        result = run(["man", "--warnings", "-E", "UTF-8", "-l", "-Tutf8", self.page(name)],
                     env=env)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stderr, "")
        # Bold and underlining as overstrikes, and hyphenation marks, out of the way.
        return re.sub(r".\x08", "", result.stdout).replace("\u2010", "-")

    def test_pages_render_without_warnings_and_have_every_section(self):
        for name in PROGRAMS:
            with self.subTest(page=name):
                text = self.rendered(name)
                for section in ["NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS", "EXIT STATUS",
                                "FILES", "ENVIRONMENT", "EXAMPLES", "SEE ALSO"]:
                    self.assertRegex(text, rf"(?m)^{section}$")

    def test_orxxctl_page_documents_every_command(self):
        text = " ".join(self.rendered("orxxctl").split())
        commands = command_forms(self.help_text("orxxctl"))
        self.assertGreater(len(commands), 20)
        for words in commands:
            with self.subTest(command=" ".join(words)):
                self.assertIn(" ".join(words), text)

    def test_pages_document_every_option_of_the_usage(self):
        for name in ["orxxadm", "orx"]:
            text = self.rendered(name)
            options = set(re.findall(r"(?<![\w-])--?[a-z]+", self.help_text(name)))
            self.assertIn("--version", options)
            for option in sorted(options):
                with self.subTest(page=name, option=option):
                    # A term of the option list: "-sign FILE", or "-install, -uninstall".
                    self.assertRegex(text, rf"(?m)^ +(?:\S+, )*{re.escape(option)}\b")


def command_forms(usage):
    """The command words of every form that orxxctl's usage lists ("token list")."""
    forms = []
    for line in usage.splitlines():
        match = re.match(r"^  ([a-z0-9]+)(?: ([a-z]+))?\b", line)
        if match:
            forms.append([word for word in match.groups() if word])
    return forms


class Completion(Installed):
    def complete(self, line):
        script = self.data("bash-completion", "completions", "orxxctl")
        words = line.split(" ")
        program = (
            f'source "{script}"\n'
            f"COMP_WORDS=({' '.join(repr(w) for w in words)})\n"
            f"COMP_CWORD={len(words) - 1}\n"
            'PATH="$(dirname "$0"):$PATH"\n'
            "_orxxctl\n"
            'printf "%s\\n" "${COMPREPLY[@]}"\n'
        )
        result = run(["bash", "-c", program, self.path(ARGS.bindir, "orxxctl")],
                     env=self.env, cwd=self.work)
        self.assertEqual(result.returncode, 0, result.stderr)
        return set(filter(None, result.stdout.split("\n")))

    def test_offers_exactly_the_commands_of_the_usage(self):
        forms = command_forms(self.help_text("orxxctl"))
        groups = {form[0] for form in forms}
        options = {"--trace", "--slot"}
        self.assertEqual(self.complete("orxxctl "), groups | options | {"--help", "--version"})
        self.assertEqual(self.complete("orxxctl --trace log "), groups | options)
        self.assertEqual(self.complete("orxxctl --slot 2 --trace log "), groups | options)
        self.assertEqual(self.complete("orxxctl --slot "), set())
        self.assertEqual(self.complete("orxxctl --slot 2 token password "), {"change", "unlock"})
        for group in sorted(groups):
            actions = {form[1] for form in forms if form[0] == group and len(form) > 1}
            if actions:
                with self.subTest(group=group):
                    self.assertEqual(self.complete(f"orxxctl {group} "), actions)

    def test_file_names_where_a_command_takes_a_file(self):
        with open(os.path.join(self.work, "report.txt"), "w") as f:
            f.write("x")
        self.assertIn("report.txt", self.complete("orxxctl sha1 rep"))
        self.assertIn("report.txt", self.complete("orxxctl --trace rep"))
        self.assertIn("report.txt", self.complete("orxxctl file sign rep"))
        self.assertEqual(self.complete("orxxctl token info rep"), set())
        self.assertEqual(self.complete("orxxctl file sign a b c --d"), {"--detached"})

    def test_language_names_come_from_the_program(self):
        self.assertIn("Deutsch", self.complete("orxxctl text 1003 --language De"))


class StandardOptions(Installed):
    def test_help_and_version_as_whole_arguments_before_anything_else(self):
        version_line = re.compile(rf"^(\S+) \(Orvex\) {re.escape(ARGS.version)}\.\d+\n$")
        cases = [
            (["--help"], "help"),
            (["--version"], "version"),
            # After options of the program's own, which would otherwise run.
            (["-sign", "report.txt", "--help"], "help"),
            (["-view", "cert.pem", "--version"], "version"),
            (["--trace", "trace.txt", "--help"], "help"),
        ]
        home = tempfile.mkdtemp(dir=self.work)
        env = dict(self.env, HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"),
                   XDG_DATA_HOME=os.path.join(home, "data"), configorx=os.path.join(home, "c"))
        for name in PROGRAMS:
            for arguments, kind in cases:
                with self.subTest(program=name, arguments=arguments):
                    result = self.program(name, *arguments, env=env)
                    self.assertEqual(result.returncode, 0, result.stderr)
                    self.assertEqual(result.stderr, "")
                    if kind == "help":
                        self.assertRegex(result.stdout, rf"^[Uu]sage: {name} ")
                    else:
                        match = version_line.match(result.stdout)
                        self.assertIsNotNone(match, result.stdout)
                        self.assertEqual(match.group(1), name)
        # Nothing was started or written: no configuration, trace or token appeared.
        self.assertEqual(os.listdir(home), [])

    def test_orxxctl_usage_errors_keep_exit_2(self):
        for arguments in [["nonsense"], ["--", "--help"], ["-help"], ["token", "frobnicate"]]:
            with self.subTest(arguments=arguments):
                result = self.program("orxxctl", *arguments)
                self.assertEqual(result.returncode, 2)
                self.assertEqual(result.stdout, "")
                self.assertIn("usage", result.stderr)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    for option in ["build", "prefix", "bindir", "componentdir", "datadir", "mandir", "version"]:
        parser.add_argument(f"--{option}", required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
