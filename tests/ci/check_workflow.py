"""Checks the forge's CI workflow, which cannot run here: it parses as YAML; the Linux job runs
on Debian 12 and 13 and keeps Debian 12's zips as the release and Debian 13's under another
name; the Windows job takes the release's test kit; the release job runs on a version tag
only, after both, and publishes the release's zips and SHA256SUMS; and every step that runs a
command calls one of the project's own scripts, which must exist.
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
linux, windows, release = (jobs.get(name, {}) for name in ("linux", "windows", "release"))
legs = {str(leg.get("debian")): leg.get("zips") for leg in linux.get("strategy", {}).get("matrix", {}).get("include", [])}
containers = sorted(str(linux.get("container", "")).replace("${{ matrix.debian }}", v) for v in legs)


def taken(job):
    return [step.get("with", {}).get("name") for step in job.get("steps", [])
            if str(step.get("uses", "")).startswith("actions/download-artifact")]


kept = [step.get("with", {}) for step in linux.get("steps", [])
        if str(step.get("uses", "")).startswith("actions/upload-artifact")]
published = [str(step.get("with", {}).get("files", "")).split() for step in release.get("steps", [])
             if "uses" in step and not str(step["uses"]).startswith("actions/download-artifact")]
checks = [
    ("a Linux job, a Windows job and a release job", sorted(jobs) == ["linux", "release", "windows"]),
    (f"the Linux job runs in debian:12 and debian:13 (got {containers})", containers == ["debian:12", "debian:13"]),
    (f"Debian 12's zips are kept as the release, Debian 13's under another name (got {legs})",
     legs.get("12") == "release" and legs.get("13") not in (None, "release")),
    ("the Linux job keeps its zips and SHA256SUMS under its leg's name",
     len(kept) == 1 and kept[0].get("name") == "${{ matrix.zips }}" and "SHA256SUMS" in str(kept[0].get("path"))),
    (f"the Windows job takes the release's zips (takes {taken(windows)})", taken(windows) == ["release"]),
    ("the Windows job runs on windows-latest", windows.get("runs-on") == "windows-latest"),
    ("the Windows job waits for the Linux job's zips", windows.get("needs") == "linux"),
    ("the release job runs on a version tag alone", "refs/tags/v" in str(release.get("if", ""))),
    ("the release job waits for the Linux and the Windows jobs", sorted(release.get("needs", [])) == ["linux", "windows"]),
    (f"the release job publishes the release's zips and SHA256SUMS (takes {taken(release)}, publishes {published})",
     taken(release) == ["release"] and len(published) == 1 and
     any(name.endswith("SHA256SUMS") for name in published[0]) and any(name.endswith(".zip") for name in published[0])),
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
