// Excel's object model over the in-memory workbook, for the tests and benchmarks of the Excel
// binding and of the DLL: Application, Workbook, Sheets, Worksheet, Range, Interior, Borders and
// Border with the members and argument lists of Excel's documented object model (the ones the add-in
// and its scripts use), answered late-bound as Excel answers them.
#include "tests/wine/test_excel/test_excel.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <string_view>
#include <vector>

#include "common/automation_error.h"
#include "platform/com/object.h"
#include "platform/com/variant_convert.h"
#include "platform/memory/memory_range.h"
#include "platform/memory/memory_workbook.h"
#include "platform/memory/memory_worksheet.h"
#include "platform/win32/text.h"

// Private to the test Excel: how it knows its own objects among the arguments it is given.
struct ITestExcelNode : public IUnknown {
    virtual void* STDMETHODCALLTYPE node() noexcept = 0;
};
__CRT_UUID_DECL(ITestExcelNode, 0x5b0e3c51, 0x8d1f, 0x4d36, 0x9a, 0x7e, 0x21, 0x44, 0x6c, 0x0b, 0x93, 0xd2)

namespace corvel::test_excel {

namespace {

using win32::com_ptr;
using win32::unique_variant;
using workbook::CellArea;
using workbook::MemoryRange;

enum class Kind { Application, Workbook, Sheets, Worksheet, Range, Interior, Borders, Border };

const char* kind_name(Kind kind) {
    switch (kind) {
        case Kind::Application:
            return "Application";
        case Kind::Workbook:
            return "Workbook";
        case Kind::Sheets:
            return "Sheets";
        case Kind::Worksheet:
            return "Worksheet";
        case Kind::Range:
            return "Range";
        case Kind::Interior:
            return "Interior";
        case Kind::Borders:
            return "Borders";
        case Kind::Border:
            return "Border";
    }
    return "?";
}

// A member: its name, its parameters in Excel's order, and whether it takes a new value.
struct Member {
    const char* name;
    std::vector<const char*> params;
    bool settable = false;
};

// One identifier per member name, the same on every object (as Excel's are); 0 is the default member.
const std::vector<const char*>& all_names() {
    static const std::vector<const char*> names = {
        "_Default",       "Activate",     "ActiveSheet", "ActiveWorkbook", "Address",   "AutoFit",
        "Borders",        "Cells",        "Color",       "ColorIndex",     "Column",    "Columns",
        "ColumnWidth",    "Count",        "CountLarge",  "EntireColumn",   "EntireRow", "Find",
        "Formula",        "FormulaLocal", "Hwnd",        "Interior",       "Intersect", "Item",
        "LineStyle",      "Name",         "Range",       "Resize",         "Row",       "Rows",
        "ScreenUpdating", "Select",       "Sheets",      "SpecialCells",   "Value",     "Value2",
        "Weight",         "Worksheet",    "Worksheets"};
    return names;
}

bool same_name(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

DISPID id_of(std::string_view name) {
    const auto& names = all_names();
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (same_name(names[i], name)) return i == 0 ? DISPID_VALUE : static_cast<DISPID>(0x100 + i);
    }
    return DISPID_UNKNOWN;
}

std::vector<const char*> intersect_params() {
    static const char* const names[] = {
        "Arg1",  "Arg2",  "Arg3",  "Arg4",  "Arg5",  "Arg6",  "Arg7",  "Arg8",  "Arg9",  "Arg10",
        "Arg11", "Arg12", "Arg13", "Arg14", "Arg15", "Arg16", "Arg17", "Arg18", "Arg19", "Arg20",
        "Arg21", "Arg22", "Arg23", "Arg24", "Arg25", "Arg26", "Arg27", "Arg28", "Arg29", "Arg30"};
    return std::vector<const char*>(std::begin(names), std::end(names));
}

const std::vector<Member>& members_of(Kind kind) {
    static const std::vector<Member> application = {{"ScreenUpdating", {}, true},
                                                    {"ActiveWorkbook", {}},
                                                    {"ActiveSheet", {}},
                                                    {"Worksheets", {}},
                                                    {"Sheets", {}},
                                                    {"Range", {"Cell1", "Cell2"}},
                                                    {"Intersect", intersect_params()},
                                                    {"Columns", {}},
                                                    {"Rows", {}},
                                                    {"Cells", {}},
                                                    {"Hwnd", {}},
                                                    {"Name", {}}};
    static const std::vector<Member> book = {
        {"Name", {}}, {"Activate", {}}, {"Worksheets", {}}, {"Sheets", {}}, {"ActiveSheet", {}}};
    static const std::vector<Member> sheets = {{"_Default", {"Index"}}, {"Item", {"Index"}}};
    static const std::vector<Member> sheet = {
        {"Name", {}, true}, {"Select", {"Replace"}}, {"Activate", {}}, {"Range", {"Cell1", "Cell2"}},
        {"Cells", {}},      {"Columns", {}},         {"Rows", {}}};
    static const std::vector<Member> range = {
        {"_Default", {"RowIndex", "ColumnIndex"}, true},
        {"Item", {"RowIndex", "ColumnIndex"}, true},
        {"Value", {"RangeValueDataType"}, true},
        {"Value2", {}, true},
        {"Formula", {}, true},
        {"FormulaLocal", {}, true},
        {"Cells", {}},
        {"Resize", {"RowSize", "ColumnSize"}},
        {"Rows", {}},
        {"Columns", {}},
        {"EntireColumn", {}},
        {"EntireRow", {}},
        {"Count", {}},
        {"CountLarge", {}},
        {"Row", {}},
        {"Column", {}},
        {"Address", {"RowAbsolute", "ColumnAbsolute", "ReferenceStyle", "External", "RelativeTo"}},
        {"Interior", {}},
        {"Borders", {}},
        {"ColumnWidth", {}, true},
        {"AutoFit", {}},
        {"SpecialCells", {"Type", "Value"}},
        {"Find",
         {"What", "After", "LookIn", "LookAt", "SearchOrder", "SearchDirection", "MatchCase", "MatchByte",
          "SearchFormat"}},
        {"Select", {}},
        {"Worksheet", {}}};
    static const std::vector<Member> interior = {{"ColorIndex", {}, true}, {"Color", {}, true}};
    static const std::vector<Member> borders = {{"_Default", {"Index"}}, {"Item", {"Index"}}, {"Count", {}}};
    static const std::vector<Member> border = {
        {"LineStyle", {}, true}, {"Weight", {}, true}, {"ColorIndex", {}, true}};
    switch (kind) {
        case Kind::Application:
            return application;
        case Kind::Workbook:
            return book;
        case Kind::Sheets:
            return sheets;
        case Kind::Worksheet:
            return sheet;
        case Kind::Range:
            return range;
        case Kind::Interior:
            return interior;
        case Kind::Borders:
            return borders;
        case Kind::Border:
            break;
    }
    return border;
}

const Member* find_member(Kind kind, DISPID id) {
    for (const Member& m : members_of(kind))
        if (id_of(m.name) == id) return &m;
    return nullptr;
}

const Member* find_member(Kind kind, std::string_view name) {
    for (const Member& m : members_of(kind))
        if (same_name(m.name, name)) return &m;
    return nullptr;
}

// A failure Invoke reports as a plain result, not as Excel's exception.
struct DispatchFailure {
    HRESULT hr;
};

// Excel's word for a failed method: 1004 and the texts of the in-memory workbook.
[[noreturn]] void raise_excel(const std::string& description) {
    throw AutomationError(workbook::kErrObjectModel, "Microsoft Excel", description);
}

const VARIANT& plain(const VARIANT& v) {
    if (V_VT(&v) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(&v)) return *V_VARIANTREF(&v);
    return v;
}

bool given(const VARIANT* v) {
    return v && !com::is_missing(plain(*v));
}

template <VARTYPE Type>
unique_variant converted(const VARIANT& v) {
    unique_variant out;
    if (FAILED(::VariantChangeType(out.put(), const_cast<VARIANT*>(&plain(v)), 0, Type)))
        throw DispatchFailure{DISP_E_TYPEMISMATCH};
    return out;
}

std::int32_t long_arg(const VARIANT* v, std::optional<std::int32_t> fallback = std::nullopt) {
    if (!given(v)) {
        if (!fallback) throw DispatchFailure{DISP_E_PARAMNOTOPTIONAL};
        return *fallback;
    }
    return V_I4(&converted<VT_I4>(*v).get());
}

bool bool_arg(const VARIANT* v, bool fallback) {
    if (!given(v)) return fallback;
    return V_BOOL(&converted<VT_BOOL>(*v).get()) != VARIANT_FALSE;
}

std::string text_arg(const VARIANT* v) {
    if (!given(v)) throw DispatchFailure{DISP_E_PARAMNOTOPTIONAL};
    return win32::from_bstr(V_BSTR(&converted<VT_BSTR>(*v).get()));
}

void set_long(VARIANT* out, std::int32_t value) {
    if (!out) return;
    V_VT(out) = VT_I4;
    V_I4(out) = value;
}
void set_optional_long(VARIANT* out, std::optional<std::int32_t> value) {
    if (!out) return;
    if (value) return set_long(out, *value);
    V_VT(out) = VT_NULL;
}
void set_text(VARIANT* out, std::string_view text) {
    if (!out) return;
    V_VT(out) = VT_BSTR;
    V_BSTR(out) = win32::make_bstr(text);
}
void set_bool(VARIANT* out, bool value) {
    if (!out) return;
    V_VT(out) = VT_BOOL;
    V_BOOL(out) = value ? VARIANT_TRUE : VARIANT_FALSE;
}

// A cell's value as Excel hands it over: numbers as Double, text as String, nothing as Empty.
void set_cell(VARIANT& out, const Variant& value) {
    ::VariantInit(&out);
    if (value.is_empty()) return;
    if (value.type() == VariantType::Boolean || value.type() == VariantType::Date || value.is_string()) {
        com::to_variant(value, out);
        return;
    }
    V_VT(&out) = VT_R8;
    V_R8(&out) = value.number().value_or(0.0);
}

struct Shared {
    std::shared_ptr<workbook::MemoryApplication> application;
    std::shared_ptr<CallLog> log;
    Settings settings;
};

class Node final : public com::Implements<Node, IDispatch, ITestExcelNode> {
  public:
    Node(std::shared_ptr<Shared> shared, Kind kind) : shared_(std::move(shared)), kind_(kind) {}

    static com_ptr<IDispatch> make(const std::shared_ptr<Shared>& shared, Kind kind) {
        return com_ptr<IDispatch>::adopt(static_cast<IDispatch*>(new Node(shared, kind)));
    }

    // What the node stands for.
    std::shared_ptr<workbook::MemoryWorkbook> book;
    std::shared_ptr<workbook::MemoryWorksheet> sheet;
    std::shared_ptr<MemoryRange> range;
    MemoryRange::Counting counting = MemoryRange::Counting::Cells;
    std::shared_ptr<workbook::Interior> interior;
    std::shared_ptr<workbook::Border> border;

    void* STDMETHODCALLTYPE node() noexcept override { return this; }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** out) noexcept override {
        if (out) *out = nullptr;
        return DISP_E_BADINDEX;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) noexcept override {
        if (!names || !ids || count == 0) return E_INVALIDARG;
        ++shared_->log->name_lookups;
        const std::string name = win32::narrow(names[0]);
        const Member* member = find_member(kind_, name);
        HRESULT hr = S_OK;
        ids[0] = member ? id_of(member->name) : DISPID_UNKNOWN;
        if (!member) hr = DISP_E_UNKNOWNNAME;
        for (UINT i = 1; i < count; ++i) {
            ids[i] = DISPID_UNKNOWN;
            if (!member) continue;
            const std::string param = win32::narrow(names[i]);
            for (std::size_t p = 0; p < member->params.size(); ++p)
                if (same_name(member->params[p], param)) ids[i] = static_cast<DISPID>(p);
            if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
        }
        return hr;
    }

    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* info, UINT* arg_error) noexcept override {
        const Member* member = find_member(kind_, id);
        if (!member) return DISP_E_MEMBERNOTFOUND;
        const bool putting = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
        if (putting && !member->settable) return DISP_E_MEMBERNOTFOUND;
        const std::string counted = std::string(kind_name(kind_)) + "." + member->name;
        ++shared_->log->calls;
        ++shared_->log->by_member[counted];
        if (result) ::VariantInit(result);
        try {
            // Arguments: positional ones come last first; named ones by their parameter's position.
            std::vector<const VARIANT*> args;
            const VARIANT* value = nullptr;
            const UINT total = params ? params->cArgs : 0;
            const UINT named = params ? params->cNamedArgs : 0;
            if (named > total) return E_INVALIDARG;
            const UINT positional = total - named;
            std::vector<const VARIANT*> slots(std::max<std::size_t>(member->params.size(), positional),
                                              nullptr);
            for (UINT i = 0; i < named; ++i) {
                const DISPID name = params->rgdispidNamedArgs[i];
                if (name == DISPID_PROPERTYPUT) {
                    value = &params->rgvarg[i];
                } else if (name >= 0 && static_cast<std::size_t>(name) < member->params.size()) {
                    slots[static_cast<std::size_t>(name)] = &params->rgvarg[i];
                } else {
                    if (arg_error) *arg_error = i;
                    return DISP_E_PARAMNOTFOUND;
                }
            }
            for (UINT i = 0; i < positional; ++i)
                slots[i] = &params->rgvarg[total - 1 - i];
            if (putting && !value) return DISP_E_PARAMNOTOPTIONAL;
            // More arguments than Excel's member takes: a member without parameters handing back an
            // object passes them to that object's default member, as `Cells(2, 3)` does.
            if (positional > member->params.size() || (named > (value ? 1u : 0u) && member->params.empty())) {
                if (!member->params.empty() || putting) return DISP_E_BADPARAMCOUNT;
                unique_variant object;
                run(*member, {}, nullptr, object.put());
                if (V_VT(&object.get()) != VT_DISPATCH || !V_DISPATCH(&object.get()))
                    return DISP_E_BADPARAMCOUNT;
                return V_DISPATCH(&object.get())
                    ->Invoke(DISPID_VALUE, IID_NULL, 0, flags, params, result, info, arg_error);
            }
            slots.resize(member->params.size());
            run(*member, slots, value, result);
            return S_OK;
        } catch (const DispatchFailure& failure) {
            if (result) ::VariantClear(result);
            return failure.hr;
        } catch (const AutomationError& e) {
            if (result) ::VariantClear(result);
            if (info) {
                *info = EXCEPINFO{};
                info->scode = e.number() > 0 && e.number() < 0x10000
                                  ? MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, e.number())
                                  : static_cast<HRESULT>(e.number());
                // Excel's errors name Excel as their source, whatever part of the model raised them.
                info->bstrSource = win32::make_bstr("Microsoft Excel");
                info->bstrDescription = win32::make_bstr(e.description());
            }
            return DISP_E_EXCEPTION;
        } catch (...) {
            if (result) ::VariantClear(result);
            return E_OUTOFMEMORY;
        }
    }

  private:
    using Args = std::vector<const VARIANT*>;

    void run(const Member& member, const Args& args, const VARIANT* value, VARIANT* result);
    void run_application(std::string_view name, const Args& args, const VARIANT* value, VARIANT* result);
    void run_workbook(std::string_view name, VARIANT* result);
    void run_sheets(std::string_view name, const Args& args, VARIANT* result);
    void run_sheet(std::string_view name, const Args& args, const VARIANT* value, VARIANT* result);
    void run_range(std::string_view name, const Args& args, const VARIANT* value, VARIANT* result);

    com_ptr<IDispatch> make_node(Kind kind) const { return make(shared_, kind); }
    com_ptr<IDispatch> range_node(std::shared_ptr<MemoryRange> r,
                                  MemoryRange::Counting c = MemoryRange::Counting::Cells) const {
        auto object = make_node(Kind::Range);
        auto* n = static_cast<Node*>(object.get());
        n->range = std::move(r);
        n->counting = c;
        return object;
    }
    com_ptr<IDispatch> range_node(const std::shared_ptr<workbook::Range>& r,
                                  MemoryRange::Counting c = MemoryRange::Counting::Cells) const {
        if (!r) return nullptr;
        return range_node(std::static_pointer_cast<MemoryRange>(r), c);
    }
    com_ptr<IDispatch> sheet_node(std::shared_ptr<workbook::Worksheet> s) const {
        if (!s) return nullptr;
        auto object = make_node(Kind::Worksheet);
        static_cast<Node*>(object.get())->sheet = std::static_pointer_cast<workbook::MemoryWorksheet>(s);
        return object;
    }
    com_ptr<IDispatch> sheets_node(std::shared_ptr<workbook::MemoryWorkbook> b) const {
        auto object = make_node(Kind::Sheets);
        static_cast<Node*>(object.get())->book = std::move(b);
        return object;
    }
    static void set_object(VARIANT* out, com_ptr<IDispatch> object) {
        if (!out) return;
        V_VT(out) = VT_DISPATCH;
        V_DISPATCH(out) = object.detach();
    }
    static Node* node_of(const VARIANT* v) {
        if (!given(v)) return nullptr;
        const VARIANT& p = plain(*v);
        IUnknown* unknown = V_VT(&p) == VT_DISPATCH  ? V_DISPATCH(&p)
                            : V_VT(&p) == VT_UNKNOWN ? V_UNKNOWN(&p)
                                                     : nullptr;
        if (!unknown) throw DispatchFailure{DISP_E_TYPEMISMATCH};
        com_ptr<ITestExcelNode> own;
        if (FAILED(unknown->QueryInterface(__uuidof(ITestExcelNode), own.put_void())))
            throw DispatchFailure{DISP_E_TYPEMISMATCH};
        return static_cast<Node*>(own->node());
    }
    const std::shared_ptr<workbook::MemoryWorkbook>& active_book(const char* method) const {
        const auto& b = shared_->application->active_workbook();
        if (!b) raise_excel(std::string("Method '") + method + "' of object '_Global' failed");
        return b;
    }

    std::shared_ptr<Shared> shared_;
    Kind kind_;
};

void Node::run(const Member& member, const Args& args, const VARIANT* value, VARIANT* result) {
    const std::string_view name = member.name;
    switch (kind_) {
        case Kind::Application:
            return run_application(name, args, value, result);
        case Kind::Workbook:
            return run_workbook(name, result);
        case Kind::Sheets:
            return run_sheets(name, args, result);
        case Kind::Worksheet:
            return run_sheet(name, args, value, result);
        case Kind::Range:
            return run_range(name, args, value, result);
        case Kind::Interior:
            if (name == "Color") {
                if (value) raise_excel("The test Excel keeps fills by palette index only");
                return set_optional_long(result, std::nullopt);
            }
            if (value) return interior->ColorIndex(long_arg(value));
            return set_optional_long(result, interior->ColorIndex());
        case Kind::Borders:
            if (name == "Count") return set_long(result, 8);
            {
                auto object = make_node(Kind::Border);
                static_cast<Node*>(object.get())->border = range->Borders(long_arg(args[0]));
                return set_object(result, std::move(object));
            }
        case Kind::Border:
            if (name == "LineStyle") {
                if (value) return border->LineStyle(long_arg(value));
                return set_optional_long(result, border->LineStyle());
            }
            if (name == "Weight") {
                if (value) return border->Weight(long_arg(value));
                return set_optional_long(result, border->Weight());
            }
            if (value) return border->ColorIndex(long_arg(value));
            return set_optional_long(result, border->ColorIndex());
    }
}

void Node::run_application(std::string_view name, const Args& args, const VARIANT* value, VARIANT* result) {
    auto& app = *shared_->application;
    if (name == "ScreenUpdating") {
        if (value) return app.ScreenUpdating(bool_arg(value, true));
        return set_bool(result, app.ScreenUpdating());
    }
    if (name == "ActiveWorkbook") {
        if (!app.active_workbook()) return set_object(result, nullptr);
        auto object = make_node(Kind::Workbook);
        static_cast<Node*>(object.get())->book = app.active_workbook();
        return set_object(result, std::move(object));
    }
    if (name == "ActiveSheet") return set_object(result, sheet_node(app.ActiveSheet()));
    if (name == "Worksheets" || name == "Sheets")
        return set_object(result, sheets_node(active_book("Worksheets")));
    if (name == "Range") {
        if (given(args[1])) raise_excel("The test Excel takes a range as one text");
        return set_object(result, range_node(app.Range(text_arg(args[0]))));
    }
    if (name == "Intersect") {
        Node* first = node_of(args[0]);
        Node* second = node_of(args[1]);
        if (!first || !second) throw DispatchFailure{DISP_E_PARAMNOTOPTIONAL};
        std::shared_ptr<workbook::Range> common = app.Intersect(*first->range, *second->range);
        for (std::size_t i = 2; i < args.size() && common; ++i) {
            if (Node* more = node_of(args[i])) common = app.Intersect(*common, *more->range);
        }
        return set_object(result, range_node(common));
    }
    if (name == "Columns" || name == "Rows" || name == "Cells") {
        const auto sheet_of_app = active_book(name.data())->active_sheet();
        const auto all = std::static_pointer_cast<MemoryRange>(sheet_of_app->Cells());
        const auto c = name == "Columns" ? MemoryRange::Counting::Columns
                       : name == "Rows"  ? MemoryRange::Counting::Rows
                                         : MemoryRange::Counting::Cells;
        return set_object(result, range_node(all, c));
    }
    if (name == "Hwnd") return set_long(result, static_cast<std::int32_t>(shared_->settings.hwnd));
    return set_text(result, "Microsoft Excel");  // Name
}

void Node::run_workbook(std::string_view name, VARIANT* result) {
    if (name == "Name") return set_text(result, book->Name());
    if (name == "Activate") return book->Activate();
    if (name == "ActiveSheet") return set_object(result, sheet_node(book->ActiveSheet()));
    return set_object(result, sheets_node(book));  // Worksheets, Sheets
}

void Node::run_sheets(std::string_view, const Args& args, VARIANT* result) {
    if (!given(args[0])) throw DispatchFailure{DISP_E_PARAMNOTOPTIONAL};
    const VARIANT& index = plain(*args[0]);
    if (V_VT(&index) != VT_BSTR) raise_excel("The test Excel finds sheets by name only");
    return set_object(result, sheet_node(book->Worksheets(win32::from_bstr(V_BSTR(&index)))));
}

void Node::run_sheet(std::string_view name, const Args& args, const VARIANT* value, VARIANT* result) {
    if (name == "Name") {
        if (value) raise_excel("The test Excel does not rename sheets");
        return set_text(result, sheet->Name());
    }
    if (name == "Select" || name == "Activate") return sheet->Select();
    if (name == "Range") {
        if (given(args[1])) raise_excel("The test Excel takes a range as one text");
        return set_object(result, range_node(sheet->Range(text_arg(args[0]))));
    }
    const auto all = std::static_pointer_cast<MemoryRange>(sheet->Cells());
    const auto c = name == "Columns" ? MemoryRange::Counting::Columns
                   : name == "Rows"  ? MemoryRange::Counting::Rows
                                     : MemoryRange::Counting::Cells;
    return set_object(result, range_node(all, c));
}

void Node::run_range(std::string_view name, const Args& args, const VARIANT* value, VARIANT* result) {
    MemoryRange& r = *range;
    const CellArea& area = r.area();
    if (name == "_Default" || name == "Item") {
        std::shared_ptr<workbook::Range> item;
        if (given(args[1])) {
            item = r.Cells(long_arg(args[0]), long_arg(args[1]));
        } else if (given(args[0])) {
            // One index counts what the range counts: its rows, its columns or its cells row by row.
            const std::int32_t n = long_arg(args[0]);
            if (n < 1) raise_excel("Application-defined or object-defined error");
            if (counting == MemoryRange::Counting::Columns) {
                item = r.Cells(1, n)->Resize(area.rows(), 1);
            } else if (counting == MemoryRange::Counting::Rows) {
                item = r.Cells(n, 1)->Resize(1, area.columns());
            } else {
                item = r.Cells((n - 1) / area.columns() + 1, (n - 1) % area.columns() + 1);
            }
        } else if (name == "_Default") {
            // Without arguments the default member is the value.
            return run_range("Value", {nullptr}, value, result);
        } else {
            throw DispatchFailure{DISP_E_PARAMNOTOPTIONAL};
        }
        if (value) return item->Value(com::from_variant(plain(*value)));
        return set_object(result, range_node(item));
    }
    if (name == "Value" || name == "Value2") {
        if (value) {
            const VARIANT& v = plain(*value);
            if (V_VT(&v) & VT_ARRAY) raise_excel("The test Excel takes one value for a range");
            return r.Value(com::from_variant(v));
        }
        if (!result) return;
        const workbook::RangeValue values = r.Value();
        if (!values.is_block()) return set_cell(*result, values.single());
        // A block: a two-dimensional array of variants, rows first, both bounds from 1.
        SAFEARRAYBOUND bounds[2] = {{static_cast<ULONG>(values.rows()), 1},
                                    {static_cast<ULONG>(values.columns()), 1}};
        win32::unique_safearray array(::SafeArrayCreate(VT_VARIANT, 2, bounds));
        if (!array) throw std::bad_alloc();
        {
            const win32::SafeArrayData data(array.get());
            auto* cells = static_cast<VARIANT*>(data.get());
            if (!cells) throw std::bad_alloc();
            for (std::int32_t row = 1; row <= values.rows(); ++row)
                for (std::int32_t column = 1; column <= values.columns(); ++column)
                    set_cell(cells[(column - 1) * values.rows() + (row - 1)], values(row, column));
        }
        V_VT(result) = VT_ARRAY | VT_VARIANT;
        V_ARRAY(result) = array.release();
        return;
    }
    if (name == "Formula" || name == "FormulaLocal") {
        if (value) return r.FormulaLocal(text_arg(value));
        return set_text(result, r.FormulaLocal());
    }
    if (name == "Cells") return set_object(result, range_node(range));
    if (name == "Resize") {
        const std::int32_t rows = long_arg(args[0], area.rows());
        const std::int32_t columns = long_arg(args[1], area.columns());
        return set_object(result, range_node(r.Resize(rows, columns)));
    }
    if (name == "Rows") return set_object(result, range_node(range, MemoryRange::Counting::Rows));
    if (name == "Columns") return set_object(result, range_node(range, MemoryRange::Counting::Columns));
    if (name == "EntireColumn") return set_object(result, range_node(r.EntireColumn()));
    if (name == "EntireRow") {
        return set_object(
            result, range_node(r.sheet()->range(CellArea{area.top, 1, area.bottom, workbook::kMaxColumns}),
                               MemoryRange::Counting::Rows));
    }
    if (name == "Count" || name == "CountLarge") {
        const std::int64_t n = counting == MemoryRange::Counting::Rows      ? area.rows()
                               : counting == MemoryRange::Counting::Columns ? area.columns()
                                                                            : area.cells();
        if (name == "CountLarge") {
            if (result) {
                V_VT(result) = VT_R8;
                V_R8(result) = static_cast<double>(n);
            }
            return;
        }
        // Count is a Long: a whole sheet's cells overflow it, as in Excel.
        if (n > 0x7fffffff) throw DispatchFailure{DISP_E_OVERFLOW};
        return set_long(result, static_cast<std::int32_t>(n));
    }
    if (name == "Row") return set_long(result, area.top);
    if (name == "Column") return set_long(result, area.left);
    if (name == "Address") {
        // ReferenceStyle xlA1 (1) only; External and RelativeTo are not the add-in's.
        if (given(args[2]) && long_arg(args[2]) != 1) raise_excel("The test Excel writes A1 addresses only");
        if (bool_arg(args[3], false) || given(args[4]))
            raise_excel("The test Excel writes local addresses only");
        return set_text(result, r.Address(bool_arg(args[0], true), bool_arg(args[1], true)));
    }
    if (name == "Interior") {
        auto object = make_node(Kind::Interior);
        static_cast<Node*>(object.get())->interior = r.Interior();
        return set_object(result, std::move(object));
    }
    if (name == "Borders") {
        auto object = make_node(Kind::Borders);
        static_cast<Node*>(object.get())->range = range;
        return set_object(result, std::move(object));
    }
    if (name == "ColumnWidth") {
        if (value) {
            return r.ColumnWidth(V_R8(&converted<VT_R8>(*value).get()));
        }
        const auto width = r.ColumnWidth();
        if (!result) return;
        if (!width) {
            V_VT(result) = VT_NULL;
            return;
        }
        V_VT(result) = VT_R8;
        V_R8(result) = *width;
        return;
    }
    if (name == "AutoFit") {
        r.AutoFit();
        return set_bool(result, true);
    }
    if (name == "SpecialCells") {
        if (given(args[1])) raise_excel("The test Excel finds the last cell only");
        return set_object(result, range_node(r.SpecialCells(long_arg(args[0]))));
    }
    if (name == "Find") {
        const std::string what = text_arg(args[0]);
        if (Node* after = node_of(args[1])) {
            if (after->range->area().top != area.top || after->range->area().left != area.left)
                raise_excel("The test Excel searches after the range's first cell only");
        }
        // LookIn xlFormulas or xlValues: the in-memory sheet keeps formulas as their text, so both
        // look at the same content. LookAt xlPart only; case never matters.
        if (given(args[3]) && long_arg(args[3]) != 2)
            raise_excel("The test Excel matches part of a cell only");
        if (bool_arg(args[6], false)) raise_excel("The test Excel does not match letter case");
        const auto order = static_cast<workbook::XlSearchOrder>(long_arg(args[4], 1));
        const auto direction = static_cast<workbook::XlSearchDirection>(long_arg(args[5], 1));
        return set_object(result, range_node(r.Find(what, order, direction)));
    }
    if (name == "Select") {
        r.Select();
        return set_bool(result, true);
    }
    return set_object(result, sheet_node(r.sheet()));  // Worksheet
}

}  // namespace

com_ptr<IDispatch> make_application(std::shared_ptr<workbook::MemoryApplication> application,
                                    std::shared_ptr<CallLog> log, Settings settings) {
    auto shared = std::make_shared<Shared>(Shared{std::move(application), std::move(log), settings});
    return Node::make(shared, Kind::Application);
}

}  // namespace corvel::test_excel
