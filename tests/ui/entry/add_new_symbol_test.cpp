#include <gtest/gtest.h>

#include "tests/support/ui_fakes.h"
#include "tests/ui/stored_settings.h"
#include "ui/entry/pelorin.h"
#include "ui/services/frm_error_message.h"

namespace corvel {
namespace {

// `AddNewSymbol`'s arguments, filled with values the call must replace.
struct Contract {
    std::string Symbol = "old", TypeSymbol = "old", Expiry = "old";
    double Strike = -1;
    std::string RightPC = "old";
    double Multiplier = -1;
    std::string Exchange = "old", PrimaryExchange = "old", TypeCurrency = "old";
    std::int16_t ComTypeListIndex = 0;
};

class AddNewSymbolTest : public ::testing::Test {
  protected:
    fakes::UiFakes fakes;
    cPelorin pelorin{fakes.environment()};
    Contract c;

    std::int16_t add_new_symbol(std::int16_t type_index) {
        c.ComTypeListIndex = type_index;
        const std::int16_t result =
            pelorin.AddNewSymbol(c.Symbol, c.TypeSymbol, c.Expiry, c.Strike, c.RightPC, c.Multiplier,
                                 c.Exchange, c.PrimaryExchange, c.TypeCurrency, c.ComTypeListIndex);
        fakes.host->verify();
        EXPECT_TRUE(pelorin.error_handler().call_stack().empty());
        return result;
    }
    void expect_empty_contract() {
        for (const std::string* text : {&c.Symbol, &c.TypeSymbol, &c.Expiry, &c.RightPC, &c.Exchange,
                                        &c.PrimaryExchange, &c.TypeCurrency}) {
            EXPECT_EQ(*text, "");
        }
        EXPECT_EQ(c.Strike, 0);
        EXPECT_EQ(c.Multiplier, 0);
    }
    std::function<void(forms::Form&)> shows_type(const char* name) {
        return
            [name](forms::Form& form) { EXPECT_EQ(static_cast<frmAddTicker&>(form).ComType.Text(), name); };
    }
};

TEST_F(AddNewSymbolTest, OpensOnTheTypePassedInAndCancellingReturnsAnEmptyContract) {
    fakes.host->inspect(shows_type("Stock")).close_box();
    EXPECT_EQ(add_new_symbol(-1), 2);
    EXPECT_EQ(c.ComTypeListIndex, -1);
    expect_empty_contract();

    fakes.host->inspect(shows_type("Index")).select("ComType", "Futures").type("txtFUTSymbol", "ES");
    fakes.host->click("ButCancel");
    EXPECT_EQ(add_new_symbol(3), 2);
    EXPECT_EQ(c.ComTypeListIndex, 3) << "the type the user switched to is not handed back";
    expect_empty_contract();

    fakes.host->inspect(shows_type("Stock")).click("ButCancel");
    std::string s;
    double d = 0;
    EXPECT_EQ(pelorin.AddNewSymbol(s, s, s, d, s, d, s, s, s), 2);
    fakes.host->verify();
}

TEST_F(AddNewSymbolTest, AStockComesBackWithItsExchangesAndStoresItsValues) {
    fakes.host->type("txtSTKSymbol", "IBM").type("txtPrimaryExchange", "NYSE").click("ButInsert");
    EXPECT_EQ(add_new_symbol(0), 1);
    EXPECT_EQ(c.TypeSymbol, "STK");
    EXPECT_EQ(c.Symbol, "IBM");
    EXPECT_EQ(c.Exchange, "SMART");
    EXPECT_EQ(c.TypeCurrency, "USD");
    EXPECT_EQ(c.PrimaryExchange, "NYSE");
    EXPECT_EQ(c.Expiry, "");
    EXPECT_EQ(c.RightPC, "");
    EXPECT_EQ(c.Strike, 0);
    EXPECT_EQ(c.Multiplier, 0);
    EXPECT_EQ(c.ComTypeListIndex, 0);
    EXPECT_EQ(fakes::StoredSettings(*fakes.registry).text("txtPrimaryExchange"), "NYSE");
}

TEST_F(AddNewSymbolTest, InsertAndNewOnAnOptionReturnsFourWithItsMultiplier) {
    fakes.host->select("ComType", "Option").type("txtOPTSymbol", " msft ").type("txtOPTExpiry", "200812");
    fakes.host->select("ComOPTRight", "CALL").click("ButInsertNew");
    EXPECT_EQ(add_new_symbol(0), 4);
    EXPECT_EQ(c.TypeSymbol, "OPT");
    EXPECT_EQ(c.Symbol, " msft ") << "texts come back as typed";
    EXPECT_EQ(c.Expiry, "200812");
    EXPECT_EQ(c.RightPC, "CALL");
    EXPECT_EQ(c.Multiplier, 100);
    EXPECT_EQ(c.Strike, 0);
    EXPECT_EQ(c.PrimaryExchange, "");
    EXPECT_EQ(c.ComTypeListIndex, 1);
}

TEST_F(AddNewSymbolTest, AFutOptHasExpiryAndRightButNoMultiplier) {
    fakes.host->select("ComType", "Option").type("txtOPTMultiplier", "250").select("ComType", "FutOpt");
    fakes.host->type("txtFOPSymbol", "OZN").select("ComFOPExchange", "ECBOT").click("ButInsert");
    EXPECT_EQ(add_new_symbol(0), 1);
    EXPECT_EQ(c.TypeSymbol, "FOP");
    EXPECT_EQ(c.Exchange, "ECBOT");
    EXPECT_EQ(c.Expiry, "202601");
    EXPECT_EQ(c.RightPC, "PUT");
    EXPECT_EQ(c.Multiplier, 0);
    EXPECT_EQ(c.ComTypeListIndex, 4);
}

TEST_F(AddNewSymbolTest, AFuturesMultiplierIsReadAsTheUsersLocaleWritesIt) {
    fakes.locale->numbers = {",", "."};
    fakes.host->type("txtFUTSymbol", "FGBL")
        .type("txtFUTExpiry", "Dec08")
        .type("txtFUTMultiplier", "1.000,5");
    fakes.host->click("ButInsert");
    EXPECT_EQ(add_new_symbol(2), 1);
    EXPECT_EQ(c.TypeSymbol, "FUT");
    EXPECT_EQ(c.Expiry, "Dec08");
    EXPECT_EQ(c.Exchange, "LIFFE");
    EXPECT_DOUBLE_EQ(c.Multiplier, 1000.5);
}

TEST_F(AddNewSymbolTest, EveryTypeComesBackWithItsCode) {
    const char* const tickers[] = {"txtSTKSymbol", "txtOPTSymbol", "txtFUTSymbol",
                                   "txtINDSymbol", "txtFOPSymbol", "txtCASHSymbol"};
    for (const SecurityType& type : kSecurityTypes) {
        fakes.host->type(tickers[type.index], "X").click("ButInsert");
        EXPECT_EQ(add_new_symbol(type.index), 1);
        EXPECT_EQ(c.TypeSymbol, type.code);
        EXPECT_EQ(c.Symbol, "X");
        EXPECT_EQ(c.ComTypeListIndex, type.index);
    }
    EXPECT_EQ(c.Exchange, "IDEAL");
}

TEST_F(AddNewSymbolTest, ATypeIndexNamingNoTypeIsReportedAndTheCallStillEnds) {
    fakes.host
        ->inspect(
            [](forms::Form& form) {
                const std::string& report = static_cast<frmErrorMessage&>(form).ErrorMessage();
                EXPECT_NE(report.find("in Pelorin.frmAddTicker.Form_Load"), std::string::npos) << report;
            },
            "frmErrorMessage")
        .click("frmErrorMessage.btnAbort")
        .click("ButCancel");
    EXPECT_EQ(add_new_symbol(7), 2);
    EXPECT_EQ(c.ComTypeListIndex, 7);
}

}  // namespace
}  // namespace corvel
