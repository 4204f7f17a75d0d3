// Reads the resources of the built tavrel.exe as data and compares them with
// what the program and the system rely on: the icon images, the version
// record, the manifest, the popup menu and the two dialog templates.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "res/resource_ids.h"

namespace {

std::wstring TavrelPath()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    folder.erase(folder.find_last_of(L'\\') + 1);
    return folder + L"tavrel.exe";
}

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

std::wstring Upper(std::wstring text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return towupper(c); });
    return text;
}

struct Bytes {
    const BYTE* data = nullptr;
    size_t size = 0;
};

// The program's module, mapped as plain data once for all tests.
class Resources : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        module_ = LoadLibraryExW(TavrelPath().c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    }

    static void TearDownTestSuite()
    {
        if (module_ != nullptr)
            FreeLibrary(module_);
        module_ = nullptr;
    }

    void SetUp() override { ASSERT_NE(module_, nullptr) << "cannot load " << Narrow(TavrelPath()); }

    static Bytes Find(LPCWSTR type, LPCWSTR name)
    {
        HRSRC info = FindResourceW(module_, name, type);
        if (info == nullptr)
            return {};
        HGLOBAL loaded = LoadResource(module_, info);
        if (loaded == nullptr)
            return {};
        return {static_cast<const BYTE*>(LockResource(loaded)), SizeofResource(module_, info)};
    }

    static HMODULE module_;
};

HMODULE Resources::module_ = nullptr;

// Sequential little-endian reader over a resource. Reading past the end
// yields zeros and marks the reader as overrun, so that a truncated
// resource fails the comparisons instead of crashing the test.
class Reader {
public:
    explicit Reader(Bytes bytes) : bytes_(bytes) {}

    bool Overrun() const { return overrun_; }
    size_t Offset() const { return offset_; }

    template <typename T> T Read()
    {
        T value{};
        if (offset_ + sizeof(T) > bytes_.size) {
            overrun_ = true;
            offset_ = bytes_.size;
            return value;
        }
        std::memcpy(&value, bytes_.data + offset_, sizeof(T));
        offset_ += sizeof(T);
        return value;
    }

    std::wstring String()
    {
        std::wstring text;
        for (wchar_t c = Read<wchar_t>(); c != 0 && !overrun_; c = Read<wchar_t>())
            text += c;
        return text;
    }

    // A name-or-ordinal field: empty, an ordinal written as "#n", or a
    // string. The predefined control classes come as ordinals and are
    // given back by their names.
    std::wstring NameOrOrdinal()
    {
        const uint16_t first = Read<uint16_t>();
        if (first == 0)
            return L"";
        if (first == 0xFFFF) {
            const uint16_t ordinal = Read<uint16_t>();
            static const wchar_t* const kClasses[] = {L"Button", L"Edit", L"Static",
                                                      L"ListBox", L"ScrollBar", L"ComboBox"};
            if (ordinal >= 0x80 && ordinal <= 0x85)
                return kClasses[ordinal - 0x80];
            return L"#" + std::to_wstring(ordinal);
        }
        offset_ -= sizeof(uint16_t);
        return String();
    }

    void AlignToDword() { offset_ = (offset_ + 3) & ~size_t{3}; }

    void Skip(size_t count)
    {
        offset_ += count;
        if (offset_ > bytes_.size) {
            overrun_ = true;
            offset_ = bytes_.size;
        }
    }

private:
    Bytes bytes_;
    size_t offset_ = 0;
    bool overrun_ = false;
};

// ---------------------------------------------------------------- icon

TEST_F(Resources, IconGroupHoldsEveryImageAt32BitsWithTransparentCorners)
{
    const std::set<int> expectedSizes = {16, 24, 32, 48, 256};

    Reader group(Find(RT_GROUP_ICON, MAKEINTRESOURCEW(IDI_APP)));
    EXPECT_EQ(group.Read<uint16_t>(), 0);
    EXPECT_EQ(group.Read<uint16_t>(), 1);
    const uint16_t count = group.Read<uint16_t>();
    ASSERT_EQ(count, expectedSizes.size());

    std::set<int> sizes;
    for (uint16_t i = 0; i < count; ++i) {
        SCOPED_TRACE("group entry " + std::to_string(i));
        const int width = group.Read<uint8_t>();
        const int height = group.Read<uint8_t>();
        group.Read<uint8_t>(); // colour count
        group.Read<uint8_t>(); // reserved
        const uint16_t planes = group.Read<uint16_t>();
        const uint16_t bits = group.Read<uint16_t>();
        const uint32_t bytesInRes = group.Read<uint32_t>();
        const uint16_t id = group.Read<uint16_t>();
        ASSERT_FALSE(group.Overrun());

        const int size = width == 0 ? 256 : width;
        sizes.insert(size);
        EXPECT_EQ(height == 0 ? 256 : height, size);
        EXPECT_EQ(planes, 1);
        EXPECT_EQ(bits, 32);

        const Bytes image = Find(RT_ICON, MAKEINTRESOURCEW(id));
        ASSERT_NE(image.data, nullptr);
        EXPECT_EQ(image.size, bytesInRes);
        BITMAPINFOHEADER header;
        ASSERT_GE(image.size, sizeof header);
        std::memcpy(&header, image.data, sizeof header);
        EXPECT_EQ(header.biSize, sizeof header);
        EXPECT_EQ(header.biWidth, size);
        EXPECT_EQ(header.biHeight, 2 * size);
        EXPECT_EQ(header.biBitCount, 32);
        EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));
        const size_t pixels = static_cast<size_t>(size) * size;
        const size_t maskBytes = static_cast<size_t>((size + 31) / 32 * 4) * size;
        ASSERT_EQ(image.size, sizeof header + 4 * pixels + maskBytes);

        // Bytes B, G, R, A from the bottom row up: the corners lie outside
        // the eyes and must be transparent, the middle of an eye opaque.
        const BYTE* xor_ = image.data + sizeof header;
        auto alpha = [&](int x, int y) { return xor_[4 * (static_cast<size_t>(size - 1 - y) * size + x) + 3]; };
        EXPECT_EQ(alpha(0, 0), 0);
        EXPECT_EQ(alpha(size - 1, 0), 0);
        EXPECT_EQ(alpha(0, size - 1), 0);
        EXPECT_EQ(alpha(size - 1, size - 1), 0);
        EXPECT_EQ(alpha(size / 4, size / 2), 255);
        EXPECT_EQ(alpha(3 * size / 4, size / 2), 255);

        HICON icon = CreateIconFromResourceEx(const_cast<BYTE*>(image.data), static_cast<DWORD>(image.size),
                                              TRUE, 0x00030000, size, size, LR_DEFAULTCOLOR);
        EXPECT_NE(icon, nullptr) << "the system cannot decode the image";
        if (icon != nullptr)
            DestroyIcon(icon);
    }
    EXPECT_EQ(sizes, expectedSizes);
}

// ---------------------------------------------------------------- version

struct VersionString {
    const wchar_t* name;
    const wchar_t* value;
};

TEST_F(Resources, VersionRecordNamesTheProgramAndItsVersions)
{
    static const VersionString kStrings[] = {
        {L"ProductName", L"Tavrel"},     {L"FileDescription", L"Tavrel"},
        {L"InternalName", L"tavrel"},    {L"OriginalFilename", L"tavrel.exe"},
        {L"ProductVersion", L"1.01"},    {L"FileVersion", L"1.0.1.1"},
    };

    const std::wstring path = TavrelPath();
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    ASSERT_NE(size, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_GE(length, sizeof *fixed);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00010001u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00010001u);
    EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask, 0u);
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS_NT_WINDOWS32));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    // The strings are found the way Explorer finds them: through the block
    // that the translation table names.
    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    ASSERT_GE(length, 2 * sizeof(WORD));
    wchar_t prefix[64];
    wsprintfW(prefix, L"\\StringFileInfo\\%04x%04x\\", translation[0], translation[1]);

    for (const VersionString& entry : kStrings) {
        SCOPED_TRACE(Narrow(entry.name));
        wchar_t* value = nullptr;
        const std::wstring query = prefix + std::wstring(entry.name);
        ASSERT_TRUE(VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &length));
        EXPECT_EQ(std::wstring(value), entry.value);
    }
}

// ---------------------------------------------------------------- manifest

// The opening tags of every element with the given name, attributes
// included, in document order.
std::vector<std::string> Elements(const std::string& xml, const std::string& name)
{
    std::vector<std::string> tags;
    const std::string open = "<" + name;
    for (size_t at = xml.find(open); at != std::string::npos; at = xml.find(open, at + 1)) {
        const char next = at + open.size() < xml.size() ? xml[at + open.size()] : '\0';
        if (next != ' ' && next != '\t' && next != '\r' && next != '\n' && next != '/' && next != '>')
            continue;
        const size_t end = xml.find('>', at);
        tags.push_back(xml.substr(at, end == std::string::npos ? std::string::npos : end - at + 1));
    }
    return tags;
}

std::string Attribute(const std::string& tag, const std::string& name)
{
    for (const char quote : {'"', '\''}) {
        const std::string key = " " + name + "=" + quote;
        const size_t at = tag.find(key);
        if (at != std::string::npos) {
            const size_t start = at + key.size();
            return tag.substr(start, tag.find(quote, start) - start);
        }
    }
    return "";
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
    return text;
}

TEST_F(Resources, ManifestRunsAsInvokerWithCommonControls6AndNoDpiEntry)
{
    const Bytes bytes = Find(RT_MANIFEST, CREATEPROCESS_MANIFEST_RESOURCE_ID);
    ASSERT_NE(bytes.data, nullptr);
    const std::string xml(reinterpret_cast<const char*>(bytes.data), bytes.size);

    const std::vector<std::string> levels = Elements(xml, "requestedExecutionLevel");
    ASSERT_EQ(levels.size(), 1u);
    EXPECT_EQ(Attribute(levels[0], "level"), "asInvoker");

    int commonControls = 0;
    for (const std::string& identity : Elements(xml, "assemblyIdentity")) {
        if (Attribute(identity, "name") != "Microsoft.Windows.Common-Controls")
            continue;
        ++commonControls;
        EXPECT_EQ(Attribute(identity, "version"), "6.0.0.0");
        EXPECT_EQ(Attribute(identity, "type"), "win32");
        EXPECT_EQ(Lower(Attribute(identity, "publicKeyToken")), "6595b64144ccf1df");
    }
    EXPECT_EQ(commonControls, 1);

    // The program leaves scaling to the system; a DPI entry of any kind
    // would change the coordinates it sees and keeps in its settings.
    EXPECT_EQ(Lower(xml).find("dpiaware"), std::string::npos);

    std::set<std::string> systems;
    for (const std::string& os : Elements(xml, "supportedOS"))
        systems.insert(Lower(Attribute(os, "Id")));
    const std::set<std::string> expected = {
        "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", // Windows 7
        "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", // Windows 8
        "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", // Windows 8.1
        "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}", // Windows 10 and 11
    };
    EXPECT_EQ(systems, expected);

    // The loader refuses to start a program whose manifest it cannot read
    // or whose dependency it cannot find; an activation context built from
    // the same resource goes through the same checks.
    const std::wstring path = TavrelPath();
    ACTCTXW request = {};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = path.c_str();
    request.lpResourceName = CREATEPROCESS_MANIFEST_RESOURCE_ID;
    HANDLE context = CreateActCtxW(&request);
    EXPECT_NE(context, INVALID_HANDLE_VALUE) << "error " << GetLastError();
    if (context != INVALID_HANDLE_VALUE)
        ReleaseActCtx(context);
}

// ---------------------------------------------------------------- menu

struct MenuItem {
    UINT id;
    const wchar_t* text;
};

TEST_F(Resources, PopupMenuHoldsQuitAndSettingsPlainly)
{
    static const MenuItem kItems[] = {{IDM_QUIT, L"終了(&Q)"}, {IDM_SETTINGS, L"設定(&S)..."}};

    HMENU menu = LoadMenuW(module_, MAKEINTRESOURCEW(IDM_POPUP));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(GetMenuItemCount(menu), 1);
    HMENU popup = GetSubMenu(menu, 0);
    ASSERT_NE(popup, nullptr);
    ASSERT_EQ(GetMenuItemCount(popup), static_cast<int>(std::size(kItems)));

    for (UINT position = 0; position < std::size(kItems); ++position) {
        SCOPED_TRACE("item " + std::to_string(position));
        wchar_t text[64] = {};
        MENUITEMINFOW item = {};
        item.cbSize = sizeof item;
        item.fMask = MIIM_ID | MIIM_STATE | MIIM_FTYPE | MIIM_STRING | MIIM_SUBMENU;
        item.dwTypeData = text;
        item.cch = static_cast<UINT>(std::size(text));
        ASSERT_TRUE(GetMenuItemInfoW(popup, position, TRUE, &item));
        EXPECT_EQ(item.wID, kItems[position].id);
        EXPECT_EQ(std::wstring(text), kItems[position].text);
        EXPECT_EQ(item.fType, static_cast<UINT>(MFT_STRING));
        EXPECT_EQ(item.fState, 0u) << "no default, check mark or grey state";
        EXPECT_EQ(item.hSubMenu, nullptr);
    }
    DestroyMenu(menu);
}

// ---------------------------------------------------------------- dialogs

struct Control {
    DWORD id;
    const wchar_t* cls;
    DWORD style;
    DWORD exStyle;
    const wchar_t* text;
    short x, y, cx, cy;
};

struct DialogTemplate {
    WORD id;
    const wchar_t* title;
    DWORD style;
    short cx, cy;
    std::vector<Control> controls;
};

constexpr DWORD kNone = static_cast<DWORD>(-1);
constexpr DWORD kLabel = WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT;
constexpr DWORD kFrame = WS_CHILD | WS_VISIBLE | WS_GROUP | SS_OWNERDRAW;
constexpr DWORD kSwatch = WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFTNOWORDWRAP;
constexpr DWORD kButton = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kEdit = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;

const DialogTemplate kDialogs[] = {
    {IDD_SETTINGS, L"Tavrel 設定", WS_CAPTION | WS_SYSMENU | DS_CENTER | DS_SETFONT, 144, 184, {
        {kNone, L"Static", kLabel, 0, L"位置", 8, 10, 20, 12},
        {kNone, L"Static", kLabel, 0, L"横:", 16, 23, 14, 12},
        {IDC_FRAME_X, L"Static", kFrame, 0, L"", 34, 20, 24, 14},
        {IDC_VALUE_X, L"Static", kLabel, 0, L"", 36, 23, 20, 10},
        {kNone, L"Static", kLabel, 0, L"縦:", 72, 23, 14, 12},
        {IDC_FRAME_Y, L"Static", kFrame, 0, L"", 90, 20, 24, 14},
        {IDC_VALUE_Y, L"Static", kLabel, 0, L"", 92, 23, 20, 10},
        {kNone, L"Static", kLabel, 0, L"サイズ", 8, 38, 20, 12},
        {kNone, L"Static", kLabel, 0, L"幅:", 16, 51, 14, 12},
        {IDC_FRAME_WIDTH, L"Static", kFrame, 0, L"", 34, 48, 24, 14},
        {IDC_VALUE_WIDTH, L"Static", kLabel, 0, L"", 36, 51, 20, 10},
        {kNone, L"Static", kLabel, 0, L"高さ:", 72, 51, 14, 12},
        {IDC_FRAME_HEIGHT, L"Static", kFrame, 0, L"", 90, 48, 24, 14},
        {IDC_VALUE_HEIGHT, L"Static", kLabel, 0, L"", 92, 51, 20, 10},
        {IDC_NUMERIC_INPUT, L"Button", kButton, 0, L"位置・サイズを数値入力で設定(&K)", 16, 72, 108, 14},
        {kNone, L"Static", kLabel, 0, L"輪郭の色:", 8, 100, 34, 12},
        {IDC_SWATCH_OUTLINE, L"Static", kSwatch, WS_EX_CLIENTEDGE, L"", 42, 98, 20, 14},
        {IDC_SET_OUTLINE, L"Button", kButton, 0, L"設定(&R)...", 66, 98, 40, 14},
        {kNone, L"Static", kLabel, 0, L"白目の色:", 8, 120, 34, 12},
        {IDC_SWATCH_EYE_WHITE, L"Static", kSwatch, WS_EX_CLIENTEDGE, L"", 42, 118, 20, 14},
        {IDC_SET_EYE_WHITE, L"Button", kButton, 0, L"設定(&S)...", 66, 118, 40, 14},
        {kNone, L"Static", kLabel, 0, L"黒目の色:", 8, 140, 34, 12},
        {IDC_SWATCH_PUPIL, L"Static", kSwatch, WS_EX_CLIENTEDGE, L"", 42, 138, 20, 14},
        {IDC_SET_PUPIL, L"Button", kButton, 0, L"設定(&I)...", 66, 138, 40, 14},
        {IDOK, L"Button", kButton, 0, L"OK", 8, 166, 40, 14},
        {IDCANCEL, L"Button", kButton, 0, L"キャンセル", 52, 166, 40, 14},
        {IDC_APPLY, L"Button", kButton | WS_DISABLED, 0, L"適用(&A)", 96, 166, 40, 14},
    }},
    {IDD_POSITION_SIZE, L"位置・サイズ設定", WS_CAPTION | WS_SYSMENU | DS_SETFONT, 144, 95, {
        {kNone, L"Static", kLabel, 0, L"位置", 8, 10, 20, 12},
        {kNone, L"Static", kLabel, 0, L"横(&X):", 16, 23, 26, 12},
        {IDC_VALUE_X, L"Edit", kEdit, 0, L"", 42, 20, 24, 14},
        {kNone, L"Static", kLabel, 0, L"縦(&Y):", 80, 23, 26, 12},
        {IDC_VALUE_Y, L"Edit", kEdit, 0, L"", 106, 20, 24, 14},
        {kNone, L"Static", kLabel, 0, L"サイズ", 8, 38, 20, 12},
        {kNone, L"Static", kLabel, 0, L"幅(&W):", 16, 51, 26, 12},
        {IDC_VALUE_WIDTH, L"Edit", kEdit, 0, L"", 42, 48, 24, 14},
        {kNone, L"Static", kLabel, 0, L"高さ(&H):", 80, 51, 26, 12},
        {IDC_VALUE_HEIGHT, L"Edit", kEdit, 0, L"", 106, 48, 24, 14},
        {IDOK, L"Button", kButton, 0, L"OK", 8, 77, 40, 14},
        {IDCANCEL, L"Button", kButton, 0, L"キャンセル", 52, 77, 40, 14},
        {IDC_APPLY, L"Button", kButton | WS_DISABLED, 0, L"適用(&A)", 96, 77, 40, 14},
    }},
};

void PrintTo(const DialogTemplate& dialog, std::ostream* out)
{
    *out << "dialog " << dialog.id;
}

class DialogResource : public Resources, public ::testing::WithParamInterface<DialogTemplate> {};

std::string DialogName(const ::testing::TestParamInfo<DialogTemplate>& info)
{
    return "Dialog" + std::to_string(info.param.id);
}

// Reads the extended template field by field, in the order the dialog
// manager reads it, and compares every field with the table.
TEST_P(DialogResource, ExtendedTemplateMatchesTheTable)
{
    const DialogTemplate& expected = GetParam();
    Reader in(Find(RT_DIALOG, MAKEINTRESOURCEW(expected.id)));

    EXPECT_EQ(in.Read<uint16_t>(), 1) << "dlgVer";
    ASSERT_EQ(in.Read<uint16_t>(), 0xFFFF) << "not an extended template";
    EXPECT_EQ(in.Read<uint32_t>(), 0u) << "help id";
    EXPECT_EQ(in.Read<uint32_t>(), 0u) << "extended style";
    EXPECT_EQ(in.Read<uint32_t>(), expected.style) << "style";
    const uint16_t count = in.Read<uint16_t>();
    EXPECT_EQ(in.Read<int16_t>(), 0) << "x";
    EXPECT_EQ(in.Read<int16_t>(), 0) << "y";
    EXPECT_EQ(in.Read<int16_t>(), expected.cx) << "cx";
    EXPECT_EQ(in.Read<int16_t>(), expected.cy) << "cy";
    EXPECT_EQ(in.NameOrOrdinal(), L"") << "menu";
    EXPECT_EQ(in.NameOrOrdinal(), L"") << "window class";
    EXPECT_EQ(in.String(), expected.title);
    EXPECT_EQ(in.Read<uint16_t>(), 9) << "point size";
    in.Read<uint16_t>(); // weight: any normal weight will do
    EXPECT_EQ(in.Read<uint8_t>(), 0) << "italic";
    const uint8_t charset = in.Read<uint8_t>();
    EXPECT_TRUE(charset == DEFAULT_CHARSET || charset == SHIFTJIS_CHARSET) << int{charset};
    EXPECT_EQ(in.String(), L"MS UI Gothic");
    ASSERT_FALSE(in.Overrun());
    ASSERT_EQ(count, expected.controls.size());

    for (size_t i = 0; i < count; ++i) {
        const Control& want = expected.controls[i];
        SCOPED_TRACE("control " + std::to_string(i) + ", id " + std::to_string(static_cast<int>(want.id)));
        in.AlignToDword();
        EXPECT_EQ(in.Read<uint32_t>(), 0u) << "help id";
        EXPECT_EQ(in.Read<uint32_t>(), want.exStyle) << "extended style";
        EXPECT_EQ(in.Read<uint32_t>(), want.style) << "style";
        EXPECT_EQ(in.Read<int16_t>(), want.x) << "x";
        EXPECT_EQ(in.Read<int16_t>(), want.y) << "y";
        EXPECT_EQ(in.Read<int16_t>(), want.cx) << "cx";
        EXPECT_EQ(in.Read<int16_t>(), want.cy) << "cy";
        EXPECT_EQ(in.Read<uint32_t>(), want.id) << "id";
        EXPECT_EQ(Upper(in.NameOrOrdinal()), Upper(want.cls)) << "class";
        EXPECT_EQ(in.NameOrOrdinal(), want.text) << "text";
        in.Skip(in.Read<uint16_t>());
        ASSERT_FALSE(in.Overrun());
    }
}

INT_PTR CALLBACK IgnoreEverything(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

// The dialog manager itself must accept the template: an unknown class
// or a broken font entry makes the dialog fail to open.
TEST_P(DialogResource, DialogManagerCreatesEveryControl)
{
    const DialogTemplate& expected = GetParam();
    const Bytes bytes = Find(RT_DIALOG, MAKEINTRESOURCEW(expected.id));
    ASSERT_NE(bytes.data, nullptr);
    HWND dialog = CreateDialogIndirectParamW(GetModuleHandleW(nullptr),
                                             reinterpret_cast<LPCDLGTEMPLATEW>(bytes.data), nullptr,
                                             IgnoreEverything, 0);
    ASSERT_NE(dialog, nullptr) << "error " << GetLastError();

    wchar_t text[128] = {};
    GetWindowTextW(dialog, text, static_cast<int>(std::size(text)));
    EXPECT_EQ(std::wstring(text), expected.title);

    size_t index = 0;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT), ++index) {
        ASSERT_LT(index, expected.controls.size());
        const Control& want = expected.controls[index];
        SCOPED_TRACE("control " + std::to_string(index));
        wchar_t cls[64] = {};
        GetClassNameW(child, cls, static_cast<int>(std::size(cls)));
        EXPECT_EQ(Upper(cls), Upper(want.cls));
        if (want.id != kNone) {
            EXPECT_EQ(static_cast<DWORD>(GetDlgCtrlID(child)), want.id);
        }
        EXPECT_EQ(IsWindowEnabled(child) != FALSE, (want.style & WS_DISABLED) == 0);
    }
    EXPECT_EQ(index, expected.controls.size());
    DestroyWindow(dialog);
}

INSTANTIATE_TEST_SUITE_P(Templates, DialogResource, ::testing::ValuesIn(kDialogs), DialogName);

} // namespace
