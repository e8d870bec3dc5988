#!/usr/bin/env python3
"""The manual page and --help agree: every command, option, table layout and exit status that
the tool's help names is in the manual page, and every one the manual page names is in the help.
Usage: man_page_check.py TOOL MANUAL-PAGE"""
import re
import subprocess
import sys


def helps(tool):
    """The help of the tool and of each command it lists."""
    main = subprocess.run([tool, "--help"], capture_output=True, text=True, check=True).stdout
    commands = re.findall(r"^  ([a-z]+)  ", main.split("Commands:")[1].split("\n\n")[0], re.M)
    return main, {c: subprocess.run([tool, c, "--help"], capture_output=True, text=True,
                                    check=True).stdout for c in commands}


def statuses(text):
    return dict(re.findall(r"^  (\d)  (.+)$", text.split("Exit status:")[1], re.M))


def section(page, name):
    return page.split(".SH " + name + "\n")[1].split("\n.SH ")[0]


def tagged(text):
    """The words that .TP paragraphs of a section of the page are tagged with."""
    tags = re.findall(r"^\.TP\n\.B[IR]? (.+)$", text, re.M)
    # Quoted parts are separators (", ") or arguments (" IN").
    words = [re.findall(r"(?:--|-)?[a-z0-9]+", re.sub(r'"[^"]*"', " ", tag)) for tag in tags]
    return {word for tag in words for word in tag}


def main():
    tool, page_path = sys.argv[1:3]
    main_help, command_helps = helps(tool)
    every_help = main_help + "".join(command_helps.values())
    page = open(page_path, encoding="utf-8").read().replace("\\-", "-")

    found = {
        "commands": (set(command_helps), tagged(section(page, "COMMANDS"))),
        "options": (set(re.findall(r"(?<![\w-])(--[a-z]+|-h)\b", every_help)),
                    tagged(section(page, "OPTIONS").split(".RS")[0] +
                           section(page, "OPTIONS").split(".RE")[1])),
        "table layouts": (set("|".join(re.findall(r"--format ([a-z|]+)\]", every_help)).split("|")),
                          tagged(section(page, "OPTIONS").split(".RS")[1].split(".RE")[0])),
    }
    failed = False
    for what, (in_help, in_page) in found.items():
        if in_help != in_page:
            print(f"FAIL {what}: only in --help {sorted(in_help - in_page)}, "
                  f"only in the manual page {sorted(in_page - in_help)}")
            failed = True
        else:
            print(f"ok   {what}: {' '.join(sorted(in_help))}")

    page_statuses = dict(re.findall(r"^\.TP\n\.B (\d)\n(.+)$", section(page, "EXIT STATUS"), re.M))
    for name, text in [("zentrik --help", main_help)] + \
            [(f"zentrik {c} --help", h) for c, h in command_helps.items()]:
        if statuses(text) != page_statuses:
            print(f"FAIL exit statuses of {name}: {statuses(text)} but the manual page says "
                  f"{page_statuses}")
            failed = True
    if not failed:
        print(f"ok   exit statuses: {' '.join(sorted(page_statuses))}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
