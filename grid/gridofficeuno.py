#!/usr/bin/python3
"""The grid's office automation helper.

Starts a headless office suite of its own (own user profile, own pipe),
drives it through its UNO bridge and serves the grid's spreadsheet and
word-processor requests: one JSON object per line on standard input, one
reply per line on standard output, {"ok": true, "result": ...} or
{"ok": false, "error": "..."}. The first line it writes tells whether the
suite could be started. End of input, or the "quit" request, closes the
suite and ends the helper.
"""

import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

START_SECONDS = float(os.environ.get("FLASHWRIGHT_OFFICE_START_SECONDS", "60"))

SPREADSHEET_FILTERS = {".xls": "MS Excel 97", ".xlsx": "Calc MS Excel 2007 XML",
                       ".ods": "calc8", ".csv": "Text - txt - csv (StarCalc)"}
DOCUMENT_FILTERS = {".doc": "MS Word 97", ".docx": "MS Word 2007 XML",
                    ".odt": "writer8", ".rtf": "Rich Text Format"}


class Failure(Exception):
    pass


def reply(ok, value):
    key = "result" if ok else "error"
    sys.stdout.write(json.dumps({"ok": ok, key: value}) + "\n")
    sys.stdout.flush()


def column_letters(column):
    letters = ""
    while column > 0:
        column, rest = divmod(column - 1, 26)
        letters = chr(65 + rest) + letters
    return letters


class Office:
    """One headless suite process and the documents opened in it."""

    def __init__(self, kind):
        import uno  # python3-uno; its absence means no server
        self.uno = uno
        self.kind = kind
        self.profile = tempfile.mkdtemp(prefix="flashwright-office-")
        pipe = "flashwright%d" % os.getpid()
        self.process = subprocess.Popen(
            ["soffice", "--headless", "--invisible", "--nologo", "--norestore", "--nodefault",
             "--nolockcheck", "-env:UserInstallation=" + uno.systemPathToFileUrl(self.profile),
             "--accept=pipe,name=%s;urp;" % pipe],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        local = uno.getComponentContext()
        resolver = local.ServiceManager.createInstanceWithContext(
            "com.sun.star.bridge.UnoUrlResolver", local)
        deadline = time.monotonic() + START_SECONDS
        while True:
            try:
                context = resolver.resolve(
                    "uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)
                break
            except Exception:
                if self.process.poll() is not None or time.monotonic() > deadline:
                    self.close()
                    raise Failure("the office suite did not start")
                time.sleep(0.2)
        self.desktop = context.ServiceManager.createInstanceWithContext(
            "com.sun.star.frame.Desktop", context)
        self.documents = []
        self.current = None
        self.sheet = None
        self.cursor = None

    def close(self):
        for document in self.documents:
            try:
                document.close(True)
            except Exception:
                pass
        try:
            self.desktop.terminate()
        except Exception:
            pass
        try:
            self.process.wait(timeout=20)
        except Exception:
            self.process.kill()
            self.process.wait()
        shutil.rmtree(self.profile, ignore_errors=True)

    # ---- documents ----

    def properties(self, **values):
        result = []
        for name, value in values.items():
            prop = self.uno.createUnoStruct("com.sun.star.beans.PropertyValue")
            prop.Name, prop.Value = name, value
            result.append(prop)
        return tuple(result)

    def url(self, file_name):
        return self.uno.systemPathToFileUrl(os.path.abspath(file_name))

    def adopt(self, document):
        self.documents.append(document)
        self.current = document
        self.sheet = None
        self.cursor = document.Text.createTextCursor() if self.kind == "word" else None
        if self.cursor is not None:
            self.cursor.gotoStart(False)
        return None

    def open(self, file_name):
        if not os.path.isfile(file_name):
            raise Failure("Cannot open file " + file_name)
        document = self.desktop.loadComponentFromURL(
            self.url(file_name), "_blank", 0, self.properties(Hidden=True))
        if document is None:
            raise Failure("Cannot open file " + file_name)
        return self.adopt(document)

    def add(self):
        factory = "private:factory/scalc" if self.kind == "excel" else "private:factory/swriter"
        return self.adopt(self.desktop.loadComponentFromURL(
            factory, "_blank", 0, self.properties(Hidden=True)))

    def document(self):
        if self.current is None:
            raise Failure("No document is open")
        return self.current

    def save_as(self, file_name):
        filters = SPREADSHEET_FILTERS if self.kind == "excel" else DOCUMENT_FILTERS
        extension = os.path.splitext(file_name)[1].lower()
        default = "MS Excel 97" if self.kind == "excel" else "MS Word 97"
        self.document().storeAsURL(self.url(file_name), self.properties(
            FilterName=filters.get(extension, default), Overwrite=True))
        if not os.path.isfile(file_name):
            raise Failure("the suite wrote no file")

    def save(self):
        document = self.document()
        if not document.hasLocation():
            raise Failure("The workbook has no file")
        document.store()

    # ---- spreadsheets ----

    def sheets(self):
        return self.document().Sheets

    def sheet_names(self):
        return list(self.sheets().ElementNames)

    def select_sheet(self, index):
        sheets = self.sheets()
        if not 1 <= index <= sheets.Count:
            raise Failure("No sheet %d" % index)
        self.sheet = sheets.getByIndex(index - 1)

    def select_active_sheet(self):
        controller = self.document().CurrentController
        self.sheet = controller.ActiveSheet if controller else self.sheets().getByIndex(0)

    def add_sheet(self, name):
        sheets = self.sheets()
        sheets.insertNewByName(name, sheets.Count)
        self.sheet = sheets.getByName(name)

    def active_sheet(self):
        if self.sheet is None:
            self.select_active_sheet()
        return self.sheet

    def active_cell_row(self):
        controller = self.document().CurrentController
        try:
            return controller.Selection.CellAddress.Row + 1
        except Exception:
            return 1

    def used_range(self):
        cursor = self.active_sheet().createCursor()
        cursor.gotoStartOfUsedArea(False)
        cursor.gotoEndOfUsedArea(True)
        area = cursor.RangeAddress
        start = "$%s$%d" % (column_letters(area.StartColumn + 1), area.StartRow + 1)
        end = "$%s$%d" % (column_letters(area.EndColumn + 1), area.EndRow + 1)
        return start if start == end else start + ":" + end

    def get_values(self, address):
        cells = self.active_sheet().getCellRangeByName(address)
        rows = [[None if value == "" else value for value in row] for row in cells.DataArray]
        from com.sun.star.sheet.FormulaResult import ERROR
        area = cells.RangeAddress
        for errors in cells.queryFormulaCells(ERROR).RangeAddresses:
            for row in range(errors.StartRow, errors.EndRow + 1):
                for column in range(errors.StartColumn, errors.EndColumn + 1):
                    rows[row - area.StartRow][column - area.StartColumn] = {"error": 1}
        return rows

    def set_values(self, address, rows):
        self.active_sheet().getCellRangeByName(address).DataArray = tuple(tuple(row) for row in rows)

    # ---- documents of the word processor ----

    def type_text(self, text):
        self.document().Text.insertString(self.cursor, text, False)

    def type_paragraph(self):
        from com.sun.star.text.ControlCharacter import PARAGRAPH_BREAK
        self.document().Text.insertControlCharacter(self.cursor, PARAGRAPH_BREAK, False)

    def bookmark_exists(self, name):
        return bool(self.document().Bookmarks.hasByName(name))

    def add_table(self, place, bookmark, rows, columns):
        document = self.document()
        if place == "bookmark":
            anchor = document.Bookmarks.getByName(bookmark).Anchor
        else:
            anchor = document.Text.createTextCursor()
            anchor.gotoStart(False) if place == "start" else anchor.gotoEnd(False)
        self.table = document.createInstance("com.sun.star.text.TextTable")
        self.table.initialize(rows, columns)
        anchor.Text.insertTextContent(anchor, self.table, False)

    def insert_after(self, row, column, text):
        cell = self.table.getCellByPosition(column - 1, row - 1)
        # CR LF is one line break of a cell, not two paragraph breaks.
        cell.insertString(cell.End, text.replace("\r\n", "\n"), False)

    def align(self, row, column, alignment):
        from com.sun.star.style.ParagraphAdjust import CENTER, RIGHT
        cell = self.table.getCellByPosition(column - 1, row - 1)
        cursor = cell.createTextCursor()
        cursor.gotoEnd(True)
        cursor.ParaAdjust = RIGHT if alignment == 2 else CENTER

    def table_texts(self, index):
        """The texts of a table of the current document, row by row."""
        table = self.document().TextTables.getByIndex(index)
        return [[table.getCellByPosition(c, r).String for c in range(table.Columns.Count)]
                for r in range(table.Rows.Count)]

    def last_is_table(self):
        """Whether the document's last text content is a table (after
        the trailing empty paragraph that tables are always followed by)."""
        elements = list(iter_enumeration(self.document().Text.createEnumeration()))
        while elements and not elements[-1].supportsService("com.sun.star.text.TextTable") \
                and elements[-1].String == "":
            elements.pop()
        return bool(elements) and elements[-1].supportsService("com.sun.star.text.TextTable")


def iter_enumeration(enumeration):
    while enumeration.hasMoreElements():
        yield enumeration.nextElement()


def serve(office):
    requests = {
        "document_count": lambda r: len(office.documents),
        "open": lambda r: office.open(r["file"]),
        "add": lambda r: office.add(),
        "use_active": lambda r: office.document() and None,
        "save": lambda r: office.save(),
        "save_as": lambda r: office.save_as(r["file"]),
        "close": lambda r: close_current(office),
        "sheet_names": lambda r: office.sheet_names(),
        "select_sheet": lambda r: office.select_sheet(int(r["index"])),
        "select_active_sheet": lambda r: office.select_active_sheet(),
        "add_sheet": lambda r: office.add_sheet(r["name"]),
        "active_cell_row": lambda r: office.active_cell_row(),
        "used_range": lambda r: office.used_range(),
        "get_values": lambda r: office.get_values(r["address"]),
        "set_values": lambda r: office.set_values(r["address"], r["rows"]),
        "type_text": lambda r: office.type_text(r["text"]),
        "type_paragraph": lambda r: office.type_paragraph(),
        "bookmark_exists": lambda r: office.bookmark_exists(r["name"]),
        "add_table": lambda r: office.add_table(r["place"], r.get("bookmark", ""),
                                                int(r["rows"]), int(r["columns"])),
        "insert_after": lambda r: office.insert_after(int(r["row"]), int(r["column"]), r["text"]),
        "align": lambda r: office.align(int(r["row"]), int(r["column"]), int(r["alignment"])),
        "table_texts": lambda r: office.table_texts(int(r.get("index", 0))),
        "last_is_table": lambda r: office.last_is_table(),
        "add_bookmark": lambda r: add_bookmark(office, r["name"]),
    }
    for line in sys.stdin:
        try:
            request = json.loads(line)
            op = request.get("op")
            if op == "quit":
                reply(True, None)
                return
            if op not in requests:
                raise Failure("Unknown request %r" % op)
            reply(True, requests[op](request))
        except Exception as error:
            reply(False, str(error) or type(error).__name__)


def close_current(office):
    document = office.document()
    document.close(True)
    office.documents.remove(document)
    office.current = office.documents[-1] if office.documents else None


def add_bookmark(office, name):
    """Marks the current insertion point with a bookmark (for tests)."""
    document = office.document()
    bookmark = document.createInstance("com.sun.star.text.Bookmark")
    bookmark.Name = name
    document.Text.insertTextContent(office.cursor, bookmark, False)


def main():
    kind = sys.argv[1] if len(sys.argv) > 1 else "excel"
    # A parent that is killed takes the helper with it through the closed
    # pipe; a terminating signal still closes the suite.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    try:
        office = Office(kind)
    except Exception as error:
        reply(False, str(error) or type(error).__name__)
        return 1
    try:
        reply(True, "ready")
        serve(office)
    finally:
        office.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
