// Excel's object model behind the workbook seam, every member called late-bound by its name. Each
// seam member is the Excel member of the same name; where Excel reaches an item through a collection
// (`Worksheets("Quotes")`, `Borders(xlEdgeTop)`, `Cells(2, 3)`), the collection is asked for its
// `Item`, which is what the short form means in a macro.
#include <utility>
#include <vector>

#include "common/automation_error.h"
#include "platform/win32/excel/excel_application.h"
#include "platform/win32/excel/excel_dispatch.h"
#include "seams/workbook/border.h"
#include "seams/workbook/interior.h"
#include "seams/workbook/range.h"
#include "seams/workbook/workbook.h"
#include "seams/workbook/worksheet.h"

namespace corvel::win32 {

namespace {

using excel::Arg;
using excel::DispatchCache;
using excel::DispatchObject;
using excel::Missing;

// Excel's constants for Find: search formulas (what the cells hold), match any part.
constexpr std::int32_t xlFormulas = -4123;
constexpr std::int32_t xlPart = 2;

DispatchObject child(const DispatchObject& parent, com_ptr<IDispatch> object, const char* type) {
    return DispatchObject(std::move(object), parent.cache(), type);
}

class ExcelInterior final : public workbook::Interior {
  public:
    explicit ExcelInterior(DispatchObject object) : object_(std::move(object)) {}
    std::optional<std::int32_t> ColorIndex() const override {
        return object_.get_optional_long("ColorIndex");
    }
    void ColorIndex(std::int32_t value) override { object_.put("ColorIndex", value); }

  private:
    DispatchObject object_;
};

class ExcelBorder final : public workbook::Border {
  public:
    explicit ExcelBorder(DispatchObject object) : object_(std::move(object)) {}
    std::optional<std::int32_t> LineStyle() const override { return object_.get_optional_long("LineStyle"); }
    void LineStyle(std::int32_t value) override { object_.put("LineStyle", value); }
    std::optional<std::int32_t> Weight() const override { return object_.get_optional_long("Weight"); }
    void Weight(std::int32_t value) override { object_.put("Weight", value); }
    std::optional<std::int32_t> ColorIndex() const override {
        return object_.get_optional_long("ColorIndex");
    }
    void ColorIndex(std::int32_t value) override { object_.put("ColorIndex", value); }

  private:
    DispatchObject object_;
};

class ExcelRange;
std::shared_ptr<workbook::Range> range_of(const DispatchObject& parent, com_ptr<IDispatch> object);
std::shared_ptr<workbook::Worksheet> sheet_of(const DispatchObject& parent, com_ptr<IDispatch> object);

class ExcelRange final : public workbook::Range {
  public:
    explicit ExcelRange(DispatchObject object) : object_(std::move(object)) {}

    IDispatch* dispatch() const noexcept { return object_.get(); }

    std::shared_ptr<workbook::Worksheet> Worksheet() const override {
        return sheet_of(object_, object_.get_object("Worksheet"));
    }
    std::shared_ptr<Range> Cells(std::int32_t RowIndex, std::int32_t ColumnIndex) const override {
        const DispatchObject cells = child(object_, object_.get_object("Cells"), "Range");
        return range_of(object_, cells.get_object("Item", {RowIndex, ColumnIndex}));
    }
    std::shared_ptr<Range> Resize(std::int32_t RowSize, std::int32_t ColumnSize) const override {
        return range_of(object_, object_.get_object("Resize", {RowSize, ColumnSize}));
    }
    std::shared_ptr<Range> Rows() const override { return range_of(object_, object_.get_object("Rows")); }
    std::shared_ptr<Range> Columns() const override {
        return range_of(object_, object_.get_object("Columns"));
    }
    std::shared_ptr<Range> EntireColumn() const override {
        return range_of(object_, object_.get_object("EntireColumn"));
    }
    std::int64_t Count() const override {
        const unique_variant result = object_.get("Count");
        const auto count = excel::optional_double_of(result.get(), object_.type(), "Count");
        if (!count)
            throw AutomationError(vb_error::kTypeMismatch, excel::kBindingSource,
                                  vb_error::kTypeMismatchText);
        return static_cast<std::int64_t>(*count);
    }
    std::int32_t Row() const override { return object_.get_long("Row"); }
    std::int32_t Column() const override { return object_.get_long("Column"); }
    using Range::Address;
    std::string Address(bool RowAbsolute, bool ColumnAbsolute) const override {
        const unique_variant result = object_.get("Address", {RowAbsolute, ColumnAbsolute});
        return excel::text_of(result.get(), object_.type(), "Address");
    }
    workbook::RangeValue Value() const override { return value_of(object_.get("Value")); }
    void Value(const Variant& value) override { object_.put("Value", Arg(value)); }
    std::string FormulaLocal() const override {
        unique_variant result = object_.get("FormulaLocal");
        // A block of formulas comes as an array: the top-left cell's stands for it.
        if (V_VT(&result.get()) & VT_ARRAY)
            return value_of(unique_variant(result.release())).single().to_text();
        return excel::text_of(result.get(), object_.type(), "FormulaLocal");
    }
    void FormulaLocal(std::string_view formula) override { object_.put("FormulaLocal", Arg(formula)); }
    std::shared_ptr<workbook::Interior> Interior() const override {
        return std::make_shared<ExcelInterior>(child(object_, object_.get_object("Interior"), "Interior"));
    }
    std::shared_ptr<workbook::Border> Borders(std::int32_t Index) const override {
        const DispatchObject borders = child(object_, object_.get_object("Borders"), "Borders");
        return std::make_shared<ExcelBorder>(child(object_, borders.get_object("Item", {Index}), "Border"));
    }
    std::optional<double> ColumnWidth() const override {
        const unique_variant result = object_.get("ColumnWidth");
        return excel::optional_double_of(result.get(), object_.type(), "ColumnWidth");
    }
    void ColumnWidth(double value) override { object_.put("ColumnWidth", Arg(Variant(value))); }
    void AutoFit() override { object_.call("AutoFit"); }
    std::shared_ptr<Range> SpecialCells(std::int32_t Type) const override {
        const unique_variant result = object_.call("SpecialCells", {Type});
        return range_of(object_, excel::object_of(result.get(), object_.type(), "SpecialCells"));
    }
    std::shared_ptr<Range> Find(std::string_view What, workbook::XlSearchOrder SearchOrder,
                                workbook::XlSearchDirection SearchDirection) const override {
        // Excel keeps LookIn, LookAt and MatchCase from the user's last search: say them every time so
        // that the result does not depend on what the user last looked for.
        const unique_variant result =
            object_.call("Find", {What, Missing{}, xlFormulas, xlPart, static_cast<std::int32_t>(SearchOrder),
                                  static_cast<std::int32_t>(SearchDirection), false});
        return range_of(object_, excel::object_of(result.get(), object_.type(), "Find"));
    }
    void Select() override { object_.call("Select"); }

  private:
    workbook::RangeValue value_of(unique_variant result) const;

    DispatchObject object_;
};

// A block's Value is one two-dimensional array, rows first, whatever its lower bounds (Excel's are 1,
// an array a macro built may start anywhere); a single cell's is one value.
workbook::RangeValue ExcelRange::value_of(unique_variant result) const {
    const VARIANT& v = result.get();
    if (!(V_VT(&v) & VT_ARRAY)) return workbook::RangeValue(excel::cell_value_of(v));
    SAFEARRAY* array = (V_VT(&v) & VT_BYREF) ? *V_ARRAYREF(&v) : V_ARRAY(&v);
    const auto fail = [&]() -> workbook::RangeValue {
        throw AutomationError(vb_error::kTypeMismatch, excel::kBindingSource,
                              std::string(vb_error::kTypeMismatchText) + " (Range.Value)");
    };
    if (!array || (V_VT(&v) & VT_TYPEMASK) != VT_VARIANT) return fail();
    const UINT dims = ::SafeArrayGetDim(array);
    if (dims != 1 && dims != 2) return fail();
    LONG row_low = 0, row_high = 0, column_low = 0, column_high = 0;
    if (FAILED(::SafeArrayGetLBound(array, 1, &row_low)) || FAILED(::SafeArrayGetUBound(array, 1, &row_high)))
        return fail();
    if (dims == 2) {
        if (FAILED(::SafeArrayGetLBound(array, 2, &column_low)) ||
            FAILED(::SafeArrayGetUBound(array, 2, &column_high)))
            return fail();
    }
    // A one-dimensional array is one row.
    const std::int64_t rows = dims == 2 ? std::int64_t{row_high} - row_low + 1 : 1;
    const std::int64_t columns =
        dims == 2 ? std::int64_t{column_high} - column_low + 1 : std::int64_t{row_high} - row_low + 1;
    if (rows < 1 || columns < 1) return fail();
    const SafeArrayData data(array);
    if (!data.get()) return fail();
    const auto* cells = static_cast<const VARIANT*>(data.get());
    std::vector<Variant> values;
    values.reserve(static_cast<std::size_t>(rows * columns));
    // The data lie with the first dimension running fastest: column by column.
    for (std::int64_t row = 0; row < rows; ++row) {
        for (std::int64_t column = 0; column < columns; ++column) {
            values.push_back(excel::cell_value_of(cells[column * rows + row]));
        }
    }
    return workbook::RangeValue(static_cast<std::int32_t>(rows), static_cast<std::int32_t>(columns),
                                std::move(values));
}

class ExcelWorksheet final : public workbook::Worksheet {
  public:
    explicit ExcelWorksheet(DispatchObject object) : object_(std::move(object)) {}

    std::string Name() const override { return object_.get_text("Name"); }
    void Select() override { object_.call("Select"); }
    std::shared_ptr<workbook::Range> Range(std::string_view Cell1) const override {
        return range_of(object_, object_.get_object("Range", {Cell1}));
    }
    std::shared_ptr<workbook::Range> Cells() const override {
        return range_of(object_, object_.get_object("Cells"));
    }

  private:
    DispatchObject object_;
};

class ExcelWorkbook final : public workbook::Workbook {
  public:
    explicit ExcelWorkbook(DispatchObject object) : object_(std::move(object)) {}

    std::string Name() const override { return object_.get_text("Name"); }
    void Activate() override { object_.call("Activate"); }
    std::shared_ptr<workbook::Worksheet> Worksheets(std::string_view Index) const override {
        const DispatchObject sheets = child(object_, object_.get_object("Worksheets"), "Sheets");
        return sheet_of(object_, sheets.get_object("Item", {Index}));
    }
    std::shared_ptr<workbook::Worksheet> ActiveSheet() const override {
        return sheet_of(object_, object_.get_object("ActiveSheet"));
    }

  private:
    DispatchObject object_;
};

class ExcelApplication final : public workbook::Application {
  public:
    explicit ExcelApplication(DispatchObject object) : object_(std::move(object)) {}

    bool ScreenUpdating() const override {
        const unique_variant result = object_.get("ScreenUpdating");
        return excel::bool_of(result.get(), object_.type(), "ScreenUpdating");
    }
    void ScreenUpdating(bool value) override { object_.put("ScreenUpdating", value); }
    std::shared_ptr<workbook::Workbook> ActiveWorkbook() const override {
        com_ptr<IDispatch> book = object_.get_object("ActiveWorkbook");
        if (!book) return nullptr;
        return std::make_shared<ExcelWorkbook>(child(object_, std::move(book), "Workbook"));
    }
    std::shared_ptr<workbook::Worksheet> ActiveSheet() const override {
        return sheet_of(object_, object_.get_object("ActiveSheet"));
    }
    std::shared_ptr<workbook::Worksheet> Worksheets(std::string_view Index) const override {
        const DispatchObject sheets = child(object_, object_.get_object("Worksheets"), "Sheets");
        return sheet_of(object_, sheets.get_object("Item", {Index}));
    }
    std::shared_ptr<workbook::Range> Range(std::string_view Cell1) const override {
        return range_of(object_, object_.get_object("Range", {Cell1}));
    }
    std::shared_ptr<workbook::Range> Intersect(const workbook::Range& Arg1,
                                               const workbook::Range& Arg2) const override {
        const unique_variant result = object_.call("Intersect", {dispatch_of(Arg1), dispatch_of(Arg2)});
        return range_of(object_, excel::object_of(result.get(), object_.type(), "Intersect"));
    }
    std::shared_ptr<workbook::Range> Columns(std::int32_t Index) const override {
        const DispatchObject columns = child(object_, object_.get_object("Columns"), "Range");
        return range_of(object_, columns.get_object("Item", {Index}));
    }

  private:
    static IDispatch* dispatch_of(const workbook::Range& range) {
        const auto* excel_range = dynamic_cast<const ExcelRange*>(&range);
        // A range of another workbook model cannot reach Excel.
        if (!excel_range) {
            throw AutomationError(vb_error::kTypeMismatch, excel::kBindingSource,
                                  vb_error::kTypeMismatchText);
        }
        return excel_range->dispatch();
    }

    DispatchObject object_;
};

std::shared_ptr<workbook::Range> range_of(const DispatchObject& parent, com_ptr<IDispatch> object) {
    if (!object) return nullptr;
    return std::make_shared<ExcelRange>(child(parent, std::move(object), "Range"));
}

std::shared_ptr<workbook::Worksheet> sheet_of(const DispatchObject& parent, com_ptr<IDispatch> object) {
    if (!object) return nullptr;
    return std::make_shared<ExcelWorksheet>(child(parent, std::move(object), "Worksheet"));
}

}  // namespace

std::shared_ptr<workbook::Application> make_excel_application(IDispatch* application) {
    return std::make_shared<ExcelApplication>(
        DispatchObject(com_ptr<IDispatch>(application), std::make_shared<DispatchCache>(), "Application"));
}

}  // namespace corvel::win32
