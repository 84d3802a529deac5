#!/usr/bin/env bash
# Checks that the bundled sample installation (sample/, or the folder given as the first
# argument) is consistent: catalogue, type and dispatcher lists, templates, dispatcher
# files, port separators, queue files, swap files and PPD templates agree with each other
# the way the configurator's loaders and rewrites expect. Prints one line per problem
# and exits with 1 when there is any. Needs python3.
set -euo pipefail
root="${1:-$(cd "$(dirname "$0")/.." && pwd)/sample}"
[[ -d "$root" ]] || { echo "no such folder: $root" >&2; exit 2; }
exec python3 - "$root" <<'PY'
import fnmatch, os, re, sys

ROOT = os.path.abspath(sys.argv[1])
problems = []

def problem(text):
    problems.append(text)

def native(value):
    """A configured path as the configurator uses it: the sample root reference expanded,
    backslashes turned into slashes."""
    return value.replace("%RAVLIN_SAMPLE_ROOT%", ROOT).replace("\\", "/")

def rel(path):
    return os.path.relpath(path, ROOT)

def read_text(path):
    with open(path, "rb") as f:
        data = f.read()
    if b"\0" in data:
        problem("%s: not a text file" % rel(path))
    if b"\r" in data:
        problem("%s: carriage returns" % rel(path))
    return data.decode("latin-1")

def read_rdb(path):
    """Topics as an ordered list of (name, [(item, value)]) following the resource database
    line grammar: [topic], name=value, blank lines and ";"/"#" comments."""
    topics = []
    for n, line in enumerate(read_text(path).split("\n"), 1):
        stripped = line.strip()
        if not stripped or stripped[0] in ";#":
            continue
        if stripped.startswith("[") and "]" in stripped:
            topics.append((stripped[1:stripped.rindex("]")].strip(), []))
        elif "=" in line:
            if not topics:
                problem("%s:%d: item before the first topic" % (rel(path), n))
                continue
            name, value = line.split("=", 1)
            topics[-1][1].append((name.strip(), value))
        else:
            problem("%s:%d: neither topic nor item: %r" % (rel(path), n, line))
    return topics

def topic(db, name):
    for t, items in db:
        if t.lower() == name.lower():
            return items
    return None

def item(db, t, name):
    items = topic(db, t)
    if items is None:
        return None
    for k, v in items:
        if k.lower() == name.lower():
            return v
    return None

def need(db, t, name, where):
    value = item(db, t, name)
    if value is None:
        problem("%s: [%s] %s is missing" % (where, t, name))
    return value

def find_ci(folder, name):
    """The entry of `folder` named `name` ignoring case, or None."""
    if not os.path.isdir(folder):
        return None
    for entry in os.listdir(folder):
        if entry.lower() == name.lower():
            return os.path.join(folder, entry)
    return None

def find_search(folder, pattern):
    """The search form of FindNewestFile: the folder first, then its subfolders depth first."""
    if not os.path.isdir(folder):
        return None
    entries = sorted(os.listdir(folder))
    for e in entries:
        if os.path.isfile(os.path.join(folder, e)) and fnmatch.fnmatch(e.lower(), pattern.lower()):
            return os.path.join(folder, e)
    for e in entries:
        if os.path.isdir(os.path.join(folder, e)):
            found = find_search(os.path.join(folder, e), pattern)
            if found:
                return found
    return None

def compare_files(f1, f2, key=""):
    """CompareFiles: lines lower-cased, blanks and tabs removed; with a key only key lines,
    with ":" and "=" also removed."""
    def lines(path):
        out = []
        for line in read_text(path).split("\n"):
            line = line.lower().replace(" ", "").replace("\t", "")
            if key:
                if key.lower() not in line:
                    continue
                line = line.replace(":", "").replace("=", "")
            out.append(line)
        if out and out[-1] == "":
            out.pop()
        return out
    a, b = lines(f1), lines(f2)
    if key:
        j = 0
        for line in a:
            if j >= len(b):
                break
            if line != b[j]:
                return False
            j += 1
        return True
    for i, line in enumerate(a):
        if i >= len(b) or line != b[i]:
            return False
    return True

def hundreds(port):
    return (port % 1000) // 100

def first_number(text):
    m = re.search(r"\d+", text)
    return int(m.group()) if m else None

PLACEHOLDERS_COMMON = ["<Add Names>", "<Add Dotshapes>", "<Add ScreenFilter>", "<Add SimpleDGC>",
                       "<Add AutomaticDGC>", "<Add TRP", "<Add Configuration Sets>"]
PLACEHOLDERS_PROOF = ["<Add ColorStrategies>", "<Add SrcProfiles>", "<Add DstProfiles>"]
PLACEHOLDERS_OTHER = ["<Add Resolution List>", "<Add Halftone Information>"]
PAGE = ["<Add PageSize setup>", "<Add PageSize Transverse>|<Add PageSize Tarnsverse>", "<Add PageSize>",
        "<Add PageRegion>", "<Add ImageableArea>"]

def check_ppd_template(path, proof):
    lines = read_text(path).split("\n")
    order = PLACEHOLDERS_COMMON + (PLACEHOLDERS_PROOF if proof else PLACEHOLDERS_OTHER)
    order += ["<Add PaperDimension>", "<Add CustomPageSize>"]
    if not proof:
        order += ["<Add Screening information>"]
    order += ["<Add End Comments>"]
    position = 0
    for ph in order:
        at = next((i for i in range(position, len(lines)) if ph in lines[i]), None)
        if at is None:
            problem("%s: placeholder %s missing or out of order" % (rel(path), ph))
            continue
        position = at + 1
    # the page size placeholders stand before "<Add PaperDimension>", in any order
    paper = next((i for i, l in enumerate(lines) if "<Add PaperDimension>" in l), len(lines))
    config = next((i for i, l in enumerate(lines) if "<Add Configuration Sets>" in l), 0)
    for ph in PAGE:
        hits = [i for i, l in enumerate(lines) if any(p in l for p in ph.split("|"))]
        if len(hits) != 1 or not config < hits[0] < paper:
            problem("%s: %s must stand once between the configurations and the paper dimensions" % (rel(path), ph))
    for unused in ["<Add PixelClock>", "<Add Perimeter>"] + (PLACEHOLDERS_OTHER + ["<Add Screening information>"]
                                                            if proof else PLACEHOLDERS_PROOF):
        if any(unused in l for l in lines):
            problem("%s: %s is never replaced for this flavour" % (rel(path), unused))
    for i, l in enumerate(lines):
        if l.count("<Add ") > 1:
            problem("%s:%d: more than one placeholder on a line" % (rel(path), i + 1))

def check_swap(path, folder, canonical):
    text = read_text(path)
    entries = [l for l in text.split("\n") if l and "persistent" not in l.lower()
               and "volatile" not in l.lower() and "#" not in l]
    if not entries:
        problem("%s: no swap folder" % rel(path))
    for e in entries:
        if ("\\" + folder + "\\").lower() not in e.lower():
            problem("%s: %s does not name the folder %s" % (rel(path), e, folder))
        if canonical and e != e.lower():
            problem("%s: %s is not in the saved (lower-case) form" % (rel(path), e))
    lines = [l for l in text.split("\n") if l]
    if canonical and lines != ["[persistent]"] + entries[:len(entries) // 2] + ["[volatile]"] + entries[:len(entries) // 2]:
        problem("%s: not in the saved form" % rel(path))

INI_PORT_KEYS = ("commandport", "tcp_")

def check_ini(path, flavour_key, disp):
    """The ini lines that the rewrites of the configurator look at."""
    text = read_text(path)
    name, folder, base, port = disp["Name"], disp["Folder"], disp["Base"], disp["CommandPort"]
    db = read_rdb(path)
    for line in text.split("\n"):
        low = line.lower()
        if any(k in low for k in INI_PORT_KEYS):
            n = first_number(line)
            if n is None or not line.lstrip().lower().startswith(INI_PORT_KEYS) or \
                    re.search(r"\d", line.split("=", 1)[0]):
                problem("%s: port line %r must be name=number with no digit in the name" % (rel(path), line))
            elif hundreds(n) != base:
                problem("%s: port %d does not carry the port separator %d" % (rel(path), n, base))
        for k in ("kw_data_", "kw_prog_"):
            if k in low:
                value = line.split("=")[-1]
                if ("\\" + folder + "\\").lower() not in value.lower() and not \
                        value.lower().endswith("\\data\\" + flavour_key.lower()):
                    problem("%s: %r holds no \\%s\\" % (rel(path), line, folder))
                break
        else:
            if "flavor" in low and line.split("=")[-1] != folder:
                problem("%s: %r should name the folder %s" % (rel(path), line, folder))
        if line.lstrip().startswith(";") and any(k in low for k in ("papname", "pipename", "kw_cpu", "flavor")):
            problem("%s: comment %r would be rewritten" % (rel(path), line))
    pap = need(db, "global", "papname", rel(path))
    if pap is not None and pap.replace('"', "") != name + "_AT":
        problem("%s: papname %s is not %s_AT" % (rel(path), pap, name))
    if item(db, "global", "pipename") != name + "_pipe":
        problem("%s: pipename is not %s_pipe" % (rel(path), name))
    if item(db, "global", "kw_cpu") != name:
        problem("%s: kw_cpu is not %s" % (rel(path), name))
    if item(db, "PavoNet", "commandport") != str(port):
        problem("%s: PavoNet commandport is not %d" % (rel(path), port))
    for k in ("ldir1", "ldir2"):
        need(db, "PavoNet", k, rel(path))
    need(db, "folder", "hotfolder", rel(path))
    if topic(db, "environment") is None:
        problem("%s: no topic environment" % rel(path))
    return db

def check_servers(path, disp):
    db = read_rdb(path)
    queues = [(t, items) for t, items in db if any(k.lower() == "name" for k, _ in items)]
    if len(queues) == len(db):
        problem("%s: every topic is a queue; one topic without Name was expected" % rel(path))
    classes = set()
    for t, items in queues:
        if not t.isdigit():
            problem("%s: queue topic %s is not a number" % (rel(path), t))
        cls = item(db, t, "Class")
        if cls is None:
            problem("%s: queue %s has no Class" % (rel(path), t))
            continue
        classes.add(cls)
        qname = item(db, t, "Name")
        if cls in ("pap", "npipe") and disp["Name"].lower() not in qname.lower():
            problem("%s: queue %s (%s) does not name %s" % (rel(path), t, qname, disp["Name"]))
        if cls == "hf":
            hot = item(db, t, "folder") or ""
            if not (hot.startswith('"') and hot.endswith('"')):
                problem("%s: hot folder of queue %s is not in double quotes" % (rel(path), t))
            low = hot.lower()
            if ("\\" + disp["Folder"] + "\\").lower() not in low:
                problem("%s: hot folder of queue %s does not name %s" % (rel(path), t, disp["Folder"]))
            for other in ("OkFolder", "ErrorFolder"):
                v = item(db, t, other)
                suffix = "\\Ok" if other == "OkFolder" else "\\Error"
                if v is not None and v != hot[:-1] + suffix + '"':
                    problem("%s: %s of queue %s is not the hot folder + %s" % (rel(path), other, t, suffix))
        if cls == "inifile":
            p = item(db, t, "tcp_pap")
            if p is None or hundreds(int(p)) != disp["Base"]:
                problem("%s: tcp_pap of queue %s does not carry the port separator" % (rel(path), t))
        elif item(db, t, "tcp_pap") is not None:
            problem("%s: only inifile queues get their tcp_pap renumbered" % rel(path))
    for cls in ("pap", "npipe", "hf", "inifile"):
        if cls not in classes:
            problem("%s: no %s queue" % (rel(path), cls))

def check_config(path, disp):
    db = read_rdb(path)
    confs = (need(db, "Main", "confs", rel(path)) or "").split()
    for c in confs:
        if topic(db, c) is None:
            problem("%s: configuration %s has no topic" % (rel(path), c))
    used = need(db, "Main", "used", rel(path))
    if used not in confs:
        problem("%s: configuration in use %s is not listed" % (rel(path), used))
    for s in (need(db, "Main", "sets", rel(path)) or "").split():
        if topic(db, s) is None:
            problem("%s: resolution set %s has no topic" % (rel(path), s))
    if disp is not None:
        v = item(db, "PavoNet", "commandport")
        if v is None or first_number(v) != disp["CommandPort"]:
            problem("%s: PavoNet commandport is not %d" % (rel(path), disp["CommandPort"]))
    return db

def check_template_files(tdir, idir, t, flavour_key, where):
    for k in ("FID", "Config", "Media", "Recorder"):
        if not t.get(k) or not find_ci(tdir, t[k]):
            problem("%s: template %s of type %s not found in %s" % (where, t.get(k), t["Name"], rel(tdir)))
    if t.get("Ini") and not find_search(idir, t["Ini"]):
        problem("%s: ini template %s of type %s not found in %s" % (where, t["Ini"], t["Name"], rel(idir)))

# ------------------------------------------------------------------ catalogue
config = os.path.join(ROOT, "config")
catalogues = [f for f in sorted(os.listdir(config)) if fnmatch.fnmatch(f.lower(), "rvc*.dat")]
if "rvc.dat" not in catalogues:
    problem("config/rvc.dat is missing")
reference = None
for name in catalogues:
    db = read_rdb(os.path.join(config, name))
    body = [(t, items) for t, items in db]
    if reference is None:
        reference = body
    elif body != reference:
        problem("config/%s differs from config/%s" % (name, catalogues[0]))

catalogue = read_rdb(os.path.join(config, "rvc.dat"))
flavours = [t for t, _ in catalogue if t.lower() != "_internal_"]
if topic(catalogue, "_internal_") is None:
    problem("config/rvc.dat: no topic _internal_")
if len(flavours) < 3:
    problem("config/rvc.dat: fewer than three flavours")

all_names = {}
rebuilt = []
for key in flavours:
    where = "config/rvc.dat [%s]" % key
    for k in ("name", "Version", "progdir", "datadir"):
        need(catalogue, key, k, where)
    progdir_item = item(catalogue, key, "progdir") or ""
    datadir_item = item(catalogue, key, "datadir") or ""
    for v in (progdir_item, datadir_item):
        if not v.startswith("%RAVLIN_SAMPLE_ROOT%\\"):
            problem("%s: %s is not relative to %%RAVLIN_SAMPLE_ROOT%%" % (where, v))
    def folder_and_pattern(value, default):
        path = native(value)
        base = os.path.basename(path)
        if base and "." in base:
            return os.path.dirname(path), base
        return path.rstrip("/"), default
    progdir, ppattern = folder_and_pattern(progdir_item, "rvc*.cfg")
    datadir, dpattern = folder_and_pattern(datadir_item, "rvc*.cfg")
    for d in (progdir, datadir):
        if not os.path.isdir(d):
            problem("%s: folder %s does not exist" % (where, rel(d)))
    plist = find_search(progdir, ppattern)
    dlist = find_search(datadir, dpattern)
    if plist and os.path.dirname(plist) != progdir:
        problem("%s: type list found below the program folder: %s" % (where, rel(plist)))
    if dlist and os.path.dirname(dlist) != datadir:
        problem("%s: dispatcher list found below the data folder: %s" % (where, rel(dlist)))
    if bool(plist) != bool(dlist):
        problem("%s: a flavour has both list files or neither" % where)
    for d in (progdir, datadir):
        if find_search(d, "rvc*.cfg") is None and find_search(d, "*.ini") is None:
            problem("%s: %s holds neither a list file nor an ini file" % (where, rel(d)))

    # -------------------------------------------------------------- device types
    types = []
    if plist:
        tl = read_rdb(plist)
        fidbase = need(tl, "Main", "FIDbase", rel(plist))
        flavor = need(tl, "Main", "Flavor", rel(plist))
        if flavor != key:
            problem("%s: Flavor %s differs from the flavour key %s" % (rel(plist), flavor, key))
        n = int(need(tl, "Main", "NrConfigs", rel(plist)) or 0)
        for i in range(1, n + 1):
            tp = "Config%d" % i
            t = {"Name": need(tl, tp, "Name", rel(plist)), "FID": need(tl, tp, "FID", rel(plist))}
            film = need(tl, tp, "ZV_PLATE_OR_FILM", rel(plist)) == "FILM"
            t["Film"] = film
            t["Media"] = need(tl, tp, "ZV_FILM" if film else "ZV_PLATE", rel(plist))
            t["Config"] = need(tl, tp, "ZV_CONFIG", rel(plist))
            t["Recorder"] = need(tl, tp, "ZV_RECORDER", rel(plist))
            t["Ini"] = need(tl, tp, "ZV_DISPATCHER", rel(plist))
            types.append(t)
        if len(topic(tl, "Main") or []) and len(tl) != n + 1:
            problem("%s: NrConfigs is %d but there are %d type topics" % (rel(plist), n, len(tl) - 1))
        tdir = os.path.join(progdir, "dat", "templates", flavor or key)
    else:
        rebuilt.append(key)
        flavor = key
        tdir = os.path.join(progdir, "dat", "templates")
        fids = sorted(f for f in os.listdir(tdir) if f.lower().endswith(".fid"))
        if len(fids) < 2:
            problem("%s: fewer than two .fid templates in %s" % (where, rel(tdir)))
        stems = [f[:-4] for f in fids]
        common = os.path.commonprefix([s.lower() for s in stems])
        fidbase = stems[0][:common.rfind("_")] if "_" in common else ""
        for f, s in zip(fids, stems):
            tname = s[len(fidbase):].lstrip("_")
            if "_" in tname:
                problem("%s: type name %s of %s holds a _; the rebuild would cut it" % (where, tname, f))
            t = {"Name": tname, "FID": f}
            film = find_ci(tdir, "zv_film_%s.res" % tname)
            plate = find_ci(tdir, "zv_plate_%s.res" % tname)
            if bool(film) == bool(plate):
                problem("%s: type %s needs exactly one of zv_film_/zv_plate_%s.res" % (where, tname, tname))
            t["Film"] = bool(film)
            t["Media"] = os.path.basename(film or plate or "")
            t["Config"] = "zv_config_%s.res" % tname
            t["Recorder"] = "zv_recorder_%s.res" % tname
            ini_name = "zv%s_dispatcher_%s.ini" % (flavor, tname)
            t["Ini"] = ini_name
            if not find_ci(tdir, ini_name):
                problem("%s: %s is not in %s, so the rebuilt type names no ini template" % (where, ini_name, rel(tdir)))
            types.append(t)
    idir = os.path.join(progdir, "dat", "templates", "inifiles")
    names_of_types = [t["Name"].lower() for t in types]
    if len(set(names_of_types)) != len(names_of_types):
        problem("%s: duplicate type names" % where)
    for t in types:
        check_template_files(tdir, idir, t, key, where)
    for f in ("zv_names.res", "swap_0.sfd", "swap_1.sfd", "swap_2.sfd"):
        if not find_ci(tdir, f):
            problem("%s: %s missing from %s" % (where, f, rel(tdir)))
    # no two .fid templates of a flavour may compare equal, else the rebuild could not tell them apart
    for i, a in enumerate(types):
        for b in types[i + 1:]:
            fa, fb = find_ci(tdir, a["FID"]), find_ci(tdir, b["FID"])
            if fa and fb and (compare_files(fa, fb) or compare_files(fb, fa)):
                problem("%s: the .fid templates of %s and %s compare equal" % (where, a["Name"], b["Name"]))
    for t in types:
        fid = find_ci(tdir, t["FID"])
        if fid:
            bits = item(read_rdb(fid), "BitsPerSpot", "Value")
            if bits is None:
                problem("%s: no [BitsPerSpot] Value" % rel(fid))

    # types.dat
    types_dat = os.path.join(progdir, "dat", "types.dat")
    td = read_rdb(types_dat) if os.path.isfile(types_dat) else []
    if not td:
        problem("%s: no dat/types.dat" % where)
    plugin_items = ["backupdll", "synchronizedll", "dispatcherdll", "generaldll", "configurationdll",
                    "mediadll", "resolutiondll", "resandcaldll"]
    for t in ["All"] + [x["Name"] for x in types]:
        if topic(td, t) is None:
            problem("%s: no topic %s" % (rel(types_dat), t))
            continue
        ppd = item(td, t, "TemplatePPD")
        if not ppd or not os.path.isfile(native(ppd)):
            problem("%s: [%s] TemplatePPD %s does not exist" % (rel(types_dat), t, ppd))
        else:
            check_ppd_template(native(ppd), key.lower() == "proof")
        for p in plugin_items:
            if item(td, t, p) is None:
                problem("%s: [%s] %s is missing" % (rel(types_dat), t, p))
    if not any("_fromppd" in t["Name"].lower() for t in types) and key.lower() in ("tiffmono", "proof"):
        problem("%s: no PPD-based (_FromPPD) type" % where)

    # -------------------------------------------------------------- dispatchers
    disps = []
    if dlist:
        dl = read_rdb(dlist)
        if item(dl, "Main", "Install") is None:
            problem("%s: no Install" % rel(dlist))
        n = int(need(dl, "Main", "NrConfigs", rel(dlist)) or 0)
        for i in range(1, n + 1):
            tp = "Config%d" % i
            d = {k: need(dl, tp, k, rel(dlist)) for k in ("Name", "Type", "Folder", "Base", "CommandPort", "Flavour")}
            d["Base"], d["CommandPort"] = int(d["Base"]), int(d["CommandPort"])
            if d["Flavour"] != flavor:
                problem("%s: %s belongs to flavour %s" % (rel(dlist), d["Name"], d["Flavour"]))
            disps.append(d)
    else:
        inidir = os.path.join(datadir, "data")
        for f in sorted(os.listdir(inidir), key=str.lower):
            if not fnmatch.fnmatch(f.lower(), "zv*dispatcher.ini") or any(x in f.lower() for x in ("sav", "bac", "bak")):
                continue
            folder = f[2:-len("_dispatcher.ini")]
            text = read_text(os.path.join(inidir, f))
            name = "Ravlin"
            for line in text.split("\n"):
                if "papname=" in line.lower():
                    at = line.rfind("_AT")
                    line = line[:at] if at > 0 else line[:-1]
                    for delim in ('"', " ", "\t", "="):
                        if delim in line:
                            name = line[line.rindex(delim) + 1:]
                            break
                    break
            ddir = os.path.join(datadir, folder, "data")
            fid = find_search(ddir, "*.fid") if os.path.isdir(ddir) else None
            tname = "Generic"
            if fid is None:
                problem("%s: rebuilt dispatcher %s has no .fid" % (where, folder))
            else:
                matches = []
                for key_ in ("", "Ravlin", "FID"):
                    matches = [t["Name"] for t in types if compare_files(fid, find_ci(tdir, t["FID"]), key_)]
                    if matches:
                        break
                if len(matches) != 1 or not compare_files(fid, find_ci(tdir, next(t["FID"] for t in types if t["Name"] == matches[0]))):
                    problem("%s: %s is recognised ambiguously or only by key: %s" % (where, rel(fid), matches))
                if matches:
                    tname = matches[0]
                    t = next(t for t in types if t["Name"] == tname)
                    if not compare_files(os.path.join(ddir, "zv_config.res"), find_ci(tdir, t["Config"]), "name"):
                        problem("%s: zv_config.res of %s differs from its template in its name lines" % (where, folder))
            cfg = read_rdb(os.path.join(ddir, "zv_config.res")) if os.path.isfile(os.path.join(ddir, "zv_config.res")) else []
            port = first_number(item(cfg, "PavoNet", "commandport") or "")
            base = hundreds(port) if port and port % 1000 else 0
            disps.append({"Name": name, "Type": tname, "Folder": folder, "Base": base, "CommandPort": port,
                          "Flavour": flavor})
        if fidbase:
            for d in disps:
                if not find_ci(os.path.join(datadir, d["Folder"], "data"), fidbase + ".fid"):
                    problem("%s: %s has no %s.fid (the name creation gives it)" % (where, d["Folder"], fidbase))

    if len(disps) < 2:
        problem("%s: fewer than two dispatchers" % where)
    if disps and disps[0]["Folder"] != key:
        problem("%s: the first dispatcher's folder %s is not the flavour key" % (where, disps[0]["Folder"]))
    bases = [d["Base"] for d in disps]
    if len(set(bases)) != len(bases):
        problem("%s: port separators %s are not distinct" % (where, bases))
    type_by_name = {t["Name"].lower(): t for t in types}
    for d in disps:
        dwhere = "%s dispatcher %s" % (key, d["Name"])
        if d["Name"].lower() in all_names:
            problem("%s: the name is used in flavour %s too" % (dwhere, all_names[d["Name"].lower()]))
        all_names[d["Name"].lower()] = key
        if re.search(r'[\\/:*?"<>| \t]', d["Name"]):
            problem("%s: the name holds a character creation would refuse or change" % dwhere)
        if any(x in d["Folder"].lower() for x in ("sav", "bac", "bak")):
            problem("%s: the folder name would be taken for a backup copy" % dwhere)
        if hundreds(d["CommandPort"]) != d["Base"]:
            problem("%s: command port %d does not carry the port separator %d" % (dwhere, d["CommandPort"], d["Base"]))
        t = type_by_name.get(d["Type"].lower())
        if t is None:
            problem("%s: unknown type %s" % (dwhere, d["Type"]))
            continue
        ddir = os.path.join(datadir, d["Folder"], "data")
        if not os.path.isdir(ddir):
            problem("%s: no folder %s" % (dwhere, rel(ddir)))
            continue
        ini_name = "zv%s_dispatcher.ini" % d["Folder"]
        ini_outer = os.path.join(datadir, "data", ini_name)
        ini_inner = os.path.join(ddir, ini_name)
        for p in (ini_outer, ini_inner):
            if not os.path.isfile(p):
                problem("%s: no %s" % (dwhere, rel(p)))
        if os.path.isfile(ini_outer) and os.path.isfile(ini_inner) and read_text(ini_outer) != read_text(ini_inner):
            problem("%s: %s and %s differ" % (dwhere, rel(ini_outer), rel(ini_inner)))
        if os.path.isfile(ini_inner):
            ini = check_ini(ini_inner, key, d)
            if item(ini, "global", "output") != fidbase:
                problem("%s: [global] output is not %s" % (dwhere, fidbase))
            vdp = item(ini, "environment", "VDP_MODE")
            if key.lower() == "dedezi" and (vdp is None or vdp.upper() not in "STATIC|VDP"):
                problem("%s: VDP_MODE must be STATIC or VDP" % dwhere)
            # the dispatcher's ini differs from its type's template only where creation or
            # the operator would change it
            tmpl = find_search(idir, t["Ini"])
            if tmpl:
                tdb = read_rdb(tmpl)
                if [x for x, _ in tdb] != [x for x, _ in ini]:
                    problem("%s: topics of the ini differ from %s" % (dwhere, rel(tmpl)))
        media = "zv_film.res" if t["Film"] else "zv_plate.res"
        for f in ("zv_config.res", media, "zv_recorder.res", "servers.ini", "History.txt",
                  "swap_0.sfd", "swap_1.sfd", "swap_2.sfd"):
            if not os.path.isfile(os.path.join(ddir, f)):
                problem("%s: no %s" % (dwhere, f))
        other = "zv_plate.res" if t["Film"] else "zv_film.res"
        if os.path.isfile(os.path.join(ddir, other)):
            problem("%s: %s does not belong to a %s type" % (dwhere, other, "film" if t["Film"] else "plate"))
        if not os.path.isfile(os.path.join(ddir, "data", "zv_names.res")):
            problem("%s: no data/zv_names.res" % dwhere)
        if not [f for f in os.listdir(ddir) if f.lower().endswith(".usr")]:
            problem("%s: no .usr file" % dwhere)
        fids = [f for f in os.listdir(ddir) if f.lower().endswith(".fid")]
        if len(fids) != 1:
            problem("%s: %d .fid files" % (dwhere, len(fids)))
        elif not compare_files(os.path.join(ddir, fids[0]), find_ci(tdir, t["FID"])):
            problem("%s: %s differs from the template %s" % (dwhere, fids[0], t["FID"]))
        if os.path.isfile(os.path.join(ddir, "zv_config.res")):
            check_config(os.path.join(ddir, "zv_config.res"), d)
        if os.path.isfile(os.path.join(ddir, "servers.ini")):
            check_servers(os.path.join(ddir, "servers.ini"), d)
        for n in range(3):
            p = os.path.join(ddir, "swap_%d.sfd" % n)
            if os.path.isfile(p):
                check_swap(p, d["Folder"], True)
        if not os.path.isdir(os.path.join(datadir, d["Folder"], "ppd")):
            problem("%s: no ppd folder" % dwhere)
        ppd_type = "_fromppd" in d["Type"].lower()
        ppds = [f for f in os.listdir(ddir) if f.lower().endswith(".ppd")]
        if ppd_type != bool(ppds):
            problem("%s: a PPD in the data folder exactly when the type is PPD-based" % dwhere)
    main = disps[0] if disps else None
    if main:
        for n in range(3):
            p = find_ci(tdir, "swap_%d.sfd" % n)
            if p:
                check_swap(p, main["Folder"], False)
    for t in types:
        cfg = find_ci(tdir, t["Config"])
        if cfg:
            db = check_config(cfg, None)
            if not any(r.split(",")[0] == "2000" for _, r in (topic(db, "set_0") or []) if _.startswith("res")):
                problem("%s: set_0 holds no default 2000 dpi entry" % rel(cfg))
    if key.lower() == "proof":
        rc = os.path.join(datadir, "RavProofConfig", "RAVConfig.cfg")
        if not os.path.isfile(rc):
            problem("%s: no RavProofConfig/RAVConfig.cfg" % where)
        else:
            for t, items in read_rdb(rc):
                if item(read_rdb(rc), t, "Resolution") is None:
                    problem("%s: proof configuration %s has no Resolution" % (rel(rc), t))

if not rebuilt:
    problem("no flavour without list files")
for required in ("Proof", "Dedezi"):
    if required not in flavours:
        problem("flavour %s is missing" % required)

# ------------------------------------------------------------------ configurator files
tmpl = os.path.join(ROOT, "configurator", "dat", "templates")
ppdinfo = os.path.join(tmpl, "PpdInfo.dat")
if not os.path.isfile(ppdinfo):
    problem("configurator/dat/templates/PpdInfo.dat is missing")
else:
    papers = topic(read_rdb(ppdinfo), "Paper") or []
    for p in ("Letter", "Legal", "A4", "A3"):
        if p not in [k for k, _ in papers]:
            problem("PpdInfo.dat: no paper %s" % p)
    for k, v in papers:
        if not re.fullmatch(r"\d+X\d+", v.strip()):
            problem("PpdInfo.dat: %s=%s is not width X height" % (k, v))
inf = os.path.join(tmpl, "ravlininf.dat")
if not os.path.isfile(inf):
    problem("configurator/dat/templates/ravlininf.dat is missing")
else:
    text = read_text(inf)
    for ph in ("<Add PPD Info>", "<Add Source Disk Names>"):
        if text.count(ph) != 1:
            problem("ravlininf.dat: %s should stand once" % ph)

# ------------------------------------------------------------------ the whole tree
total = 0
for folder, _, files in os.walk(ROOT):
    for f in files:
        p = os.path.join(folder, f)
        total += os.path.getsize(p)
        text = read_text(p)
        if re.search(r"\bPart \d+\.\d+", text):
            problem("%s: names a design document section" % rel(p))
        if fnmatch.fnmatch(f.lower(), "rvc*.cfg") and f.lower() not in ("rvc1.cfg", "rvc2.cfg"):
            problem("%s: would be taken for a list file" % rel(p))
if total > 512 * 1024:
    problem("the sample holds %d bytes" % total)

for p in problems:
    print(p)
sys.stdout.flush()
print("%s: %d problem(s), %d bytes" % (ROOT, len(problems), total), file=sys.stderr)
sys.exit(1 if problems else 0)
PY
