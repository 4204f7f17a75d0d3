#pragma once
#include <string>

std::wstring ComposeErrorText(const std::wstring& text, const wchar_t* systemText);
