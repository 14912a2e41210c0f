"""The owner's guide and INSTALL.txt against what they describe: every item of
the settings screen and every message (by the English catalogue), every button
they name (by tvsim's own table), and the version (by cmake/version.cmake).

    check_docs.py GUIDE INSTALL MESSAGES_EN VERSION_CMAKE TVSIM

Prints each fault and ends with status 1 when there is one."""
import re
import subprocess
import sys

# The catalogue texts the guide explains: the items of the settings screen
# (50 to 76, then 108 from the second settings file) in its table of
# settings, the messages in its table of messages.
ITEMS = [*range(50, 77), 108]
MESSAGES = [3, 4, 5, 6, 7, 8, 18, 19, 20, 21, 34, 35, 39, 44, 45, 49, 103, 104, 105, 106, 107]


def catalogue(path):
    texts = {}
    with open(path, encoding="utf-8") as lines:
        for line in lines:
            match = re.match(r"^(\d+)=(.*)$", line.rstrip("\n"))
            if match:
                texts[int(match.group(1))] = match.group(2)
    return texts


def table_rows(text, heading):
    """The first cells of the table under the heading."""
    section = text.split(heading, 1)[1].split("\n## ", 1)[0]
    return [row.split("|")[1].strip() for row in section.splitlines() if row.startswith("| ")]


def main(guide_path, install_path, messages_path, version_path, tvsim):
    faults = []
    guide = open(guide_path, encoding="utf-8").read()
    install = open(install_path, encoding="utf-8").read()
    texts = catalogue(messages_path)
    version = re.search(r"set\(RECOLYX_VERSION ([0-9.]+)\)", open(version_path).read()).group(1)

    items = table_rows(guide, "## The settings")
    for number in ITEMS:
        if texts.get(number) not in items:
            faults.append(f"guide: no row for the setting {texts.get(number)!r} (text {number})")
    if len(items) != len(ITEMS) + 1:  # the header row
        faults.append(f"guide: {len(items) - 1} settings listed, the screen has {len(ITEMS)}")
    messages = table_rows(guide, "## Messages")
    for number in MESSAGES:
        text = texts.get(number, "")
        if not any(row == text or row.startswith(text + " (") for row in messages):
            faults.append(f"guide: no row for the message {text!r} (text {number})")
    if "Standby after recording: on / off" not in messages:
        faults.append("guide: no row for the messages 'Standby after recording: on / off' (texts 47, 48)")

    usage = subprocess.run([tvsim, "--help"], capture_output=True, text=True, check=True).stdout
    buttons = set(re.findall(r"^ +\d+ ([A-Z_0-9]+) ", usage, re.M))
    for name in sorted(set(re.findall(r"\b([A-Z][A-Z_]*[A-Z0-9]) \(\d+\)", guide + install))):
        if name not in buttons:
            faults.append(f"a button {name} that the remote lacks (tvsim --help lists its buttons)")
    for code in re.findall(r"\b([A-Z][A-Z_]*[A-Z0-9]) \((\d+)\)", guide):
        number = re.search(rf"^ +(\d+) {code[0]} ", usage, re.M)
        if number and number.group(1) != code[1]:
            faults.append(f"guide: {code[0]} is key {number.group(1)}, not {code[1]}")

    for name, text in (("guide", guide), ("INSTALL.txt", install)):
        for needed in (f"Recolyx {version}", f"recolyx-home-{version}", "MENU then RECORD", "233 characters",
                       "root shell", "Recolyx_debug.log"):
            if needed not in text.replace("MENU, then RECORD", "MENU then RECORD"):
                faults.append(f"{name}: says nothing of {needed!r}")
    for fault in faults:
        print(fault)
    print(f"{len(faults)} faults" if faults else "the guide and INSTALL.txt agree with the catalogue, "
          f"the remote and version {version}")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
