"""The forge's CI workflow, for what actionlint cannot know (the checks below name it), then
actionlint itself where it is installed. Usage: check_workflow.py ROOT"""
import os, re, shutil, subprocess, sys

import yaml

root = sys.argv[1]
path = os.path.join(root, ".github/workflows/ci.yml")
with open(path) as f:
    workflow = yaml.safe_load(f)
jobs = workflow["jobs"]
release, windows = jobs.get("release", {}), jobs.get("windows", {})
steps = [(name, step) for name, job in jobs.items() for step in job.get("steps", [])]
writes = lambda p: p == "write-all" or isinstance(p, dict) and "write" in p.values()
own = release.get("steps", [])
publish = [i for i, s in enumerate(own) if "gh release" in s.get("run", "")]
gate = [i for i, s in enumerate(own) if s.get("run", "").startswith("bash .ci/check_tag ")]
legs = {str(leg["debian"]): leg["zips"] for leg in jobs["linux"]["strategy"]["matrix"]["include"]}
taken = [s["with"]["name"] for s in own if "download-artifact" in s.get("uses", "")]
kept = [s["with"]["name"] for _, s in steps if "upload-artifact" in s.get("uses", "")]
pinned = r"@(v\d+|[0-9a-f]{40})$"
checks = [
    ("only the release job may write, contents alone",
     release.get("permissions") == {"contents": "write"} and not [
         n for n, job in [("", workflow), *jobs.items()] if n != "release" and writes(job.get("permissions"))]),
    ("the release job runs on a version tag alone", "refs/tags/v" in str(release.get("if"))),
    ("... and checks the tag's version (.ci/check_tag) before it publishes",
     len(publish) == 1 and gate and gate[0] < publish[0]),
    ("a job that may write uses only GitHub's own actions", not [
        s for n, s in steps if writes(jobs[n].get("permissions"))
        and not s.get("uses", "actions/").startswith("actions/")]),
    ("every action is pinned, by a version or a commit",
     all(re.search(pinned, s["uses"]) for _, s in steps if "uses" in s)),
    ("the release publishes Debian 12's zips", legs.get("12") != legs.get("13")
     and taken == [legs.get("12")] and kept == ["${{ matrix.zips }}"]),
    ("the release job waits for the Windows job", "windows" in release.get("needs", [])),
    ("the publishing step has its token",
     len(publish) == 1 and "GH_TOKEN" in own[publish[0]].get("env", {})),
    ("the Windows step runs under cmd",
     [s.get("shell") for s in windows.get("steps", []) if "run" in s] == ["cmd"]),
]
for _, step in steps:
    if "run" in step and "gh release" not in step["run"]:
        words = step["run"].split()
        script = words[1] if words[0] == "bash" else words[0]
        checks.append((f"'{step['run']}' calls a script that exists",
                       os.path.isfile(os.path.join(root, script.replace("\\", "/")))))
if shutil.which("actionlint"):
    lint = subprocess.run(["actionlint", path], timeout=120)
    checks.append(("actionlint reads it clean", lint.returncode == 0))
else:
    print("actionlint: skipped, not installed (Debian 12 has no package of it)")
failed = [name for name, ok in checks if not ok]
for name in failed:
    print(f"FAIL: {name}")
print(f"{len(checks) - len(failed)} passed, {len(failed)} failed")
sys.exit(1 if failed else 0)
