#!/usr/bin/env python3
"""Checks that a driver package folder holds what setup.exe reads from it.

    python3 package/tools/tests/check_package.py package                  the sample's sources
    python3 package/tools/tests/check_package.py build/windows/package    an assembled package

Reads the files the way setup does (INI files: section and key names in any
letter case, the first occurrence of a key wins, one pair of enclosing quotes
removed) and reports each problem that would make an install stop, skip a
step or copy nothing: missing package files, an unparsable setting, an
[additional] item short of fields, calibration lists of the wrong length, INF
models that setup cannot read. An assembled package (one holding setup.exe)
must hold the tools as well. Prints the problems and exits 1 when there are any.
"""
import os
import re
import struct
import sys

problems = []


def problem(text):
    problems.append(text)


def read_ini(path, encoding="cp1252"):
    """{section: {key: value}}, names lower-cased, first occurrence kept."""
    sections = {}
    current = None
    with open(path, "rb") as f:
        text = f.read().decode(encoding)
    for line in text.split("\n"):
        line = line.rstrip("\r").strip()
        if line.startswith("["):
            name = line[1:line.index("]")] if "]" in line else line[1:]
            current = sections.setdefault(name.strip().lower(), {})
        elif current is not None and "=" in line and not line.startswith(";"):
            key, value = line.split("=", 1)
            value = value.strip()
            if len(value) >= 2 and value[0] == value[-1] and value[0] in "\"'":
                value = value[1:-1]
            current.setdefault(key.strip().lower(), value)
    return sections


def is_integer(text):
    return re.fullmatch(r"[+-]?(\d+|(\$|0x|0X|x|X)[0-9A-Fa-f]{1,8})", text) is not None


def split_item(value):
    """The fields of an [additional] item: blanks separate, |...| encloses, || inside is a bar."""
    fields, i = [], 0
    while i < len(value):
        if value[i].isspace():
            i += 1
        elif value[i] == "|":
            i += 1
            field = ""
            while i < len(value):
                if value[i] == "|" and value[i + 1:i + 2] == "|":
                    field, i = field + "|", i + 2
                elif value[i] == "|":
                    i += 1
                    break
                else:
                    field, i = field + value[i], i + 1
            fields.append(field)
        else:
            j = i
            while j < len(value) and not value[j].isspace():
                j += 1
            fields.append(value[i:j])
            i = j
    return fields


def exists(package, name):
    """Whether the package holds a file, whatever the letter case (as on Windows)."""
    path = package
    for part in name.replace("\\", "/").split("/"):
        entries = {e.lower(): e for e in os.listdir(path)} if os.path.isdir(path) else {}
        if part.lower() not in entries:
            return False
        path = os.path.join(path, entries[part.lower()])
    return os.path.isfile(path)


def check_config(package):
    config = read_ini(os.path.join(package, "default.ini"))
    system = config.get("system", {})
    for key in ("formcolor", "textcolor", "usbonly", "product", "createdesktopicon", "useuninstallmenu",
                "createcontrolpanel", "allowmultiport", "douninstall", "alwayscalib", "forcetoreboot", "enablec3",
                "allowmultitouch", "appinfo", "package"):
        if key in system and not is_integer(system[key]):
            problem(f"default.ini [system] {key}={system[key]} is not a number: its default is used")
    if config.get("infdata", {}).get("manufacturer", "nil") == "nil":
        problem("default.ini [INFData] names no manufacturer: setup stops at start")
    pids = [p for p in re.split(r"[,\s]+", config.get("infdata", {}).get("pidlist", "")) if p]
    if not pids:
        problem("default.ini [INFData] PIDList is empty: every install stops")
    language = config.get("languagepacks", {})
    if language.get("language", "auto").lower() == "auto" and not language.get("folder"):
        problem("default.ini [LanguagePacks] language=auto without a folder: setup stops at start")
    background = system.get("background", "")
    if background:
        path = os.path.join(package, background.replace("\\", "/"))
        if not exists(package, background):
            problem(f"the background picture {background} is missing")
        elif background.lower().endswith(".bmp"):
            with open(path, "rb") as f:
                header = f.read(26)
            width, height = struct.unpack("<ii", header[18:26])
            if (width, abs(height)) != (520, 320):
                problem(f"{background} is {width} x {abs(height)}, not 520 x 320")
    for n in range(1, 11):
        folder = system.get(f"copysubdir{n}", "")
        if folder and not os.path.isdir(os.path.join(package, folder)):
            problem(f"default.ini copysubdir{n}={folder}: no such folder in the package")
    installed = set()
    for n in range(1, 6):
        value = config.get("additional", {}).get(f"item{n}", "")
        if not value:
            continue
        fields = split_item(value)
        if len(fields) < 5:
            problem(f"default.ini [additional] item{n} has {len(fields)} fields, not 5: the install fails")
            continue
        if fields[1]:
            installed.add(fields[1].lower())
            if not exists(package, fields[1]):
                problem(f"default.ini [additional] item{n} installs {fields[1]}, which the package lacks")
    iconfile = system.get("iconfile", "default")
    if iconfile != "default" and iconfile.lower() not in installed:
        problem(f"default.ini iconfile={iconfile}: no [additional] item installs it")
    for section in ("calibusb", "calib232"):
        calib = config.get(section, {})
        if not calib:
            continue
        points = calib.get("max_point", "0")
        if points not in ("5", "12", "16", "25"):
            problem(f"default.ini [{section}] max_point={points}: no calibration is written")
            continue
        for key in ("sx", "sy", "ux", "uy"):
            entries = calib.get(key, "")
            values = re.split(r",\s*", entries) if entries else []
            if entries and len(values) != int(points):
                problem(f"default.ini [{section}] {key} has {len(values)} entries for {points} points: "
                        "no calibration is written")
            if any(not re.fullmatch(r"[+-]?\d+", v.strip()) for v in values):
                problem(f"default.ini [{section}] {key} holds an entry that is not a number: the install fails")
    return config, pids


def check_language_packs(package, config):
    folder = config.get("languagepacks", {}).get("folder", "")
    if not folder:
        return
    path = os.path.join(package, folder)
    packs = sorted(os.listdir(path)) if os.path.isdir(path) else []
    if not packs:
        problem(f"the language pack folder {folder} holds no packs")
    encodings = {"CHS": "gb2312", "CHT": "big5", "JPN": "cp932"}
    for name in packs:
        code = name.rsplit(".", 1)[-1].upper()
        try:
            texts = read_ini(os.path.join(path, name), encodings.get(code, "cp1252"))
        except UnicodeDecodeError:
            problem(f"{folder}\\{name} is not in the code page of its language")
            continue
        setup_text = texts.get("setuptext", {})
        for key in ["groupname", "iconname", "uninstname"] + [f"text{n}" for n in range(1, 22)]:
            if key not in setup_text:
                problem(f"{folder}\\{name} [SetupText] lacks {key}: the built-in text is shown")


def check_usb_inf(package, name, pids):
    if not exists(package, name):
        return
    inf = read_ini(os.path.join(package, name))
    strings = inf.get("strings", {})
    if strings.get("qzmfg", "nil") == "nil":
        problem(f"{name}: no string QZMfg: a USB install stops")
    models = inf.get("qzmfg", {})
    hardware_ids = []
    for n in range(36):
        value = models.get(f"%qzusb_{n:02X}%".lower(), "nil")
        if value == "nil":
            if n == 1:
                problem(f"{name}: model 01 is missing: a USB install stops")
            break
        hardware_id = value[value.find("VID"):] if "VID" in value else ""
        if not re.fullmatch(r"VID_[0-9A-F]{4}&PID_[0-9A-F]{4}", hardware_id):
            problem(f"{name}: model {n:02X} does not end with a hardware ID VID_xxxx&PID_yyyy")
        if f"qzusb_{n:02X}".lower() not in strings:
            problem(f"{name}: model {n:02X} has no description QZUSB_{n:02X}")
        hardware_ids.append(hardware_id)
    if not any(any(hardware_id.find(pid) > 0 for pid in pids) for hardware_id in hardware_ids):
        problem(f"{name}: no model holds a product ID of PIDList: no controller is ever found")
    if "displayname" not in inf.get("qzk_driver_service_inst", {}):
        problem(f"{name}: [QZK_Driver_Service_Inst] has no DisplayName")
    decorated = inf.get("qzmfg.ntamd64")
    if decorated is not None and decorated != models:
        problem(f"{name}: [QZMfg.NTamd64] differs from [QZMfg], which setup reads")


def main():
    if len(sys.argv) != 2:
        print(__doc__.strip().split("\n\n")[1])
        return 2
    package = sys.argv[1]
    if not exists(package, "default.ini"):
        print(f"{package}: no default.ini")
        return 1
    config, pids = check_config(package)
    check_language_packs(package, config)
    for name in ("qzusbf.inf", "xp64/qzusbf.inf"):
        check_usb_inf(package, name, pids)
    files = ["infraw.dat", "readme.txt", "vexasdk.dll", "touchcfg.cpl", "touchcfgv.cpl", "touchcfg64.cpl",
             "touchcfg64v.cpl", "232/qz232.sys", "232/qz232.inf", "232/qz232.cat", "xp64/232/qz232.sys",
             "xp64/232/qz232.inf", "xp64/232/qz232.cat"]
    for folder in ("", "xp64/"):
        files += [folder + f for f in ("qzusbf.sys", "qzusbf.inf", "qzusbf.cat", "qzusbfv.cat", "vtouch.inf",
                                       "vtouch.cat", "vtouch.sys")]
    if exists(package, "setup.exe"):
        files += ["setup.dll", "tsutils.dll", "pnpreg.exe", "setdev64.exe", "hidfilter.exe", "touchcfg.exe",
                  "touchcfg_xp.exe", "setup.dat"]
    for name in files:
        if not exists(package, name):
            problem(f"the package lacks {name}")
    for problem_text in problems:
        print(problem_text)
    print(f"{package}: {len(problems)} problem(s)")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
