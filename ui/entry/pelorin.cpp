#include "ui/entry/pelorin.h"

#include "ui/entry/global.h"
#include "ui/entry/new_symbol.h"
#include "ui/services/dialog_answer.h"
#include "ui/services/member_guard.h"
#include "ui/services/pelorin.h"

namespace corvel {

namespace {
std::string member_source(const char* member) {
    return std::string(pelorin::kLibraryName) + ".cPelorin." + member;
}

// Runs a dialog member: whatever fails in it reaches the caller as the component failure.
template <class Body>
auto dialog_member(const char* member, Body&& body) -> decltype(body()) {
    return guard_member(member_source(member), cPelorin::kErrComponentFailure,
                        cPelorin::kComponentFailureText, body);
}

// Drops a member's dialog on every way out of the member; `before` runs first, to take back what the
// dialog was lent.
template <class Dialog, class Before>
class DialogScope {
  public:
    DialogScope(std::unique_ptr<Dialog>& field, Before before) : field_(field), before_(std::move(before)) {}
    DialogScope(const DialogScope&) = delete;
    DialogScope& operator=(const DialogScope&) = delete;
    ~DialogScope() {
        if (field_) before_(*field_);
        field_.reset();
    }

  private:
    std::unique_ptr<Dialog>& field_;
    Before before_;
};
}  // namespace

cPelorin::cPelorin(UiEnvironment environment)
    : environment_(std::move(environment)),
      error_handler_(pelorin::mGlobal::acquire_error_handler(environment_)),
      app_settings_(pelorin::mGlobal::acquire_settings(environment_)),
      tapes_(environment_, error_handler_, app_settings_, *this) {}

cPelorin::~cPelorin() = default;

std::string cPelorin::RefEditInputs() const {
    return tapes_.RefEditInputs();
}

void cPelorin::RefEditInputs(std::string_view value) {
    tapes_.RefEditInputs(value);
}

std::string cPelorin::ShowRefEditInterface() {
    return dialog_member("ShowRefEditInterface", [&] { return tapes_.ShowRefEditInterface(); });
}

void cPelorin::UnloadfrmMaster() {
    tapes_.UnloadfrmMaster();
}

bool cPelorin::CreateNewProject(std::int16_t& AskPrice, std::int16_t& AskSize, std::int16_t& BidPrice,
                                std::int16_t& BidSize, std::int16_t& ClosePrice, std::int16_t& HighTick,
                                std::int16_t& LastPrice, std::int16_t& LastSize, std::int16_t& LowTick,
                                std::int16_t& Volume) {
    return dialog_member("CreateNewProject", [&] {
        new_project_dialog_ = std::make_unique<frmNewProject>(*environment_.host, *error_handler_);
        const DialogScope scope(new_project_dialog_, [](frmNewProject&) {});
        frmNewProject& dialog = *new_project_dialog_;
        dialog.Show(forms::ShowMode::Modal);
        if (!answer_is(dialog.Tag(), 1)) return false;
        AskPrice = dialog.chkAskPrice.Value();
        AskSize = dialog.chkAskSize.Value();
        BidPrice = dialog.chkBidPrice.Value();
        BidSize = dialog.chkBidSize.Value();
        ClosePrice = dialog.chkClose.Value();
        HighTick = dialog.chkHigh.Value();
        LastPrice = dialog.chkLastPrice.Value();
        LastSize = dialog.chkLastSize.Value();
        LowTick = dialog.chkLow.Value();
        Volume = dialog.chkVolume.Value();
        return true;
    });
}

std::int16_t cPelorin::AddNewSymbol(std::string& Symbol, std::string& TypeSymbol, std::string& Expiry,
                                    double& Strike, std::string& RightPC, double& Multiplier,
                                    std::string& Exchange, std::string& PrimaryExchange,
                                    std::string& TypeCurrency, std::int16_t& ComTypeListIndex) {
    return dialog_member("AddNewSymbol", [&] {
        contract_dialog_ = std::make_unique<frmAddTicker>(environment_, *error_handler_);
        const DialogScope scope(contract_dialog_,
                                [](frmAddTicker& dialog) { dialog.frmAppSettings(nullptr); });
        frmAddTicker& dialog = *contract_dialog_;
        dialog.frmAppSettings(app_settings_);
        std::int16_t result = 2;
        dialog.ComTypeListIndex(ComTypeListIndex);
        dialog.Show(forms::ShowMode::Modal);

        // The arguments change only once the whole answer is read, so a failure leaves them alone.
        NewSymbol symbol;
        std::int16_t type_index = ComTypeListIndex;
        if (answer_is(dialog.Tag(), 1) || answer_is(dialog.Tag(), 4)) {
            type_index = static_cast<std::int16_t>(dialog.ComType.ListIndex());
            result = answer_is(dialog.Tag(), 1) ? 1 : 4;
            symbol = read_new_symbol(dialog, environment_.locale->number_separators());
        }
        Symbol = symbol.Symbol;
        TypeSymbol = symbol.TypeSymbol;
        Expiry = symbol.Expiry;
        Strike = symbol.Strike;
        RightPC = symbol.RightPC;
        Multiplier = symbol.Multiplier;
        Exchange = symbol.Exchange;
        PrimaryExchange = symbol.PrimaryExchange;
        TypeCurrency = symbol.TypeCurrency;
        ComTypeListIndex = type_index;
        return result;
    });
}

std::int16_t cPelorin::AddNewSymbol(std::string& Symbol, std::string& TypeSymbol, std::string& Expiry,
                                    double& Strike, std::string& RightPC, double& Multiplier,
                                    std::string& Exchange, std::string& PrimaryExchange,
                                    std::string& TypeCurrency) {
    std::int16_t first_type = 0;
    return AddNewSymbol(Symbol, TypeSymbol, Expiry, Strike, RightPC, Multiplier, Exchange, PrimaryExchange,
                        TypeCurrency, first_type);
}

}  // namespace corvel
