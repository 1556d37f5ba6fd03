#!/usr/bin/env python3
"""Writes the message-table script (.mc) of the Windows localization library from the
compiled message catalog (.mo) the Linux build loads, so both hold the same texts.

usage: make_message_table.py CATALOG.mo LOCALE_TABLE.cpp OUTPUT.mc

Every message of the catalog has its locale name as context and its id ("0x" and eight
hexadecimal digits) as key; the locale's LCID comes from the table of
src/common/winapi/language/locale_names.cpp. Each text is written on one line ending with %0, so
the library's text is exactly the catalog's: without %0 the message compiler would end
it with a line break of its own.
"""
import re
import struct
import sys


def fail(text):
    sys.exit(f"make_message_table.py: {text}")


def read_catalog(path):
    """The catalog's messages as (context, key, text) in file order, header left out."""
    with open(path, "rb") as file:
        data = file.read()
    for order in "<>":
        magic, revision, count, keys_at, texts_at = struct.unpack_from(order + "5I", data)
        if magic == 0x950412DE:
            break
    else:
        fail(f"{path} is not a message catalog")

    def string(table, index):
        length, offset = struct.unpack_from(order + "2I", data, table + 8 * index)
        return data[offset:offset + length].decode("utf-8")

    messages = []
    for index in range(count):
        key = string(keys_at, index)
        if key == "":
            continue
        if "\x04" not in key or "\x00" in key:
            fail(f"message '{key}' has no locale context or is a plural form")
        context, message_id = key.split("\x04", 1)
        messages.append((context, message_id, string(texts_at, index)))
    return messages


def read_locale_table(path):
    with open(path, encoding="utf-8") as file:
        rows = re.findall(r'locale_row\{(0x[0-9A-Fa-f]+), u"([^"]+)"\}', file.read())
    if not rows:
        fail(f"no locale table in {path}")
    return {name.lower(): int(lcid, 16) for lcid, name in rows}


def message_fields(message_id):
    """Severity, facility and code of a message id, as the message compiler takes them."""
    if not re.fullmatch(r"0x[0-9A-F]{8}", message_id):
        fail(f"message id '{message_id}' is not 0x and eight upper-case hexadecimal digits")
    value = int(message_id, 16)
    if value & 0x30000000:
        fail(f"message id {message_id} sets the customer or reserved bit")
    return value >> 30, (value >> 16) & 0xFFF, value & 0xFFFF


def checked_text(context, message_id, text):
    # A line break cannot be written on one script line; the message syntax has %n for it.
    if any(ord(c) < 0x20 and c != "\t" for c in text):
        fail(f"{context} {message_id}: a control character in the text; write a line break as %n")
    # "%" + the closing "%0" would read as an escaped percent sign and a digit.
    if (len(text) - len(text.rstrip("%"))) % 2 == 1:
        fail(f"{context} {message_id}: the text ends with a lone %; write %% for a percent sign")
    return text


def main():
    if len(sys.argv) != 4:
        fail("usage: make_message_table.py CATALOG.mo LOCALE_TABLE.cpp OUTPUT.mc")
    catalog_path, locale_table_path, output_path = sys.argv[1:]
    lcids = read_locale_table(locale_table_path)
    by_id = {}
    for context, message_id, text in read_catalog(catalog_path):
        lcid = lcids.get(context.lower())
        if lcid is None:
            fail(f"unknown locale '{context}'")
        by_id.setdefault(message_fields(message_id), []).append((lcid, checked_text(context, message_id, text)))

    used_lcids = sorted({lcid for texts in by_id.values() for lcid, _ in texts})
    facilities = sorted({facility for _, facility, _ in by_id})
    lines = [
        "; Generated from the message catalogs by make_message_table.py; do not edit.",
        "MessageIdTypedef=DWORD",
        "SeverityNames=(Success=0x0 Informational=0x1 Warning=0x2 Error=0x3)",
        "FacilityNames=(" + " ".join(f"F{f:03X}=0x{f:X}" for f in facilities) + ")",
        "LanguageNames=(" + " ".join(f"L{lcid:04X}=0x{lcid:X}:MSG{lcid:05X}" for lcid in used_lcids) + ")",
    ]
    severities = ["Success", "Informational", "Warning", "Error"]
    for (severity, facility, code), texts in sorted(by_id.items()):
        lines += ["", f"MessageId=0x{code:X}", f"Severity={severities[severity]}", f"Facility=F{facility:03X}"]
        for lcid, text in sorted(texts):
            lines += [f"Language=L{lcid:04X}", text + "%0", "."]
    with open(output_path, "w", encoding="utf-8", newline="\n") as file:
        file.write("\n".join(lines) + "\n")


main()
