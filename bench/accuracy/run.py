#!/usr/bin/env python3
"""Accuracy on real applications: which rows a scan lists and selects, measured
against the leftover lists that packaging repositories keep for real Mac
applications (apps.json), plus a few collisions we wrote ourselves
(collisions.json).

Every application is installed at once as ROOT/Applications/<Name>.app and
every leftover laid out in one home (HOME) and one system root (ROOT); then
each application is scanned with the command-line tool, one process per app:

    quillmere-cli scan --json --home HOME --system-root ROOT ROOT/Applications/<Name>.app

A listed row is the app's own leftover (it is one of the app's leftovers or
lies inside one), another app's (it is, lies inside or holds a leftover that
only other apps list), or other. When the JSON carries "rows" with
"selected", the default selection is what is measured; without it every
listed row counts as selected.

    python3 bench/accuracy/run.py [BUILD_DIR] [--jobs N] [--keep] [--json FILE]

Standard library only. Deletes nothing outside its own temporary folder.
"""
import argparse
import collections
import json
import os
import plistlib
import shutil
import subprocess
import sys
import tempfile
import time
from concurrent.futures import ThreadPoolExecutor

HERE = os.path.dirname(os.path.abspath(__file__))

TWELVE = [
    "~/Library/Application Support", "~/Library/Preferences", "~/Library/Caches",
    "~/Library/Logs", "~/Library/Saved Application State", "~/Library/HTTPStorages",
    "~/Library/WebKit", "~/Library/Containers",
    "/Library/Application Support", "/Library/Preferences", "/Library/Caches", "/Library/Logs",
]

# The places searched beyond the twelve folders, one level deep.
EXTRA = [
    "~/Library/Application Scripts", "~/Library/Group Containers", "~/Library/Cookies",
    "~/Library/LaunchAgents", "~/Library/Internet Plug-Ins", "~/Library/Services",
    "/Library/LaunchAgents", "/Library/LaunchDaemons", "/Library/PrivilegedHelperTools",
    "/Library/Internet Plug-Ins",
]

# Why an own leftover under the Library was not selected, in the order printed.
WHY_MISSED = ["leftOut", "namesApp", "namesNeither", "tooDeep", "notSearched"]


def loose(text):
    """Lower case without spaces, hyphens, dots or underscores: how a leftover's name may spell the app's."""
    return "".join(c for c in text.lower() if c not in " -._")


def why_missed(app, left, rows):
    """Why an own leftover was not selected. `rows` maps each listed path to its row, when a row holds it
    (the selection left it out: by its evidence), else the leftover was never listed: outside the places
    searched, below the depth searched there, or in reach with a name that does (to a loose reading) or
    does not hold the app's name or identifier."""
    for above in ancestors(left):
        if above in rows:
            return "leftOut", rows[above]
    place = next((p for p in TWELVE + EXTRA if inside(left, p) and left != p), None)
    if place is None:
        return "notSearched", None
    below = left[len(place) + 1:].split("/")
    depth = 3 if place in TWELVE else 1
    reach = below[:depth]
    needles = [loose(n) for n in (app["name"], app["bundle"][:-4], app.get("identifier") or "") if loose(n)]
    if any(n in loose(part) for part in reach for n in needles):
        return "namesApp", None
    if any(n in loose(part) for part in below[depth:] for n in needles):
        return "tooDeep", None
    return "namesNeither", None


# Leftovers with these endings are laid out as files, everything else as a
# folder (what the packaging lists name is mostly folders and property lists).
FILE_ENDINGS = (".plist", ".binarycookies", ".log", ".sfl", ".sfl2", ".sfl3", ".bom", ".ini",
                ".cfg", ".conf", ".json", ".jsonl", ".db", ".sqlite", ".txt", ".storedata",
                ".xml", ".dat", "rc", ".lock", ".toml", ".yaml", ".yml", ".cookies")


def inside(path, folder):
    return path == folder or path.startswith(folder + "/")


def ancestors(path):
    """The path itself and every folder above it, nearest first."""
    out = [path]
    while True:
        cut = path.rfind("/")
        if cut <= 1:
            return out
        path = path[:cut]
        out.append(path)


def folder_of(path):
    """Where a leftover lies, for the most-missed table: ~/Library/Cookies, /Library/LaunchDaemons, ..."""
    parts = path.split("/")
    if parts[0] == "~" and len(parts) > 2 and parts[1] == "Library":
        return "/".join(parts[:3])
    if parts[0] == "" and len(parts) > 2 and parts[1] == "Library":
        return "/".join(parts[:3])
    if path.startswith("/private/var/db/receipts/"):
        return "/private/var/db/receipts"
    return "/".join(parts[:2]) if parts[0] == "~" else "/".join(parts[:3])


# What Chromium and Electron apps really keep inside their folder in
# Application Support (and a Chromium-style profile, "Default"): laid into
# every application's folder there with --inner-layout. (name, is a folder)
INNER_LAYOUT = [
    ("Local Storage", True), ("Local Storage/leveldb", True), ("Session Storage", True),
    ("Cache", True), ("Cache/Cache_Data", True), ("Code Cache", True), ("Code Cache/js", True),
    ("GPUCache", True), ("DawnCache", True), ("Crashpad", True), ("Crashpad/settings.dat", False),
    ("Crashpad/completed", True), ("IndexedDB", True), ("blob_storage", True), ("logs", True),
    ("logs/main.log", False), ("Preferences", False), ("Cookies", False), ("Cookies-journal", False),
    ("Local State", False), ("Network Persistent State", False), ("TransportSecurity", False),
    ("Dictionaries", True), ("Service Worker", True), ("Service Worker/CacheStorage", True),
    ("config.json", False), ("window-state.json", False),
    ("Default", True), ("Default/Local Storage", True), ("Default/Session Storage", True),
    ("Default/Cookies", False), ("Default/Preferences", False), ("Default/History", False),
    ("Default/IndexedDB", True), ("Default/Extensions", True), ("Default/Web Data", False),
]


class Library:
    """One home and one system root holding every app and every leftover."""

    def __init__(self, base, apps, inner_layout=False):
        self.inner_layout = inner_layout
        self.home = os.path.join(base, "home_0")
        self.root = os.path.join(base, "root_0")
        self.apps = apps
        # leftover (canonical "~/..." or "/..." text) -> indices of the apps that list it
        self.owners = collections.defaultdict(set)
        # every folder above a leftover -> indices of the apps with a leftover below it
        self.holders = collections.defaultdict(set)
        for i, app in enumerate(apps):
            for left in app["leftovers"]:
                self.owners[left].add(i)
                for above in ancestors(left)[1:]:
                    self.holders[above].add(i)

    def real(self, canonical):
        if canonical.startswith("~/"):
            return os.path.join(self.home, canonical[2:])
        return os.path.join(self.root, canonical.lstrip("/"))

    def canonical(self, real):
        if inside(real, self.home):
            return "~" + real[len(self.home):]
        if inside(real, self.root):
            return real[len(self.root):] or "/"
        return real

    def bundle_path(self, app):
        where = app.get("dir", "/Applications")
        return os.path.join(self.real(where), app["bundle"])

    def lay_out(self):
        for left in sorted(self.owners):
            path = self.real(left)
            if left in self.holders or not left.endswith(FILE_ENDINGS):
                os.makedirs(path, exist_ok=True)
            else:
                os.makedirs(os.path.dirname(path), exist_ok=True)
                if not os.path.exists(path):
                    with open(path, "wb") as f:
                        f.write(b"leftover\n")
        if self.inner_layout:
            # Inside each application's own folder, so each entry is that application's.
            for left in sorted(self.owners):
                parent, _, name = left.rpartition("/")
                if parent != "~/Library/Application Support" or not os.path.isdir(self.real(left)):
                    continue
                for inner, folder in INNER_LAYOUT:
                    path = os.path.join(self.real(left), inner)
                    if folder:
                        os.makedirs(path, exist_ok=True)
                    elif not os.path.exists(path):
                        os.makedirs(os.path.dirname(path), exist_ok=True)
                        with open(path, "wb") as f:
                            f.write(b"inner\n")
        for app in self.apps:
            contents = os.path.join(self.bundle_path(app), "Contents")
            os.makedirs(os.path.join(contents, "MacOS"), exist_ok=True)
            info = {"CFBundleName": app["name"], "CFBundlePackageType": "APPL"}
            if app.get("identifier"):
                info["CFBundleIdentifier"] = app["identifier"]
            with open(os.path.join(contents, "Info.plist"), "wb") as f:
                plistlib.dump(info, f)

    def classify(self, index, row):
        """own, foreign (another app's data) or other, for the app at index."""
        mine = foreign = False
        for above in ancestors(row):
            owners = self.owners.get(above)
            if owners:
                if index in owners:
                    return "own"
                foreign = True
        below = self.holders.get(row, ())
        if index in below:
            mine = True
        if below and not below <= {index}:
            foreign = True
        if foreign:
            return "foreign"
        return "own" if mine else "other"


def scan(cli, lib, index):
    app = lib.apps[index]
    bundle = lib.bundle_path(app)
    started = time.perf_counter()
    done = subprocess.run([cli, "scan", "--json", "--home", lib.home, "--system-root", lib.root, bundle],
                          capture_output=True)
    elapsed = time.perf_counter() - started
    if done.returncode != 0:
        raise SystemExit(f"scan of {bundle} failed ({done.returncode}): "
                         f"{done.stderr.decode('utf-8', 'replace').strip()}")
    result = json.loads(done.stdout.decode("utf-8", "surrogateescape"))
    listed = [p for p in result["relatedFiles"] if p != bundle]
    rows = result.get("rows")
    if rows is not None and all("selected" in r for r in rows):
        selected = {r["path"] for r in rows if r["selected"]}
        has_selection = True
    else:
        selected = set(listed)
        has_selection = False
    return {"index": index, "listed": listed, "selected": [p for p in listed if p in selected],
            "rows": rows, "hasSelection": has_selection, "seconds": elapsed}


def share(part, whole):
    return 100.0 * part / whole if whole else 0.0


def measure(lib, scans):
    fig = {"apps": len(lib.apps), "leftovers": sum(len(a["leftovers"]) for a in lib.apps)}
    listed = selected = 0
    foreign_listed = foreign_selected = 0
    apps_foreign_listed = apps_foreign_selected = 0
    worst = []
    in12 = in12_found = in12_listed = 0
    lib_all = lib_found = lib_listed = 0
    receipts = receipts_found = 0
    per_app_share = []
    missed = collections.Counter()
    missed_why = collections.Counter()
    missed_where = collections.defaultdict(collections.Counter)
    left_out = collections.Counter()
    for s in scans:
        i = s["index"]
        app = lib.apps[i]
        canon_listed = [lib.canonical(p) for p in s["listed"]]
        canon_selected = {lib.canonical(p) for p in s["selected"]}
        kinds = {p: lib.classify(i, p) for p in canon_listed}
        listed += len(canon_listed)
        selected += len(canon_selected)
        f_listed = [p for p in canon_listed if kinds[p] == "foreign"]
        f_selected = [p for p in canon_listed if kinds[p] == "foreign" and p in canon_selected]
        foreign_listed += len(f_listed)
        foreign_selected += len(f_selected)
        apps_foreign_listed += bool(f_listed)
        apps_foreign_selected += bool(f_selected)
        if f_selected:
            worst.append((len(f_selected), app["bundle"], f_selected[0]))
        listed_set = set(canon_listed)
        rows_by_path = {lib.canonical(r["path"]): r for r in (s["rows"] or []) if "selected" in r}
        app_in12 = app_in12_found = 0
        for left in app["leftovers"]:
            found = any(a in canon_selected for a in ancestors(left))
            found_listed = any(a in listed_set for a in ancestors(left))
            if any(inside(left, t) for t in TWELVE) and left not in TWELVE:
                in12 += 1
                in12_found += found
                in12_listed += found_listed
                app_in12 += 1
                app_in12_found += found
            if left.startswith(("~/Library/", "/Library/")):
                lib_all += 1
                lib_found += found
                lib_listed += found_listed
                if not found:
                    missed[folder_of(left)] += 1
                    why, row = why_missed(app, left, rows_by_path)
                    missed_why[why] += 1
                    missed_where[folder_of(left)][why] += 1
                    if row is not None:
                        left_out[row.get("evidence", "?") + (" (another app's)" if row.get("otherApp") else "")] += 1
            elif left.startswith("/private/var/db/receipts/"):
                receipts += 1
                receipts_found += found
        if app_in12:
            per_app_share.append(app_in12_found / app_in12)
    worst.sort(key=lambda w: (-w[0], w[1]))
    fig.update({
        "selectionInOutput": any(s["hasSelection"] for s in scans),
        "rowsListed": listed,
        "rowsSelected": selected,
        "foreignRowsListed": foreign_listed,
        "foreignRowsListedPercent": round(share(foreign_listed, listed), 2),
        "appsWithForeignListed": apps_foreign_listed,
        "foreignRowsSelected": foreign_selected,
        "foreignRowsSelectedPercent": round(share(foreign_selected, selected), 2),
        "appsWithForeignSelected": apps_foreign_selected,
        "appsWithForeignSelectedPercent": round(share(apps_foreign_selected, len(scans)), 2),
        "ownInTwelve": in12,
        "ownInTwelveSelected": in12_found,
        "ownInTwelveSelectedPercent": round(share(in12_found, in12), 2),
        "ownInTwelveListedPercent": round(share(in12_listed, in12), 2),
        "ownInTwelvePerAppMeanPercent": round(100.0 * sum(per_app_share) / len(per_app_share), 2)
        if per_app_share else 0.0,
        "ownUnderLibrary": lib_all,
        "ownUnderLibrarySelected": lib_found,
        "ownUnderLibrarySelectedPercent": round(share(lib_found, lib_all), 2),
        "ownUnderLibraryListedPercent": round(share(lib_listed, lib_all), 2),
        "ownReceipts": receipts,
        "ownReceiptsSelected": receipts_found,
        "mostMissed": missed.most_common(10),
        "missedWhy": {w: missed_why[w] for w in WHY_MISSED},
        "missedWhyByFolder": [[f, {w: missed_where[f][w] for w in WHY_MISSED}] for f, _ in missed.most_common(12)],
        "leftOutEvidence": left_out.most_common(),
        "ownUnderLibraryFor90Percent": max(0, -(-9 * lib_all // 10) - lib_found),
        "worstApps": [{"app": b, "foreignRows": n, "example": ex} for n, b, ex in worst[:10]],
        "scanSeconds": round(sum(s["seconds"] for s in scans), 3),
        "scanSecondsMax": round(max((s["seconds"] for s in scans), default=0.0), 4),
    })
    return fig


def check_cases(lib, scans_by_bundle, cases):
    """The hand-written collisions: what the default selection must and must not take."""
    out = []
    for case in cases:
        s = scans_by_bundle[case["app"]]
        selected = {lib.canonical(p) for p in s["selected"]}
        wrong = [p for p in case.get("mustNotSelect", []) if any(a in selected for a in ancestors(p))]
        lost = [p for p in case.get("mustSelect", []) if not any(a in selected for a in ancestors(p))]
        out.append({"app": case["app"], "what": case["what"], "ok": not wrong and not lost,
                    "selectedButOthers": wrong, "ownNotSelected": lost})
    return out


def run_library(cli, apps, jobs, keep, label, inner_layout=False):
    base = tempfile.mkdtemp(prefix="qmbench_")
    try:
        lib = Library(base, apps, inner_layout)
        lib.lay_out()
        started = time.perf_counter()
        with ThreadPoolExecutor(max_workers=jobs) as pool:
            scans = list(pool.map(lambda i: scan(cli, lib, i), range(len(apps))))
        wall = time.perf_counter() - started
        if keep:
            print(f"{label}: library kept in {base}", file=sys.stderr)
        return lib, scans, wall
    finally:
        if not keep:
            shutil.rmtree(base, ignore_errors=True)


def print_report(fig, wall, jobs, cases):
    p = print
    p(f"Applications: {fig['apps']}, leftovers: {fig['leftovers']}"
      f" ({fig['ownUnderLibrary']} under ~/Library or /Library, {fig['ownInTwelve']} inside the twelve folders,"
      f" {fig['ownReceipts']} package receipts)")
    if fig.get("innerLayout"):
        p(f"Every application folder in Application Support holds the inner layout of Chromium and Electron apps"
          f" ({len(INNER_LAYOUT)} entries)")
    sel = "the default selection" if fig["selectionInOutput"] else "every listed row (no selection in the output)"
    p(f"Rows listed (bundles not counted): {fig['rowsListed']}; selected: {fig['rowsSelected']} ({sel})")
    p(f"Listed rows that are another application's: {fig['foreignRowsListed']}"
      f" ({fig['foreignRowsListedPercent']:.1f}%), in {fig['appsWithForeignListed']} applications")
    p("Default selection:")
    p(f"  rows that are another application's: {fig['foreignRowsSelected']} of {fig['rowsSelected']}"
      f" ({fig['foreignRowsSelectedPercent']:.2f}%)")
    p(f"  applications with at least one: {fig['appsWithForeignSelected']} of {fig['apps']}"
      f" ({fig['appsWithForeignSelectedPercent']:.2f}%)")
    p(f"  own leftovers inside the twelve folders selected: {fig['ownInTwelveSelected']} of {fig['ownInTwelve']}"
      f" ({fig['ownInTwelveSelectedPercent']:.1f}% pooled over all leftovers;"
      f" mean of the per-app shares {fig['ownInTwelvePerAppMeanPercent']:.1f}%)")
    p(f"  own leftovers under ~/Library and /Library selected: {fig['ownUnderLibrarySelected']} of"
      f" {fig['ownUnderLibrary']} ({fig['ownUnderLibrarySelectedPercent']:.1f}%)")
    p(f"  package receipts selected: {fig['ownReceiptsSelected']} of {fig['ownReceipts']}")
    p("  most-missed folders (own leftovers under ~/Library and /Library not selected):")
    for folder, n in fig["mostMissed"]:
        p(f"    {n:5d}  {folder}")
    w = fig["missedWhy"]
    p(f"  why those {sum(w.values())} were not selected ({fig['ownUnderLibraryFor90Percent']} more would make 90%):")
    p(f"    {w['leftOut']:5d}  listed, left out by the default selection; their rows' evidence: "
      + ", ".join(f"{e} {n}" for e, n in fig["leftOutEvidence"]))
    p(f"    {w['namesApp']:5d}  not listed, in reach, the name holds the app's name or identifier (read loosely)")
    p(f"    {w['namesNeither']:5d}  not listed, in reach, the name holds neither")
    p(f"    {w['tooDeep']:5d}  not listed, the name that holds it lies deeper than searched")
    p(f"    {w['notSearched']:5d}  not listed, outside the places searched")
    p("    by folder (left out / names app / names neither / too deep / not searched):")
    for folder, by in fig["missedWhyByFolder"]:
        p(f"      {' / '.join(f'{by[k]:3d}' for k in WHY_MISSED)}  {folder}")
    p("  applications with the most rows of other applications:")
    for w in fig["worstApps"]:
        p(f"    {w['foreignRows']:4d}  {w['app']}  e.g. {w['example']}")
    p(f"Scan time: {fig['scanSeconds']:.2f} s over {fig['apps']} scans (slowest {fig['scanSecondsMax'] * 1000:.1f} ms;"
      f" {jobs} at a time, {wall:.2f} s wall), one process per scan")
    if cases:
        ok = sum(c["ok"] for c in cases)
        p(f"Hand-written collisions (collisions.json, a separate small Library): {ok} of {len(cases)} as expected")
        for c in cases:
            mark = "ok  " if c["ok"] else "FAIL"
            extra = ""
            if c["selectedButOthers"]:
                extra += f"; selects another's {c['selectedButOthers'][0]}"
            if c["ownNotSelected"]:
                extra += f"; leaves out its own {c['ownNotSelected'][0]}"
            p(f"    {mark} {c['app']}: {c['what']}{extra}")


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("build", nargs="?", default="build", help="build folder holding cli/quillmere-cli")
    ap.add_argument("--apps", default=os.path.join(HERE, "apps.json"))
    ap.add_argument("--collisions", default=os.path.join(HERE, "collisions.json"))
    ap.add_argument("--jobs", type=int, default=1, help="scans at a time (default 1)")
    ap.add_argument("--keep", action="store_true", help="keep the laid-out Library and say where")
    ap.add_argument("--json", dest="json_out", help="also write the figures to this file")
    ap.add_argument("--inner-layout", action="store_true",
                    help="give every application folder in Application Support the inner layout of "
                         "Chromium and Electron apps (Local Storage, Crashpad, a Default profile, ...)")
    args = ap.parse_args()

    cli = os.path.abspath(os.path.join(args.build, "cli", "quillmere-cli"))
    if not os.access(cli, os.X_OK):
        raise SystemExit(f"{cli}: not found; build first (./scripts/build.sh)")
    with open(args.apps, encoding="utf-8") as f:
        apps = json.load(f)

    lib, scans, wall = run_library(cli, apps, args.jobs, args.keep, "apps", args.inner_layout)
    fig = measure(lib, scans)
    fig["innerLayout"] = args.inner_layout

    cases = []
    if args.collisions and os.path.exists(args.collisions):
        with open(args.collisions, encoding="utf-8") as f:
            coll = json.load(f)
        clib, cscans, _ = run_library(cli, coll["apps"], args.jobs, args.keep, "collisions", args.inner_layout)
        by_bundle = {}
        for s in cscans:  # the first of two copies is the one a case names
            by_bundle.setdefault(clib.apps[s["index"]]["bundle"], s)
        cases = check_cases(clib, by_bundle, coll["cases"])
    print_report(fig, wall, args.jobs, cases)
    if args.json_out:
        with open(args.json_out, "w", encoding="utf-8") as f:
            json.dump({"figures": fig, "collisions": cases}, f, ensure_ascii=False, indent=1)


if __name__ == "__main__":
    main()
