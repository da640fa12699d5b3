Attribute VB_Name = "QuoteBoardStart"
' Start and stop the board on the active sheet (TWS paper trading on this machine, port 7497).
' For live quotes in cells without any code, type =RTD("Tallowin3.RTD", , "STK:IBM:SMART:USD", "LAST")
' in a cell instead: the README's section on Tallowin3.RTD lists the fields and the connection settings.
Option Explicit

Private board As QuoteBoard

Public Sub StartQuotes()
    Set board = New QuoteBoard
    board.Start ActiveSheet, "127.0.0.1", 7497, 11
    board.Subscribe "IBM", "STK", "SMART", "USD", "NYSE"
    board.Subscribe "MSFT", "STK", "SMART", "USD", "NASDAQ"
    board.Subscribe "EUR", "CASH", "IDEALPRO", "USD"
End Sub

Public Sub StopQuotes()
    If Not board Is Nothing Then board.StopQuotes
    Set board = Nothing
    Application.StatusBar = False
End Sub
