#!/usr/bin/env python3
"""The table reader and the C++ generator of resources/string_tables.py."""
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "resources"))
import string_tables  # noqa: E402


class StringTablesTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()

    def tearDown(self):
        self.dir.cleanup()

    def write(self, name, content):
        path = os.path.join(self.dir.name, name)
        with open(path, "wb") as f:
            f.write(content.encode("utf-8") if isinstance(content, str) else content)
        return path

    def test_escapes_and_blanks(self):
        path = self.write("1033.txt", "2\tline\\none\\ttab \\\\ end \n1\t  lead\n\n")
        self.assertEqual(string_tables.parse(path), {2: "line\none\ttab \\ end ", 1: "  lead"})

    def test_refused_lines(self):
        bad = {
            "unknown escape": "1\ta\\x\n",
            "escape at the end": "1\ta\\\n",
            "duplicate id": "1\ta\n1\tb\n",
            "no tab": "1 a\n",
            "no id": "\ta\n",
            "id zero": "0\ta\n",
            "carriage return": "1\ta\r\n",
            "byte order mark": "\ufeff1\ta\n",
        }
        for why, content in bad.items():
            with self.subTest(why):
                path = self.write("1031.txt", content)
                with self.assertRaises(string_tables.TableError):
                    string_tables.parse(path)
        path = self.write("1036.txt", b"1\t\xe9t\xe9\n")  # Latin-1, not UTF-8
        with self.assertRaises(string_tables.TableError):
            string_tables.parse(path)

    def test_table_names(self):
        self.assertEqual(string_tables.language_of("/x/2070.txt"), 2070)
        for name in ("english.txt", "1033.text", "1033"):
            with self.assertRaises(string_tables.TableError):
                string_tables.language_of(name)

    def test_literals(self):
        cases = {
            'say "hi"': 'u"say \\"hi\\""sv',
            "a\\b": 'u"a\\\\b"sv',
            "t\tn\n": 'u"t\\tn\\n"sv',
            "Fran\u00e7ais": 'u"Fran\\u00E7ais"sv',
            "\U0001F600": 'u"\\U0001F600"sv',
            "\x01z": 'u"\\x1" u"z"sv',  # a hex escape must not swallow the next letter
        }
        for text, literal in cases.items():
            with self.subTest(text=text):
                self.assertEqual(string_tables.cpp_literal(text), literal)

    def test_generated_source_is_sorted_and_stable(self):
        out = os.path.join(self.dir.name, "out.cpp")
        english = self.write("1033.txt", "20\tb\n10\ta\n")
        german = self.write("1031.txt", "10\tA\n")
        string_tables.generate(out, [english, german])
        with open(out, encoding="utf-8") as f:
            text = f.read()
        self.assertLess(text.index("kTable1031[]"), text.index("kTable1033[]"))
        self.assertLess(text.index('{10, u"a"sv}'), text.index('{20, u"b"sv}'))
        before = os.stat(out).st_mtime_ns
        string_tables.generate(out, [english, german])
        self.assertEqual(os.stat(out).st_mtime_ns, before)
        # Two files for one language would silently drop one of them.
        os.makedirs(os.path.join(self.dir.name, "sub"))
        again = self.write("sub/1033.txt", "1\tx\n")
        with self.assertRaises(string_tables.TableError):
            string_tables.generate(out, [english, again])

if __name__ == "__main__":
    unittest.main()
