#include <gtest/gtest.h>

#include "app/error_text.h"

TEST(ComposeErrorText, AppendsTheSystemTextAfterALineFeed)
{
    const std::wstring own = L"失敗しました。";
    EXPECT_EQ(ComposeErrorText(own, L"Access denied.\r\n"), L"失敗しました。\nAccess denied.\r\n");
    EXPECT_EQ(ComposeErrorText(own, L"%1 is not valid.\r\n"), L"失敗しました。\n%1 is not valid.\r\n");  // inserts stay as text
    // Without a system text for the code, the sentence stands alone.
    EXPECT_EQ(ComposeErrorText(own, nullptr), own);
    EXPECT_EQ(ComposeErrorText(own, L""), own);
}
