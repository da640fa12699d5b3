' The market-data library's automation contract, as a script caller sees it.
' Run: cscript //nologo tallowin3_suite.vbs [closed-port]
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

' The error the statement before raised (0 for none), cleared for the next one. Used after
' "On Error Resume Next", since script hosts differ in what Execute supports.
Dim lastDescription, lastSource
Function Caught()
    Caught = Err.Number
    lastDescription = Err.Description
    lastSource = Err.Source
    Err.Clear
End Function

' The error the statement before raised was `number`, raised by the collection.
Function CollectionError(number)
    Dim n
    n = Caught()
    CollectionError = (n = number And lastSource = "Tallowin3.cTWSDatas")
    If Not CollectionError Then WScript.Echo "   error " & n & " from " & lastSource & ": " & lastDescription
End Function

Dim closedPort
closedPort = 1
If WScript.Arguments.Count > 0 Then closedPort = CLng(WScript.Arguments(0))

' ---- Every class is creatable by its ProgID.
Dim progId, created
For Each progId In Array("Tallowin3.cTWS", "Tallowin3.cDownload", "Tallowin3.cTWSData", _
                         "Tallowin3.cTWSDatas", "Tallowin3.cTWSUtils")
    On Error Resume Next
    Set created = CreateObject(progId)
    Check Caught() = 0, "create " & progId
    On Error Goto 0
Next

' ---- Tick records: five plain fields, empty when new.
Dim r
Set r = CreateObject("Tallowin3.cTWSData")
Check r.id = 0 And r.TickType = 0 And r.Price = 0 And r.NameID = "", "a new record is empty"
r.sDate = DateSerial(2026, 12, 8) + TimeSerial(19, 57, 39)
r.Price = 101.25
r.TickType = 4
r.id = 17
r.NameID = "mine"
Check Abs(CDbl(r.sDate) - CDbl(CDate("2026-12-08 19:57:39"))) < 1 / 86400 And r.Price = 101.25 And r.TickType = 4 And r.id = 17 _
      And r.NameID = "mine", "record fields keep what is set"

' ---- The collection.
Dim c, a7, x, names
Set c = CreateObject("Tallowin3.cTWSDatas")
Set a7 = c.ItemAdd("a7")
Check a7.NameID = "a7" And c.Count = 1, "ItemAdd on an empty collection"
Check c.ItemAdd("a7") Is a7 And c.Count = 1, "ItemAdd of a present key returns the same record"
a7.Price = 12.5
Check c("a7").Price = 12.5, "the default member reads by key"
Check c.Item(1) Is a7, "Item by position"
c.ItemAdd "a2"
c.ItemAdd "a1"
names = ""
For Each x In c
    names = names & x.NameID & " "
Next
Check names = "a7 a2 a1 ", "For Each walks in insertion order (" & names & ")"
c.Remove 1
Check c(1).NameID = "a2", "Remove(1) closes the gap"
c.Remove "a1"
Check c.Count = 1, "Remove by key"

On Error Resume Next
Set x = c.Item("nope")
Check Caught() = 5, "a missing key is error 5"
Check lastDescription = "Invalid procedure call or argument", "error 5 describes itself (" & lastDescription & ")"
Set x = c(9)
Check Caught() = 9, "a position out of range is error 9"
c.Remove 0
Check Caught() = 9, "Remove of position 0 is error 9"
c.Add r, "a2"
Check Caught() = 457, "a duplicate key is error 457"
Check lastDescription = "This key is already associated with an element of this collection", _
      "error 457 describes itself"
c.Add r, "k"
Check Caught() = 0, "Add with a new key"
c.Add r
Check Caught() = 0, "Add without a key"

' A key that is given is its text, and an empty one is refused, as the engine refuses it.
c.Add r, ""
Check CollectionError(5), "Add with an empty key is error 5"
c.Add r, Empty
Check CollectionError(5), "Add with an Empty key is error 5"
' Every failure of the collection, type mismatches included, names the collection as its source.
Set x = c.Item("nope")
Check CollectionError(5), "a missing key is the collection's error"
c.Add c, "c"
Check CollectionError(13), "Add of an object that is no record is the collection's type mismatch"
c.Add r, Array(1)
Check CollectionError(13), "Add with a key that is no text is the collection's type mismatch"
Set x = c.Item(Array(1))
Check CollectionError(13), "Item of an index that is no text or number is the collection's type mismatch"
Set x = c.Item(r)
Check CollectionError(13), "Item of a record is the collection's type mismatch"
c.Remove Array(1)
Check CollectionError(13), "Remove of an index that is no text or number is the collection's type mismatch"
Set x = c.ItemAdd(Array(1))
Check CollectionError(13), "ItemAdd of an index that is no text or number is the collection's type mismatch"
On Error Goto 0
Check c("k").NameID = "mine", "Add keeps the record's NameID"
Check c.Count = 3, "both Adds counted"

Dim kept
Set kept = c("a2")
kept.Price = 3
c.Clear
Check c.Count = 0 And kept.Price = 3, "a record handed out survives Clear"

' ---- The connection object and its container.
Dim t
Set t = CreateObject("Tallowin3.cTWS")
Check t.MaxRecord = 1000 And t.MaxID = 0, "a new connection object's limits"
Check t.copy_cTWSDatas.Count = 0, "a new connection object's result collection is empty"
Check t.GetCurrentData Is Nothing, "nothing is delivered before Connect"
t.MaxRecord = 5
t.MaxID = 9
Check t.MaxRecord = 5 And t.MaxID = 9, "MaxRecord and MaxID keep what is set"
Dim other
Set other = CreateObject("Tallowin3.cTWSDatas")
Set t.copy_cTWSDatas = other
Check t.copy_cTWSDatas Is other, "the result collection can be replaced"
t.AddRecordFilter 4
t.AddRecordFilter 51
Check t.Connect("127.0.0.1", closedPort, 7) = False, "Connect to a closed port is False"
Check t.GetCurrentData Is Nothing, "still nothing after a failed Connect"
t.disconnect

Dim d, first
Set d = CreateObject("Tallowin3.cDownload")
Check d.TWSConteiner Is d.m_cTWS.copy_cTWSDatas, "the container is the connection object's result collection"
Check d.GetTWSData Is Nothing, "GetTWSData before Connect is Nothing"
Set first = d.m_cTWS
first.copy_cTWSDatas.ItemAdd "x"
Set d.m_cTWS = CreateObject("Tallowin3.cTWS")
d.FreeTWSDataBuffer
Check first.copy_cTWSDatas.Count = 0, "FreeTWSDataBuffer clears the first connection object's collection"
Check Not (d.m_cTWS Is first), "m_cTWS can be replaced"

WScript.Echo checks & " checks, " & failures & " failed"
WScript.Quit failures
