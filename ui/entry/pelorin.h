#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "common/app_settings.h"
#include "ui/entry/excel_application.h"
#include "ui/entry/frm_new_project.h"
#include "ui/services/error_handler.h"
#include "ui/services/ui_environment.h"
#include "ui/tape/tape_builder.h"
#include "ui/tape/tape_owner.h"
#include "ui/ticker_entry/frm_add_ticker.h"

namespace corvel {

// The user-interface library's public class. The add-in creates it, hands it the Excel application
// and calls it to run the library's dialogs; it copies the dialogs' answers into its results and
// writes nothing into the workbook itself.
//
// Creating it acquires the library's shared error handler and settings store (see `mGlobal`); it
// holds both, so they live as long as any `cPelorin` of the thread does.
//
// The dialog members trap every failure that reaches them and raise `kErrComponentFailure` instead,
// with the member's full name as source; failures inside the dialogs' own procedures never get that
// far, the error handler deals with them. The property members raise as they fail.
class cPelorin final : public TapeOwner {
  public:
    static constexpr std::uint32_t kErrComponentFailure = 0x80040064u;
    static constexpr const char* kComponentFailureText = "cPelorin component failure";

    explicit cPelorin(UiEnvironment environment);
    ~cPelorin() override;
    cPelorin(const cPelorin&) = delete;
    cPelorin& operator=(const cPelorin&) = delete;

    const ExcelApplicationRef& m_ObjExcelApplication() const noexcept override { return excel_application_; }
    void m_ObjExcelApplication(ExcelApplicationRef value) noexcept { excel_application_ = std::move(value); }
    // The same field; the COM layer converts the caller's variant to and from the application.
    const ExcelApplicationRef& ExcelApplication() const noexcept { return excel_application_; }
    void ExcelApplication(ExcelApplicationRef value) noexcept { excel_application_ = std::move(value); }

    // The tape location of the tape dialog: let takes a location picked in the workbook, get gives the
    // location as the dialog shows it. It exists only while the tape dialog does; without one both
    // accessors raise error 91 naming what to call first.
    std::string RefEditInputs() const;
    void RefEditInputs(std::string_view value);

    // Asks for the fields of a new quotes project. True when the user confirmed: each argument then
    // holds its box's state (0 or 1); otherwise false and the arguments stay as they were.
    bool CreateNewProject(std::int16_t& AskPrice, std::int16_t& AskSize, std::int16_t& BidPrice,
                          std::int16_t& BidSize, std::int16_t& ClosePrice, std::int16_t& HighTick,
                          std::int16_t& LastPrice, std::int16_t& LastSize, std::int16_t& LowTick,
                          std::int16_t& Volume);

    // Asks for one contract, opening on the type `ComTypeListIndex` (negative: the first). Returns 1
    // ("Insert >>") or 4 ("Insert && new") with the contract in the arguments and the type the user
    // ended on in `ComTypeListIndex`; otherwise 2 with every text "" and both numbers 0.
    std::int16_t AddNewSymbol(std::string& Symbol, std::string& TypeSymbol, std::string& Expiry,
                              double& Strike, std::string& RightPC, double& Multiplier, std::string& Exchange,
                              std::string& PrimaryExchange, std::string& TypeCurrency,
                              std::int16_t& ComTypeListIndex);
    // The same, opening on the first type.
    std::int16_t AddNewSymbol(std::string& Symbol, std::string& TypeSymbol, std::string& Expiry,
                              double& Strike, std::string& RightPC, double& Multiplier, std::string& Exchange,
                              std::string& PrimaryExchange, std::string& TypeCurrency);

    // Shows the tape dialog, creating it on first use and keeping it between calls, and returns how the
    // user left it: "DATABEGINNING" to pick the tape location in the workbook (write it to
    // `RefEditInputs`, then call again), "CLOSE" when done.
    std::string ShowRefEditInterface();
    // Drops the tape dialog with what it holds; never raises.
    void UnloadfrmMaster();

    // The tape dialog while it exists.
    frmAddRibbon* tape_dialog() const noexcept { return tapes_.dialog(); }

    // The shared services the library's dialogs use.
    CErrorHandler& error_handler() const noexcept { return *error_handler_; }
    const std::shared_ptr<CAppSettings>& app_settings() const noexcept { return app_settings_; }
    const UiEnvironment& environment() const noexcept { return environment_; }

  private:
    UiEnvironment environment_;
    // Declared before the settings store, so the store goes first when the object goes.
    std::shared_ptr<CErrorHandler> error_handler_;
    std::shared_ptr<CAppSettings> app_settings_;
    ExcelApplicationRef excel_application_;
    // Each exists only while its member runs.
    std::unique_ptr<frmNewProject> new_project_dialog_;
    std::unique_ptr<frmAddTicker> contract_dialog_;
    // The tape dialog lives on between calls; declared last, it goes first when the object goes.
    TapeBuilder tapes_;
};

}  // namespace corvel
