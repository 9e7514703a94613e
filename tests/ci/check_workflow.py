"""Checks the forge's CI workflow, which cannot run here: it parses as YAML, has the Linux job
on Debian 12 and 13 and the Windows job that takes the Debian 12 run's test kit, and every
step that runs a command calls one of the project's own scripts, which must exist.
Usage: check_workflow.py ROOT"""
import os
import sys

import yaml

root = sys.argv[1]
failed = []
try:
    with open(os.path.join(root, ".github/workflows/ci.yml")) as f:
        jobs = yaml.safe_load(f)["jobs"]
except (OSError, yaml.YAMLError, KeyError, TypeError) as error:
    jobs = {}
    failed.append(f"no workflow to read: {error}")
linux = jobs.get("linux", {})
versions = linux.get("strategy", {}).get("matrix", {}).get("debian", [])
containers = sorted(str(linux.get("container", "")).replace("${{ matrix.debian }}", str(v)) for v in versions)
downloads = [step.get("with", {}).get("name") for step in jobs.get("windows", {}).get("steps", [])
             if str(step.get("uses", "")).startswith("actions/download-artifact")]
uploads = [str(step.get("with", {}).get("name")).replace("${{ matrix.debian }}", str(v))
           for step in linux.get("steps", []) for v in versions
           if str(step.get("uses", "")).startswith("actions/upload-artifact")]
checks = [
    ("a Linux job and a Windows job", sorted(jobs) == ["linux", "windows"]),
    (f"the Linux job runs in debian:12 and debian:13 (got {containers})", containers == ["debian:12", "debian:13"]),
    (f"the Windows job takes zips one Linux run keeps (takes {downloads}, kept {uploads})",
     len(downloads) == 1 and downloads[0] in uploads),
    ("the Windows job runs on windows-latest", jobs.get("windows", {}).get("runs-on") == "windows-latest"),
    ("the Windows job waits for the Linux job's zips", jobs.get("windows", {}).get("needs") == "linux"),
]
for job in jobs.values():
    for step in job.get("steps", []):
        if "run" in step:
            script = step["run"].split()[1] if step["run"].startswith("bash ") else step["run"].split()[0]
            path = os.path.join(root, script.replace("\\", "/"))
            checks.append((f"'{step['run']}' calls a script of the project's", os.path.isfile(path)))
failed += [name for name, ok in checks if not ok]
for name in failed:
    print(f"FAIL: {name}")
print(f"{len(checks) - len(failed)} passed, {len(failed)} failed")
sys.exit(1 if failed else 0)
