// The Excel binding against the test Excel: every seam member reaches Excel's member of that name with
// Excel's arguments, values and errors come back as the seam gives them, and dispatch identifiers are
// asked for once.
#include <windows.h>

#include <oaidl.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "common/automation_error.h"
#include "platform/memory/memory_application.h"
#include "platform/memory/memory_workbook.h"
#include "platform/memory/memory_worksheet.h"
#include "platform/win32/excel/excel_application.h"
#include "platform/win32/excel/excel_dispatch.h"
#include "platform/win32/handles.h"
#include "platform/win32/text.h"
#include "tests/wine/test_excel/test_excel.h"

namespace {

using namespace corvel;
using workbook::CellArea;
using workbook::XlSearchDirection;
using workbook::XlSearchOrder;

class ComApartment {
  public:
    ComApartment() { ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~ComApartment() { ::CoUninitialize(); }
};

class ExcelBinding : public testing::Test {
  protected:
    ExcelBinding() {
        book = memory->add_workbook("Quotes.xlsx");
        quotes = book->add_sheet("TWS_Quotes");
        other = book->add_sheet("My Sheet");
        excel = test_excel::make_application(memory, log);
        app = win32::make_excel_application(excel.get());
    }

    ComApartment apartment;
    std::shared_ptr<workbook::MemoryApplication> memory = std::make_shared<workbook::MemoryApplication>();
    std::shared_ptr<workbook::MemoryWorkbook> book;
    std::shared_ptr<workbook::MemoryWorksheet> quotes;
    std::shared_ptr<workbook::MemoryWorksheet> other;
    std::shared_ptr<test_excel::CallLog> log = std::make_shared<test_excel::CallLog>();
    win32::com_ptr<IDispatch> excel;
    std::shared_ptr<workbook::Application> app;
};

TEST_F(ExcelBinding, ABlockValueIsOneCallAndOneTwoDimensionalArrayRowsFirst) {
    quotes->write_value(CellArea{2, 2, 2, 2}, Variant("AAPL"));
    quotes->write_value(CellArea{2, 3, 2, 3}, Variant(12.5));
    quotes->write_value(CellArea{3, 2, 3, 2}, Variant(true));
    quotes->write_value(CellArea{4, 3, 4, 3}, Variant(OleDate{45000.25}));
    log->clear();
    const workbook::RangeValue block = app->Range("B2:C4")->Value();
    EXPECT_EQ(log->count("Range.Value"), 1);
    ASSERT_TRUE(block.is_block());
    EXPECT_EQ(block.rows(), 3);
    EXPECT_EQ(block.columns(), 2);
    EXPECT_EQ(block(1, 1), Variant("AAPL"));
    EXPECT_EQ(block(1, 2), Variant(12.5));
    EXPECT_EQ(block(2, 1), Variant(true));
    EXPECT_TRUE(block(2, 2).is_empty());
    EXPECT_TRUE(block(3, 1).is_empty());
    EXPECT_EQ(block(3, 2), Variant(OleDate{45000.25}));

    // A single cell is a scalar, not a one-by-one array.
    const workbook::RangeValue cell = app->Range("C2")->Value();
    EXPECT_FALSE(cell.is_block());
    EXPECT_EQ(cell.single(), Variant(12.5));
}

TEST_F(ExcelBinding, ValuesWrittenReachTheCellsInTheirTypes) {
    const auto block = quotes->Range("A1:B2");
    block->Value(Variant("x"));
    EXPECT_EQ(quotes->value_at(2, 2), Variant("x"));
    quotes->Range("C1")->Value(Variant(std::int32_t{7}));
    EXPECT_EQ(quotes->value_at(1, 3), Variant(7.0));
    quotes->Range("C2")->Value(Variant(false));
    EXPECT_EQ(quotes->value_at(2, 3), Variant(false));
    app->Range("A1:B2")->Value(Variant());
    EXPECT_TRUE(quotes->value_at(2, 2).is_empty());
    app->Range("D1")->FormulaLocal("=TWS_Quotes!$A$1");
    EXPECT_EQ(app->Range("D1")->FormulaLocal(), "=TWS_Quotes!$A$1");
}

TEST_F(ExcelBinding, NavigationMembersTakeExcelsArgumentsInExcelsOrder) {
    const auto anchor = app->Range("B3");
    const auto cell = anchor->Cells(4, 2);
    EXPECT_EQ(cell->Address(), "$C$6");
    EXPECT_EQ(cell->Address(false, true), "$C6");
    EXPECT_EQ(cell->Address(true, false), "C$6");
    EXPECT_EQ(cell->Address(false, false), "C6");
    const auto block = anchor->Resize(3, 5);
    EXPECT_EQ(block->Address(), "$B$3:$F$5");
    EXPECT_EQ(block->Rows()->Count(), 3);
    EXPECT_EQ(block->Columns()->Count(), 5);
    EXPECT_EQ(block->Count(), 15);
    EXPECT_EQ(block->Row(), 3);
    EXPECT_EQ(block->Column(), 2);
    EXPECT_EQ(block->EntireColumn()->Address(), "$B:$F");
    EXPECT_EQ(app->Columns(5)->Address(), "$E:$E");
    EXPECT_EQ(block->Worksheet()->Name(), "TWS_Quotes");

    const auto common = app->Intersect(*app->Range("A1:C3"), *app->Range("B2:D4"));
    ASSERT_TRUE(common);
    EXPECT_EQ(common->Address(), "$B$2:$C$3");
    EXPECT_EQ(app->Intersect(*app->Range("A1"), *app->Range("C3")), nullptr);
}

TEST_F(ExcelBinding, SheetsAndWorkbooksByName) {
    EXPECT_EQ(app->ActiveWorkbook()->Name(), "Quotes.xlsx");
    EXPECT_EQ(app->ActiveSheet()->Name(), "TWS_Quotes");
    const auto sheet = app->Worksheets("my sheet");
    EXPECT_EQ(sheet->Name(), "My Sheet");
    sheet->Select();
    EXPECT_EQ(app->ActiveSheet()->Name(), "My Sheet");
    EXPECT_EQ(app->ActiveWorkbook()->Worksheets("TWS_Quotes")->Range("A2:A3")->Address(), "$A$2:$A$3");
    EXPECT_EQ(app->Range("'My Sheet'!B2")->Worksheet()->Name(), "My Sheet");
    EXPECT_EQ(app->ActiveWorkbook()->ActiveSheet()->Cells()->Rows()->Count(), workbook::kMaxRows);
    app->ActiveWorkbook()->Activate();
}

TEST_F(ExcelBinding, FormatsAndTheirMixedStatesAsNull) {
    const auto block = app->Range("B2:C3");
    block->Interior()->ColorIndex(6);
    EXPECT_EQ(block->Interior()->ColorIndex(), 6);
    app->Range("B2")->Interior()->ColorIndex(workbook::xlColorIndexNone);
    EXPECT_EQ(block->Interior()->ColorIndex(), std::nullopt);

    const auto top = block->Borders(workbook::xlEdgeTop);
    top->LineStyle(workbook::xlContinuous);
    top->Weight(workbook::xlThin);
    top->ColorIndex(3);
    EXPECT_EQ(block->Borders(workbook::xlEdgeTop)->LineStyle(), workbook::xlContinuous);
    EXPECT_EQ(block->Borders(workbook::xlEdgeTop)->Weight(), workbook::xlThin);
    EXPECT_EQ(block->Borders(workbook::xlEdgeTop)->ColorIndex(), 3);
    app->Range("C2")->Borders(workbook::xlEdgeTop)->LineStyle(workbook::xlNone);
    EXPECT_EQ(block->Borders(workbook::xlEdgeTop)->LineStyle(), std::nullopt);

    const auto columns = app->Range("B1:C1")->EntireColumn();
    columns->ColumnWidth(12.0);
    EXPECT_EQ(columns->ColumnWidth(), 12.0);
    app->Range("B1")->EntireColumn()->ColumnWidth(20.0);
    EXPECT_EQ(columns->ColumnWidth(), std::nullopt);
    quotes->write_value(CellArea{1, 4, 1, 4}, Variant("a longer text than eight"));
    app->Range("D1")->EntireColumn()->AutoFit();
    EXPECT_GT(*app->Range("D1")->EntireColumn()->ColumnWidth(), 20.0);
}

TEST_F(ExcelBinding, LastCellAndFindPassSearchOrderAndDirectionInTheirPlaces) {
    quotes->write_value(CellArea{2, 5, 2, 5}, Variant("far right"));
    quotes->write_value(CellArea{7, 2, 7, 2}, Variant("far down"));
    const auto cells = app->ActiveSheet()->Cells();
    EXPECT_EQ(cells->SpecialCells(workbook::xlCellTypeLastCell)->Address(), "$E$7");
    // Backwards from A1 by rows the last row's last cell comes first; by columns the last column's.
    EXPECT_EQ(cells->Find("*", XlSearchOrder::xlByRows, XlSearchDirection::xlPrevious)->Address(), "$B$7");
    EXPECT_EQ(cells->Find("*", XlSearchOrder::xlByColumns, XlSearchDirection::xlPrevious)->Address(), "$E$2");
    EXPECT_EQ(cells->Find("nothing like it", XlSearchOrder::xlByRows, XlSearchDirection::xlNext), nullptr);
    app->Range("B2:C3")->Select();
    EXPECT_EQ(quotes->selection(), (CellArea{2, 2, 3, 3}));
}

TEST_F(ExcelBinding, ScreenUpdatingReadsAndRestores) {
    EXPECT_TRUE(app->ScreenUpdating());
    app->ScreenUpdating(false);
    EXPECT_FALSE(app->ScreenUpdating());
    app->ScreenUpdating(true);
    EXPECT_EQ(memory->screen_updating_history(), (std::vector<bool>{false, true}));
}

TEST_F(ExcelBinding, ExcelsFailuresAreTheSeamsErrorsWithExcelsWords) {
    try {
        app->Range("not an address");
        FAIL() << "no error";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.number(), 1004);
        EXPECT_EQ(e.source(), "Microsoft Excel");
        EXPECT_EQ(e.description(), "Method 'Range' of object '_Application' failed");
    }
    try {
        app->Worksheets("No such sheet");
        FAIL() << "no error";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.number(), vb_error::kSubscriptOutOfRange);
        EXPECT_EQ(e.description(), "Subscript out of range");
    }
    EXPECT_THROW(app->Range("A1")->Resize(0, 1), AutomationError);
    EXPECT_THROW(app->Range("A1")->Borders(99), AutomationError);
}

TEST_F(ExcelBinding, NoWorkbookMeansNothingAndNoCrash) {
    auto empty = std::make_shared<workbook::MemoryApplication>();
    auto excel_without_books = test_excel::make_application(empty, log);
    auto bare = win32::make_excel_application(excel_without_books.get());
    EXPECT_EQ(bare->ActiveWorkbook(), nullptr);
    EXPECT_EQ(bare->ActiveSheet(), nullptr);
    EXPECT_THROW(bare->Range("A1"), AutomationError);
}

TEST_F(ExcelBinding, EachMemberNameIsLookedUpOncePerObjectType) {
    for (int i = 0; i < 5; ++i) {
        const auto cell = app->Range("A1")->Cells(i + 1, 1);
        cell->Value(Variant(std::int32_t{i}));
        (void)cell->Value();
    }
    // Application.Range, Range.Cells, Range.Item and Range.Value: four names, each asked once.
    EXPECT_EQ(log->name_lookups, 4);
    EXPECT_EQ(log->count("Range.Value"), 10);
}

// An object that answers every name and gives back what it was told to: Excel's answers that the test
// Excel never gives (arrays with other bounds, error values, deferred error texts).
class ScriptedObject final : public IDispatch {
  public:
    // Excel may leave the texts of an exception to be filled in when asked for.
    static HRESULT STDMETHODCALLTYPE fill_in(EXCEPINFO* e) {
        e->scode = static_cast<SCODE>(0x800A03ECu);
        e->bstrSource = win32::make_bstr("Microsoft Excel");
        e->bstrDescription = win32::make_bstr("Cannot change part of a merged cell.");
        return S_OK;
    }

    HRESULT result_hr = S_OK;
    win32::unique_variant result;
    bool known = true;
    bool deferred = false;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
            *out = this;
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return 2; }
    ULONG STDMETHODCALLTYPE Release() noexcept override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) noexcept override {
        *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID* ids) noexcept override {
        *ids = 1;
        return known ? S_OK : DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* out, EXCEPINFO* info,
                                     UINT*) noexcept override {
        if (result_hr == DISP_E_EXCEPTION) {
            *info = EXCEPINFO{};
            if (deferred) {
                info->pfnDeferredFillIn = &fill_in;
            } else {
                info->scode = static_cast<SCODE>(0x800A03ECu);
                info->bstrDescription = win32::make_bstr("Select method of Range class failed");
            }
            return DISP_E_EXCEPTION;
        }
        if (FAILED(result_hr)) return result_hr;
        if (out) ::VariantCopy(out, const_cast<VARIANT*>(&result.get()));
        return S_OK;
    }
};

// A two-dimensional array of variants with the given lower bounds, filled with row * 10 + column
// (both counted from 1).
win32::unique_variant array_value(LONG row_low, LONG rows, LONG column_low, LONG columns) {
    SAFEARRAYBOUND bounds[2] = {{static_cast<ULONG>(rows), row_low},
                                {static_cast<ULONG>(columns), column_low}};
    win32::unique_variant value;
    SAFEARRAY* array = ::SafeArrayCreate(VT_VARIANT, 2, bounds);
    for (LONG r = 0; r < rows; ++r) {
        for (LONG c = 0; c < columns; ++c) {
            LONG at[2] = {row_low + r, column_low + c};
            VARIANT cell;
            ::VariantInit(&cell);
            V_VT(&cell) = VT_I4;
            V_I4(&cell) = (r + 1) * 10 + (c + 1);
            ::SafeArrayPutElement(array, at, &cell);
        }
    }
    VARIANT* slot = value.put();
    V_VT(slot) = VT_ARRAY | VT_VARIANT;
    V_ARRAY(slot) = array;
    return value;
}

class ScriptedExcel : public testing::Test {
  protected:
    // The object stands for a range reached from Application.Range.
    std::shared_ptr<workbook::Range> range() {
        VARIANT* slot = object.result.put();
        V_VT(slot) = VT_DISPATCH;
        V_DISPATCH(slot) = &object;
        const auto r = app->Range("A1");
        object.result.reset();
        return r;
    }

    ComApartment apartment;
    ScriptedObject object;
    std::shared_ptr<workbook::Application> app = win32::make_excel_application(&object);
};

TEST_F(ScriptedExcel, BlockValuesWhateverTheirLowerBounds) {
    const auto r = range();
    for (const LONG low : {0, 1, 5}) {
        object.result = array_value(low, 3, low + 1, 2);
        const workbook::RangeValue block = r->Value();
        ASSERT_TRUE(block.is_block());
        EXPECT_EQ(block.rows(), 3);
        EXPECT_EQ(block.columns(), 2);
        EXPECT_EQ(block(1, 1), Variant(11.0));
        EXPECT_EQ(block(1, 2), Variant(12.0));
        EXPECT_EQ(block(3, 1), Variant(31.0));
        EXPECT_EQ(block(3, 2), Variant(32.0));
    }
}

TEST_F(ScriptedExcel, ErrorValuesReadAsWhatTheCellShows) {
    const auto r = range();
    VARIANT* slot = object.result.put();
    V_VT(slot) = VT_ERROR;
    V_ERROR(slot) = static_cast<SCODE>(0x800A07FAu);  // CVErr(xlErrNA)
    EXPECT_EQ(r->Value().single(), Variant("#N/A"));
    slot = object.result.put();
    V_VT(slot) = VT_ERROR;
    V_ERROR(slot) = static_cast<SCODE>(0x800A07D7u);
    EXPECT_EQ(r->Value().single(), Variant("#DIV/0!"));
    slot = object.result.put();
    V_VT(slot) = VT_DISPATCH;
    V_DISPATCH(slot) = &object;
    const auto fill = r->Interior();
    slot = object.result.put();
    V_VT(slot) = VT_NULL;
    EXPECT_EQ(fill->ColorIndex(), std::nullopt);
    EXPECT_TRUE(r->Value().single().is_empty());
}

TEST_F(ScriptedExcel, ExceptionsCarryExcelsNumberSourceAndDescription) {
    const auto r = range();
    object.result_hr = DISP_E_EXCEPTION;
    try {
        r->Select();
        FAIL() << "no error";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.number(), 1004);
        EXPECT_EQ(e.source(), "Microsoft Excel");
        EXPECT_EQ(e.description(), "Select method of Range class failed");
    }
    object.deferred = true;
    try {
        r->Value(Variant("x"));
        FAIL() << "no error";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.number(), 1004);
        EXPECT_EQ(e.description(), "Cannot change part of a merged cell.");
    }
    object.result_hr = RPC_E_DISCONNECTED;
    try {
        r->Row();
        FAIL() << "no error";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.code(), static_cast<std::uint32_t>(RPC_E_DISCONNECTED));
    }
}

TEST(ExcelBindingObjects, AnObjectThatIsNotExcelIsFoundOutAtItsFirstUse) {
    ComApartment apartment;
    ScriptedObject stranger;
    stranger.known = false;
    const auto app = win32::make_excel_application(&stranger);
    try {
        app->ActiveSheet();
        FAIL() << "no error";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.number(), 438);
        EXPECT_NE(e.description().find("Object doesn't support this property or method"), std::string::npos);
    }
    EXPECT_THROW(win32::make_excel_application(nullptr), AutomationError);
}

}  // namespace

namespace {

// The test Excel itself, called as a script or macro calls Excel: names, named arguments, the default
// member, the members Excel lacks.
class TestExcelDispatch : public ExcelBinding {
  protected:
    DISPID id(IDispatch* object, const wchar_t* name) {
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        DISPID out = DISPID_UNKNOWN;
        EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, 0, &out), S_OK) << win32::narrow(name);
        return out;
    }
    win32::com_ptr<IDispatch> object(IDispatch* from, const wchar_t* name, std::vector<VARIANT> args = {}) {
        DISPPARAMS params{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
        win32::unique_variant result;
        EXPECT_EQ(from->Invoke(id(from, name), IID_NULL, 0, DISPATCH_PROPERTYGET | DISPATCH_METHOD, &params,
                               result.put(), nullptr, nullptr),
                  S_OK);
        return win32::com_ptr<IDispatch>(V_VT(&result.get()) == VT_DISPATCH ? V_DISPATCH(&result.get())
                                                                            : nullptr);
    }
    static VARIANT long_value(LONG v) {
        VARIANT out;
        ::VariantInit(&out);
        V_VT(&out) = VT_I4;
        V_I4(&out) = v;
        return out;
    }
    std::string address(IDispatch* range) {
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        win32::unique_variant result;
        range->Invoke(id(range, L"Address"), IID_NULL, 0, DISPATCH_PROPERTYGET, &none, result.put(), nullptr,
                      nullptr);
        return V_VT(&result.get()) == VT_BSTR ? win32::from_bstr(V_BSTR(&result.get())) : "?";
    }
};

TEST_F(TestExcelDispatch, NamedArgumentsTheDefaultMemberAndMissingMembers) {
    // Cells(2, 3) on a sheet: Cells takes no arguments, its default member takes them.
    const auto sheet = object(excel.get(), L"ActiveSheet");
    ASSERT_TRUE(sheet);
    std::vector<VARIANT> row_column = {long_value(3), long_value(2)};  // last first
    const auto cell = object(sheet.get(), L"Cells", row_column);
    ASSERT_TRUE(cell);
    EXPECT_EQ(address(cell.get()), "$C$2");

    // Find(What:="*", SearchDirection:=xlPrevious) by parameter names, as a macro writes it.
    quotes->write_value(CellArea{4, 4, 4, 4}, Variant("x"));
    const auto cells = object(sheet.get(), L"Cells");
    LPOLESTR names[] = {const_cast<LPOLESTR>(L"Find"), const_cast<LPOLESTR>(L"SearchDirection"),
                        const_cast<LPOLESTR>(L"What")};
    DISPID ids[3];
    ASSERT_EQ(cells->GetIDsOfNames(IID_NULL, names, 3, 0, ids), S_OK);
    EXPECT_EQ(ids[1], 5);
    EXPECT_EQ(ids[2], 0);
    win32::unique_variant what;
    V_VT(what.put()) = VT_BSTR;
    V_BSTR(const_cast<VARIANT*>(&what.get())) = win32::make_bstr("*");
    VARIANT args[2] = {long_value(2), what.get()};
    DISPID named[2] = {ids[1], ids[2]};
    DISPPARAMS params{args, named, 2, 2};
    win32::unique_variant found;
    ASSERT_EQ(cells->Invoke(ids[0], IID_NULL, 0, DISPATCH_METHOD, &params, found.put(), nullptr, nullptr),
              S_OK);
    ASSERT_EQ(V_VT(&found.get()), VT_DISPATCH);
    EXPECT_EQ(address(V_DISPATCH(&found.get())), "$D$4");

    // What Excel lacks is refused by name, and a parameter name Excel does not know too.
    for (const wchar_t* missing : {L"Refresh", L"Formula3", L"Valeur"}) {
        LPOLESTR name[] = {const_cast<LPOLESTR>(missing)};
        DISPID out;
        EXPECT_EQ(cells->GetIDsOfNames(IID_NULL, name, 1, 0, &out), DISP_E_UNKNOWNNAME)
            << win32::narrow(missing);
    }
    LPOLESTR wrong_param[] = {const_cast<LPOLESTR>(L"Find"), const_cast<LPOLESTR>(L"Direction")};
    EXPECT_EQ(cells->GetIDsOfNames(IID_NULL, wrong_param, 2, 0, ids), DISP_E_UNKNOWNNAME);
    // A sheet has no Value; a range has no Name here.
    LPOLESTR value_name[] = {const_cast<LPOLESTR>(L"Value")};
    EXPECT_EQ(sheet->GetIDsOfNames(IID_NULL, value_name, 1, 0, ids), DISP_E_UNKNOWNNAME);

    EXPECT_EQ(log->count("Worksheet.Cells"), 2);
    EXPECT_EQ(log->count("Range.Find"), 1);
}

TEST_F(TestExcelDispatch, ABadRangeIs1004AndTooManyArgumentsAreRefused) {
    win32::unique_variant text;
    V_VT(text.put()) = VT_BSTR;
    V_BSTR(const_cast<VARIANT*>(&text.get())) = win32::make_bstr("A0");
    VARIANT args[1] = {text.get()};
    DISPPARAMS params{args, nullptr, 1, 0};
    win32::unique_variant result;
    win32::unique_excepinfo info;
    ASSERT_EQ(excel->Invoke(id(excel.get(), L"Range"), IID_NULL, 0, DISPATCH_PROPERTYGET, &params,
                            result.put(), info.put(), nullptr),
              DISP_E_EXCEPTION);
    EXPECT_EQ(static_cast<std::uint32_t>(info.get().scode), 0x800A03ECu);
    EXPECT_EQ(win32::from_bstr(info.get().bstrSource), "Microsoft Excel");

    VARIANT three[3] = {long_value(1), long_value(1), long_value(1)};
    DISPPARAMS too_many{three, nullptr, 3, 0};
    const auto cell = object(excel.get(), L"ActiveSheet");
    EXPECT_EQ(cell->Invoke(id(cell.get(), L"Select"), IID_NULL, 0, DISPATCH_METHOD, &too_many, nullptr,
                           nullptr, nullptr),
              DISP_E_BADPARAMCOUNT);
}

}  // namespace
