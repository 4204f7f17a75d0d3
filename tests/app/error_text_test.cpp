#include <gtest/gtest.h>

#include "app/error_text.h"

TEST(ComposeErrorText, AppendsTheSystemTextAfterALineFeed)
{
    struct Case {
        const wchar_t* system;
        const wchar_t* expected;
    } cases[] = {
        { L"Access denied.\r\n", L"失敗しました。\nAccess denied.\r\n" },
        { L"%1 is not valid.\r\n", L"失敗しました。\n%1 is not valid.\r\n" },  // inserts stay as text
        { nullptr, L"失敗しました。" },   // the system had no text for the code
        { L"", L"失敗しました。" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(ComposeErrorText(L"失敗しました。", c.system), c.expected);
}
