' The user-interface library's automation contract, as a script caller sees it, without showing a
' dialog: creation, the Excel application's two members, the tape members before a tape dialog exists
' and the errors they raise.
' Run: cscript //nologo pelorin_suite.vbs
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

' The error the statement before raised (0 for none), cleared for the next one.
Dim lastDescription, lastSource
Function Caught()
    Caught = Err.Number
    lastDescription = Err.Description
    lastSource = Err.Source
    Err.Clear
End Function

' The statement before raised error `number` from `source` with `description`.
Function Raised(number, source, description)
    Dim n
    n = Caught()
    Raised = (n = number And lastSource = source And lastDescription = description)
    If Not Raised Then WScript.Echo "   error " & n & " from '" & lastSource & "': '" & lastDescription & "'"
End Function

' ---- Creation by ProgID.
Dim p
On Error Resume Next
Set p = CreateObject("Pelorin.cPelorin")
Check Caught() = 0, "create Pelorin.cPelorin"
On Error Goto 0

' ---- The Excel application: both members are one field; a new object has none.
Check p.ExcelApplication Is Nothing, "a new object has no Excel application"
Check p.m_ObjExcelApplication Is Nothing, "m_ObjExcelApplication is the same empty field"

' Any object is taken as it is: whether it is Excel's application shows at its first use.
Dim excel, other
Set excel = CreateObject("Scripting.Dictionary")
Set p.ExcelApplication = excel
Check p.ExcelApplication Is excel, "ExcelApplication gives back the object it was set to"
Check p.m_ObjExcelApplication Is excel, "m_ObjExcelApplication reads the same field"
Set other = CreateObject("Scripting.Dictionary")
Set p.m_ObjExcelApplication = other
Check p.ExcelApplication Is other, "m_ObjExcelApplication sets the same field"

' Nothing lets the application go.
Set p.ExcelApplication = Nothing
Check p.ExcelApplication Is Nothing, "ExcelApplication set to Nothing empties the field"
Set p.m_ObjExcelApplication = excel
Set p.m_ObjExcelApplication = Nothing
Check p.m_ObjExcelApplication Is Nothing, "m_ObjExcelApplication set to Nothing empties the field"

' A value that is no object is refused with the platform's type mismatch, and the field keeps what it
' held.
Set p.ExcelApplication = excel
Dim notAnObject
On Error Resume Next
notAnObject = 42
p.ExcelApplication = notAnObject
Check Caught() <> 0, "ExcelApplication cannot be assigned a number without Set"
On Error Goto 0
Check p.ExcelApplication Is excel, "a refused value leaves the field as it was"

' ---- The tape members before any tape dialog.
On Error Resume Next
Dim location
location = p.RefEditInputs
Check Raised(91, "Pelorin.cPelorin.RefEditInputs", "The tape dialog is not open: call ShowRefEditInterface first"), _
      "RefEditInputs get without a tape dialog is error 91"
p.RefEditInputs = "Sheet1!$B$2"
Check Raised(91, "Pelorin.cPelorin.RefEditInputs", "The tape dialog is not open: call ShowRefEditInterface first"), _
      "RefEditInputs let without a tape dialog is error 91"
p.UnloadfrmMaster
Check Caught() = 0, "UnloadfrmMaster without a tape dialog does nothing"
p.UnloadfrmMaster
Check Caught() = 0, "UnloadfrmMaster twice does nothing"
On Error Goto 0

' ---- Members Excel's own callers never use are refused by name.
On Error Resume Next
p.NoSuchMember
Check Caught() = 438, "an unknown member is error 438"
On Error Goto 0

' ---- A second object shares the library; releasing either leaves the other working.
Dim q
Set q = CreateObject("Pelorin.cPelorin")
Set p = Nothing
q.UnloadfrmMaster
Check q.ExcelApplication Is Nothing, "the second object has a field of its own"
Set q = Nothing

WScript.Echo checks & " checks, " & failures & " failed"
WScript.Quit failures
