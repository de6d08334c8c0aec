#!/usr/bin/env python3
"""Writes the .xls workbook the Excel reader's tests read: python3 write_workbook.py OUT.xls"""
import datetime
import sys

import xlwt

book = xlwt.Workbook(encoding="utf-8")
dates = xlwt.easyxf(num_format_str="YYYY-MM-DD")

products = book.add_sheet("Products")
for column, name in enumerate(["id", "name", "price", "added", "mixed", ""]):
    products.write(0, column, name)
rows = [
    (1, "Äpfel", 1.5, datetime.date(2024, 3, 1), "x"),
    (2, "Birnen, \"gut\"", 2, datetime.date(1999, 12, 31), 5),
    (3, "", 0.25, None, None),
]
for r, values in enumerate(rows, start=1):
    for c, value in enumerate(values):
        if value is None or value == "":
            continue
        if isinstance(value, datetime.date):
            products.write(r, c, value, dates)
        else:
            products.write(r, c, value)
# A row without values between rows is left out; the row after it is read.
products.write(5, 0, 4)
products.write(5, 5, "last")

prices = book.add_sheet("Price List")
prices.write(0, 0, "Artikel")
prices.write(0, 1, 2024)
prices.write(1, 0, "Nuss")
prices.write(1, 1, 3)

book.add_sheet("Empty")
book.save(sys.argv[1])
