"""A small reader of gettext catalogues (msgid -> msgstr) for the preview scripts."""
import re


def load_po(path):
    table, cur = {}, None
    text = {"msgid": "", "msgstr": ""}

    def unq(s):
        return bytes(s[1:-1], "utf-8").decode("unicode_escape").encode("latin-1").decode("utf-8")

    for line in open(path, encoding="utf-8"):
        line = line.strip()
        m = re.match(r'^(msgid|msgstr) (".*")$', line)
        if m:
            if m.group(1) == "msgid" and text["msgid"]:
                table[text["msgid"]] = text["msgstr"]
                text = {"msgid": "", "msgstr": ""}
            cur = m.group(1)
            text[cur] = unq(m.group(2))
        elif line.startswith('"') and cur:
            text[cur] += unq(line)
        elif not line and text["msgid"]:
            table[text["msgid"]] = text["msgstr"]
            text, cur = {"msgid": "", "msgstr": ""}, None
    if text["msgid"]:
        table[text["msgid"]] = text["msgstr"]
    return table
