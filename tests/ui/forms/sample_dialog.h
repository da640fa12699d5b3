#pragma once

#include <string>
#include <vector>

#include "ui/forms/button.h"
#include "ui/forms/check_box.h"
#include "ui/forms/combo_box.h"
#include "ui/forms/form.h"
#include "ui/forms/frame.h"
#include "ui/forms/grid.h"
#include "ui/forms/label.h"
#include "ui/forms/list_box.h"
#include "ui/forms/option_button.h"
#include "ui/forms/tab_container.h"
#include "ui/forms/text_box.h"

namespace corvel::forms {

// A dialog with one control of every kind, recording what its events saw.
class SampleDialog final : public Form {
  public:
    explicit SampleDialog(Host& host, std::string name = "frmSample") : Form(host, std::move(name)) {
        Caption("Sample");
        ButOK.Click = [this] {
            log.push_back("ButOK_Click");
            Tag("1");
            Hide();
        };
        ButCancel.Click = [this] {
            log.push_back("ButCancel_Click");
            Tag("2");
            Hide();
        };
        OptA.Click = [this] { log.push_back("OptA_Click"); };
        OptB.Click = [this] { log.push_back("OptB_Click"); };
        OptOther.Click = [this] { log.push_back("OptOther_Click"); };
        chkSize.Click = [this] { log.push_back("chkSize_Click " + std::to_string(chkSize.Value())); };
        txtName.Change = [this] { log.push_back("txtName_Change " + txtName.Text()); };
        ComType.Click = [this] { log.push_back("ComType_Click " + std::to_string(ComType.ListIndex())); };
        lstItems.Click = [this] { log.push_back("lstItems_Click " + std::to_string(lstItems.ListIndex())); };
        CIndexType.Click = [this] {
            log.push_back("CIndexType_Click " + std::to_string(CIndexType.CurrTab()));
        };
        VSFGrid.AfterSelChange = [this](std::int32_t old_row, std::int32_t, std::int32_t new_row,
                                        std::int32_t) {
            log.push_back("VSFGrid_AfterSelChange " + std::to_string(old_row) + "->" +
                          std::to_string(new_row));
        };
        for (const char* type : {"Stock", "Option", "Index"})
            ComType.AddItem(type);
    }

    Label lblName{*this, "lblName", "Name"};
    TextBox txtName{*this, "txtName"};
    Frame FraFields{*this, "FraFields", "Available fields"};
    OptionButton OptA{FraFields, "OptA", "a"};
    OptionButton OptB{FraFields, "OptB", "b"};
    OptionButton OptOther{*this, "OptOther", "other"};
    CheckBox chkSize{FraFields, "chkSize", "size"};
    ComboBox ComType{*this, "ComType", ComboBox::Style::DropDownList};
    ComboBox ComExchange{*this, "ComExchange"};
    ListBox lstItems{*this, "lstItems"};
    Grid VSFGrid{*this, "VSFGrid", {"Ticker", "Type"}};
    TabContainer CIndexType{*this, "CIndexType", "Stock|Option"};
    Frame C1ESTK{CIndexType, "C1ESTK"};
    TextBox txtSTKSymbol{C1ESTK, "txtSTKSymbol"};
    Frame C1EOPT{CIndexType, "C1EOPT"};
    TextBox txtOPTSymbol{C1EOPT, "txtOPTSymbol"};
    Button ButOK{*this, "ButOK", "OK"};
    Button ButCancel{*this, "ButCancel", "Cancel"};

    std::vector<std::string> log;
    std::int32_t cancel_query_unload = 0;

  protected:
    void Form_Load() override { log.push_back("Form_Load"); }
    void Form_Activate() override { log.push_back("Form_Activate"); }
    void Form_QueryUnload(std::int32_t& Cancel, std::int32_t UnloadMode) override {
        log.push_back("Form_QueryUnload " + std::to_string(UnloadMode));
        Cancel = cancel_query_unload;
    }
    void Form_Unload(std::int32_t&) override { log.push_back("Form_Unload"); }
};

}  // namespace corvel::forms
