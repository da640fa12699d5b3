' The command-line example examples/vbscript/CorvelProject.vbs, played over the test Excel while
' example_person.exe answers its dialogs: the project's worksheets and names, two contract rows, the
' subscriptions through Tallowin3.dll against the TWS simulator, and a tape picked and written.
' The script host cannot load one script into another, so run.sh appends this to a copy of the
' example (which, run under another name, only defines its flow) and runs that:
'   cscript //nologo example_flow.vbs <simulator port>

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

On Error Resume Next
OpenProject "CorvelTest.Excel"
Check Err.Number = 0, "the test Excel and Pelorin.cPelorin holding it (" & Err.Description & ")"
Err.Clear

' The person confirms the new-project dialog with the fields it proposes.
Check NewQuotesProject(), "the new project is confirmed"
Check Err.Number = 0, "the project's worksheets and names are built (" & Err.Description & ")"
Err.Clear
Dim quotes
Set quotes = book.Worksheets("TWS_Quotes")
Check quotes.Cells(1, 1).Value = "Ticker" And quotes.Cells(1, 9).Value = "Currency", "the contract headings"
Check excel.Range("TWS_Symbol").Address = "$A$1", "TWS_Symbol names the contract table's header"
Check fieldColumns.Count > 0, "the chosen fields have columns"
Check excel.Range("Tape_header_for_Ticker").Address = "$A$3", "the tape table's header is named"

' The person enters IBM with "Insert && new", then MSFT with "Insert >>".
Check AddSymbols() = 2, "two contracts are added"
Check quotes.Cells(2, 1).Value = "IBM" And quotes.Cells(2, 2).Value = "STK", "IBM's row"
Check quotes.Cells(3, 1).Value = "MSFT" And quotes.Cells(3, 7).Value = "SMART", "MSFT's row"
Check quotes.Cells(4, 1).Value = "", "nothing below"

' Subscribed through Tallowin3.dll; the ticks reach the cells where the script host lets the
' library's socket messages through while it sleeps.
Dim ticks
ticks = StreamTicks("127.0.0.1", CLng(WScript.Arguments(0)), 2)
Check Err.Number = 0 And ticks >= 0, "connected to the simulator and subscribed (" & Err.Number & " " & Err.Description & ")"
WScript.Echo "   " & ticks & " tick(s) written into the field cells"
Err.Clear

' The person presses "..." (the location is handed in), then "Insert && new", then "Cancel".
Check BuildTapes("Sheet1!$B$3") = 1, "one location handed in"
Check Err.Number = 0, "the tape dialog ran (" & Err.Description & ")"
Dim tapes
Set tapes = book.Worksheets("Ticker_tape_settings")
Check tapes.Cells(4, 1).Value = "IBM", "the tape row names IBM: " & tapes.Cells(4, 1).Value
Check Left(tapes.Cells(4, 2).Formula, 13) = "=TWS_Quotes!$" And Right(tapes.Cells(4, 2).Formula, 2) = "$2", _
    "the tape row links into IBM's row: " & tapes.Cells(4, 2).Formula
Check Left(tapes.Cells(4, 4).Value, 10) = "Sheet1!B3:", "the tape location: " & tapes.Cells(4, 4).Value
Check book.Worksheets("Sheet1").Range("B3").Value = "Local Time", "the tape area's header"
Check tapes.Cells(5, 1).Value = "", "one tape"

WScript.Echo checks & " checks, " & failures & " failed"
WScript.Quit failures
