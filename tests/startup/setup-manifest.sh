#!/bin/sh
# setup-manifest.sh ROOT SRC WINE: the package manifest `make setup` writes,
# read back with a YAML parser and held against the built programs: their
# hashes and version resources, the switches the 64-bit program accepts and
# the exit codes its /? lists (WINE runs it), and the uninstall entry's texts.
set -eu
TEST=manifest
. "$(dirname "$0")/setup-common.sh"
WINE=$3
URL=https://downloads.example.com/parvela/4.0.3.2
RELEASE=$W/release MANIFEST_URL=$URL/ "$SRC/scripts/make-setup" "$ROOT" "$W/out" >/dev/null 2>&1
python3 - "$W" "$SRC" "$WINE" "$URL" <<'PY'
import glob, hashlib, re, subprocess, sys, yaml
w, src, wine, url = sys.argv[1:]
errors = []
def check(ok, what):
    if not ok: errors.append(what)
def win(path): return "Z:" + path.replace("/", "\\")

files = {}
for path in glob.glob(f"{w}/out/winget/*.yaml"):
    doc = yaml.safe_load(open(path, encoding="utf-8"))
    files[doc["ManifestType"]] = doc
check(sorted(files) == ["defaultLocale", "installer", "version"], f"manifest files: {sorted(files)}")
inst, loc = files["installer"], files["defaultLocale"]
for doc in files.values():
    for key in ("PackageIdentifier", "PackageVersion", "ManifestVersion"):
        check(doc[key] == inst[key], f"{doc['ManifestType']}: {key} {doc[key]!r} vs {inst[key]!r}")

# Each installer against its file, and its version resource's texts read as
# UTF-16 "key\0" (padding) "value\0".
def resource_text(exe, key):
    m = re.search(re.escape((key + "\0").encode("utf-16-le")) + b"(?:\0\0)*((?:[^\0].|\0[^\0])*?)\0\0", exe)
    return m and m[1].decode("utf-16-le")
arches = {i["Architecture"]: i for i in inst["Installers"]}
check(sorted(arches) == ["x64", "x86"], f"architectures {sorted(arches)}")
for folder, arch in (("win64", "x64"), ("win32", "x86")):
    exe = open(f"{w}/out/{folder}/ParvelaSetup.exe", "rb").read()
    i = arches.get(arch, {})
    check(i.get("InstallerSha256", "").upper() == hashlib.sha256(exe).hexdigest().upper(), f"{arch}: hash")
    check(i.get("InstallerUrl") == f"{url}/{folder}/ParvelaSetup.exe", f"{arch}: URL {i.get('InstallerUrl')}")
    for field, key in (("PackageVersion", "ProductVersion"), ("Publisher", "CompanyName"),
                       ("PackageName", "ProductName")):
        check((loc | inst)[field] == resource_text(exe, key), f"{arch}: {field} is not the resource's {key}")

# The apps-and-features entry as the uninstall entry writes it.
app = dict(re.findall(r'constexpr const char\* (\w+) = "([^"]*)"', open(f"{src}/instutils/AppInterface.h").read()))
entry = inst["AppsAndFeaturesEntries"][0]
for field, const in (("DisplayName", "ProductName"), ("Publisher", "Publisher"), ("DisplayVersion", "ProductVersion")):
    check(entry[field] == app[const], f"AppsAndFeaturesEntries {field} {entry[field]!r} vs {app[const]!r}")

# The switches, exactly as the package manager passes them, through the
# program's own parser: with /? it refuses an unknown one (exit 1) and
# otherwise prints its help, here with the exit-code table. A leading
# /VERYSILENT keeps a refusal from waiting in a message box.
sw = inst["InstallerSwitches"]
check(inst["InstallerType"] == "exe" and inst["Scope"] == "machine", "type or scope")
check("<INSTALLPATH>" in sw["InstallLocation"] and "<LOGPATH>" in sw["Log"], "tokens missing")
help_text = ""
for mode in ("Silent", "SilentWithProgress"):
    line = " ".join([f'"{win(w)}\\out\\win64\\ParvelaSetup.exe" /VERYSILENT', sw[mode],
                     sw["InstallLocation"].replace("<INSTALLPATH>", "C:\\Parvela Probe"),
                     sw["Log"].replace("<LOGPATH>", win(w) + "\\probe log.txt"), "/?"])
    open(f"{w}/probe.bat", "w").write("@" + line + "\r\n")
    run = subprocess.run([wine, "cmd", "/c", win(w) + "\\probe.bat"], capture_output=True, text=True, timeout=120)
    check(run.returncode == 0 and "Usage:" in run.stdout, f"{mode}: {line} -> {run.returncode} {run.stdout[:200]}")
    help_text = run.stdout
table = dict(re.findall(r"^(\d+) +(.*?)\r?$", help_text.split("Exit codes:")[-1], re.M))
meaning = {"installInProgress": "another setup", "packageInUse": "was not closed", "cancelledByUser": "cancelled"}
for c in inst["ExpectedReturnCodes"]:
    text = table.get(str(c["InstallerReturnCode"]), "")
    check(meaning[c["ReturnResponse"]] in text, f"exit code {c['InstallerReturnCode']} ({text!r}) is not {c['ReturnResponse']}")
check(set(meaning) <= {c["ReturnResponse"] for c in inst["ExpectedReturnCodes"]}, "a reason has no code")
if errors: sys.exit("FAIL: " + "\n      ".join(errors))
PY
rm -rf "$W"
