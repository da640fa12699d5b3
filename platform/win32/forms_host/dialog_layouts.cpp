#include "platform/win32/forms_host/dialog_layouts.h"

namespace corvel::win32 {

namespace {

using namespace anchor;

// Rows of the contract entry dialog's pages: a field label, the field, and the list editor's button.
constexpr std::int16_t kRow0 = 44;
constexpr std::int16_t kRowStep = 16;
constexpr std::int16_t row(int n) {
    return static_cast<std::int16_t>(kRow0 + n * kRowStep);
}
constexpr std::int16_t kFieldX = 78;
constexpr std::int16_t kFieldWidth = 110;
constexpr std::int16_t kFieldLabel = 60;
constexpr std::int16_t kEditorX = 192;

ControlPlace field(const char* name, int n) {
    return {name, kFieldX, row(n), kFieldWidth, 12, kNone, kFieldLabel, false};
}
ControlPlace editor_button(const char* name, int n) {
    return {name, kEditorX, row(n), 16, 12};
}

std::vector<DialogLayout> make_layouts() {
    std::vector<DialogLayout> all;
    // Three columns: the price and size fields, the other fields, the two selection buttons; the
    // answers under them all.
    all.push_back({"frmNewProject",
                   234,
                   128,
                   "ButCreateProject",
                   {
                       {"chkLastPrice", 10, 10, 76, 10},
                       {"chkLastSize", 10, 24, 76, 10},
                       {"chkBidPrice", 10, 38, 76, 10},
                       {"chkBidSize", 10, 52, 76, 10},
                       {"chkAskPrice", 10, 66, 76, 10},
                       {"chkAskSize", 10, 80, 76, 10},
                       {"chkHigh", 94, 10, 64, 10},
                       {"chkLow", 94, 24, 64, 10},
                       {"chkVolume", 94, 38, 64, 10},
                       {"chkClose", 94, 52, 64, 10},
                       {"ButCheckAll", 166, 8, 60, 14},
                       {"ButUncheckAll", 166, 26, 60, 14},
                       {"ButCreateProject", 100, 104, 60, 14},
                       {"ButCancel", 166, 104, 60, 14},
                   }});
    all.push_back({"frmModifyList",
                   190,
                   142,
                   nullptr,
                   {
                       {"lstParametr", 7, 7, 120, 108},
                       {"txtInput", 7, 122, 120, 12},
                       {"ButAdd", 134, 7, 50, 14},
                       {"ButDelete", 134, 25, 50, 14},
                       {"ButUp", 134, 49, 50, 14},
                       {"ButDown", 134, 67, 50, 14},
                       {"ButSave", 134, 102, 50, 14},
                       {"ButCancel", 134, 120, 50, 14},
                   }});
    all.push_back({"frmAddTicker",
                   250,
                   171,
                   "ButInsert",
                   {
                       {"ComType", 52, 7, 110, 12, kNone, 40},
                       {"CIndexType", 7, 24, 236, 118, kNone, 0, true},
                       {"C1ESTK", 11, 40, 228, 98},
                       field("txtSTKSymbol", 0),
                       field("ComSTKExchange", 1),
                       editor_button("ButSTKExchange", 1),
                       field("ComSTKCurency", 2),
                       editor_button("ButSTKCurency", 2),
                       field("txtPrimaryExchange", 3),
                       {"C1EOPT", 11, 40, 228, 98},
                       field("txtOPTSymbol", 0),
                       field("ComOPTExchange", 1),
                       editor_button("ButOPTExchange", 1),
                       field("ComOPTCurency", 2),
                       editor_button("ButOPTCurency", 2),
                       field("txtOPTExpiry", 3),
                       field("ComOPTRight", 4),
                       field("txtOPTMultiplier", 5),
                       {"C1EFUT", 11, 40, 228, 98},
                       field("txtFUTSymbol", 0),
                       field("ComFUTExchange", 1),
                       editor_button("ButFUTExchange", 1),
                       field("ComFUTCurency", 2),
                       editor_button("ButFUTCurency", 2),
                       field("txtFUTExpiry", 3),
                       field("txtFUTMultiplier", 4),
                       {"C1EIND", 11, 40, 228, 98},
                       field("txtINDSymbol", 0),
                       field("ComINDExchange", 1),
                       editor_button("ButINDExchange", 1),
                       field("ComIndCurency", 2),
                       editor_button("ButINDCurency", 2),
                       {"C1EFOP", 11, 40, 228, 98},
                       field("txtFOPSymbol", 0),
                       field("ComFOPExchange", 1),
                       editor_button("ButFOPExchange", 1),
                       field("ComFOPCurency", 2),
                       editor_button("ButFOPCurency", 2),
                       field("txtFOPExpiry", 3),
                       field("ComFOPRight", 4),
                       {"C1ECash", 11, 40, 228, 98},
                       field("txtCASHSymbol", 0),
                       field("ComCASHExchange", 1),
                       editor_button("ButCASHExchange", 1),
                       field("ComCASHCurency", 2),
                       editor_button("ButCASHCurency", 2),
                       {"ButInsert", 73, 150, 50, 14},
                       {"ButInsertNew", 127, 150, 62, 14},
                       {"ButCancel", 193, 150, 50, 14},
                   }});
    all.push_back({"frmErrorMessage",
                   280,
                   140,
                   "btnAbort",
                   {
                       {"elaControls", 0, 0, 280, 140},
                       {"elaTitle", 7, 5, 266, 14},
                       {"elaTitleCaption", 7, 7, 266, 10},
                       {"elaInfo", 7, 21, 266, 92},
                       {"txtErrorMessage", 7, 21, 266, 92},
                       {"elaButtons", 7, 118, 266, 16},
                       {"btnSend", 7, 119, 70, 14},
                       {"btnIgnore", 115, 119, 50, 14},
                       {"btnRetry", 169, 119, 50, 14},
                       {"btnAbort", 223, 119, 50, 14},
                   }});
    all.push_back({"frmAddRibbon",
                   400,
                   250,
                   "ButInsert",
                   {
                       {"C1ERibbon", 0, 0, 400, 250, kGrowX | kGrowY},
                       {"lblPortfolio", 7, 7, 185, 8},
                       {"VSFExcel", 7, 17, 185, 130, kGrowY},
                       {"lblRibbon", 200, 7, 193, 8},
                       {"VSFChart", 200, 17, 193, 130, kGrowX | kGrowY},
                       {"FraAvailableFields", 7, 153, 260, 52, kMoveY},
                       {"OptLastPrice", 13, 164, 60, 10, kMoveY},
                       {"chkLastSize", 75, 164, 60, 10, kMoveY},
                       {"OptBidPrice", 13, 176, 60, 10, kMoveY},
                       {"chkBidSize", 75, 176, 60, 10, kMoveY},
                       {"OptAskPrice", 13, 188, 60, 10, kMoveY},
                       {"chkAskSize", 75, 188, 60, 10, kMoveY},
                       {"OptHigh", 140, 164, 42, 10, kMoveY},
                       {"OptLow", 140, 176, 42, 10, kMoveY},
                       {"OptClose", 140, 188, 42, 10, kMoveY},
                       {"OptVolume", 186, 164, 50, 10, kMoveY},
                       {"chkAddName", 186, 188, 76, 10, kMoveY},
                       {"txtName", 275, 163, 118, 12, kMoveX | kMoveY, -1},
                       {"txtNameSize", 275, 189, 118, 12, kMoveX | kMoveY, -1},
                       {"txtAddress", 60, 211, 150, 12, kMoveY, 50},
                       {"ButGetAddress", 213, 211, 16, 12, kMoveY},
                       {"ButInsert", 233, 229, 50, 14, kMoveX | kMoveY},
                       {"ButInsertNew", 287, 229, 56, 14, kMoveX | kMoveY},
                       {"ButCancel", 347, 229, 46, 14, kMoveX | kMoveY},
                   }});
    return all;
}

}  // namespace

const std::vector<DialogLayout>& dialog_layouts() {
    static const std::vector<DialogLayout> layouts = make_layouts();
    return layouts;
}

const DialogLayout* dialog_layout(std::string_view form) {
    for (const DialogLayout& layout : dialog_layouts()) {
        if (form == layout.form) return &layout;
    }
    return nullptr;
}

}  // namespace corvel::win32
