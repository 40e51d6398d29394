#include "runtime/AppTitle.h"

#include <gtest/gtest.h>

TEST(ApplicationTitle, FollowsTheExecutableFileName)
{
    EXPECT_EQ(ApplicationTitle("C:\\Tools\\MyTool.EXE"), "Mytool");
    EXPECT_EQ(ApplicationTitle("C:\\AutoPeriod.exe"), "Autoperiod");
    EXPECT_EQ(ApplicationTitle("C:\\x\\my.tool.exe"), "my");
    EXPECT_EQ(ApplicationTitle("NoExt"), "Noext");
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
}
