' The test Excel as a script reaches it: created by its ProgID, answering Excel's members with
' Excel's arguments, results and errors.
' Run: cscript //nologo test_excel_suite.vbs
Option Explicit

Dim failures, checks
failures = 0
checks = 0

Sub Check(condition, what)
    checks = checks + 1
    If Not condition Then
        failures = failures + 1
        WScript.Echo "FAIL: " & what
    End If
End Sub

Dim lastDescription, lastSource
Function Caught()
    Caught = Err.Number
    lastDescription = Err.Description
    lastSource = Err.Source
    Err.Clear
End Function

Dim xl
Set xl = CreateObject("CorvelTest.Excel")
Check xl.ActiveWorkbook.Name = "Book1", "a new Excel has Book1 open"
Check xl.ActiveSheet.Name = "Sheet1", "on Sheet1"
Check xl.Worksheets("Sheet3").Name = "Sheet3", "Worksheets by name through the default member"

' Values and formulas, as Excel reads what it is given.
xl.Range("A1").Value = "=B1*2"
Check xl.Range("A1").Formula = "=B1*2", "a text starting with = becomes a formula"
xl.Range("A2").Value = "'=B1*2"
Check xl.Range("A2").Value = "=B1*2", "an apostrophe keeps the text"
xl.ActiveSheet.Cells(2, 2).Value = 12.5
Check xl.Range("B2").Value = 12.5, "Cells(row, column) through the default member"
Check TypeName(xl.Range("B2").Value) = "Double", "numbers come back as Double"

Dim block
block = xl.Range("A1:C2").Value
Check LBound(block, 1) = 1 And UBound(block, 1) = 2, "a block's rows from 1"
Check LBound(block, 2) = 1 And UBound(block, 2) = 3, "a block's columns from 1"
Check block(2, 2) = 12.5, "rows first"
Check IsEmpty(block(1, 3)), "an empty cell is Empty"

Check xl.Range("B2").Address = "$B$2", "Address absolute by default"
Check xl.Range("B2").Address(False, False) = "B2", "Address(RowAbsolute, ColumnAbsolute)"
Check xl.Range("B2").Resize(3, 2).Address = "$B$2:$C$4", "Resize(RowSize, ColumnSize)"

xl.Range("A1:B1").Interior.ColorIndex = 6
xl.Range("C1").Interior.ColorIndex = 3
Check xl.Range("A1:B1").Interior.ColorIndex = 6, "one fill"
Check IsNull(xl.Range("A1:C1").Interior.ColorIndex), "mixed fills are Null"

Check xl.ActiveSheet.Cells.SpecialCells(11).Address = "$C$2", "SpecialCells(xlCellTypeLastCell)"
Check xl.ActiveSheet.Cells.Find("*", , , , 1, 2).Address = "$B$2", "Find(What, , , , xlByRows, xlPrevious)"

' A workbook laid out by a script, as the add-in's example builds one.
Dim book, quotes
Set book = xl.Workbooks.Add
Check book.Name = "Book2" And xl.Workbooks.Count = 2, "Workbooks.Add opens Book2"
Check xl.ActiveWorkbook.Name = "Book2", "and makes it the active one"
Set quotes = book.Worksheets.Add
Check quotes.Name = "Sheet4" And book.Worksheets.Count = 4, "Worksheets.Add adds Sheet4"
quotes.Name = "TWS_Quotes"
Check xl.ActiveSheet.Name = "TWS_Quotes", "a renamed sheet, made the active one"
book.Names.Add "TWS_Symbol", "=TWS_Quotes!$A$4"
quotes.Range("TWS_Symbol").Value = "Ticker"
Check xl.Range("TWS_Quotes!A4").Value = "Ticker", "a defined name resolves"
Check xl.Workbooks(1).Name = "Book1" And xl.Workbooks("book2").Name = "Book2", "Workbooks by number and name"
Check book.Worksheets(4).Name = "TWS_Quotes", "Worksheets by number"

' Excel's errors, and members Excel lacks.
On Error Resume Next
xl.Range("not a range").Select
Dim n
n = Caught()
Check n = 1004, "a bad range raises 1004 (got " & n & ")"
Check lastSource = "Microsoft Excel", "from Microsoft Excel (got " & lastSource & ")"
xl.Refresh
n = Caught()
Check n = 438, "a member Excel lacks (got " & n & ")"
quotes.Name = "Sheet1"
n = Caught()
Check n = 1004, "a sheet name already taken (got " & n & ")"
Set book = xl.Workbooks(3)
n = Caught()
Check n = 9, "no third workbook (got " & n & ")"
On Error GoTo 0

Set xl = Nothing
WScript.Echo checks & " checks, " & failures & " failed"
