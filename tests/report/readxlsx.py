"""Dumps what the report tests check of a workbook as JSON: merged ranges, cells with their font and alignment,
column widths and row heights of the active sheet."""
import json
import sys

import openpyxl
from openpyxl.utils import get_column_letter

book = openpyxl.load_workbook(sys.argv[1])
sheet = book.active
cells = {}
for row in sheet.iter_rows():
    for cell in row:
        if cell.value is None and not cell.has_style:
            continue
        cells[cell.coordinate] = {
            "value": cell.value,
            "type": cell.data_type,
            "font": cell.font.name,
            "size": cell.font.sz,
            "bold": bool(cell.font.b),
            "h": cell.alignment.horizontal,
            "v": cell.alignment.vertical,
        }
json.dump({
    "sheets": book.sheetnames,
    "maxRow": sheet.max_row,
    "merged": sorted(str(r) for r in sheet.merged_cells.ranges),
    "cells": cells,
    "widths": {get_column_letter(c): sheet.column_dimensions[get_column_letter(c)].width for c in range(1, 16)},
    "heights": {str(r): sheet.row_dimensions[r].height for r in range(1, sheet.max_row + 1)},
}, sys.stdout, ensure_ascii=False)
