#!/usr/bin/python3
"""Writes the small workbooks of another XLSX writer (openpyxl) that the tests load.

Usage: make_peer_files.py [OUTDIR]   (default: the folder of this script)
Needs python3-openpyxl and, for the picture, python3-pil.
"""
import datetime, os, struct, sys, zlib
from openpyxl import Workbook
from openpyxl.drawing.image import Image
from openpyxl.styles import Alignment, Border, Font, PatternFill, Side

out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))


def png(width, height, rgb):
    raw = b"".join(b"\0" + bytes(rgb) * width for _ in range(height))
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


wb = Workbook()
ws = wb.active
ws.title = "Values"
ws["A1"] = 42
ws["B1"] = 3.25
ws["C1"] = "text from openpyxl"
ws["D1"] = True
ws["A2"] = datetime.date(2020, 2, 1)
ws["A2"].number_format = "yyyy-mm-dd"
ws["B2"] = datetime.datetime(2021, 7, 14, 18, 30)
ws["B2"].number_format = "yyyy-mm-dd hh:mm"
ws["C2"] = datetime.time(6, 0)
ws["C2"].number_format = "hh:mm"
ws["D2"] = datetime.date(1900, 2, 10)
ws["D2"].number_format = "yyyy-mm-dd"
ws["A3"] = "=A1*2"
ws["B3"] = "=SUM(A1:B1)"
ws["C3"] = '=CONCATENATE("a","b")'
ws["A4"] = "bold red"
ws["A4"].font = Font(name="Courier New", size=14, bold=True, color="FFFF0000")
ws["B4"] = "filled"
ws["B4"].fill = PatternFill("solid", fgColor="FF00FF00")
ws["C4"] = "bordered"
ws["C4"].border = Border(left=Side("thin"), right=Side("medium"), top=Side("dashed"), bottom=Side("thin"))
ws["D4"] = "centred"
ws["D4"].alignment = Alignment(horizontal="center", vertical="top", wrap_text=True)
ws["A5"] = 0.25
ws["A5"].number_format = "0.00%"
ws.merge_cells("A6:C7")
ws["A6"] = "merged"
ws.column_dimensions["B"].width = 30
ws.row_dimensions[4].height = 30
ws["A8"] = "link"
ws["A8"].hyperlink = "https://example.org/page"
second = wb.create_sheet("Second sheet")
second["A1"] = "on the second sheet"
second["B2"] = "=1+1"
wb.save(os.path.join(out, "peer_openpyxl.xlsx"))

# A picture anchored on a sheet.
import io
pic = Workbook()
ps = pic.active
ps.title = "Picture"
ps["A1"] = "picture below"
image = Image(io.BytesIO(png(40, 20, (200, 30, 30))))
image.width, image.height = 80, 40
ps.add_image(image, "B3")
pic.save(os.path.join(out, "peer_picture.xlsx"))

# The same workbook as LibreOffice writes it, when LibreOffice is installed
# (the Debian package libreoffice-calc-nogui; the tests only use the file kept here).
import shutil, subprocess, tempfile
if shutil.which("soffice"):
    with tempfile.TemporaryDirectory() as folder:
        subprocess.run(["soffice", "--headless", "--convert-to", "xlsx", "--outdir", folder,
                        os.path.join(out, "peer_openpyxl.xlsx")], check=True, capture_output=True)
        shutil.copy(os.path.join(folder, "peer_openpyxl.xlsx"), os.path.join(out, "peer_libreoffice.xlsx"))
