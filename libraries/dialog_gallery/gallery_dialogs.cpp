#include "libraries/dialog_gallery/gallery_dialogs.h"

#include <cstdint>
#include <cstdio>
#include <string>

#include "common/app_settings.h"
#include "libraries/ui_environment/windows_environment.h"
#include "platform/memory/memory_registry.h"
#include "seams/message_box.h"
#include "tests/support/quotes_workbook_builder.h"
#include "ui/entry/pelorin.h"
#include "ui/services/error_handler.h"
#include "ui/services/frm_error_message.h"
#include "ui/services/pelorin.h"
#include "ui/ticker_entry/frm_modify_list.h"

namespace corvel::gallery {

namespace {

std::vector<Entry> make_entries() {
    return {
        {"frmNewProject", "the fields of a new quotes project",
         [](Gallery& g) {
             cPelorin pelorin(g.environment);
             std::int16_t v[10] = {};
             pelorin.CreateNewProject(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9]);
         }},
        {"frmAddTicker", "one contract for the quotes sheet",
         [](Gallery& g) {
             cPelorin pelorin(g.environment);
             std::string symbol, type, expiry, right, exchange, primary, currency;
             double strike = 0;
             double multiplier = 0;
             pelorin.AddNewSymbol(symbol, type, expiry, strike, right, multiplier, exchange, primary,
                                  currency);
         }},
        {"frmModifyList", "the list editor of the exchanges and currencies",
         [](Gallery& g) {
             CErrorHandler errors(g.environment);
             auto settings = std::make_shared<CAppSettings>(g.environment.registry, "Pelorin");
             settings->Init("HALVARD", "Corvel");
             frmModifyList editor(g.environment, errors);
             editor.frmAppSettings(settings);
             editor.InpList("SMART|NYSE|NASDAQ|ECBOT|GLOBEX|IDEALPRO");
             editor.Show(forms::ShowMode::Modal);
             editor.Unload();
         }},
        {"frmAddRibbon", "the ticker tape dialog over a quotes workbook",
         [](Gallery& g) {
             cPelorin pelorin(g.environment);
             pelorin.ExcelApplication(workbook::QuotesWorkbookBuilder()
                                          .stock("MSFT")
                                          .stock("IBM")
                                          .stock("AAPL")
                                          .stock("SAP", "IBIS", "EUR")
                                          .sheet("Sheet2")
                                          .active_sheet("Sheet2")
                                          .build());
             while (pelorin.ShowRefEditInterface() == "DATABEGINNING")
                 pelorin.RefEditInputs("Sheet2!$B$2");
             pelorin.UnloadfrmMaster();
         }},
        {"frmErrorMessage", "the error report with its answers",
         [](Gallery& g) {
             frmErrorMessage dialog(g.environment);
             dialog.SupportMail("support@example.com");
             dialog.ErrorMessage(
                 "Error 5 in Pelorin.frmAddTicker.ButInsert_Click: Invalid procedure call or "
                 "argument\r\nCall stack: Pelorin.cPelorin.AddNewSymbol > "
                 "Pelorin.frmAddTicker.ButInsert_Click");
             dialog.Show(forms::ShowMode::Modal);
             std::printf("answer %s\n", dialog.Tag().c_str());
             dialog.Unload();
         }},
        {"msgNoFieldChosen", "the message box of the new-project dialog with nothing checked",
         [](Gallery& g) {
             g.host->MsgBox("You must select at least one value!", msgbox::kCritical, pelorin::kMessageTitle);
         },
         false},
    };
}

}  // namespace

Gallery::Gallery(std::shared_ptr<win32::Win32Host> shown_by)
    : host(std::move(shown_by)), environment(pelorin::windows_environment(host)) {
    environment.registry = std::make_shared<MemoryRegistry>();
}

const std::vector<Entry>& entries() {
    static const std::vector<Entry> all = make_entries();
    return all;
}

const Entry* find_entry(std::string_view name) {
    for (const Entry& e : entries()) {
        if (name == e.name) return &e;
    }
    return nullptr;
}

}  // namespace corvel::gallery
