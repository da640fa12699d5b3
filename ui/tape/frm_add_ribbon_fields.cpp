// The field choice of the tape dialog: which market-data field a tape shows, with or without its size,
// and the header texts that follow from it.
#include "ui/services/pelorin.h"
#include "ui/tape/frm_add_ribbon.h"
#include "ui/tape/tape_names.h"

namespace corvel {

namespace {
std::string label_for(const forms::CaptionedControl& control) {
    return tape::kLabelPrefix + control.Caption();
}
std::string label_for_no_size() {
    return std::string(tape::kLabelPrefix) + "...";
}
}  // namespace

bool frmAddRibbon::CheckAddres(std::string_view text) {
    bool resolves = false;
    protocol_(
        "CheckAddres",
        [&](Statements& s) {
            s([&] { excel()->Range(text)->Address(); });
            resolves = true;
        },
        Trap::LeaveQuietly);
    return resolves;
}

void frmAddRibbon::OpredTotalOpt() {
    protocol_("OpredTotalOpt", [&](Statements& s) {
        s([&] { TotalOpt(0); });
        for (const char* name :
             {tape::kBidPrice, tape::kBidSize, tape::kAskPrice, tape::kAskSize, tape::kLastPrice,
              tape::kLastSize, tape::kHigh, tape::kLow, tape::kVolume, tape::kClose}) {
            s([&] {
                if (CheckAddres(name)) TotalOpt(static_cast<std::int16_t>(total_opt_ + 1));
            });
        }
    });
}

void frmAddRibbon::EnableGroup(bool enable) {
    protocol_("EnableGroup", [&](Statements& s) {
        for (forms::Control* control :
             std::initializer_list<forms::Control*>{&txtName, &txtNameSize, &txtAddress, &chkAddName,
                                                    &ButGetAddress, &ButInsert, &ButInsertNew}) {
            s([&] { control->Enabled(enable); });
        }
    });
}

void frmAddRibbon::disable_options() {
    for (forms::OptionButton* option :
         {&OptLastPrice, &OptBidPrice, &OptAskPrice, &OptHigh, &OptLow, &OptClose, &OptVolume}) {
        option->Enabled(false);
    }
}

void frmAddRibbon::no_symbol_selected(Statements& s) {
    s([&] { EnableGroup(false); });
    s([&] { disable_options(); });
    s([&] { EnableSizeName(); });
    s([&] { VSFChart.Rows(1); });
}

void frmAddRibbon::EnableSizeName() {
    protocol_("EnableSizeName", [&](Statements& s) {
        s([&] { chkLastSize.Enabled(false); });
        s([&] { chkAskSize.Enabled(false); });
        s([&] { chkBidSize.Enabled(false); });
        s([&] { txtNameSize.ToolTipText(label_for_no_size()); });
        s([&] { txtNameSize.Text(""); });
        s([&] { txtNameSize.Enabled(false); });
        s([&] { C1ERibbon.Refresh(); });
    });
}

void frmAddRibbon::EnableOptionButton() {
    protocol_("EnableOptionButton", [&](Statements& s) {
        if (options_initialized_) {
            s([&] { OptLastPrice.Value(selected_fields_[kFieldLastPrice]); });
            s([&] {
                chkLastSize.Value(selected_fields_[kFieldLastSize] ? forms::CheckBox::kChecked
                                                                   : forms::CheckBox::kUnchecked);
            });
            s([&] { OptAskPrice.Value(selected_fields_[kFieldAskPrice]); });
            s([&] {
                chkAskSize.Value(selected_fields_[kFieldAskSize] ? forms::CheckBox::kChecked
                                                                 : forms::CheckBox::kUnchecked);
            });
            s([&] { OptBidPrice.Value(selected_fields_[kFieldBidPrice]); });
            s([&] {
                chkBidSize.Value(selected_fields_[kFieldBidSize] ? forms::CheckBox::kChecked
                                                                 : forms::CheckBox::kUnchecked);
            });
            s([&] { OptLow.Value(selected_fields_[kFieldLow]); });
            s([&] { OptHigh.Value(selected_fields_[kFieldHigh]); });
            s([&] { OptClose.Value(selected_fields_[kFieldClose]); });
            s([&] { OptVolume.Value(selected_fields_[kFieldVolume]); });
            return;
        }
        s([&] { options_initialized_ = true; });
        s([&] { EnableSizeName(); });
        struct Choice {
            forms::OptionButton& option;
            const char* name;
            Field field;
            forms::CheckBox* size;
            const char* size_name;
        };
        const Choice choices[] = {
            {OptLastPrice, tape::kLastPrice, kFieldLastPrice, &chkLastSize, tape::kLastSize},
            {OptHigh, tape::kHigh, kFieldHigh, nullptr, nullptr},
            {OptBidPrice, tape::kBidPrice, kFieldBidPrice, &chkBidSize, tape::kBidSize},
            {OptAskPrice, tape::kAskPrice, kFieldAskPrice, &chkAskSize, tape::kAskSize},
            {OptLow, tape::kLow, kFieldLow, nullptr, nullptr},
            {OptVolume, tape::kVolume, kFieldVolume, nullptr, nullptr},
            {OptClose, tape::kClose, kFieldClose, nullptr, nullptr},
        };
        bool chosen = false;
        for (const Choice& choice : choices) {
            const bool available = s([&] { return CheckAddres(choice.name); });
            s([&] { choice.option.Enabled(available); });
            if (!available || chosen) continue;
            chosen = true;
            s([&] { choice.option.Value(true); });
            s([&] { selected_fields_[choice.field] = true; });
            if (choice.size != nullptr) s([&] { choice.size->Enabled(CheckAddres(choice.size_name)); });
        }
    });
}

void frmAddRibbon::price_option_click(const char* procedure, forms::OptionButton& option,
                                      forms::CheckBox& size, const char* size_name, forms::CheckBox& other1,
                                      forms::CheckBox& other2) {
    protocol_(procedure, [&](Statements& s) {
        if (!option.Value()) return;
        s([&] { other1.Enabled(false); });
        s([&] { other2.Enabled(false); });
        s([&] { size.Enabled(CheckAddres(size_name)); });
        if (size.Enabled()) {
            s([&] { txtNameSize.ToolTipText(label_for(size)); });
            s([&] { txtNameSize.Enabled(size.Value() == forms::CheckBox::kChecked); });
        }
        if (txtName.Enabled()) s([&] { txtName.ToolTipText(label_for(option)); });
        s([&] { ViewChkName(); });
        s([&] { txtAddress.Text(modifyAddress()); });
    });
}

void frmAddRibbon::other_option_click(const char* procedure, forms::OptionButton& option) {
    protocol_(procedure, [&](Statements& s) {
        if (!option.Value()) return;
        if (txtName.Enabled()) s([&] { txtName.ToolTipText(label_for(option)); });
        s([&] { EnableSizeName(); });
        s([&] { ViewChkName(); });
        s([&] { txtAddress.Text(modifyAddress()); });
    });
}

void frmAddRibbon::size_click(const char* procedure, forms::CheckBox& size) {
    protocol_(procedure, [&](Statements& s) {
        s([&] { txtNameSize.ToolTipText(label_for(size)); });
        s([&] { txtNameSize.Enabled(size.Value() == forms::CheckBox::kChecked); });
        s([&] { ViewChkName(); });
        s([&] { txtAddress.Text(modifyAddress()); });
    });
}

void frmAddRibbon::OptLastPrice_Click() {
    price_option_click("OptLastPrice_Click", OptLastPrice, chkLastSize, tape::kLastSize, chkAskSize,
                       chkBidSize);
}
void frmAddRibbon::OptBidPrice_Click() {
    price_option_click("OptBidPrice_Click", OptBidPrice, chkBidSize, tape::kBidSize, chkLastSize, chkAskSize);
}
void frmAddRibbon::OptAskPrice_Click() {
    price_option_click("OptAskPrice_Click", OptAskPrice, chkAskSize, tape::kAskSize, chkLastSize, chkBidSize);
}
void frmAddRibbon::OptHigh_Click() {
    other_option_click("OptHigh_Click", OptHigh);
}
void frmAddRibbon::OptLow_Click() {
    other_option_click("OptLow_Click", OptLow);
}
void frmAddRibbon::OptClose_Click() {
    other_option_click("OptClose_Click", OptClose);
}
void frmAddRibbon::OptVolume_Click() {
    other_option_click("OptVolume_Click", OptVolume);
}
void frmAddRibbon::chkLastSize_Click() {
    size_click("chkLastSize_Click", chkLastSize);
}
void frmAddRibbon::chkBidSize_Click() {
    size_click("chkBidSize_Click", chkBidSize);
}
void frmAddRibbon::chkAskSize_Click() {
    size_click("chkAskSize_Click", chkAskSize);
}

void frmAddRibbon::chkAddName_Click() {
    protocol_("chkAddName_Click", [&](Statements& s) { s([&] { ViewChkName(); }); });
}

std::string frmAddRibbon::symbol_text() const {
    // Before the symbol table is loaded the grid has no current row, and so no symbol.
    const std::int32_t row = VSFExcel.Row();
    return row < 0 ? std::string() : VSFExcel.TextMatrix(row, 0);
}

void frmAddRibbon::ViewChkName() {
    protocol_("ViewChkName", [&](Statements& s) {
        if (!txtName.Enabled()) return;
        std::string field_name;
        std::string size_name;
        const std::pair<forms::OptionButton*, Field> options[] = {
            {&OptAskPrice, kFieldAskPrice}, {&OptBidPrice, kFieldBidPrice}, {&OptLastPrice, kFieldLastPrice},
            {&OptHigh, kFieldHigh},         {&OptLow, kFieldLow},           {&OptVolume, kFieldVolume},
            {&OptClose, kFieldClose}};
        for (const auto& [option, field] : options) {
            if (!option->Enabled()) continue;
            if (option->Value()) field_name = option->Caption();
            selected_fields_[field] = option->Value();
        }
        const std::pair<forms::CheckBox*, Field> sizes[] = {
            {&chkLastSize, kFieldLastSize}, {&chkBidSize, kFieldBidSize}, {&chkAskSize, kFieldAskSize}};
        for (const auto& [size, field] : sizes) {
            if (!size->Enabled()) continue;
            const bool checked = size->Value() == forms::CheckBox::kChecked;
            if (checked) size_name = size->Caption();
            selected_fields_[field] = checked;
        }
        const std::string symbol = s([&] { return symbol_text(); });
        if (chkAddName.Value() == forms::CheckBox::kChecked) {
            s([&] { txtName.Text(symbol + "(" + field_name + ")"); });
            s([&] {
                txtNameSize.Text(txtNameSize.Enabled() ? symbol + "(" + size_name + ")" : std::string());
            });
        } else {
            s([&] { txtName.Text(symbol); });
            s([&] { txtNameSize.Text(txtNameSize.Enabled() ? symbol : std::string()); });
        }
        s([&] { C1ERibbon.Refresh(); });
    });
}

}  // namespace corvel
