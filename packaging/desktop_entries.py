#!/usr/bin/env python3
"""Writes the desktop entries of an installation, named in every language of the
string tables, so that a menu or a file manager shows the same words as the windows.

  desktop_entries.py STRINGS_DIR OUT_DIR

OUT_DIR/applications/ gets the administration window's entry, one hidden entry per
file operation (for "Open With") and the certificate viewer's; OUT_DIR/servicemenus/
gets the file operations as actions for file managers that read service menus.
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources"))
import string_tables  # noqa: E402

APP_ID = "se.valdoran.Orvex"
PRODUCT = "Orvex"
ENGLISH = 1033
# Table ids and the locale each one is named with in a desktop entry. 1050 is a
# second Swedish table (the program offers it by name), which a locale cannot tell.
LOCALES = {
    1030: "da", 1031: "de", 1035: "fi", 1036: "fr", 1045: "pl", 1053: "sv", 1055: "tr",
    2068: "nb", 2070: "pt",
}
ADMINISTRATION = 1003
# Operation, option of orxxadm, text id of its name, MIME types it takes.
ANY_FILE = "application/octet-stream;text/plain;"
PKCS7 = "application/pkcs7-signature;application/pkcs7-mime;"
OPERATIONS = [
    ("Sign", "-sign", 1032, ANY_FILE),
    ("Verify", "-verify", 1033, PKCS7),
    ("Encrypt", "-encrypt", 1034, ANY_FILE),
    ("Decrypt", "-decrypt", 1035, "application/pkcs7-mime;"),
]
CERTIFICATES = "application/pkix-cert;application/x-x509-ca-cert;"


def escape(text):
    """A desktop entry's string value: backslashes and line breaks escaped."""
    return text.replace("\\", "\\\\").replace("\n", "\\n").replace("\t", "\\t")


def localized(key, tables, text_id, form):
    lines = [f"{key}={escape(form(tables[ENGLISH][text_id]))}"]
    for language, locale in sorted(LOCALES.items(), key=lambda item: item[1]):
        text = tables.get(language, {}).get(text_id)
        if text:
            lines.append(f"{key}[{locale}]={escape(form(text))}")
    return lines


def titled(text):
    # The windows' title form: the text, " - ", the product.
    return f"{text} - {PRODUCT}"


def write(path, lines):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    text = "\n".join(lines) + "\n"
    if os.path.exists(path):
        with open(path, encoding="utf-8") as f:
            if f.read() == text:
                return
    with open(path + ".new", "w", encoding="utf-8") as f:
        f.write(text)
    os.replace(path + ".new", path)


def window_entry(tables):
    return [
        "[Desktop Entry]",
        "Type=Application",
        *localized("Name", tables, ADMINISTRATION, lambda text: f"{PRODUCT} {text}"),
        "GenericName=Token Administration",
        "Comment=Look after smart cards and soft tokens: passwords, certificates and settings",
        f"Icon={APP_ID}",
        "Exec=orxxadm",
        "Terminal=false",
        "StartupNotify=true",
        "StartupWMClass=orxxadm",
        "Categories=Settings;Security;",
        "Keywords=smart card;token;certificate;PKCS#11;signature;",
    ]


def operation_entry(tables, option, text_id, mime_types):
    return [
        "[Desktop Entry]",
        "Type=Application",
        *localized("Name", tables, text_id, titled),
        f"Icon={APP_ID}",
        f"Exec=orxxadm {option} %f",
        "Terminal=false",
        "NoDisplay=true",
        f"MimeType={mime_types}",
    ]


def viewer_entry():
    return [
        "[Desktop Entry]",
        "Type=Application",
        f"Name={PRODUCT} Certificate Viewer",
        "Comment=Show a certificate: its subject, issuer, validity and usages",
        f"Icon={APP_ID}",
        "Exec=orx -view %f",
        "Terminal=false",
        "NoDisplay=true",
        f"MimeType={CERTIFICATES}",
    ]


def service_menu(tables, operations, mime_types):
    # File managers that read service menus take the MIME types and the actions and
    # nothing else; the rest makes it an entry that the desktop's validator accepts
    # (a "Service" type would not be).
    first_option = operations[0][1]
    lines = [
        "[Desktop Entry]",
        "Type=Application",
        f"Name={PRODUCT}",
        f"Icon={APP_ID}",
        f"Exec=orxxadm {first_option} %f",
        "Terminal=false",
        "NoDisplay=true",
        f"MimeType={mime_types}",
        "Actions=" + "".join(f"{name};" for name, *_ in operations),
        f"X-KDE-Submenu={PRODUCT}",
    ]
    for name, option, text_id, _ in operations:
        lines += [
            "",
            f"[Desktop Action {name}]",
            *localized("Name", tables, text_id, lambda text: text),
            f"Icon={APP_ID}",
            f"Exec=orxxadm {option} %f",
        ]
    return lines


def main(argv):
    if len(argv) != 3:
        sys.stderr.write(__doc__)
        return 2
    strings, out = argv[1], argv[2]
    tables = {}
    for name in os.listdir(strings):
        if name.endswith(".txt"):
            path = os.path.join(strings, name)
            tables[string_tables.language_of(path)] = string_tables.parse(path)
    applications = os.path.join(out, "applications")
    write(os.path.join(applications, f"{APP_ID}.desktop"), window_entry(tables))
    for name, option, text_id, mime_types in OPERATIONS:
        write(os.path.join(applications, f"{APP_ID}.{name}.desktop"),
              operation_entry(tables, option, text_id, mime_types))
    write(os.path.join(applications, f"{APP_ID}.Viewer.desktop"), viewer_entry())
    menus = os.path.join(out, "servicemenus")
    write(os.path.join(menus, f"{APP_ID}.files.desktop"),
          service_menu(tables, [o for o in OPERATIONS if o[3] == ANY_FILE], "application/octet-stream;"))
    write(os.path.join(menus, f"{APP_ID}.messages.desktop"),
          service_menu(tables, [o for o in OPERATIONS if o[3] != ANY_FILE], PKCS7))
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv))
    except string_tables.TableError as error:
        sys.stderr.write(f"desktop_entries.py: {error}\n")
        sys.exit(1)
