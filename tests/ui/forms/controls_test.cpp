#include <gtest/gtest.h>

#include "common/automation_error.h"
#include "tests/support/automation_error_of.h"
#include "tests/support/headless_host.h"
#include "tests/ui/forms/sample_dialog.h"

namespace corvel::forms {
namespace {

using Log = std::vector<std::string>;

class ControlsTest : public ::testing::Test {
  protected:
    HeadlessHost host{"Pelorin"};
    SampleDialog dialog{host};

    Log take_log() { return std::exchange(dialog.log, {}); }
    static std::int32_t error_number(const std::function<void()>& f) {
        return fakes::automation_error_of(f).number();
    }
};

TEST_F(ControlsTest, CheckBoxRaisesClickOnEveryChangeOfValueWhetherCodeOrUserMadeIt) {
    dialog.chkSize.Value(CheckBox::kChecked);
    dialog.chkSize.Value(CheckBox::kChecked);
    dialog.chkSize.user_click();
    EXPECT_EQ(take_log(), (Log{"chkSize_Click 1", "chkSize_Click 0"}));
    EXPECT_EQ(error_number([&] { dialog.chkSize.Value(3); }), control_error::kInvalidPropertyValue);
    EXPECT_EQ(dialog.chkSize.Value(), CheckBox::kUnchecked);
}

TEST_F(ControlsTest, OptionButtonsOfOneContainerFormAGroupAndOnlyTheSelectedOneClicks) {
    dialog.OptA.Value(true);
    dialog.OptOther.Value(true);  // another container, another group
    dialog.OptB.user_click();
    dialog.OptB.Value(true);  // already selected: no second click
    EXPECT_EQ(take_log(), (Log{"OptA_Click", "OptOther_Click", "OptB_Click"}));
    EXPECT_FALSE(dialog.OptA.Value());
    EXPECT_TRUE(dialog.OptB.Value());
    EXPECT_TRUE(dialog.OptOther.Value());

    dialog.OptB.Value(false);
    EXPECT_TRUE(take_log().empty()) << "deselection raises nothing";
    EXPECT_FALSE(dialog.OptB.Value());
}

TEST_F(ControlsTest, PickOnlyListSelectsByIndexOrByTextAndRefusesOtherTexts) {
    dialog.ComType.ListIndex(1);
    dialog.ComType.ListIndex(1);
    EXPECT_EQ(dialog.ComType.Text(), "Option");
    dialog.ComType.Text("index");
    EXPECT_EQ(take_log(), (Log{"ComType_Click 1", "ComType_Click 2"}));
    EXPECT_EQ(dialog.ComType.Text(), "Index");

    EXPECT_EQ(error_number([&] { dialog.ComType.ListIndex(3); }), control_error::kInvalidPropertyValue);
    EXPECT_EQ(error_number([&] { dialog.ComType.Text("Bond"); }), control_error::kTextReadOnly);
    EXPECT_EQ(dialog.ComType.ListIndex(), 2);
    EXPECT_TRUE(take_log().empty());

    dialog.ComType.Clear();
    EXPECT_EQ(dialog.ComType.ListIndex(), -1);
    EXPECT_EQ(dialog.ComType.Text(), "");
}

TEST_F(ControlsTest, EditableListKeepsTypedTextWithoutASelection) {
    dialog.ComExchange.AddItem("SMART");
    dialog.ComExchange.AddItem("NYSE");
    dialog.ComExchange.ListIndex(1);
    EXPECT_EQ(dialog.ComExchange.Text(), "NYSE");
    dialog.ComExchange.user_type("NYSE Arca");
    EXPECT_EQ(dialog.ComExchange.Text(), "NYSE Arca");
    EXPECT_EQ(dialog.ComExchange.ListIndex(), -1);
    dialog.ComExchange.RemoveItem(0);
    EXPECT_EQ(dialog.ComExchange.Text(), "NYSE Arca");
}

TEST_F(ControlsTest, SelectionStaysWithItsItemWhenItemsAreInsertedOrRemovedBeforeIt) {
    for (const char* item : {"a", "b", "c"})
        dialog.lstItems.AddItem(item);
    dialog.lstItems.ListIndex(1);
    dialog.lstItems.AddItem("x", 0);
    EXPECT_EQ(dialog.lstItems.ListIndex(), 2);
    EXPECT_EQ(dialog.lstItems.Text(), "b");
    dialog.lstItems.RemoveItem(0);
    EXPECT_EQ(dialog.lstItems.Text(), "b");
    dialog.lstItems.RemoveItem(1);
    EXPECT_EQ(dialog.lstItems.ListIndex(), -1) << "removing the selected item leaves no selection";
    EXPECT_EQ(take_log(), (Log{"lstItems_Click 1"}));
    EXPECT_EQ(error_number([&] { dialog.lstItems.List(5); }), control_error::kInvalidPropertyArrayIndex);
    EXPECT_EQ(error_number([&] { dialog.lstItems.RemoveItem(5); }), control_error::kInvalidProcedureCall);
}

TEST_F(ControlsTest, GridRaisesSelectionChangeWhenCodeMovesTheRowOrAShrinkTakesItAway) {
    Grid& grid = dialog.VSFGrid;
    EXPECT_EQ(grid.Rows(), 1);
    EXPECT_EQ(grid.TextMatrix(0, 1), "Type");
    grid.AddItem("MSFT\tSTK");
    grid.AddItem("ES\tFUT");
    grid.RowData(2, "1\r\n$A$6:$M$6");
    grid.Row(2);
    grid.Row(2);
    grid.Rows(2);
    EXPECT_EQ(take_log(), (Log{"VSFGrid_AfterSelChange -1->2", "VSFGrid_AfterSelChange 2->1"}));
    EXPECT_EQ(grid.TextMatrix(1, 0), "MSFT");
    EXPECT_EQ(grid.RowData(1), "");

    grid.Rows(4);
    EXPECT_EQ(grid.TextMatrix(3, 1), "") << "new rows start empty";
    EXPECT_EQ(error_number([&] { grid.TextMatrix(4, 0); }), control_error::kInvalidPropertyArrayIndex);
    EXPECT_EQ(error_number([&] { grid.Row(4); }), control_error::kInvalidPropertyValue);
}

TEST_F(ControlsTest, TabContainerShowsOnlyTheCurrentPage) {
    EXPECT_EQ(dialog.CIndexType.Caption(), "Stock|Option");
    EXPECT_TRUE(dialog.txtSTKSymbol.shown());
    EXPECT_FALSE(dialog.txtOPTSymbol.shown());
    dialog.CIndexType.CurrTab(1);
    EXPECT_FALSE(dialog.txtSTKSymbol.shown());
    EXPECT_TRUE(dialog.txtOPTSymbol.shown());
    EXPECT_EQ(take_log(), (Log{"CIndexType_Click 1"}));
    EXPECT_EQ(error_number([&] { dialog.CIndexType.CurrTab(2); }), control_error::kInvalidPropertyValue);
}

TEST_F(ControlsTest, FocusGoesOnlyToControlsAPersonCouldUse) {
    dialog.txtSTKSymbol.SetFocus();
    EXPECT_EQ(dialog.ActiveControl(), &dialog.txtSTKSymbol);
    EXPECT_EQ(error_number([&] { dialog.txtOPTSymbol.SetFocus(); }), control_error::kInvalidProcedureCall);
    dialog.FraFields.Enabled(false);
    EXPECT_FALSE(dialog.OptA.usable()) << "a disabled frame disables what it holds";
    EXPECT_EQ(error_number([&] { dialog.OptA.SetFocus(); }), control_error::kInvalidProcedureCall);
    EXPECT_EQ(dialog.ActiveControl(), &dialog.txtSTKSymbol);
}

TEST_F(ControlsTest, TextBoxRaisesChangeOnlyWhenTheTextDiffers) {
    dialog.txtName.Text("IBM");
    dialog.txtName.Text("IBM");
    dialog.txtName.user_type("");
    EXPECT_EQ(take_log(), (Log{"txtName_Change IBM", "txtName_Change "}));
    EXPECT_TRUE(dialog.txtName.has_focus());
}

}  // namespace
}  // namespace corvel::forms
