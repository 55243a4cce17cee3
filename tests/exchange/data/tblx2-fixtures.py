#!/usr/bin/env python3
"""Makes the spreadsheet fixtures of Tblx2Test.cpp. Run once by hand where
gnumeric's ssconvert is installed; the results are checked in, so neither
ssconvert nor this script is needed to build or test.

  Typed.xls, Typed.xlsx  made by a real spreadsheet program (ssconvert) from
                         Typed.gnumeric: text with leading zeros, Japanese
                         text beyond JIS (① 髙 ～ －), numbers, dates and times,
                         formulas with cached results, an empty row, a whitespace-only cell,
                         a second sheet that must not be read
  Furigana.xlsx          written here: shared strings with phonetic runs and
                         rich-text runs, escaped line breaks, inline strings,
                         cells without references, booleans, characters
                         without a CP932 form, a leading quote, a TAB
  SerialDates.xlsx       written here: numbers under date, time and plain
                         formats, the 1900 system's phantom 29 February
  Dates1904.xlsx         the same in the 1904 date system
  BrokenSheetXml.xlsx    a package whose sheet is not well-formed XML
  InflatesTooFar.xlsx    a package whose sheet inflates beyond any sane size
"""
import gzip
import os
import subprocess
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))

# (row, col, value type, text[, number format]): 40 number, 60 string, None formula
TYPED = [
    (0, 0, 60, "〒番号"), (0, 1, 60, "住所1"), (0, 2, 60, "住所2"), (0, 3, 60, "会社"),
    (0, 4, 60, "部署"), (0, 5, 60, "氏名"), (0, 6, 60, "カスタマバーコード"),
    (1, 0, 60, "0123456"), (1, 1, 60, "東京都港区①"), (1, 2, 60, "髙島屋～"),
    (1, 4, 60, "営業－部"), (1, 5, 60, "山田 太郎"), (1, 6, 60, "1234567-1-2"),
    (2, 0, 40, "1234567"), (2, 1, 40, "0.5"), (2, 2, 40, "-3"), (2, 3, 40, "1E+20"),
    (2, 4, 40, "1234567.25"), (2, 6, 60, "a,b"),
    (3, 0, None, "=A3+1"), (3, 1, None, '="x"&"y"'), (3, 2, None, "=1=1"),
    (5, 0, 60, "  "), (5, 3, 60, "last"),
    (6, 0, 40, "45306", "yyyy-mm-dd"), (6, 1, 40, "45306.5", "yyyy-mm-dd hh:mm:ss"), (6, 2, 40, "0.75", "hh:mm:ss"),
    (6, 3, 40, "45306", 'yyyy"年"m"月"d"日"'), (6, 4, 40, "0.25", "0%"),
]


def esc(s):
    return s.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;").replace('"', "&quot;")


def gnumeric_xml():
    cells = []
    for row, col, vt, text, *fmt in TYPED:
        attr = f' ValueType="{vt}"' if vt else ""
        if fmt:
            attr += f' ValueFormat="{esc(fmt[0])}"'
        cells.append(f'<gnm:Cell Row="{row}" Col="{col}"{attr}>{esc(text)}</gnm:Cell>')
    sheet = lambda name, maxcol, maxrow, body: (
        f"<gnm:Sheet><gnm:Name>{name}</gnm:Name><gnm:MaxCol>{maxcol}</gnm:MaxCol>"
        f"<gnm:MaxRow>{maxrow}</gnm:MaxRow><gnm:Cells>{body}</gnm:Cells></gnm:Sheet>")
    return ('<?xml version="1.0" encoding="UTF-8"?>\n'
            '<gnm:Workbook xmlns:gnm="http://www.gnumeric.org/v10.dtd"><gnm:SheetNameIndex>'
            "<gnm:SheetName>Sheet1</gnm:SheetName><gnm:SheetName>Other</gnm:SheetName></gnm:SheetNameIndex>"
            "<gnm:Sheets>" + sheet("Sheet1", 6, 6, "".join(cells))
            + sheet("Other", 0, 0, '<gnm:Cell Row="0" Col="0" ValueType="60">not this sheet</gnm:Cell>')
            + "</gnm:Sheets></gnm:Workbook>\n")


CONTENT_TYPES = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/><Default Extension="xml" ContentType="application/xml"/><Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/><Override PartName="/xl/worksheets/data.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/><Override PartName="/xl/strings.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/></Types>"""
ROOT_RELS = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/></Relationships>"""
# Parts under names other than the usual ones: the reader must follow the
# relationships, not guess.
WORKBOOK = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets><sheet name="Sheet1" sheetId="1" r:id="rId7"/></sheets></workbook>"""
WORKBOOK_RELS = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId7" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/data.xml"/><Relationship Id="rId8" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="/xl/strings.xml"/></Relationships>"""
STRINGS = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" count="5" uniqueCount="5"><si><t>氏（漢字）</t></si><si><t>山田</t><rPh sb="0" eb="2"><t>ヤマダ</t></rPh><phoneticPr fontId="1"/></si><si><r><t>太</t></r><r><rPr><b/></rPr><t>郎</t></r><rPh sb="0" eb="2"><t>タロウ</t></rPh></si><si><t>一行目_x000D_
二行目</t></si><si><t xml:space="preserve">   </t></si><si><t>_x005F_x0041_</t></si></sst>"""
SHEET = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData><row r="1"><c r="A1" t="s"><v>0</v></c></row><row r="2"><c r="A2" t="s"><v>1</v></c><c r="B2" t="s"><v>2</v></c><c r="C2" t="inlineStr"><is><t>やまだ</t><rPh sb="0" eb="3"><t>ヤマダ</t></rPh></is></c></row><row><c t="s"><v>3</v></c><c t="s"><v>4</v></c><c t="b"><v>1</v></c><c t="s"><v>5</v></c><c t="s"><v>99</v></c><c><v>007</v></c></row><row r="4"><c r="A4" t="inlineStr"><is><t>Café😀</t></is></c><c r="B4" t="inlineStr"><is><t>"quoted</t></is></c><c r="C4" t="inlineStr"><is><t>x	y</t></is></c><c r="E4" t="str"><f>"a"&amp;"b"</f><v>a_x000D_b</v></c></row></sheetData></worksheet>"""


STYLES = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><numFmts count="2"><numFmt numFmtId="164" formatCode="[h]:mm"/><numFmt numFmtId="165" formatCode="&quot;day&quot;\\ 0.00"/></numFmts><cellXfs count="6"><xf numFmtId="0"/><xf numFmtId="14"/><xf numFmtId="22"/><xf numFmtId="164"/><xf numFmtId="165"/><xf numFmtId="2"/></cellXfs></styleSheet>"""
DATE_WORKBOOK = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><workbookPr{flag}/><sheets><sheet name="Sheet1" sheetId="1" r:id="rId1"/></sheets></workbook>"""
DATE_RELS = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/><Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="styles.xml"/></Relationships>"""


def date_sheet(rows):
    body = "".join(
        '<row r="%d">%s</row>' % (r + 1, "".join('<c r="%s%d" s="%d"><v>%s</v></c>' % ("ABCDEF"[c], r + 1, st, v)
                                            for c, (st, v) in enumerate(cells)))
        for r, cells in enumerate(rows))
    return ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<worksheet xmlns='
            '"http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>' + body + "</sheetData></worksheet>")


def write_zip(name, parts):
    with zipfile.ZipFile(os.path.join(HERE, name), "w", zipfile.ZIP_DEFLATED) as z:
        for part, data in parts:
            z.writestr(part, data)


def main():
    src = os.path.join(HERE, "Typed.gnumeric")
    with gzip.open(src, "wt", encoding="utf-8") as f:
        f.write(gnumeric_xml())
    subprocess.run(["ssconvert", "-T", "Gnumeric_Excel:excel_biff8", src, os.path.join(HERE, "Typed.xls")], check=True)
    subprocess.run(["ssconvert", "-T", "Gnumeric_Excel:xlsx2", src, os.path.join(HERE, "Typed.xlsx")], check=True)
    os.remove(src)
    base = [("[Content_Types].xml", CONTENT_TYPES), ("_rels/.rels", ROOT_RELS), ("xl/workbook.xml", WORKBOOK),
            ("xl/_rels/workbook.xml.rels", WORKBOOK_RELS), ("xl/strings.xml", STRINGS)]
    write_zip("Furigana.xlsx", base + [("xl/worksheets/data.xml", SHEET)])
    date_parts = lambda flag: [("[Content_Types].xml", CONTENT_TYPES), ("_rels/.rels", ROOT_RELS),
                               ("xl/workbook.xml", DATE_WORKBOOK.format(flag=flag)),
                               ("xl/_rels/workbook.xml.rels", DATE_RELS), ("xl/styles.xml", STYLES)]
    # style 1 date, 2 date and time, 3 elapsed time, 4 plain with quoted
    # and escaped letters, 5 plain
    write_zip("SerialDates.xlsx", date_parts("") + [("xl/worksheets/sheet1.xml", date_sheet([
        [(1, "1"), (1, "59"), (1, "60"), (1, "61"), (1, "45306")],
        [(2, "45306.999999999"), (3, "1.5"), (4, "2.5"), (5, "3"), (0, "45306")]]))])
    write_zip("Dates1904.xlsx", date_parts(' date1904="1"') + [("xl/worksheets/sheet1.xml", date_sheet([
        [(1, "0"), (1, "43844"), (2, "43844.25")]]))])
    write_zip("BrokenSheetXml.xlsx", base + [("xl/worksheets/data.xml", SHEET[:-40])])
    bomb = SHEET[:SHEET.index("<sheetData>")] + "<sheetData>" + " " * (130 << 20) + "</sheetData></worksheet>"
    write_zip("InflatesTooFar.xlsx", base + [("xl/worksheets/data.xml", bomb)])


if __name__ == "__main__":
    main()
