' The add-in's part end to end, from the command line, with Excel as the application:
'   cscript //nologo CorvelProject.vbs [/port:7497] [/host:127.0.0.1] [/seconds:10] [/tape:Sheet1!B3]
'                                      [/excel:Excel.Application]
' It opens a new workbook in Excel, asks for the project's fields (new-project dialog), builds the
' "TWS_Quotes" worksheet with the workbook names the tape dialog looks for and the tape table, adds
' contract rows from the contract dialog ("Insert && new" asks for one more), streams the contracts'
' ticks into the field cells through Tallowin3.dll for a few seconds, and builds ticker tapes in the
' tape dialog: "..." asks for the tape's first cell (or takes /tape:), and the dialog comes back.
' Register Pelorin.dll and Tallowin3.dll of the script host's width first (see the README).
Option Explicit

Const QuotesSheet = "TWS_Quotes"
Const TapeSheet = "Ticker_tape_settings"
' The nine contract columns, in the order AddNewSymbol returns them.
Const ContractColumns = 9

Dim excel, book, pelorin, fieldColumns, contractRows

' ---- Excel, a new workbook, and the user-interface library holding Excel.
Sub OpenProject(excelProgId)
    Set excel = CreateObject(excelProgId)
    excel.Workbooks.Add
    Set book = excel.ActiveWorkbook
    Set pelorin = CreateObject("Pelorin.cPelorin")
    Set pelorin.ExcelApplication = excel
    Set fieldColumns = CreateObject("Scripting.Dictionary")
    contractRows = 0
End Sub

' ---- The quotes worksheet: nine contract columns under the name TWS_Symbol, one column per chosen
' field, each under its workbook name; and the tape table the tape dialog writes into. False when the
' user cancelled the new-project dialog.
Function NewQuotesProject()
    Dim askPrice, askSize, bidPrice, bidSize, closePrice, highTick, lastPrice, lastSize, lowTick, volume
    NewQuotesProject = pelorin.CreateNewProject(askPrice, askSize, bidPrice, bidSize, closePrice, highTick, _
                                                lastPrice, lastSize, lowTick, volume)
    If Not NewQuotesProject Then Exit Function

    Dim ws, headings, column
    Set ws = book.Worksheets.Add
    ws.Name = QuotesSheet
    headings = Array("Ticker", "Type", "Expiry", "Strike", "P/C", "Multiplier", "Exchange", _
                     "Primary Exchange", "Currency")
    For column = 1 To ContractColumns
        ws.Cells(1, column).Value = headings(column - 1)
    Next
    book.Names.Add "TWS_Symbol", "='" & QuotesSheet & "'!$A$1"

    ' The field columns in the order the new-project dialog lists them; the tick type each takes.
    column = ContractColumns + 1
    AddField ws, column, lastPrice, "Last Price", "TWS_Last_Price", 4
    AddField ws, column, lastSize, "Last Size", "TWS_Last_Size", 5
    AddField ws, column, bidPrice, "Bid Price", "TWS_Bid_Price", 1
    AddField ws, column, bidSize, "Bid Size", "TWS_Bid_Size", 0
    AddField ws, column, askPrice, "Ask Price", "TWS_Ask_Price", 2
    AddField ws, column, askSize, "Ask Size", "TWS_Ask_Size", 3
    AddField ws, column, highTick, "High", "TWS_High", 6
    AddField ws, column, lowTick, "Low", "TWS_Low", 7
    AddField ws, column, volume, "Volume", "TWS_Volume", 8
    AddField ws, column, closePrice, "Close", "TWS_Close", 9

    ' The tape table comes with the workbook: the tape dialog adds a row below its header per tape.
    Dim tapes
    Set tapes = book.Worksheets.Add
    tapes.Name = TapeSheet
    headings = Array("Tape header for Ticker", "Link to ticker", "Tape header for Size", "Tape location")
    For column = 1 To 4
        tapes.Cells(3, column).Value = headings(column - 1)
    Next
    book.Names.Add "Tape_header_for_Ticker", "='" & TapeSheet & "'!$A$3"
End Function

Sub AddField(ws, ByRef column, chosen, heading, workbookName, tickType)
    If chosen = 0 Then Exit Sub
    ws.Cells(1, column).Value = heading
    book.Names.Add workbookName, "='" & QuotesSheet & "'!" & ws.Cells(1, column).EntireColumn.Address
    fieldColumns(CLng(tickType)) = column
    column = column + 1
End Sub

' ---- Contract rows, one per answer of the contract dialog; "Insert && new" opens it again on the type
' the user ended on. Returns the number of rows added.
Function AddSymbols()
    Dim ws, symbol, typeSymbol, expiry, strike, rightPC, multiplier, exchange, primaryExchange, currency
    Dim typeIndex, answer, values, column
    Set ws = book.Worksheets(QuotesSheet)
    typeIndex = 0
    AddSymbols = 0
    Do
        answer = pelorin.AddNewSymbol(symbol, typeSymbol, expiry, strike, rightPC, multiplier, exchange, _
                                      primaryExchange, currency, typeIndex)
        If answer <> 1 And answer <> 4 Then Exit Do
        contractRows = contractRows + 1
        values = Array(symbol, typeSymbol, expiry, strike, rightPC, multiplier, exchange, primaryExchange, _
                       currency)
        For column = 1 To ContractColumns
            ws.Cells(1 + contractRows, column).Value = values(column - 1)
        Next
        AddSymbols = AddSymbols + 1
    Loop While answer = 4
End Function

' ---- Streaming: every contract row is one subscription whose id is its row; the ticks are fetched
' twice a second and written into the field columns. Returns the number of ticks written, or -1 when
' TWS could not be reached.
Function StreamTicks(host, port, seconds)
    Dim ws, tws, tickType, row, records, record, deadline, written
    Set ws = book.Worksheets(QuotesSheet)
    Set tws = CreateObject("Tallowin3.cTWS")
    For Each tickType In fieldColumns.Keys
        tws.AddRecordFilter tickType
    Next
    StreamTicks = -1
    If Not tws.Connect(host, port, 21) Then Exit Function
    For row = 2 To contractRows + 1
        tws.StartQuery row, CStr(ws.Cells(row, 1).Value), CStr(ws.Cells(row, 2).Value), _
            CStr(ws.Cells(row, 3).Value), CDbl(ws.Cells(row, 4).Value), CStr(ws.Cells(row, 5).Value), _
            CStr(ws.Cells(row, 6).Value), CStr(ws.Cells(row, 7).Value), CStr(ws.Cells(row, 8).Value), _
            CStr(ws.Cells(row, 9).Value)
    Next
    written = 0
    deadline = DateAdd("s", seconds, Now)
    Do While Now < deadline
        Pause 500
        Set records = tws.GetCurrentData
        If Not records Is Nothing Then
            For Each record In records
                If fieldColumns.Exists(CLng(record.TickType)) Then
                    ws.Cells(record.id, fieldColumns(CLng(record.TickType))).Value = record.Price
                    written = written + 1
                End If
            Next
            records.Clear
        End If
    Loop
    For row = 2 To contractRows + 1
        tws.StopQuery row
    Next
    tws.disconnect
    StreamTicks = written
End Function

' The script host handles what arrived while it sleeps. A host without WScript.Sleep (Wine's) waits
' in a message box that closes itself instead.
Sub Pause(milliseconds)
    On Error Resume Next
    WScript.Sleep milliseconds
    If Err.Number = 0 Then Exit Sub
    Err.Clear
    CreateObject("WScript.Shell").Popup "Streaming quotes ...", 1, "Corvel", 64
End Sub

' ---- Ticker tapes: the tape dialog writes each tape into the workbook itself; when the user presses
' "...", it steps aside so the tape's first cell can be picked (Excel's own range prompt, or the
' location given), then comes back as it was. Returns the number of locations handed in.
Function BuildTapes(location)
    Dim answer, picked
    BuildTapes = 0
    Do
        answer = pelorin.ShowRefEditInterface()
        If answer <> "DATABEGINNING" Then Exit Do
        picked = location
        If picked = "" Then picked = PickCell()
        If picked <> "" Then
            pelorin.RefEditInputs = picked
            BuildTapes = BuildTapes + 1
        End If
    Loop
    pelorin.UnloadfrmMaster
End Function

' Excel's range prompt (InputBox with Type 8), as "Sheet!A1"; empty when the user cancels it.
Function PickCell()
    Dim cell
    PickCell = ""
    On Error Resume Next
    Set cell = excel.InputBox("Select the cell where the tape begins", "Corvel", , , , , , 8)
    If Err.Number <> 0 Or Not IsObject(cell) Then Exit Function
    PickCell = cell.Worksheet.Name & "!" & cell.Address(False, False)
End Function

' The option /name:value of the command line, or `fallback`.
Function Opt(name, fallback)
    Opt = fallback
    If WScript.Arguments.Named.Exists(name) Then Opt = WScript.Arguments.Named(name)
End Function

Sub Main()
    OpenProject Opt("excel", "Excel.Application")
    If LCase(Opt("excel", "Excel.Application")) = "excel.application" Then excel.Visible = True
    If Not NewQuotesProject() Then
        WScript.Echo "No project: the new-project dialog was cancelled."
        Exit Sub
    End If
    WScript.Echo AddSymbols() & " contract(s) added to " & QuotesSheet & "."
    Dim ticks
    ticks = StreamTicks(Opt("host", "127.0.0.1"), CLng(Opt("port", "7497")), CLng(Opt("seconds", "10")))
    If ticks < 0 Then
        WScript.Echo "No TWS on " & Opt("host", "127.0.0.1") & ":" & Opt("port", "7497") & ": no ticks streamed."
    Else
        WScript.Echo ticks & " tick(s) written into the field cells."
    End If
    WScript.Echo BuildTapes(Opt("tape", "")) & " tape location(s) picked; the tapes are in " & TapeSheet & "."
End Sub

' Run directly, the script plays the whole flow; loaded by another script, it only defines it.
If LCase(WScript.ScriptName) = "corvelproject.vbs" Then Main
