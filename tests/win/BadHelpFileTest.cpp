// Whatever lies in Readme.rtf, the About window opens, shows what it can and
// closes, and the program goes on.
#include "WinTestSupport.h"

#include "forms/HelpUnit.h"
#include "forms/MainUnit.h"
#include "platform/Handles.h"
#include "platform/WideText.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <random>
#include <string>

namespace {

class BadHelpFileTest : public testing::Test {
protected:
    void SetUp() override
    {
        TestApplication();
        ReportedErrors().clear();
        savedFolder_ = ProgramFolderPath;
        ProgramFolderPath = folder.WidePath();
    }

    void TearDown() override
    {
        form.reset();
        ClearPendingActions();
        ProgramFolderPath = savedFolder_;
        ReportedErrors().clear();
    }

    void WriteHelpFile(const std::string& bytes)
    {
        UniqueHandle file(CreateFileW(Wide(folder.Path() + "Readme.rtf").c_str(), GENERIC_WRITE, 0, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file);
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(file.Get(), bytes.data(), DWORD(bytes.size()), &written, nullptr));
        ASSERT_EQ(written, bytes.size());
    }

    // Creates the window, then shows it modally (the first showing loads
    // the file) and closes it with its button.
    void CreateShowAndClose()
    {
        form = std::make_unique<THelpForm>();
        form->HelpFormStorage.Active = false;
        form->Create();
        ASSERT_NE(form->Handle(), nullptr);
        bool shown = false;
        PostAction([&] {
            shown = form->Visible();
            form->ButtonClose.Click();
        });
        form->ShowModal();
        EXPECT_TRUE(shown);
        EXPECT_FALSE(form->Visible());
        EXPECT_TRUE(IsWindow(form->HelpRichEdit.Handle()));
        // A failed load may report once, and only that it could not load.
        ASSERT_LE(ReportedErrors().size(), 1u);
        if (!ReportedErrors().empty())
            EXPECT_EQ(ReportedErrors()[0], "Failed to Load Stream.");
    }

    TempFolder folder;
    std::unique_ptr<THelpForm> form;

private:
    std::wstring savedFolder_;
};

}  // namespace

TEST_F(BadHelpFileTest, BinaryNoiseWithZeroBytesDoesNotStopTheWindow)
{
    std::mt19937 random(20261207);
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        std::string noise(64 * 1024, '\0');
        for (char& c : noise)
            c = char(random() % 4 == 0 ? 0 : random() & 0xFF);
        if (round == 1)
            noise.replace(0, 6, "{\\rtf1");  // noise behind a rich text header
        WriteHelpFile(noise);
        ReportedErrors().clear();
        CreateShowAndClose();
    }
}

TEST_F(BadHelpFileTest, AnEmptyFileShowsAnEmptyWindow)
{
    WriteHelpFile("");
    CreateShowAndClose();
    EXPECT_TRUE(ReportedErrors().empty());
    EXPECT_EQ(form->HelpRichEdit.Text(), "");
}

TEST_F(BadHelpFileTest, AFileTooLargeToShowIsNamedInTheWindowInsteadOfTakingTheProgramDown)
{
    // 20 MB takes the rich edit minutes and most of a 32-bit process's
    // memory, and past that it fails; rich text cut short would show as
    // markup. The window says so instead, rich text or plain.
    constexpr size_t kSize = 20u * 1024 * 1024;
    for (std::string start : {"{\\rtf1\\ansi ", ""}) {
        SCOPED_TRACE(start);
        std::string line = "Строка справки, длинная и скучная, повторяется много раз.\\par\r\n";
        std::string text = start;
        text.reserve(kSize + line.size());
        while (text.size() < kSize)
            text += line;
        text.resize(kSize);
        WriteHelpFile(text);
        CreateShowAndClose();
        EXPECT_TRUE(ReportedErrors().empty());
        EXPECT_EQ(form->HelpRichEdit.Text(), "Файл помощи \"" + folder.Path() +
                                                 "Readme.rtf\" слишком велик для показа: 20 МБ, а окно справки "
                                                 "показывает файлы не больше 8 МБ. Откройте его в текстовом "
                                                 "редакторе или в WordPad.");
    }
}
