#include "tests/support/counting_workbook.h"

#include <utility>

#include "common/automation_error.h"

namespace corvel::workbook {

namespace {

using Calls = std::shared_ptr<WorkbookCalls>;

class CountingInterior final : public Interior {
  public:
    CountingInterior(std::shared_ptr<Interior> inner, Calls calls)
        : inner_(std::move(inner)), calls_(std::move(calls)) {}
    std::optional<std::int32_t> ColorIndex() const override {
        calls_->count("Interior.ColorIndex");
        return inner_->ColorIndex();
    }
    void ColorIndex(std::int32_t value) override {
        calls_->count("Interior.ColorIndex");
        inner_->ColorIndex(value);
    }

  private:
    std::shared_ptr<Interior> inner_;
    Calls calls_;
};

class CountingBorder final : public Border {
  public:
    CountingBorder(std::shared_ptr<Border> inner, Calls calls)
        : inner_(std::move(inner)), calls_(std::move(calls)) {}
    std::optional<std::int32_t> LineStyle() const override {
        calls_->count("Border.LineStyle");
        return inner_->LineStyle();
    }
    void LineStyle(std::int32_t value) override {
        calls_->count("Border.LineStyle");
        inner_->LineStyle(value);
    }
    std::optional<std::int32_t> Weight() const override {
        calls_->count("Border.Weight");
        return inner_->Weight();
    }
    void Weight(std::int32_t value) override {
        calls_->count("Border.Weight");
        inner_->Weight(value);
    }
    std::optional<std::int32_t> ColorIndex() const override {
        calls_->count("Border.ColorIndex");
        return inner_->ColorIndex();
    }
    void ColorIndex(std::int32_t value) override {
        calls_->count("Border.ColorIndex");
        inner_->ColorIndex(value);
    }

  private:
    std::shared_ptr<Border> inner_;
    Calls calls_;
};

std::shared_ptr<Range> wrap(std::shared_ptr<Range> inner, const Calls& calls);
std::shared_ptr<Worksheet> wrap(std::shared_ptr<Worksheet> inner, const Calls& calls);

class CountingRange final : public Range {
  public:
    CountingRange(std::shared_ptr<Range> inner, Calls calls)
        : inner_(std::move(inner)), calls_(std::move(calls)) {}
    const Range& inner() const noexcept { return *inner_; }

    std::shared_ptr<workbook::Worksheet> Worksheet() const override {
        calls_->count("Range.Worksheet");
        return wrap(inner_->Worksheet(), calls_);
    }
    std::shared_ptr<Range> Cells(std::int32_t r, std::int32_t c) const override {
        // Cells(r, c) is two calls into the application: Cells, then its Item.
        calls_->count("Range.Cells");
        calls_->count("Range.Item");
        return wrap(inner_->Cells(r, c), calls_);
    }
    std::shared_ptr<Range> Resize(std::int32_t r, std::int32_t c) const override {
        calls_->count("Range.Resize");
        return wrap(inner_->Resize(r, c), calls_);
    }
    std::shared_ptr<Range> Rows() const override {
        calls_->count("Range.Rows");
        return wrap(inner_->Rows(), calls_);
    }
    std::shared_ptr<Range> Columns() const override {
        calls_->count("Range.Columns");
        return wrap(inner_->Columns(), calls_);
    }
    std::shared_ptr<Range> EntireColumn() const override {
        calls_->count("Range.EntireColumn");
        return wrap(inner_->EntireColumn(), calls_);
    }
    std::int64_t Count() const override {
        calls_->count("Range.Count");
        return inner_->Count();
    }
    std::int32_t Row() const override {
        calls_->count("Range.Row");
        return inner_->Row();
    }
    std::int32_t Column() const override {
        calls_->count("Range.Column");
        return inner_->Column();
    }
    using Range::Address;
    std::string Address(bool r, bool c) const override {
        calls_->count("Range.Address");
        return inner_->Address(r, c);
    }
    RangeValue Value() const override {
        calls_->count("Range.Value");
        return inner_->Value();
    }
    void Value(const Variant& value) override {
        calls_->count("Range.Value");
        inner_->Value(value);
    }
    std::string FormulaLocal() const override {
        calls_->count("Range.FormulaLocal");
        return inner_->FormulaLocal();
    }
    void FormulaLocal(std::string_view formula) override {
        calls_->count("Range.FormulaLocal");
        inner_->FormulaLocal(formula);
    }
    RangeValue FormulaLocalBlock() const override {
        calls_->count("Range.FormulaLocal");
        return inner_->FormulaLocalBlock();
    }
    std::shared_ptr<workbook::Interior> Interior() const override {
        calls_->count("Range.Interior");
        return std::make_shared<CountingInterior>(inner_->Interior(), calls_);
    }
    std::shared_ptr<Border> Borders(std::int32_t index) const override {
        calls_->count("Range.Borders");
        calls_->count("Borders.Item");
        return std::make_shared<CountingBorder>(inner_->Borders(index), calls_);
    }
    std::optional<double> ColumnWidth() const override {
        calls_->count("Range.ColumnWidth");
        return inner_->ColumnWidth();
    }
    void ColumnWidth(double value) override {
        calls_->count("Range.ColumnWidth");
        inner_->ColumnWidth(value);
    }
    void AutoFit() override {
        calls_->count("Range.AutoFit");
        inner_->AutoFit();
    }
    std::shared_ptr<Range> SpecialCells(std::int32_t type) const override {
        calls_->count("Range.SpecialCells");
        return wrap(inner_->SpecialCells(type), calls_);
    }
    std::shared_ptr<Range> Find(std::string_view what, XlSearchOrder order,
                                XlSearchDirection direction) const override {
        calls_->count("Range.Find");
        return wrap(inner_->Find(what, order, direction), calls_);
    }
    void Select() override {
        calls_->count("Range.Select");
        inner_->Select();
    }

  private:
    std::shared_ptr<Range> inner_;
    Calls calls_;
};

class CountingWorksheet final : public Worksheet {
  public:
    CountingWorksheet(std::shared_ptr<Worksheet> inner, Calls calls)
        : inner_(std::move(inner)), calls_(std::move(calls)) {}
    std::string Name() const override {
        calls_->count("Worksheet.Name");
        return inner_->Name();
    }
    void Select() override {
        calls_->count("Worksheet.Select");
        inner_->Select();
    }
    std::shared_ptr<workbook::Range> Range(std::string_view cell) const override {
        calls_->count("Worksheet.Range");
        return wrap(inner_->Range(cell), calls_);
    }
    std::shared_ptr<workbook::Range> Cells() const override {
        calls_->count("Worksheet.Cells");
        return wrap(inner_->Cells(), calls_);
    }

  private:
    std::shared_ptr<Worksheet> inner_;
    Calls calls_;
};

class CountingWorkbook final : public Workbook {
  public:
    CountingWorkbook(std::shared_ptr<Workbook> inner, Calls calls)
        : inner_(std::move(inner)), calls_(std::move(calls)) {}
    std::string Name() const override {
        calls_->count("Workbook.Name");
        return inner_->Name();
    }
    void Activate() override {
        calls_->count("Workbook.Activate");
        inner_->Activate();
    }
    std::shared_ptr<Worksheet> Worksheets(std::string_view index) const override {
        calls_->count("Workbook.Worksheets");
        calls_->count("Sheets.Item");
        return wrap(inner_->Worksheets(index), calls_);
    }
    std::shared_ptr<Worksheet> ActiveSheet() const override {
        calls_->count("Workbook.ActiveSheet");
        return wrap(inner_->ActiveSheet(), calls_);
    }

  private:
    std::shared_ptr<Workbook> inner_;
    Calls calls_;
};

const Range& unwrap(const Range& range) {
    const auto* counting = dynamic_cast<const CountingRange*>(&range);
    return counting ? counting->inner() : range;
}

class CountingApplication final : public Application {
  public:
    CountingApplication(std::shared_ptr<Application> inner, Calls calls)
        : inner_(std::move(inner)), calls_(std::move(calls)) {}
    bool ScreenUpdating() const override {
        calls_->count("Application.ScreenUpdating");
        return inner_->ScreenUpdating();
    }
    void ScreenUpdating(bool value) override {
        calls_->count("Application.ScreenUpdating");
        inner_->ScreenUpdating(value);
    }
    std::shared_ptr<Workbook> ActiveWorkbook() const override {
        calls_->count("Application.ActiveWorkbook");
        auto book = inner_->ActiveWorkbook();
        if (!book) return nullptr;
        return std::make_shared<CountingWorkbook>(std::move(book), calls_);
    }
    std::shared_ptr<Worksheet> ActiveSheet() const override {
        calls_->count("Application.ActiveSheet");
        return wrap(inner_->ActiveSheet(), calls_);
    }
    std::shared_ptr<Worksheet> Worksheets(std::string_view index) const override {
        calls_->count("Application.Worksheets");
        calls_->count("Sheets.Item");
        return wrap(inner_->Worksheets(index), calls_);
    }
    std::shared_ptr<workbook::Range> Range(std::string_view cell) const override {
        calls_->count("Application.Range");
        return wrap(inner_->Range(cell), calls_);
    }
    std::shared_ptr<workbook::Range> Intersect(const workbook::Range& a,
                                               const workbook::Range& b) const override {
        calls_->count("Application.Intersect");
        return wrap(inner_->Intersect(unwrap(a), unwrap(b)), calls_);
    }
    std::shared_ptr<workbook::Range> Columns(std::int32_t index) const override {
        calls_->count("Application.Columns");
        calls_->count("Range.Item");
        return wrap(inner_->Columns(index), calls_);
    }

  private:
    std::shared_ptr<Application> inner_;
    Calls calls_;
};

std::shared_ptr<Range> wrap(std::shared_ptr<Range> inner, const Calls& calls) {
    if (!inner) return nullptr;
    return std::make_shared<CountingRange>(std::move(inner), calls);
}

std::shared_ptr<Worksheet> wrap(std::shared_ptr<Worksheet> inner, const Calls& calls) {
    if (!inner) return nullptr;
    return std::make_shared<CountingWorksheet>(std::move(inner), calls);
}

}  // namespace

std::shared_ptr<Application> counting_application(std::shared_ptr<Application> inner,
                                                  std::shared_ptr<WorkbookCalls> calls) {
    return std::make_shared<CountingApplication>(std::move(inner), std::move(calls));
}

}  // namespace corvel::workbook
