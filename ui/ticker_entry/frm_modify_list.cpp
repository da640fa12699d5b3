#include "ui/ticker_entry/frm_modify_list.h"

#include "common/text.h"
#include "ui/services/pelorin.h"
#include "ui/ticker_entry/list_text.h"

namespace corvel {

frmModifyList::frmModifyList(const UiEnvironment& environment, CErrorHandler& errors)
    : Form(*environment.host, "frmModifyList"),
      protocol_(errors, std::string(pelorin::kLibraryName) + ".frmModifyList") {
    Caption("Edit exchanges list for Futures");
    ButAdd.Click = [this] { ButAdd_Click(); };
    ButDelete.Click = [this] { ButDelete_Click(); };
    ButUp.Click = [this] { ButUp_Click(); };
    ButDown.Click = [this] { ButDown_Click(); };
    ButSave.Click = [this] { ButSave_Click(); };
    ButCancel.Click = [this] { ButCancel_Click(); };
}

frmModifyList::~frmModifyList() = default;

std::string frmModifyList::InpList() {
    std::string value;
    protocol_("InpList", [&](Statements& s) { value = s([&] { return inp_list_; }); });
    return value;
}

void frmModifyList::InpList(std::string_view value) {
    protocol_("InpList", [&](Statements& s) { s([&] { inp_list_ = value; }); });
}

void frmModifyList::Form_Load() {
    protocol_("Form_Load", [&](Statements& s) {
        s([&] { form_restore_ = std::make_unique<CFormRestore>(host().screen()); });
        s([&] { form_restore_->Init(app_settings_, true); });
        s([&] { form_restore_->GetPosition(*this); });
    });
}

void frmModifyList::Form_Activate() {
    protocol_("Form_Activate", [&](Statements& s) {
        if (filled_) return;
        filled_ = true;
        for (const std::string& item : split_list_text(inp_list_))
            s([&] { lstParametr.AddItem(item); });
    });
}

void frmModifyList::ButAdd_Click() {
    protocol_("ButAdd_Click", [&](Statements& s) {
        const std::string input = txtInput.Text();
        if (input.empty()) return;
        for (std::int32_t i = 0; i < lstParametr.ListCount(); ++i) {
            if (equals_ignore_case(lstParametr.List(i), input)) {
                s([&] { lstParametr.ListIndex(i); });
                return;
            }
        }
        s([&] { lstParametr.AddItem(input); });
        s([&] { txtInput.Text(""); });
        s([&] { txtInput.SetFocus(); });
        s([&] { lstParametr.ListIndex(lstParametr.ListCount() - 1); });
    });
}

void frmModifyList::ButDelete_Click() {
    protocol_("ButDelete_Click", [&](Statements& s) {
        if (lstParametr.ListCount() == 0) return;
        if (lstParametr.ListIndex() >= 0) s([&] { lstParametr.RemoveItem(lstParametr.ListIndex()); });
        if (lstParametr.ListIndex() < 0) s([&] { lstParametr.ListIndex(lstParametr.ListCount() - 1); });
    });
}

void frmModifyList::ButUp_Click() {
    protocol_("ButUp_Click", [&](Statements& s) {
        const std::int32_t selected = lstParametr.ListIndex();
        if (lstParametr.ListCount() == 0 || selected <= 0) return;
        s([&] { lstParametr.AddItem(lstParametr.List(selected), selected - 1); });
        s([&] { lstParametr.RemoveItem(selected + 1); });
        s([&] { lstParametr.ListIndex(selected - 1); });
    });
}

void frmModifyList::ButDown_Click() {
    protocol_("ButDown_Click", [&](Statements& s) {
        const std::int32_t selected = lstParametr.ListIndex();
        if (lstParametr.ListCount() == 0 || selected < 0 || selected >= lstParametr.ListCount() - 1) return;
        s([&] { lstParametr.AddItem(lstParametr.List(selected), selected + 2); });
        s([&] { lstParametr.RemoveItem(selected); });
        s([&] { lstParametr.ListIndex(selected + 1); });
    });
}

void frmModifyList::ButSave_Click() {
    protocol_("ButSave_Click", [&](Statements& s) {
        s([&] { inp_list_ = join_list_text(lstParametr.items()); });
        s([&] { Tag("1"); });
        s([&] { Hide(); });
    });
}

void frmModifyList::ButCancel_Click() {
    protocol_("ButCancel_Click", [&](Statements& s) {
        s([&] { Tag("2"); });
        s([&] { Hide(); });
    });
}

void frmModifyList::Form_Unload(std::int32_t&) {
    protocol_("Form_Unload", [&](Statements& s) {
        if (!form_restore_) return;
        s([&] { form_restore_->SavePosition(*this); });
        s([&] { form_restore_.reset(); });
    });
}

}  // namespace corvel
