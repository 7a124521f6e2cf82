#!/usr/bin/env python3
"""Prints every cell of the first sheet of an .xlsx file as
REF<TAB>KIND<TAB>VALUE<TAB>NUMBER-FORMAT, read with nothing but the
standard library (an independent reader of what the program wrote).
KIND is "text" or "number". A last line "FROZEN <ySplit>" and
"FILTER <range>" tell about the header row."""
import re
import sys
import zipfile
import xml.etree.ElementTree as ET

NS = {"m": "http://schemas.openxmlformats.org/spreadsheetml/2006/main"}
BUILTIN = {0: "General", 1: "0", 2: "0.00", 14: "mm-dd-yy", 49: "@"}

z = zipfile.ZipFile(sys.argv[1])
styles = ET.fromstring(z.read("xl/styles.xml"))
fmts = {int(f.get("numFmtId")): f.get("formatCode") for f in styles.findall("m:numFmts/m:numFmt", NS)}
xfs = [int(x.get("numFmtId", "0")) for x in styles.findall("m:cellXfs/m:xf", NS)]
shared = []
if "xl/sharedStrings.xml" in z.namelist():
    for si in ET.fromstring(z.read("xl/sharedStrings.xml")).findall("m:si", NS):
        shared.append("".join(t.text or "" for t in si.iter("{%s}t" % NS["m"])))
sheet = ET.fromstring(z.read("xl/worksheets/sheet1.xml"))
out = sys.stdout
for c in sheet.iter("{%s}c" % NS["m"]):
    t = c.get("t", "n")
    s = int(c.get("s", "0"))
    fid = xfs[s] if s < len(xfs) else 0
    fmt = fmts.get(fid, BUILTIN.get(fid, str(fid)))
    if t == "inlineStr":
        kind, val = "text", "".join(x.text or "" for x in c.iter("{%s}t" % NS["m"]))
    elif t == "s":
        kind, val = "text", shared[int(c.find("m:v", NS).text)]
    elif t == "str":
        kind, val = "text", c.find("m:v", NS).text or ""
    else:
        kind, val = "number", c.find("m:v", NS).text
    # OOXML writes some control characters as _xHHHH_.
    val = re.sub(r"_x([0-9A-Fa-f]{4})_", lambda m: chr(int(m.group(1), 16)), val)
    val = val.replace("\\", "\\\\").replace("\t", "\\t").replace("\r", "\\r").replace("\n", "\\n")
    out.write("%s\t%s\t%s\t%s\n" % (c.get("r"), kind, val, fmt))
pane = sheet.find("m:sheetViews/m:sheetView/m:pane", NS)
if pane is not None and pane.get("state") == "frozen":
    out.write("FROZEN %s\n" % pane.get("ySplit"))
af = sheet.find("m:autoFilter", NS)
if af is not None:
    out.write("FILTER %s\n" % af.get("ref"))
