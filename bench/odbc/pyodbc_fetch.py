#!/usr/bin/python3
"""The fetch benchmark's pyodbc path: connects with the given ODBC connection
string, runs the query and reads every value of every row, folding them into
the benchmark's totals (row count, NULLs, integer and double sums, UTF-8 byte
count of text, sum of date and time fields). The text hash is left 0: hashing
every byte in Python would measure the interpreter, not the fetch.
Prints "TOTALS ..." and "SECONDS ..." (connect to last row) as the other paths do.
"""
import datetime
import decimal
import sys
import time

import pyodbc


def main():
    connection_string, query = sys.argv[1], sys.argv[2]
    start = time.perf_counter()
    connection = pyodbc.connect(connection_string, autocommit=True)
    cursor = connection.cursor()
    cursor.execute(query)
    rows = nulls = integers = text_bytes = stamps = 0
    doubles = 0.0
    for row in cursor:
        rows += 1
        for value in row:
            kind = type(value)
            if value is None:
                nulls += 1
            elif kind is str:
                text_bytes += len(value.encode("utf-8"))
            elif kind is int or kind is bool:
                integers += int(value)
            elif kind is float:
                doubles += value
            elif kind is datetime.datetime:
                stamps += (value.year * 10000 + value.month * 100 + value.day + value.hour * 3600 +
                           value.minute * 60 + value.second + value.microsecond * 1000)
            elif kind is datetime.date:
                stamps += value.year * 10000 + value.month * 100 + value.day
            elif kind is datetime.time:
                stamps += value.hour * 3600 + value.minute * 60 + value.second
            elif kind is decimal.Decimal:
                doubles += float(value)
            elif kind is bytes or kind is bytearray:
                text_bytes += len(value)
            else:
                raise TypeError("no fold for a value of type %s" % kind.__name__)
    seconds = time.perf_counter() - start
    connection.close()
    print("TOTALS %d %d %d %s %d 0 %d" % (rows, nulls, integers, doubles.hex(), text_bytes, stamps))
    print("SECONDS %.6f" % seconds)


if __name__ == "__main__":
    main()
