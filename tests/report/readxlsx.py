"""Dumps a workbook as JSON for the report tests: sheet names and the active one; the first sheet's merged ranges, row
texts and formats (cells joined by "|", trailing empty ones left out); the sheet Data's rows as type:value, frozen
pane and autofilter."""
import json
import sys

import openpyxl


def rows(sheet, text):
    return ["|".join(text(c) for c in row).rstrip("|") for row in sheet.iter_rows()]


book = openpyxl.load_workbook(sys.argv[1])
sheet, data = book.worksheets[0], book["Data"]
json.dump({
    "sheets": book.sheetnames + [book.active.title],
    "merged": sorted(str(r) for r in sheet.merged_cells.ranges),
    "texts": rows(sheet, lambda c: "" if c.value is None else str(c.value)),
    "formats": rows(sheet, lambda c: f"{c.data_type} {c.font.name} {c.font.sz:g} {'bold' if c.font.b else 'normal'} "
                                     f"{c.alignment.horizontal} {c.alignment.vertical}" if c.has_style else ""),
    "data": rows(data, lambda c: "" if c.value is None else f"{c.data_type}:{c.value}"),
    "frozen": data.freeze_panes,
    "filter": data.auto_filter.ref,
}, sys.stdout, ensure_ascii=False)
