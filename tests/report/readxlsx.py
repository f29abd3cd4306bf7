"""Dumps a workbook as JSON for the report tests: sheet count, merged ranges, texts and formats of the active sheet's
rows (cells joined by "|", trailing empty ones left out), column widths and row heights."""
import json
import sys

import openpyxl
from openpyxl.utils import get_column_letter


def rows(text):
    return ["|".join(text(c) for c in row).rstrip("|") for row in sheet.iter_rows()]


book = openpyxl.load_workbook(sys.argv[1])
sheet = book.active
json.dump({
    "sheets": len(book.sheetnames),
    "merged": sorted(str(r) for r in sheet.merged_cells.ranges),
    "texts": rows(lambda c: "" if c.value is None else str(c.value)),
    "formats": rows(lambda c: f"{c.data_type} {c.font.name} {c.font.sz:g} {'bold' if c.font.b else 'normal'} "
                              f"{c.alignment.horizontal} {c.alignment.vertical}" if c.has_style else ""),
    "widths": [sheet.column_dimensions[get_column_letter(c)].width for c in range(1, 16)],
    "heights": [sheet.row_dimensions[r].height for r in range(1, sheet.max_row + 1)],
}, sys.stdout, ensure_ascii=False)
