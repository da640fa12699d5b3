#include "ui/ticker_entry/frm_add_ticker.h"

#include <gtest/gtest.h>

#include "common/ole_date.h"
#include "tests/support/ui_fakes.h"
#include "tests/ui/stored_settings.h"
#include "ui/services/frm_error_message.h"
#include "ui/ticker_entry/frm_modify_list.h"

namespace corvel {
namespace {

using Items = std::vector<std::string>;
const Items kCurrencies{"USD", "EUR", "GBP", "HKD", "AUD", "BASE"};
const Items kFuturesExchanges{"GLOBEX", "NYMEX", "LIFFE", "CME", "CBOT"};

std::string fill_in(const std::string& label) {
    return "Please fill in the '" + label + "' field ";
}
std::string digit(const std::string& label) {
    return "The value must be a digit.  '" + label + "'";
}

class AddTickerTest : public ::testing::Test {
  protected:
    fakes::UiFakes fakes;
    CErrorHandler errors{fakes.environment()};
    std::shared_ptr<CAppSettings> settings = std::make_shared<CAppSettings>(fakes.registry, "Pelorin");
    fakes::StoredSettings stored{*fakes.registry};
    std::unique_ptr<frmAddTicker> dialog;

    void SetUp() override {
        errors.Init(8, "Error Log.txt", true, false, 2, "Tracing Log.txt");
        settings->Init("HALVARD", "Corvel");
    }
    void TearDown() override { EXPECT_EQ(fakes.registry->open_key_count(), 0); }

    // Opens a new dialog on the type `type` and plays the script scripted so far.
    frmAddTicker& open(std::int16_t type = 0) {
        dialog = std::make_unique<frmAddTicker>(fakes.environment(), errors);
        dialog->frmAppSettings(settings);
        dialog->ComTypeListIndex(type);
        dialog->Show(forms::ShowMode::Modal);
        fakes.host->verify();
        EXPECT_TRUE(errors.call_stack().empty());
        return *dialog;
    }
    forms::HeadlessHost& host() { return *fakes.host; }
    WindowPlacement placement_of(WindowHandle window) {
        WindowPlacement placement;
        EXPECT_TRUE(host().screen().get_window_placement(window, placement));
        return placement;
    }
    std::function<void(forms::Form&)> check(std::function<void(frmAddTicker&)> expectations) {
        return [this, expectations](forms::Form&) { expectations(*dialog); };
    }
    void say(const std::string& prompt) { host().message(prompt, msgbox::kCritical, "Corvel", msgbox::kOk); }
    void reported(const std::string& procedure, const std::string& error) {
        host().inspect(
            [=](forms::Form& form) {
                const std::string& text = static_cast<frmErrorMessage&>(form).ErrorMessage();
                EXPECT_NE(text.find("(" + error + ")"), std::string::npos) << text;
                EXPECT_NE(text.find("\tin Pelorin.frmAddTicker." + procedure + " at line"), std::string::npos)
                    << text;
            },
            "frmErrorMessage");
    }
};

TEST_F(AddTickerTest, FirstUseShowsTheDefaultsOnEveryPage) {
    host().inspect(check([this](frmAddTicker& d) {
        EXPECT_EQ(d.Caption(), "Add new ticker");
        EXPECT_EQ(d.ComType.items(), (Items{"Stock", "Option", "Futures", "Index", "FutOpt", "Cash"}));
        EXPECT_EQ(d.ComType.Text(), "Stock");
        EXPECT_EQ(d.CIndexType.CurrTab(), 0);
        EXPECT_EQ(d.ComSTKExchange.items(), (Items{"SMART", "NYSE"}));
        EXPECT_EQ(d.ComSTKExchange.Text(), "SMART");
        for (const auto* currency : {&d.ComSTKCurency, &d.ComOPTCurency, &d.ComFUTCurency, &d.ComIndCurency,
                                     &d.ComFOPCurency, &d.ComCASHCurency}) {
            EXPECT_EQ(currency->items(), kCurrencies) << currency->Name();
            EXPECT_EQ(currency->Text(), "USD") << currency->Name();
        }
        EXPECT_EQ(d.txtPrimaryExchange.Text(), "SUPERSOES");
        EXPECT_EQ(d.ComOPTExchange.items(), (Items{"SMART", "PHLX", "ISE"}));
        EXPECT_EQ(d.ComFUTExchange.items(), kFuturesExchanges);
        EXPECT_EQ(d.ComFUTExchange.Text(), "LIFFE");
        EXPECT_EQ(d.ComINDExchange.items(), (Items{"NASDAQ", "CBOE", "NYSE", "AMEX"}));
        EXPECT_EQ(d.ComINDExchange.Text(), "NASDAQ");
        EXPECT_EQ(d.ComFOPExchange.items(), (Items{"SMART", "ECBOT"}));
        EXPECT_EQ(d.ComCASHExchange.items(), (Items{"IDEAL"}));
        EXPECT_EQ(d.ComCASHExchange.Text(), "IDEAL");
        for (const auto* right : {&d.ComOPTRight, &d.ComFOPRight}) {
            EXPECT_EQ(right->items(), (Items{"PUT", "CALL"}));
            EXPECT_EQ(right->Text(), "PUT");
        }
        // The clock says 9 December 2025: next month is January of the next year.
        for (const auto* expiry : {&d.txtOPTExpiry, &d.txtFUTExpiry, &d.txtFOPExpiry})
            EXPECT_EQ(expiry->Text(), "202601");
        EXPECT_EQ(d.txtOPTMultiplier.Text(), "100");
        EXPECT_EQ(d.txtFUTMultiplier.Text(), "100");
        for (const auto* ticker : {&d.txtSTKSymbol, &d.txtOPTSymbol, &d.txtFUTSymbol, &d.txtINDSymbol,
                                   &d.txtFOPSymbol, &d.txtCASHSymbol}) {
            EXPECT_EQ(ticker->Text(), "");
        }
        EXPECT_EQ(d.ButInsert.Caption(), "Insert >>");
        EXPECT_EQ(d.ButInsertNew.Caption(), "Insert && new");
        EXPECT_EQ(d.ButInsertNew.ToolTipText(), "Add Symbol to Project");
        // A fixed dialog centred on the desktop (400 x 300 on the headless host's 1920 x 1080 one: 760, 390).
        const WindowPlacement placement = placement_of(d.hWnd());
        const WindowPlacement desktop = placement_of(host().screen().desktop_window());
        EXPECT_NEAR(placement.normal_left, (desktop.normal_right - desktop.normal_left - d.Width()) / 2.0,
                    0.5);
        EXPECT_NEAR(placement.normal_top, (desktop.normal_bottom - desktop.normal_top - d.Height()) / 2.0,
                    0.5);
    }));
    host()
        .select("ComType", "Futures")
        .type("txtFUTSymbol", "ES")
        .click("ButCancel")
        .expect_hidden("frmAddTicker");
    EXPECT_EQ(open().Tag(), "2");
    EXPECT_TRUE(stored.keys().empty()) << "Cancel remembers nothing";
    EXPECT_FALSE(stored.has_placement("frmAddTicker"));
}

TEST_F(AddTickerTest, TheExpiryDefaultIsTheNextMonth) {
    fakes.clock->set(ole_date_from_civil({2025, 6, 30, 23, 59}));
    host().close_box();
    EXPECT_EQ(open().txtOPTExpiry.Text(), "202507");
    fakes.clock->set(ole_date_from_civil({2008, 12, 1}));
    host().close_box();
    EXPECT_EQ(open().txtFOPExpiry.Text(), "200901");
}

TEST_F(AddTickerTest, OpensOnTheTypeAskedForAndTheSelectorShowsItsPage) {
    host()
        .inspect(check([](frmAddTicker& d) { EXPECT_EQ(d.CIndexType.CurrTab(), 3); }))
        .select("ComType", "Cash");
    host().inspect(check([](frmAddTicker& d) { EXPECT_EQ(d.CIndexType.CurrTab(), 5); })).close_box();
    EXPECT_EQ(open(3).Tag(), "");
    host().close_box();
    EXPECT_EQ(open(-1).ComType.Text(), "Stock");
}

TEST_F(AddTickerTest, StoredSelectionsMatchIgnoringCaseElseTheFirstEntryIsSelected) {
    stored.put("ComSTKExchangeText", "nyse");
    stored.put("ComINDExchangeText", "XETRA");
    stored.put("ComCurency", "CHF|usd");
    stored.put("ComFUTExchange", "A||B");
    host().close_box();
    frmAddTicker& d = open();
    EXPECT_EQ(d.ComSTKExchange.Text(), "NYSE");
    EXPECT_EQ(d.ComINDExchange.Text(), "NASDAQ");
    EXPECT_EQ(d.ComCASHCurency.items(), (Items{"CHF", "usd"}));
    EXPECT_EQ(d.ComCASHCurency.Text(), "usd") << "the entry as written in the list";
    EXPECT_EQ(d.ComFUTExchange.items(), (Items{"A", "", "B"}));
    EXPECT_EQ(d.ComFUTExchange.Text(), "A");
}

TEST_F(AddTickerTest, EachTypesChecksNameTheFieldAndKeepTheDialogOpen) {
    const auto focused = [this](const char* field) {
        return check([field](frmAddTicker& d) {
            ASSERT_NE(d.ActiveControl(), nullptr);
            EXPECT_EQ(d.ActiveControl()->Name(), field);
            EXPECT_TRUE(d.Visible());
        });
    };
    host().click("ButInsert");
    say(fill_in("Ticker"));
    host().inspect(focused("txtSTKSymbol")).type("txtSTKSymbol", "IBM").type("txtPrimaryExchange", "");
    host().click("ButInsert");
    say(fill_in("Primary Exchange"));
    host().inspect(focused("txtPrimaryExchange")).select("ComType", "Option").type("txtOPTSymbol", "MSFT");
    host().type("txtOPTExpiry", "").click("ButInsert");
    say(fill_in("Expiry"));
    host().type("txtOPTExpiry", "Dec08").click("ButInsertNew");
    say(digit("Expiry"));
    host().inspect(focused("txtOPTExpiry")).type("txtOPTExpiry", "200812").type("txtOPTMultiplier", "");
    host().click("ButInsert");
    say(digit("Multiplier"));
    host().inspect(focused("txtOPTMultiplier")).select("ComType", "FutOpt").type("txtFOPSymbol", "ES");
    host().type("txtFOPExpiry", "").click("ButInsert");
    say(digit("Expiry"));
    host()
        .select("ComType", "Futures")
        .type("txtFUTSymbol", "ES")
        .type("txtFUTExpiry", "")
        .click("ButInsert");
    say(fill_in("Expiry"));
    host().type("txtFUTExpiry", "Dec08").type("txtFUTMultiplier", "1.000,5").click("ButInsert");
    say(digit("Multiplier"));
    host().inspect(check([this](frmAddTicker&) {
        EXPECT_TRUE(stored.keys().empty()) << "a failed check stores nothing";
        fakes.locale->numbers = {",", "."};
    }));
    host().click("ButInsert");
    EXPECT_EQ(open().Tag(), "1")
        << "the futures expiry only has to be there, the multiplier is the locale's number";
    EXPECT_EQ(stored.text("txtFUTExpiry"), "Dec08");
}

TEST_F(AddTickerTest, ABlankIsATickerAndAnIndexOrCashNeedsNothingElse) {
    host()
        .select("ComType", "Index")
        .type("txtINDSymbol", " ")
        .click("ButInsertNew")
        .expect_hidden("frmAddTicker");
    EXPECT_EQ(open().Tag(), "4");
    host().select("ComType", "Cash").type("txtCASHSymbol", "EUR").click("ButInsert");
    EXPECT_EQ(open().Tag(), "1");
}

TEST_F(AddTickerTest, AnInsertStoresTheShownTypesValuesOnlyInTheirOrder) {
    struct Case {
        const char* type;
        const char* ticker;
        Items own_keys;
    };
    const Case cases[] = {
        {"Stock", "txtSTKSymbol", {"ComSTKExchangeText", "ComSTKExchange", "txtPrimaryExchange"}},
        {"Option",
         "txtOPTSymbol",
         {"ComOPTExchangeText", "ComOPTExchange", "txtOPTExpiry", "ComOPTRightText", "txtOPTMultiplier"}},
        {"Futures",
         "txtFUTSymbol",
         {"ComFUTExchangeText", "ComFUTExchange", "txtFUTExpiry", "txtFUTMultiplier"}},
        {"Index", "txtINDSymbol", {"ComINDExchangeText", "ComINDExchange"}},
        {"FutOpt",
         "txtFOPSymbol",
         {"ComFOPExchangeText", "ComFOPExchange", "txtFOPExpiry", "ComFOPRightText"}},
        {"Cash", "txtCASHSymbol", {"ComCASHExchangeText", "ComCASHExchange"}},
    };
    for (const Case& c : cases) {
        fakes.registry->clear();
        host().select("ComType", c.type).type(c.ticker, "X").click("ButInsert");
        open();
        Items expected{"ComCurencyText", "ComCurency"};
        expected.insert(expected.end(), c.own_keys.begin(), c.own_keys.end());
        EXPECT_EQ(stored.keys(), expected) << c.type;
    }
}

TEST_F(AddTickerTest, AStoredFutureComesBackNextTimeAndItsCurrencyForEveryType) {
    host().select("ComType", "Futures").type("txtFUTSymbol", "ES").select("ComFUTCurency", "EUR");
    host().select("ComFUTExchange", "CME").type("txtFUTExpiry", "200903").type("txtFUTMultiplier", "50");
    host().click("ButInsert");
    open();
    EXPECT_EQ(stored.text("ComCurencyText"), "EUR");
    EXPECT_EQ(stored.text("ComCurency"), "USD|EUR|GBP|HKD|AUD|BASE");
    EXPECT_EQ(stored.text("ComFUTExchangeText"), "CME");
    EXPECT_EQ(stored.text("ComFUTExchange"), "GLOBEX|NYMEX|LIFFE|CME|CBOT");
    EXPECT_EQ(stored.text("txtFUTMultiplier"), "50");
    EXPECT_TRUE(stored.has_placement("frmAddTicker"));

    host().close_box();
    frmAddTicker& d = open(2);
    for (const auto* currency : {&d.ComSTKCurency, &d.ComOPTCurency, &d.ComFUTCurency, &d.ComIndCurency,
                                 &d.ComFOPCurency, &d.ComCASHCurency}) {
        EXPECT_EQ(currency->Text(), "EUR") << currency->Name();
    }
    EXPECT_EQ(d.ComFUTExchange.Text(), "CME");
    EXPECT_EQ(d.txtFUTExpiry.Text(), "200903");
    EXPECT_EQ(d.txtOPTMultiplier.Text(), "100");
    EXPECT_EQ(d.txtFUTSymbol.Text(), "") << "tickers are never remembered";
}

TEST_F(AddTickerTest, RightsAreRememberedPerType) {
    host()
        .select("ComType", "Option")
        .type("txtOPTSymbol", "MSFT")
        .select("ComOPTRight", "CALL")
        .click("ButInsert");
    open();
    EXPECT_EQ(stored.text("ComOPTRightText"), "CALL");
    host().close_box();
    frmAddTicker& d = open();
    EXPECT_EQ(d.ComOPTRight.Text(), "CALL");
    EXPECT_EQ(d.ComFOPRight.Text(), "PUT");
}

TEST_F(AddTickerTest, AnEditedListIsStoredOnlyByAnInsertOfItsOwnType) {
    host().select("ComType", "Futures").click("ButFUTExchange");
    host().inspect(
        [](forms::Form& form) {
            auto& editor = static_cast<frmModifyList&>(form);
            EXPECT_EQ(editor.Caption(), "Edit exchanges list for Futures");
            EXPECT_EQ(editor.txtInput.ToolTipText(), "Exchange");
            EXPECT_EQ(editor.lstParametr.items(), kFuturesExchanges);
        },
        "frmModifyList");
    host()
        .type("frmModifyList.txtInput", "EUREX")
        .click("frmModifyList.ButAdd")
        .click("frmModifyList.ButSave");
    host().inspect(check([](frmAddTicker& d) {
        EXPECT_EQ(d.ComFUTExchange.items().back(), "EUREX");
        EXPECT_EQ(d.ComFUTExchange.Text(), "LIFFE") << "the earlier selection stays";
    }));
    host().select("ComType", "Stock").type("txtSTKSymbol", "IBM").click("ButInsert");
    open();
    EXPECT_FALSE(stored.text("ComFUTExchange").has_value());
    EXPECT_TRUE(stored.has_placement("frmModifyList"));
    host().close_box();
    EXPECT_EQ(open().ComFUTExchange.items(), kFuturesExchanges);
}

TEST_F(AddTickerTest, TheEditorKeepsTheSelectionWhileTheListHoldsIt) {
    const auto keep_only = [this](std::initializer_list<const char*> doomed) {
        host().click("ButFUTExchange");
        for (const char* exchange : doomed)
            host().select("frmModifyList.lstParametr", exchange).click("ButDelete");
        host().click("ButSave");
    };
    host().select("ComType", "Futures").select("ComFUTExchange", "CME");
    keep_only({"NYMEX", "LIFFE", "CBOT"});
    host().inspect(check([](frmAddTicker& d) {
        EXPECT_EQ(d.ComFUTExchange.items(), (Items{"GLOBEX", "CME"}));
        EXPECT_EQ(d.ComFUTExchange.Text(), "CME");
    }));
    keep_only({"CME"});
    host().inspect(check([](frmAddTicker& d) { EXPECT_EQ(d.ComFUTExchange.Text(), "GLOBEX"); }));
    host().click("ButFUTExchange").type("txtInput", "CBOT").click("ButAdd").click("frmModifyList.ButCancel");
    host().inspect(check([](frmAddTicker& d) { EXPECT_EQ(d.ComFUTExchange.items(), (Items{"GLOBEX"})); }));
    host().close_box();
    open();
}

TEST_F(AddTickerTest, CaptionsOfTheEditorAndACurrencyEditOnOnePageOnly) {
    host().select("ComType", "Index").click("ButINDExchange");
    host().inspect([](forms::Form& f) { EXPECT_EQ(f.Caption(), "Edit exchanges list for Index"); },
                   "frmModifyList");
    host().click("ButCancel").select("ComType", "Cash").click("ButCASHCurency");
    host().inspect(
        [](forms::Form& f) {
            EXPECT_EQ(f.Caption(), "Edit currencies list");
            EXPECT_EQ(static_cast<frmModifyList&>(f).txtInput.ToolTipText(), "Currency");
        },
        "frmModifyList");
    host().type("txtInput", "CHF").click("ButAdd").click("ButSave").close_box();
    frmAddTicker& d = open();
    EXPECT_EQ(d.ComCASHCurency.items().back(), "CHF");
    EXPECT_EQ(d.ComSTKCurency.items(), kCurrencies);
}

TEST_F(AddTickerTest, AnEmptiedListStaysEmptyWithoutComplaintAndIsStoredSo) {
    host()
        .select("ComType", "Cash")
        .click("ButCASHExchange")
        .select("lstParametr", "IDEAL")
        .click("ButDelete");
    host().click("ButSave").type("txtCASHSymbol", "EUR").click("ButInsert");
    frmAddTicker& first = open();
    EXPECT_TRUE(first.ComCASHExchange.items().empty());
    EXPECT_EQ(first.ComCASHExchange.ListIndex(), -1);
    EXPECT_EQ(stored.text("ComCASHExchange"), "");
    EXPECT_EQ(stored.text("ComCASHExchangeText"), "");
    host().close_box();
    EXPECT_TRUE(open().ComCASHExchange.items().empty());
}

// A failure while storing goes to the error dialog; whatever the user answers, the insert goes on.
TEST_F(AddTickerTest, AFailureWhileStoringIsAnsweredInTheErrorDialog) {
    const Items all{"ComCurencyText", "ComCurency", "ComSTKExchangeText", "ComSTKExchange",
                    "txtPrimaryExchange"};
    const std::pair<const char*, Items> answers[] = {
        {"btnAbort", {}},
        {"btnRetry", all},
        {"btnIgnore", {all.begin() + 1, all.end()}},
    };
    for (const auto& [button, kept] : answers) {
        fakes.registry->clear();
        fakes.registry->fail(MemoryRegistry::Op::SetValue, reg_status::kAccessDenied);
        host().type("txtSTKSymbol", "IBM").click("ButInsert");
        reported("SaveParamert", "Failed saving the application setting");
        host().click(std::string("frmErrorMessage.") + button).expect_hidden("frmAddTicker");
        EXPECT_EQ(open().Tag(), "1") << button;
        EXPECT_EQ(stored.keys(), kept) << button;
        EXPECT_TRUE(stored.has_placement("frmAddTicker")) << button;
    }
}

TEST_F(AddTickerTest, AFailureReachingTheInsertClickEndsItWithoutAWord) {
    fakes.registry->fail(MemoryRegistry::Op::SetValue, reg_status::kAccessDenied);
    host().type("txtSTKSymbol", "IBM").click("ButInsert");
    // The placement cannot be stored either: that failure reaches the click itself.
    host().inspect(
        [this](forms::Form&) {
            fakes.registry->fail(MemoryRegistry::Op::SetValue, reg_status::kAccessDenied, -1);
        },
        "frmErrorMessage");
    host().click("frmErrorMessage.btnAbort");
    host().inspect(check([this](frmAddTicker& d) {
        EXPECT_TRUE(d.Visible());
        EXPECT_EQ(d.Tag(), "");
        fakes.registry->clear_faults();
    }));
    host().click("ButCancel");
    EXPECT_EQ(open().Tag(), "2");
    EXPECT_TRUE(errors.call_stack().empty());
}

TEST_F(AddTickerTest, ATypeIndexNamingNoTypeIsReportedAtLoad) {
    reported("Form_Load", "Invalid property value");
    host().click("frmErrorMessage.btnIgnore");
    host().inspect(check([](frmAddTicker& d) { EXPECT_EQ(d.ComType.ListIndex(), -1); })).close_box();
    EXPECT_EQ(open(7).Tag(), "");
}

TEST_F(AddTickerTest, TheDialogOpensWhereItWasLastInserted) {
    host().type("txtSTKSymbol", "IBM").click("ButInsert");
    open();
    fakes.registry->put_value(reg_hive::kCurrentUser,
                              "Software\\HALVARD\\Corvel\\Windows settings\\frmAddTicker", "NormalPosLeft",
                              RegType::Sz, std::string("12") + '\0');
    host().inspect(check([this](frmAddTicker& d) { EXPECT_EQ(placement_of(d.hWnd()).normal_left, 12); }));
    host().close_box();
    open();
}

}  // namespace
}  // namespace corvel
