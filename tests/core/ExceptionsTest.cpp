#include "runtime/Exceptions.h"

#include <gtest/gtest.h>

TEST(EInOutError, MessageFollowsTheCode)
{
    EXPECT_EQ(EInOutError(2).Message(), "File not found");
    EXPECT_EQ(EInOutError(5).Message(), "File access denied");
    EXPECT_EQ(EInOutError(32).Message(), "I/O error 32");
    EXPECT_EQ(EInOutError(112).Message(), "I/O error 112");
    EXPECT_EQ(EInOutError(112).ErrorCode(), 112);
}

// A message that names a file keeps it exactly; the single-byte message
// holds what Windows-1251 can of it.
TEST(Exception, TextKeepsWhatTheSingleByteMessageCannotHold)
{
    const EInOutError e(5, u"Файл \"C:\\J\u00fcrgen \u6570\u636e\\Bases.dat\"");
    EXPECT_EQ(e.Text(), u"Файл \"C:\\J\u00fcrgen \u6570\u636e\\Bases.dat\"");
    EXPECT_EQ(e.Message(), "\xd4\xe0\xe9\xeb \"C:\\J?rgen ??\\Bases.dat\"");
    EXPECT_EQ(e.ErrorCode(), 5);
    EXPECT_EQ(EInOutError(32).Text(), u"I/O error 32");
}
