#!/usr/bin/python3
# Drives LibreOffice headless over UNO as the independent peer of the codec
# tests and of the benchmark. Each run starts its own office, with its own
# profile folder and pipe name, and kills it at the end; an interaction
# handler answers every question with "abort", so a wrong password ends the
# load instead of waiting for a user.
#
#   lo_peer.py make OUT PASSWORD        a reference workbook written by LibreOffice
#   lo_peer.py formulas OUT PASSWORD    a workbook of formulas written by LibreOffice
#   lo_peer.py dump IN PASSWORD         the workbook's contents as JSON on stdout
#   lo_peer.py dumps LIST               the same for every {"path", "password"} of the
#                                       JSON list in LIST, as one JSON list, in one office
#   lo_peer.py extras OUT PASSWORD      a workbook written by LibreOffice with what a user
#                                       adds: fonts, a named range, a comment, a
#                                       conditional format, a validation, a chart
#   lo_peer.py time IN PASSWORD OUT N   times N loads and stores (JSON on stdout)
#   lo_peer.py serve IN PASSWORD OUT    one warm-up load and store, then one
#                                       timed load and store for every line
#                                       read on stdin, a JSON line for each,
#                                       so a caller can pair its rounds with
#                                       these

import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

import uno
import unohelper
from com.sun.star.beans import PropertyValue
from com.sun.star.task import XInteractionHandler
from com.sun.star.lang import Locale
from com.sun.star.table import CellRangeAddress
from com.sun.star.sheet.CellFlags import VALUE, DATETIME, STRING, FORMULA


def pv(name, value):
    p = PropertyValue()
    p.Name = name
    p.Value = value
    return p


class AbortAll(unohelper.Base, XInteractionHandler):
    def handle(self, request):
        abort = uno.getTypeByName("com.sun.star.task.XInteractionAbort")
        for c in request.getContinuations():
            try:
                if c.queryInterface(abort) is not None:
                    c.select()
                    return
            except Exception:
                pass


class Office:
    def __init__(self):
        self.profile = tempfile.mkdtemp(prefix="velmora-lo-")
        self.pipe = "velmora%d_%d" % (os.getpid(), int(time.time() * 1000) % 100000)
        self.proc = subprocess.Popen(
            ["soffice", "--headless", "--invisible", "--norestore", "--nologo", "--nodefault",
             "--nolockcheck", "-env:UserInstallation=file://" + self.profile,
             "--accept=pipe,name=%s;urp;" % self.pipe],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        local = uno.getComponentContext()
        resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
        last = None
        for _ in range(240):
            try:
                ctx = resolver.resolve("uno:pipe,name=%s;urp;StarOffice.ComponentContext" % self.pipe)
                self.ctx = ctx
                self.desktop = ctx.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", ctx)
                return
            except Exception as e:  # not listening yet
                last = e
                if self.proc.poll() is not None:
                    break
                time.sleep(0.25)
        self.close()
        raise RuntimeError("cannot connect to soffice: %s" % last)

    def load(self, path, password):
        args = [pv("Hidden", False), pv("InteractionHandler", AbortAll())]
        if password:
            args.append(pv("Password", password))
        return self.desktop.loadComponentFromURL(uno.systemPathToFileUrl(os.path.abspath(path)), "_blank", 0, tuple(args))

    def store(self, doc, path, password):
        args = [pv("FilterName", "MS Excel 97"), pv("Overwrite", True)]
        if password:
            args.append(pv("Password", password))
        doc.storeToURL(uno.systemPathToFileUrl(os.path.abspath(path)), tuple(args))

    def close(self):
        try:
            self.desktop.terminate()
        except Exception:
            pass
        try:
            self.proc.wait(timeout=10)
        except Exception:
            try:
                os.killpg(self.proc.pid, signal.SIGKILL)
            except Exception:
                pass
            self.proc.wait()
        shutil.rmtree(self.profile, ignore_errors=True)


def format_key(doc, fmt):
    formats = doc.NumberFormats
    loc = Locale("en", "US", "")
    key = formats.queryKey(fmt, loc, False)
    if key == -1:
        key = formats.addNew(fmt, loc)
    return key


def make(office, out, password):
    doc = office.desktop.loadComponentFromURL("private:factory/scalc", "_blank", 0, (pv("Hidden", False),))
    sheets = doc.Sheets
    sh = sheets.getByIndex(0)
    sh.Name = "Pratica"
    for i, h in enumerate(["Num.Prat.", "Data", "Importo", "Preventivo", "Collocazione"]):
        sh.getCellByPosition(i, 0).String = h
    sh.getCellByPosition(0, 1).Value = 17
    date = sh.getCellByPosition(1, 1)
    date.Value = 45292  # 1 January 2024
    date.NumberFormat = format_key(doc, "DD/MM/YYYY")
    amount = sh.getCellByPosition(2, 1)
    amount.Value = 1234.5
    amount.NumberFormat = format_key(doc, "#,##0.00")
    est = sh.getCellByPosition(3, 1)
    est.Value = 99.9
    est.NumberFormat = format_key(doc, "0.00")
    place = sh.getCellByPosition(4, 1)
    place.NumberFormat = format_key(doc, "@")
    place.String = "00123"
    sh.getCellByPosition(0, 2).String = "Località è già più così €"
    sh.Columns.getByIndex(3).Width = 5000  # 1/100 mm
    sh.setPrintAreas((CellRangeAddress(0, 0, 0, 4, 9),))
    ctrl = doc.CurrentController
    ctrl.setActiveSheet(sh)
    ctrl.freezeAtPosition(0, 1)
    sheets.insertNewByName("Cliente", 1)
    sheets.getByIndex(1).getCellByPosition(0, 0).String = "ID"
    office.store(doc, out, password)
    doc.close(True)


def formulas(office, out, password):
    doc = office.desktop.loadComponentFromURL("private:factory/scalc", "_blank", 0, (pv("Hidden", False),))
    sheets = doc.Sheets
    sh = sheets.getByIndex(0)
    sh.Name = "Pratica"
    sheets.insertNewByName("Cliente", 1)
    sheets.getByIndex(1).getCellByPosition(0, 0).Value = 7
    for r, v in enumerate([1, 2, 3]):
        sh.getCellByPosition(0, r).Value = v
    sh.getCellByPosition(1, 0).Formula = "=A1*2"
    sh.getCellByPosition(1, 1).Formula = "=SUM(A1:A3)"
    sh.getCellByPosition(1, 2).Formula = "=IF(A3>2;\"grande\";\"piccolo\")"
    sh.getCellByPosition(2, 0).Formula = "=\"n. \"&A1"
    # filled down: the file holds it once, shared by the three cells
    sh.getCellByPosition(3, 0).Formula = "=A1+10"
    sh.getCellRangeByName("D1:D3").fillAuto(uno.Enum("com.sun.star.sheet.FillDirection", "TO_BOTTOM"), 1)
    sh.getCellByPosition(4, 0).Formula = "=$Cliente.A1*3"
    sh.getCellByPosition(4, 1).Formula = "=ROUND(A2/3;2)"
    doc.calculateAll()
    office.store(doc, out, password)
    doc.close(True)


FONT_PROPERTIES = ("CharFontName", "CharHeight", "CharWeight", "CharPosture", "CharUnderline", "CharColor")


def font_of(cell):
    # One call over the bridge for the whole font.
    name, height, weight, posture, underline, color = cell.getPropertyValues(FONT_PROPERTIES)
    return [name, round(height, 1), round(weight), int(posture.value != "NONE"), int(underline), color]


def contents(office, path, password):
    doc = office.load(path, password)
    if doc is None:
        return {"error": "not loaded"}
    formats = doc.NumberFormats
    out = {"sheets": [], "names": {}}
    for n in doc.NamedRanges.ElementNames:
        out["names"][n] = doc.NamedRanges.getByName(n).Content
    ctrl = doc.CurrentController
    for i in range(doc.Sheets.Count):
        sh = doc.Sheets.getByIndex(i)
        try:
            local = sh.NamedRanges
            for n in local.ElementNames:
                out["names"][sh.Name + "!" + n] = local.getByName(n).Content
        except Exception:
            pass
        cells = []
        # Only the cells that hold something, up to row 201 and column 61.
        found = sh.getCellRangeByPosition(0, 0, 60, 200).queryContentCells(VALUE | DATETIME | STRING | FORMULA)
        listed = found.Cells.createEnumeration()
        while listed.hasMoreElements():
            cell = listed.nextElement()
            addr = cell.CellAddress
            r, c = addr.Row, addr.Column
            t = cell.Type.value
            if t == "EMPTY":
                continue
            fmt = formats.getByKey(cell.NumberFormat)
            entry = {"row": r + 1, "col": c + 1, "kind": t, "value": cell.Value, "string": cell.String,
                     "format": fmt.FormatString, "isDate": bool(fmt.Type & 2), "font": font_of(cell)}
            if t == "FORMULA":
                entry["formula"] = cell.Formula
            cells.append(entry)
        cells.sort(key=lambda e: (e["row"], e["col"]))
        widths = [sh.Columns.getByIndex(c).Width for c in range(8)]
        areas = [[a.StartRow + 1, a.StartColumn + 1, a.EndRow + 1, a.EndColumn + 1] for a in sh.getPrintAreas()]
        ctrl.setActiveSheet(sh)
        out["sheets"].append({"name": sh.Name, "cells": cells, "widths": widths, "printAreas": areas,
                              "frozen": bool(ctrl.hasFrozenPanes()), "splitRow": ctrl.getSplitRow(),
                              "splitColumn": ctrl.getSplitColumn(),
                              "visible": bool(sh.IsVisible)})
    doc.close(True)
    return out


def dump(office, path, password):
    out = contents(office, path, password)
    print(json.dumps(out))
    return 3 if "error" in out else 0


def dumps(office, listfile):
    with open(listfile) as f:
        items = json.load(f)
    out = []
    for it in items:
        try:
            out.append(contents(office, it["path"], it.get("password", "")))
        except Exception as e:  # one unreadable file must not hide the others
            out.append({"error": str(e)})
    print(json.dumps(out))
    return 0


def extras(office, out, password):
    doc = office.desktop.loadComponentFromURL("private:factory/scalc", "_blank", 0, (pv("Hidden", False),))
    sh = doc.Sheets.getByIndex(0)
    sh.Name = "Pratica"
    for r in range(6):
        sh.getCellByPosition(0, r).Value = r * 10
        sh.getCellByPosition(1, r).Value = r * 3.5
    head = sh.getCellByPosition(2, 0)
    head.String = "Titolo"
    head.CharFontName = "Liberation Serif"
    head.CharHeight = 14
    head.CharWeight = 150.0
    amount = sh.getCellByPosition(2, 1)
    amount.Value = 1234.5
    amount.NumberFormat = format_key(doc, '"£"#,##0.00')
    doc.NamedRanges.addNewByName("Importi", "$Pratica.$B$1:$B$6", sh.getCellByPosition(0, 0).CellAddress, 0)
    sh.Annotations.insertNew(sh.getCellByPosition(0, 0).CellAddress, "Una nota")
    cond = sh.getCellRangeByName("A1:A6").ConditionalFormat
    cond.addNew((pv("Operator", uno.Enum("com.sun.star.sheet.ConditionOperator", "GREATER")),
                 pv("Formula1", "20"), pv("StyleName", "Accent")))
    sh.getCellRangeByName("A1:A6").ConditionalFormat = cond
    rng = sh.getCellRangeByName("B1:B6")
    val = rng.Validation
    val.Type = uno.Enum("com.sun.star.sheet.ValidationType", "DECIMAL")
    val.setOperator(uno.Enum("com.sun.star.sheet.ConditionOperator", "BETWEEN"))
    val.setFormula1("0")
    val.setFormula2("100")
    rng.Validation = val
    rect = uno.createUnoStruct("com.sun.star.awt.Rectangle")
    rect.X, rect.Y, rect.Width, rect.Height = 6000, 1000, 8000, 5000
    sh.Charts.addNewByName("Andamento", rect, (CellRangeAddress(0, 0, 0, 1, 5),), False, False)
    doc.Sheets.insertNewByName("Cliente", 1)
    doc.Sheets.getByIndex(1).getCellByPosition(0, 0).String = "ID"
    office.store(doc, out, password)
    doc.close(True)


def timing(office, path, password, out, n):
    loads, stores = [], []
    for _ in range(n):
        t0 = time.perf_counter()
        doc = office.load(path, password)
        t1 = time.perf_counter()
        if doc is None:
            print(json.dumps({"error": "not loaded"}))
            return 3
        office.store(doc, out, password)
        t2 = time.perf_counter()
        doc.close(True)
        loads.append(t1 - t0)
        stores.append(t2 - t1)
    print(json.dumps({"load": min(loads), "store": min(stores)}))
    return 0


def tree_rss_kb(root):
    # Resident memory of the office and every process under it, in kB.
    parent = {}
    for d in os.listdir("/proc"):
        if d.isdigit():
            try:
                with open("/proc/%s/stat" % d) as f:
                    parent[int(d)] = int(f.read().rsplit(")", 1)[1].split()[1])
            except OSError:
                pass
    tree, grown = {root}, True
    while grown:
        more = {p for p, pp in parent.items() if pp in tree} - tree
        grown = bool(more)
        tree |= more
    total = 0
    for p in tree:
        try:
            with open("/proc/%d/status" % p) as f:
                for line in f:
                    if line.startswith("VmRSS:"):
                        total += int(line.split()[1])
        except OSError:
            pass
    return total


def serve(office, path, password, out):
    def once():
        t0 = time.perf_counter()
        doc = office.load(path, password)
        t1 = time.perf_counter()
        if doc is None:
            return None
        rss = tree_rss_kb(office.proc.pid)
        office.store(doc, out, password)
        t2 = time.perf_counter()
        doc.close(True)
        return {"load": t1 - t0, "store": t2 - t1, "rssKb": rss}

    if once() is None:
        print(json.dumps({"error": "not loaded"}), flush=True)
        return 3
    print(json.dumps({"ready": True}), flush=True)
    for _ in sys.stdin:
        t = once()
        print(json.dumps(t if t is not None else {"error": "not loaded"}), flush=True)
    return 0


def main(argv):
    if len(argv) < 3:
        sys.stderr.write(__doc__ or "usage: lo_peer.py make|dump|time ...\n")
        return 2
    office = Office()
    try:
        cmd = argv[1]
        if cmd == "make":
            make(office, argv[2], argv[3] if len(argv) > 3 else "")
            return 0
        if cmd == "formulas":
            formulas(office, argv[2], argv[3] if len(argv) > 3 else "")
            return 0
        if cmd == "dump":
            return dump(office, argv[2], argv[3] if len(argv) > 3 else "")
        if cmd == "serve":
            return serve(office, argv[2], argv[3], argv[4])
        if cmd == "dumps":
            return dumps(office, argv[2])
        if cmd == "extras":
            extras(office, argv[2], argv[3] if len(argv) > 3 else "")
            return 0
        if cmd == "time":
            return timing(office, argv[2], argv[3], argv[4], int(argv[5]) if len(argv) > 5 else 3)
        sys.stderr.write("unknown command %s\n" % cmd)
        return 2
    finally:
        office.close()


if __name__ == "__main__":
    sys.exit(main(sys.argv))
