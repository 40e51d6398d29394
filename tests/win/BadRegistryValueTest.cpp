// Window state values that someone edited by hand or another program broke:
// wrong value types and absurd numbers (absurd column widths: GridLayoutTest).
// The window still shows, a problem is reported at most once, and what the
// next close writes is what the window really has.
#include "StoreTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using BadRegistryValue = StoreTest;
using Reg = StoreRegistry;

void PutRaw(const std::string& section, const std::string& name, DWORD type, const std::string& bytes)
{
    RegKey key = Reg::Create(section);
    ASSERT_EQ(RegSetValueExA(key.Get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                             DWORD(bytes.size())),
              ERROR_SUCCESS);
}

struct AbsurdPosition {
    const char* what;
    std::string normPos;
    TBorderStyle border;
};

void PrintTo(const AbsurdPosition& p, std::ostream* os)
{
    *os << p.what;
}

class AbsurdStoredPosition : public BadRegistryValue, public testing::WithParamInterface<AbsurdPosition> {};

TEST_P(AbsurdStoredPosition, StillShowsAndTheCloseSavesTheRealPlacement)
{
    Reg::Put("Absurd", "NormPos", GetParam().normPos);
    TScopedForm<TStoredForm> form("Absurd", GetParam().border);
    form.Create();
    form.Show();
    EXPECT_TRUE(form.Visible());
    EXPECT_TRUE(ReportedErrors().empty());
    const RECT real = form.NormalRect();
    EXPECT_GE(real.right, real.left);
    EXPECT_GE(real.bottom, real.top);
    form.Close();
    EXPECT_FALSE(form.Visible());
    EXPECT_TRUE(ReportedErrors().empty());
    EXPECT_EQ(Reg::Get("Absurd", "NormPos"), Text(real));
    EXPECT_EQ(Reg::Get("Absurd", "NormPos" + kSuffix), Text(real));

    // And the saved values bring the same window back.
    form.Show();
    EXPECT_EQ(form.NormalRect(), real);
    form.Close();
}

INSTANTIATE_TEST_SUITE_P(
    Extremes, AbsurdStoredPosition,
    testing::Values(AbsurdPosition{"largest left, smallest top", "2147483647,-2147483648,2147483647,-2147483648",
                                   TBorderStyle::bsSizeable},
                    AbsurdPosition{"whole number range", "-2147483648,-2147483648,2147483647,2147483647",
                                   TBorderStyle::bsSizeable},
                    AbsurdPosition{"largest corner only, the size from the window", "2147483647,2147483647",
                                   TBorderStyle::bsSizeable},
                    AbsurdPosition{"largest corner of a dialog", "2147483647,2147483647,2147483647,2147483647",
                                   TBorderStyle::bsDialog},
                    AbsurdPosition{"numbers beyond the range", "99999999999,-99999999999,99999999999,99999999999",
                                   TBorderStyle::bsSizeable}));

struct WrongType {
    const char* what;
    DWORD type;
    std::string bytes;
    bool reported;  // an empty value reads as a missing one
};

void PrintTo(const WrongType& w, std::ostream* os)
{
    *os << w.what;
}

class WrongTypedShowCmd : public BadRegistryValue, public testing::WithParamInterface<WrongType> {};

TEST_P(WrongTypedShowCmd, IsReportedOnceAndTheWindowStillShowsAndCloses)
{
    PutRaw("Typed", "ShowCmd", GetParam().type, GetParam().bytes);
    TScopedForm<TStoredForm> form("Typed");
    int shows = 0;
    form.OnShow = [&] { ++shows; };
    form.Create();
    form.Show();
    EXPECT_TRUE(form.Visible());
    EXPECT_EQ(shows, 1);
    const std::vector<std::string> expected =
        GetParam().reported ? std::vector<std::string>{"Invalid data type for 'ShowCmd'"} : std::vector<std::string>{};
    EXPECT_EQ(ReportedErrors(), expected);
    form.Close();
    EXPECT_FALSE(form.Visible());
    form.Destroy();
    EXPECT_EQ(ReportedErrors(), expected);
    if (!GetParam().reported)
        EXPECT_EQ(Reg::Get("Typed", "ShowCmd"), "1") << "saved over with the real state";
}

INSTANTIATE_TEST_SUITE_P(Types, WrongTypedShowCmd,
                         testing::Values(WrongType{"binary", REG_BINARY, std::string("\x01\x00\x00\x00", 4), true},
                                         WrongType{"multi-string", REG_MULTI_SZ,
                                                   std::string("3\0"
                                                               "1\0\0",
                                                               5),
                                                   true},
                                         WrongType{"empty binary", REG_BINARY, std::string(), false}));

}  // namespace
