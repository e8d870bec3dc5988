#!/usr/bin/env python3
"""The JSON of 'zentrik inventory --json' and 'zentrik id --json' on every sample table, every
real machine's table (when ../shared is there) and this machine's own table follows the JSON
Schema in doc/zentrik.schema.json, checked with Debian's python3-jsonschema.
Usage: schema_check.py TOOL SCHEMA SAMPLES-FOLDER SHARED-TABLES-FOLDER"""
import json
import os
import shutil
import subprocess
import sys
import tempfile

try:
    import jsonschema
except ImportError:
    sys.exit("FAIL python3-jsonschema is not installed (apt-get install python3-jsonschema)")


def inputs(samples, shared, scratch):
    """Every table input: the samples, the shared tables as files, their sysfs pairs as folders."""
    found = sorted(os.path.join(samples, f) for f in os.listdir(samples) if f.endswith(".rsmb"))
    if not os.path.isdir(shared):
        print(f"skipped: no shared tables in {shared}")
        return found
    for name in sorted(os.listdir(shared)):
        path = os.path.join(shared, name)
        if not os.path.isfile(path) or name.endswith((".md", ".smbios_entry_point")):
            continue
        found.append(path)
        entry_point = path[: -len(".DMI")] + ".smbios_entry_point"
        if name.endswith(".DMI") and os.path.isfile(entry_point):
            folder = os.path.join(scratch, name[: -len(".DMI")])
            os.mkdir(folder)
            shutil.copy(path, os.path.join(folder, "DMI"))
            shutil.copy(entry_point, os.path.join(folder, "smbios_entry_point"))
            found.append(folder)
    return found


def main():
    tool, schema_path, samples, shared = sys.argv[1:5]
    with open(schema_path, encoding="utf-8") as f:
        schema = json.load(f)
    jsonschema.Draft202012Validator.check_schema(schema)
    validators = {
        command: jsonschema.Draft202012Validator(
            {"$schema": schema["$schema"], "$defs": schema["$defs"], "$ref": f"#/$defs/{command}"})
        for command in ("inventory", "id")
    }
    failures = 0
    with tempfile.TemporaryDirectory() as scratch:
        runs = [(table, ["--table", table], (0, 1)) for table in inputs(samples, shared, scratch)]
        # This machine's own table: read, or not (then tableRead says so).
        runs.append(("this machine's table", [], (0, 1, 3)))
        for label, args, statuses in runs:
            for command, validator in validators.items():
                run = subprocess.run([tool, command, "--json"] + args, capture_output=True)
                problems = []
                if run.returncode not in statuses:
                    problems.append(f"exit status {run.returncode}: {run.stderr.decode()}")
                try:
                    output = json.loads(run.stdout)
                    problems += [f"{'/'.join(map(str, e.absolute_path))}: {e.message}"
                                 for e in validator.iter_errors(output)]
                    if output["tableRead"] != (run.returncode != 3):
                        problems.append("tableRead does not match the exit status")
                except ValueError as error:
                    problems.append(f"not JSON: {error}")
                if problems:
                    failures += 1
                    print(f"FAIL {command} --json {label}:")
                    for problem in problems[:10]:
                        print(f"       {problem}")
                else:
                    print(f"ok   {command} --json {label}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
