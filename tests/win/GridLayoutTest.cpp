// The grid's column layout kept through its window's store, with the real
// grid on a form shaped like the main window.
#include "GridFormSupport.h"
#include "StoreTestSupport.h"

#include "model/RxMemoryData.h"
#include "storage/GridLayout.h"
#include "grid/DBGrid.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace {

using GridLayout = StoreTest;
using Reg = StoreRegistry;

using Strings = std::vector<std::string>;

TEST_F(GridLayout, MovedAndWidenedColumnComesBackInTheNextRun)
{
    {
        TScopedForm<TGridForm> form;
        form.Create();
        form.Show();
        form.MainRxDBGrid.Column(1).SetIndex(0);
        form.MainRxDBGrid.Column(0).SetWidth(250);
        form.Close();
    }
    TScopedForm<TGridForm> form;
    form.Create();
    form.Show();
    EXPECT_EQ(form.Layout(), (Strings{"Path:250", "Name:154"}));
    form.Close();
}

struct StoredColumns {
    const char* what;
    std::map<std::string, std::string> values;  // field name -> stored text
    Strings layout;
};

void PrintTo(const StoredColumns& s, std::ostream* os)
{
    *os << s.what;
}

class StoredLayout : public GridLayout, public testing::WithParamInterface<StoredColumns> {};

TEST_P(StoredLayout, IsAppliedAtTheFirstShowAndTheCloseSavesWhatIsShown)
{
    for (const auto& [field, text] : GetParam().values)
        Reg::Put(kGridSection, "MainRxDBGrid." + field, text);
    TScopedForm<TGridForm> form;
    form.Create();
    form.Show();
    // The grid still paints and answers, whatever the widths.
    UpdateWindow(form.MainRxDBGrid.Handle());
    EXPECT_TRUE(IsWindowVisible(form.MainRxDBGrid.Handle()));
    const Strings layout = form.Layout();
    EXPECT_EQ(layout, GetParam().layout);
    EXPECT_TRUE(ReportedErrors().empty());
    form.Close();
    EXPECT_TRUE(ReportedErrors().empty());
    // "index,width" of each column shown, and no other value.
    EXPECT_EQ(Reg::ValueCount(kGridSection), layout.size());
    for (size_t i = 0; i < layout.size(); ++i) {
        const size_t colon = layout[i].find(':');
        EXPECT_EQ(Reg::Get(kGridSection, "MainRxDBGrid." + layout[i].substr(0, colon)),
                  std::to_string(i) + "," + layout[i].substr(colon + 1));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Values, StoredLayout,
    testing::Values(
        StoredColumns{"nothing stored: the design", {}, {"Name:154", "Path:205"}},
        StoredColumns{"swapped", {{"Name", "1,154"}, {"Path", "0,205"}}, {"Path:205", "Name:154"}},
        StoredColumns{"only Path, at 0: Name claims 0 first", {{"Path", "0,300"}}, {"Name:154", "Path:300"}},
        StoredColumns{"both at 0", {{"Name", "0,100"}, {"Path", "0,120"}}, {"Name:100", "Path:120"}},
        StoredColumns{"target out of range", {{"Name", "5,100"}}, {"Name:100", "Path:205"}},
        StoredColumns{"width -1 keeps the width", {{"Name", "0,-1"}}, {"Name:154", "Path:205"}},
        StoredColumns{"width 0", {{"Path", "1,0"}}, {"Name:154", "Path:0"}},
        StoredColumns{"absurd widths are kept", {{"Name", "0,-5"}, {"Path", "1,1000000"}}, {"Name:-5", "Path:1000000"}},
        StoredColumns{"words that do not convert", {{"Name", "x;1,abc"}, {"Path", ",,"}}, {"Name:154", "Path:205"}},
        StoredColumns{"only two words count", {{"Name", "1 154 0"}, {"Path", "0,205,1"}}, {"Path:205", "Name:154"}},
        StoredColumns{"value of another field", {{"Login", "0,50"}}, {"Name:154", "Path:205"}},
        StoredColumns{"value of another field, past the columns", {{"Login", "2,50"}}, {"Name:154", "Path:205"}}));

// The form as Windows puts it on a monitor of that density before its first
// show, keeping its rectangle.
void ShowAt(TForm& form, int dpi)
{
    RECT r;
    GetWindowRect(form.Handle(), &r);
    SendMessageW(form.Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&r));
    form.Show();
}

TEST_F(GridLayout, WidthsAreKeptAt96DotsPerInchSoTheLayoutLooksTheSameAtAnyDensity)
{
    {
        TScopedForm<TGridForm> form;
        form.Create();
        ShowAt(form, 144);
        EXPECT_EQ(form.Layout(), (Strings{"Name:231", "Path:308"}));
        form.MainRxDBGrid.Column(1).SetIndex(0);
        form.MainRxDBGrid.Column(0).SetWidth(301);
        form.Close();
    }
    // As a copy of the program that stores pixels wrote them at 100 %.
    EXPECT_EQ(Reg::Get(kGridSection, "MainRxDBGrid.Path"), "0,201");
    EXPECT_EQ(Reg::Get(kGridSection, "MainRxDBGrid.Name"), "1,154");
    TScopedForm<TGridForm> form;
    form.Create();
    ShowAt(form, 192);
    EXPECT_EQ(form.Layout(), (Strings{"Path:402", "Name:308"}));
    form.Close();
    EXPECT_EQ(Reg::Get(kGridSection, "MainRxDBGrid.Path"), "0,201");
    EXPECT_EQ(Reg::Get(kGridSection, "MainRxDBGrid.Name"), "1,154");
}

TEST_F(GridLayout, LowerStoredVersionLeavesTheGridAsDesigned)
{
    Reg::Put("MainForm", "FormVersion", "-1");
    Reg::Put(kGridSection, "MainRxDBGrid.Name", "1,100");
    Reg::Put(kGridSection, "MainRxDBGrid.Path", "0,300");
    TScopedForm<TGridForm> form;
    form.Create();
    form.Show();
    EXPECT_EQ(form.Layout(), (Strings{"Name:154", "Path:205"}));
    form.Close();
}

TEST_F(GridLayout, NumberTypedValueKeepsEarlierWidthsMovesNothingAndBlocksTheSave)
{
    Reg::Put(kGridSection, "MainRxDBGrid.Name", "1,100");
    Reg::PutNumber(kGridSection, "MainRxDBGrid.Path", 7);
    TScopedForm<TGridForm> form;
    form.Create();
    form.Show();
    EXPECT_EQ(ReportedErrors(), Strings{"Invalid data type for 'MainRxDBGrid.Path'"});
    EXPECT_EQ(form.Layout(), (Strings{"Name:100", "Path:205"}));
    form.Close();
    form.Destroy();
    EXPECT_EQ(Reg::Get(kGridSection, "MainRxDBGrid.Name"), "1,100");
    EXPECT_FALSE(Reg::Get("MainForm", "NormPos")) << "the window was not restored, so not saved";
}

}  // namespace
