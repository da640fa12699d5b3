#include "ui/entry/frm_new_project.h"

#include <algorithm>

#include "seams/message_box.h"
#include "ui/services/pelorin.h"

namespace corvel {

frmNewProject::frmNewProject(forms::Host& host, CErrorHandler& errors)
    : Form(host, "frmNewProject"), protocol_(errors, std::string(pelorin::kLibraryName) + ".frmNewProject") {
    Caption("Choose market data fields for project ");
    ButCheckAll.Click = [this] { ButCheckAll_Click(); };
    ButUncheckAll.Click = [this] { ButUncheckAll_Click(); };
    ButCreateProject.Click = [this] { ButCreateProject_Click(); };
    ButCancel.Click = [this] { ButCancel_Click(); };
}

std::array<frmNewProject::CheckBox*, 10> frmNewProject::check_boxes() noexcept {
    return {&chkLastPrice, &chkLastSize, &chkBidPrice, &chkBidSize, &chkAskPrice,
            &chkAskSize,   &chkHigh,     &chkLow,      &chkVolume,  &chkClose};
}

void frmNewProject::CheckUncheck(std::int16_t Value) {
    protocol_("CheckUncheck", [&](Statements& s) {
        for (CheckBox* box : check_boxes())
            s([&] { box->Value(Value); });
    });
}

void frmNewProject::ButCheckAll_Click() {
    protocol_("ButCheckAll_Click", [&](Statements& s) { s([&] { CheckUncheck(CheckBox::kChecked); }); });
}

void frmNewProject::ButUncheckAll_Click() {
    protocol_("ButUncheckAll_Click", [&](Statements& s) { s([&] { CheckUncheck(CheckBox::kUnchecked); }); });
}

void frmNewProject::ButCreateProject_Click() {
    protocol_("ButCreateProject_Click", [&](Statements& s) {
        const auto boxes = check_boxes();
        const bool none =
            std::all_of(boxes.begin(), boxes.end(), [](const CheckBox* box) { return box->Value() == 0; });
        if (none) {
            s([&] {
                MsgBox("You must select at least one value!", msgbox::kCritical, pelorin::kMessageTitle);
            });
            return;
        }
        s([&] { Hide(); });
        s([&] { Tag("1"); });
    });
}

void frmNewProject::ButCancel_Click() {
    protocol_("ButCancel_Click", [&](Statements& s) {
        s([&] { Hide(); });
        s([&] { Tag("2"); });
    });
}

}  // namespace corvel
