' Live quotes from TWS on the command line:  cscript //nologo quotes.vbs [host] [port] [seconds]
' Events reach the script through WScript.ConnectObject; WScript.Sleep lets them arrive.
Option Explicit

Dim host, port, seconds
host = "127.0.0.1": port = 7497: seconds = 30
If WScript.Arguments.Count > 0 Then host = WScript.Arguments(0)
If WScript.Arguments.Count > 1 Then port = CLng(WScript.Arguments(1))
If WScript.Arguments.Count > 2 Then seconds = CLng(WScript.Arguments(2))

Dim download, tws, t, symbols, id
Set download = CreateObject("Tallowin3.cDownload")
Set tws = download.m_cTWS
WScript.ConnectObject tws, "tws_"

For t = 0 To 9
    tws.AddRecordFilter t
Next
If Not tws.Connect(host, port, 12) Then
    WScript.Echo "Could not connect to TWS on " & host & ":" & port
    WScript.Quit 1
End If

symbols = Array("IBM", "MSFT", "AAPL")
For id = 0 To UBound(symbols)
    tws.StartQuery id + 1, symbols(id), "STK", "", 0, "", "", "SMART", "", "USD"
Next

Dim deadline
deadline = DateAdd("s", seconds, Now)
Do While Now < deadline
    WScript.Sleep 100
Loop

For id = 1 To UBound(symbols) + 1
    tws.StopQuery id
Next
tws.disconnect

Sub tws_IBTWSDatas()
    Dim data, record
    Set data = download.GetTWSData
    If data Is Nothing Then Exit Sub
    For Each record In data
        WScript.Echo record.sDate & "  " & symbols(record.id - 1) & "  type " & record.TickType & "  " & record.Price
    Next
    download.FreeTWSDataBuffer
End Sub

Sub tws_IBTWSErrMsg(id, errorCode, errorMsg)
    WScript.Echo "TWS " & errorCode & ": " & errorMsg
End Sub

Sub tws_IBTWSdataLoss(msgDate)
    WScript.Echo "(condensed at " & msgDate & ")"
End Sub
