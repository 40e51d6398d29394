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
    EXPECT_EQ(ReportText(L"I/O error 32"), L"I/O error 32.");
    EXPECT_EQ(ReportText(L"Why?"), L"Why?.");
    EXPECT_EQ(ReportText(L"Done."), L"Done.");
    EXPECT_EQ(ReportText(L"Stop!"), L"Stop!");
    EXPECT_EQ(ReportText(L"(x)"), L"(x)");
    EXPECT_EQ(ReportText(L"trailing "), L"trailing ");
    EXPECT_EQ(ReportText(L""), L"");
    EXPECT_EQ(ReportText(L"\u0411\u0430\u0437\u0430"), L"\u0411\u0430\u0437\u0430.");
    EXPECT_EQ(ReportText(L"\u6570\u636e \"x\""), L"\u6570\u636e \"x\"");
    EXPECT_EQ(ReportText(L"\u6570\u636e"), L"\u6570\u636e.");  // beyond ASCII counts as above '.'
    EXPECT_EQ(ReportText(L"Done!"), L"Done!");
}
