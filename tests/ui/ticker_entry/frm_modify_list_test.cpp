#include "ui/ticker_entry/frm_modify_list.h"

#include <gtest/gtest.h>

#include "tests/support/ui_fakes.h"
#include "tests/ui/stored_settings.h"

namespace corvel {
namespace {

using Items = std::vector<std::string>;

class ModifyListTest : public ::testing::Test {
  protected:
    fakes::UiFakes fakes;
    CErrorHandler errors{fakes.environment()};
    std::shared_ptr<CAppSettings> settings = std::make_shared<CAppSettings>(fakes.registry, "Pelorin");
    frmModifyList editor{fakes.environment(), errors};

    void SetUp() override {
        errors.Init(8, "Error Log.txt", true, false, 2, "Tracing Log.txt");
        settings->Init("HALVARD", "Corvel");
    }
    // Shows the editor on `list`, plays the script, and unloads it as its caller does.
    void edit(const std::string& list) {
        editor.frmAppSettings(settings);
        editor.InpList(list);
        editor.Show(forms::ShowMode::Modal);
        editor.Unload();
        fakes.host->verify();
        EXPECT_TRUE(errors.call_stack().empty());
    }
    std::function<void(forms::Form&)> shows(Items expected, std::int32_t selected) {
        return [this, expected, selected](forms::Form&) {
            EXPECT_EQ(editor.lstParametr.items(), expected);
            EXPECT_EQ(editor.lstParametr.ListIndex(), selected);
        };
    }
};

TEST_F(ModifyListTest, ShowsTheListAndSavesItBackUnchanged) {
    fakes.host
        ->inspect([&](forms::Form&) {
            EXPECT_EQ(editor.Caption(), "Edit exchanges list for Futures");
            EXPECT_EQ(editor.txtInput.Text(), "Text");
            EXPECT_EQ(editor.lstParametr.items(), (Items{"SMART", "ECBOT"}));
            editor.activate();  // another window of the program took the activation and gave it back
        })
        .inspect(shows({"SMART", "ECBOT"}, -1))
        .click("ButSave")
        .expect_hidden("frmModifyList");
    edit("SMART|ECBOT");
    EXPECT_EQ(editor.Tag(), "1");
    EXPECT_EQ(editor.InpList(), "SMART|ECBOT");
    EXPECT_TRUE(fakes::StoredSettings(*fakes.registry).has_placement("frmModifyList"));
}

TEST_F(ModifyListTest, AddSelectsAnItemAlreadyThereIgnoringCaseElseAppendsIt) {
    fakes.host->type("txtInput", "smart")
        .click("ButAdd")
        .inspect([&](forms::Form& form) {
            EXPECT_EQ(editor.lstParametr.items(), (Items{"SMART", "ECBOT"}));
            EXPECT_EQ(editor.lstParametr.ListIndex(), 0);
            EXPECT_EQ(editor.txtInput.Text(), "smart") << "the input stays when nothing was added";
            EXPECT_EQ(form.ActiveControl(), &editor.ButAdd);
        })
        .type("txtInput", "CBOE")
        .click("ButAdd")
        .inspect([&](forms::Form& form) {
            EXPECT_EQ(editor.lstParametr.items(), (Items{"SMART", "ECBOT", "CBOE"}));
            EXPECT_EQ(editor.lstParametr.ListIndex(), 2);
            EXPECT_EQ(editor.txtInput.Text(), "");
            EXPECT_EQ(form.ActiveControl(), &editor.txtInput);
        })
        .click("ButAdd")  // an empty input adds nothing
        .inspect(shows({"SMART", "ECBOT", "CBOE"}, 2))
        .click("ButSave");
    edit("SMART|ECBOT");
    EXPECT_EQ(editor.InpList(), "SMART|ECBOT|CBOE");
}

TEST_F(ModifyListTest, AnEmptyListTakesOneItemAndSavesItWithoutSeparator) {
    fakes.host->inspect(shows({}, -1)).type("txtInput", "IDEAL").click("ButAdd").click("ButSave");
    edit("");
    EXPECT_EQ(editor.InpList(), "IDEAL");
}

TEST_F(ModifyListTest, DeleteRemovesTheSelectionAndSelectsTheLastItem) {
    fakes.host->select("lstParametr", "NYMEX")
        .click("ButDelete")
        .inspect(shows({"GLOBEX", "LIFFE", "CME"}, 2))
        .click("ButDelete")
        .click("ButDelete")
        .click("ButDelete")
        .inspect(shows({}, -1))
        .click("ButDelete")  // nothing left to delete
        .click("ButSave");
    edit("GLOBEX|NYMEX|LIFFE|CME");
    EXPECT_EQ(editor.InpList(), "");
}

TEST_F(ModifyListTest, UpAndDownMoveTheSelectionAndStopAtTheEnds) {
    fakes.host->click("ButUp")
        .click("ButDown")
        .inspect(shows({"A", "B", "C"}, -1))
        .select("lstParametr", "A")
        .click("ButUp")
        .inspect(shows({"A", "B", "C"}, 0))
        .click("ButDown")
        .click("ButDown")
        .inspect(shows({"B", "C", "A"}, 2))
        .click("ButDown")
        .inspect(shows({"B", "C", "A"}, 2))
        .click("ButUp")
        .inspect(shows({"B", "A", "C"}, 1))
        .click("ButSave");
    edit("A|B|C");
    EXPECT_EQ(editor.InpList(), "B|A|C");
}

TEST_F(ModifyListTest, EmptyEntriesAndTypedSeparatorsAreKeptAsText) {
    fakes.host->inspect(shows({"A", "", "B"}, -1)).type("txtInput", "C|D").click("ButAdd").click("ButSave");
    edit("A||B");
    EXPECT_EQ(editor.InpList(), "A||B|C|D") << "the typed item comes back as two";
}

TEST_F(ModifyListTest, CancelKeepsTheListItWasHanded) {
    fakes.host->type("txtInput", "EUREX")
        .click("ButAdd")
        .select("lstParametr", 0)
        .click("ButDelete")
        .click("ButCancel");
    edit("SMART|ECBOT");
    EXPECT_EQ(editor.Tag(), "2");
    EXPECT_EQ(editor.InpList(), "SMART|ECBOT");
}

TEST_F(ModifyListTest, TheCloseBoxLeavesNoAnswerAndStillStoresThePlacement) {
    fakes.host->close_box();
    edit("SMART");
    EXPECT_EQ(editor.Tag(), "");
    EXPECT_TRUE(fakes::StoredSettings(*fakes.registry).has_placement("frmModifyList"));
}

}  // namespace
}  // namespace corvel
