Attribute VB_Name = "CorvelProject"
' The add-in's part, end to end, in any workbook: a quotes project built from the new-project dialog,
' contracts added from the contract dialog, their ticks streamed into the field cells by Tallowin3.dll,
' and ticker tapes linked to them from the tape dialog. Register Pelorin.dll and Tallowin3.dll of your
' Excel's width first (see the README), then run the macros in this order:
'   NewQuotesProject, AddSymbols, StartStreaming, BuildTapes, StopStreaming
' Late-bound (no references needed); TWS or IB Gateway must accept API clients on port 7497.
Option Explicit

Private Const QuotesSheet As String = "TWS_Quotes"
Private Const TapeSheet As String = "Ticker_tape_settings"
' The nine contract columns, in the order AddNewSymbol returns them.
Private Const ContractColumns As Integer = 9

Private pelorin As Object       ' Pelorin.cPelorin, kept while the tape dialog may be open
Private tws As Object           ' Tallowin3.cTWS while streaming
Private nextPoll As Date

Private Function Dialogs() As Object
    If pelorin Is Nothing Then
        Set pelorin = CreateObject("Pelorin.cPelorin")
        Set pelorin.ExcelApplication = Application
    End If
    Set Dialogs = pelorin
End Function

' ---- The quotes worksheet: nine contract columns under the name TWS_Symbol, then one column per
' chosen field, each named as the tape builder looks for it; and the tape table the tape dialog
' writes into.
Public Sub NewQuotesProject()
    Dim askPrice As Integer, askSize As Integer, bidPrice As Integer, bidSize As Integer
    Dim closePrice As Integer, highTick As Integer, lastPrice As Integer, lastSize As Integer
    Dim lowTick As Integer, volume As Integer
    If Not Dialogs().CreateNewProject(askPrice, askSize, bidPrice, bidSize, closePrice, highTick, _
                                      lastPrice, lastSize, lowTick, volume) Then Exit Sub

    Dim ws As Worksheet
    On Error Resume Next
    Set ws = ActiveWorkbook.Worksheets(QuotesSheet)
    On Error GoTo 0
    If ws Is Nothing Then
        Set ws = ActiveWorkbook.Worksheets.Add
        ws.Name = QuotesSheet
    End If
    ws.Cells.Clear
    ws.Range("A1").Resize(1, ContractColumns).Value = Array("Ticker", "Type", "Expiry", "Strike", "P/C", _
        "Multiplier", "Exchange", "Primary Exchange", "Currency")
    ActiveWorkbook.Names.Add Name:="TWS_Symbol", RefersTo:="='" & QuotesSheet & "'!$A$1"

    ' The field columns in the order the new-project dialog lists them.
    Dim column As Integer
    column = ContractColumns + 1
    AddField ws, column, lastPrice, "Last Price", "TWS_Last_Price"
    AddField ws, column, lastSize, "Last Size", "TWS_Last_Size"
    AddField ws, column, bidPrice, "Bid Price", "TWS_Bid_Price"
    AddField ws, column, bidSize, "Bid Size", "TWS_Bid_Size"
    AddField ws, column, askPrice, "Ask Price", "TWS_Ask_Price"
    AddField ws, column, askSize, "Ask Size", "TWS_Ask_Size"
    AddField ws, column, highTick, "High", "TWS_High"
    AddField ws, column, lowTick, "Low", "TWS_Low"
    AddField ws, column, volume, "Volume", "TWS_Volume"
    AddField ws, column, closePrice, "Close", "TWS_Close"
    ws.Rows(1).Font.Bold = True

    ' The tape table comes with the workbook: the tape dialog adds a row below its header per tape.
    Dim tapes As Worksheet
    On Error Resume Next
    Set tapes = ActiveWorkbook.Worksheets(TapeSheet)
    On Error GoTo 0
    If tapes Is Nothing Then
        Set tapes = ActiveWorkbook.Worksheets.Add(After:=ws)
        tapes.Name = TapeSheet
        tapes.Range("A3").Resize(1, 4).Value = Array("Tape header for Ticker", "Link to ticker", _
            "Tape header for Size", "Tape location")
        ActiveWorkbook.Names.Add Name:="Tape_header_for_Ticker", RefersTo:="='" & TapeSheet & "'!$A$3"
    End If
End Sub

Private Sub AddField(ws As Worksheet, ByRef column As Integer, chosen As Integer, heading As String, _
                     workbookName As String)
    On Error Resume Next
    ActiveWorkbook.Names(workbookName).Delete
    On Error GoTo 0
    If chosen = 0 Then Exit Sub
    ws.Cells(1, column).Value = heading
    ActiveWorkbook.Names.Add Name:=workbookName, RefersTo:="='" & QuotesSheet & "'!" & _
        ws.Cells(1, column).EntireColumn.Address
    column = column + 1
End Sub

' ---- Contract rows, one per answer of the contract dialog; "Insert & new" opens it again on the type
' the user ended on.
Public Sub AddSymbols()
    Dim ws As Worksheet
    Set ws = ActiveWorkbook.Worksheets(QuotesSheet)
    Dim symbol As String, typeSymbol As String, expiry As String, rightPC As String
    Dim exchange As String, primaryExchange As String, currency As String
    Dim strike As Double, multiplier As Double
    Dim typeIndex As Integer, answer As Integer, row As Long
    Do
        answer = Dialogs().AddNewSymbol(symbol, typeSymbol, expiry, strike, rightPC, multiplier, exchange, _
                                        primaryExchange, currency, typeIndex)
        If answer <> 1 And answer <> 4 Then Exit Do
        row = ws.Cells(ws.Rows.Count, 1).End(xlUp).row + 1
        ' Texts stay texts: a ticker like "-X" or an expiry like "202612" is not a formula or a number.
        ws.Range(ws.Cells(row, 1), ws.Cells(row, ContractColumns)).NumberFormat = "@"
        ws.Cells(row, 1).Resize(1, ContractColumns).Value = Array(symbol, typeSymbol, expiry, strike, rightPC, _
            multiplier, exchange, primaryExchange, currency)
    Loop While answer = 4
End Sub

' ---- Streaming: every contract row is one subscription whose id is its row; the ticks are fetched
' twice a second and written into the field columns.
Public Sub StartStreaming()
    Dim ws As Worksheet, row As Long, lastRow As Long
    Set ws = ActiveWorkbook.Worksheets(QuotesSheet)
    Set tws = CreateObject("Tallowin3.cTWS")
    Dim tickType As Variant
    For Each tickType In Array(0, 1, 2, 3, 4, 5, 6, 7, 8, 9)
        tws.AddRecordFilter tickType
    Next
    If Not tws.Connect("127.0.0.1", 7497, 21) Then
        MsgBox "No TWS on port 7497", vbCritical, "Corvel"
        Set tws = Nothing
        Exit Sub
    End If
    lastRow = ws.Cells(ws.Rows.Count, 1).End(xlUp).row
    For row = 2 To lastRow
        tws.StartQuery row, CStr(ws.Cells(row, 1).Value), CStr(ws.Cells(row, 2).Value), _
            CStr(ws.Cells(row, 3).Value), CDbl(Val(ws.Cells(row, 4).Value)), CStr(ws.Cells(row, 5).Value), _
            CStr(ws.Cells(row, 6).Value), CStr(ws.Cells(row, 7).Value), CStr(ws.Cells(row, 8).Value), _
            CStr(ws.Cells(row, 9).Value)
    Next
    PollTicks
End Sub

Public Sub PollTicks()
    If tws Is Nothing Then Exit Sub
    Dim records As Object, record As Object, column As Long
    Set records = tws.GetCurrentData
    If Not records Is Nothing Then
        For Each record In records
            column = FieldColumn(record.tickType)
            If column > 0 Then ActiveWorkbook.Worksheets(QuotesSheet).Cells(record.id, column).Value = record.Price
        Next
        records.Clear
    End If
    nextPoll = Now + TimeSerial(0, 0, 1) / 2
    Application.OnTime nextPoll, "PollTicks"
End Sub

' The field column of a tick type, or 0 when the project does not carry that field.
Private Function FieldColumn(ByVal tickType As Long) As Long
    Dim names As Variant
    names = Array("TWS_Bid_Size", "TWS_Bid_Price", "TWS_Ask_Price", "TWS_Ask_Size", "TWS_Last_Price", _
                  "TWS_Last_Size", "TWS_High", "TWS_Low", "TWS_Volume", "TWS_Close")
    FieldColumn = 0
    If tickType < 0 Or tickType > 9 Then Exit Function
    On Error Resume Next
    FieldColumn = ActiveWorkbook.Names(names(tickType)).RefersToRange.column
End Function

Public Sub StopStreaming()
    On Error Resume Next
    Application.OnTime nextPoll, "PollTicks", , False
    On Error GoTo 0
    If tws Is Nothing Then Exit Sub
    Dim row As Long
    For row = 2 To ActiveWorkbook.Worksheets(QuotesSheet).Cells(Rows.Count, 1).End(xlUp).row
        tws.StopQuery row
    Next
    tws.disconnect
    Set tws = Nothing
End Sub

' ---- Ticker tapes: the tape dialog writes each tape into the workbook itself; when the user presses
' "...", it steps aside so the location can be picked in the workbook, then comes back as it was.
Public Sub BuildTapes()
    Dim answer As String, location As Range
    Do
        answer = Dialogs().ShowRefEditInterface()
        If answer <> "DATABEGINNING" Then Exit Do
        Set location = Nothing
        On Error Resume Next
        Set location = Application.InputBox("Select the cell where the tape begins", "Corvel", Type:=8)
        On Error GoTo 0
        If Not location Is Nothing Then
            pelorin.RefEditInputs = location.Worksheet.Name & "!" & location.Address(False, False)
        End If
    Loop
    pelorin.UnloadfrmMaster
End Sub
