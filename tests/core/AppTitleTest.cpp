#include "ui/portable/AppTitle.h"

#include <gtest/gtest.h>

TEST(ApplicationTitle, FollowsTheExecutableFileName)
{
    EXPECT_EQ(ApplicationTitle(L"C:\\Tools\\MyTool.EXE"), L"Mytool");
    EXPECT_EQ(ApplicationTitle(L"C:\\AutoPeriod.exe"), L"Autoperiod");
    EXPECT_EQ(ApplicationTitle(L"C:\\x\\my.tool.exe"), L"my");
    EXPECT_EQ(ApplicationTitle(L"NoExt"), L"Noext");
    // Only ASCII letters change: every other character stays as named.
    EXPECT_EQ(ApplicationTitle(L"C:\\\u0411\\\u0423\u0427\u0401\u0422 \u65e5\u672c AB.exe"),
              L"\u0423\u0427\u0401\u0422 \u65e5\u672c ab");
}

TEST(ReportText, AddsAFullStopOnlyAfterCharactersAboveIt)
{
    EXPECT_EQ(ReportText("I/O error 32"), "I/O error 32.");
    EXPECT_EQ(ReportText("Why?"), "Why?.");
    EXPECT_EQ(ReportText("Done."), "Done.");
    EXPECT_EQ(ReportText("Stop!"), "Stop!");
    EXPECT_EQ(ReportText("(x)"), "(x)");
    EXPECT_EQ(ReportText("trailing "), "trailing ");
    EXPECT_EQ(ReportText(""), "");
    EXPECT_EQ(ReportText("\xc1\xe0\xe7\xe0"), "\xc1\xe0\xe7\xe0.");
    EXPECT_EQ(ReportText(L"\u6570\u636e \"x\""), L"\u6570\u636e \"x\"");
    EXPECT_EQ(ReportText(L"\u6570\u636e"), L"\u6570\u636e.");  // beyond ASCII counts as above '.'
    EXPECT_EQ(ReportText(L"Done!"), L"Done!");
}
