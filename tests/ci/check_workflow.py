"""Checks the forge's CI workflow, which cannot run here: it parses as YAML; the Linux job runs
on Debian 12 and 13 and keeps Debian 12's zips as the release and Debian 13's under another
name; the Windows job takes the release's test kit; the release job runs on a version tag
only, after both, checks that the tag is v and the project's version before it publishes the
release's zips and SHA256SUMS; only the release job may write, and with no action of a third
party's that is not pinned by its commit; and every other step that runs a command calls one
of the project's own scripts, which must exist.
Usage: check_workflow.py ROOT"""
import os
import re
import shlex
import sys

import yaml

root = sys.argv[1]
failed = []
try:
    with open(os.path.join(root, ".github/workflows/ci.yml")) as f:
        workflow = yaml.safe_load(f)
        jobs = workflow["jobs"]
except (OSError, yaml.YAMLError, KeyError, TypeError) as error:
    workflow, jobs = {}, {}
    failed.append(f"no workflow to read: {error}")
linux, windows, release = (jobs.get(name, {}) for name in ("linux", "windows", "release"))
legs = {str(leg.get("debian")): leg.get("zips") for leg in linux.get("strategy", {}).get("matrix", {}).get("include", [])}
containers = sorted(str(linux.get("container", "")).replace("${{ matrix.debian }}", v) for v in legs)


def taken(job):
    return [step.get("with", {}).get("name") for step in job.get("steps", [])
            if str(step.get("uses", "")).startswith("actions/download-artifact")]


kept = [step.get("with", {}) for step in linux.get("steps", [])
        if str(step.get("uses", "")).startswith("actions/upload-artifact")]


def publishes(step):
    """The files a step publishes: the GitHub CLI's release, or an action's files; else None."""
    if str(step.get("run", "")).startswith("gh release create"):
        return [word for word in shlex.split(step["run"])[3:] if word.startswith("release/")]
    if "uses" in step and not str(step["uses"]).startswith(("actions/download-artifact", "actions/checkout")):
        return str(step.get("with", {}).get("files", "")).split()
    return None


def writes(permissions):
    """Whether a permissions value grants write access to anything."""
    return permissions == "write-all" or isinstance(permissions, dict) and "write" in permissions.values()


release_steps = release.get("steps", [])
published = [files for files in map(publishes, release_steps) if files is not None]
first_publish = next((i for i, step in enumerate(release_steps) if publishes(step) is not None), -1)
tag_checked = [i for i, step in enumerate(release_steps)
               if re.match(r"bash \.ci/check_tag \"(\$GITHUB_REF_NAME|\$\{\{ github\.ref_name \}\})\"$",
                           str(step.get("run", "")))]
unpinned = [f"{name}: {step['uses']}" for name, job in jobs.items() if writes(job.get("permissions"))
            for step in job.get("steps", []) if "uses" in step and not str(step["uses"]).startswith("actions/")
            and not re.search(r"@[0-9a-f]{40}$", str(step["uses"]))]
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
    ("the release job checks that the tag is v and the project's version (.ci/check_tag) before it publishes",
     bool(tag_checked) and 0 <= first_publish and tag_checked[0] < first_publish),
    (f"the workflow's own permissions are read-only, stated (got {workflow.get('permissions')})",
     isinstance(workflow.get("permissions"), (dict, str)) and not writes(workflow.get("permissions"))),
    (f"only the release job may write (jobs that may: {[n for n, j in jobs.items() if writes(j.get('permissions'))]})",
     all(not writes(job.get("permissions")) for name, job in jobs.items() if name != "release")),
    (f"the release job may write contents, nothing else (got {release.get('permissions')})",
     release.get("permissions") == {"contents": "write"}),
    (f"a job that may write uses GitHub's own actions or ones pinned by a commit (got {unpinned})", not unpinned),
    (f"the release job publishes the release's zips and SHA256SUMS (takes {taken(release)}, publishes {published})",
     taken(release) == ["release"] and len(published) == 1 and
     any(name.endswith("SHA256SUMS") for name in published[0]) and any(name.endswith(".zip") for name in published[0])),
]
for job in jobs.values():
    for step in job.get("steps", []):
        if "run" in step and publishes(step) is None:
            script = step["run"].split()[1] if step["run"].startswith("bash ") else step["run"].split()[0]
            path = os.path.join(root, script.replace("\\", "/"))
            checks.append((f"'{step['run']}' calls a script of the project's", os.path.isfile(path)))
failed += [name for name, ok in checks if not ok]
for name in failed:
    print(f"FAIL: {name}")
print(f"{len(checks) - len(failed)} passed, {len(failed)} failed")
sys.exit(1 if failed else 0)
