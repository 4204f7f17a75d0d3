#pragma once
// Every text that the program shows in a message box, in one place. The
// dialog and menu texts live in res/tavrel.rc.

#include "res/resource_ids.h"

constexpr const wchar_t* kAppCaption = L"Tavrel";

// The settings dialog's title, spelled out once in res/resource_ids.h.
constexpr const wchar_t* kSettingsTitle = L"" SETTINGS_TITLE;

constexpr const wchar_t* kMsgAppIcon = L"アプリケーション アイコンをロードできません。";
constexpr const wchar_t* kMsgModuleFileName = L"GetModuleFileName() でエラーが発生しました。";
constexpr const wchar_t* kMsgSettingsRead = L"設定ファイルの読み込みでエラーが発生しました。";
constexpr const wchar_t* kMsgSettingsWrite = L"設定ファイルの書き込みでエラーが発生しました。";
// A save that lost the old file and could not put the new one in its place.
constexpr const wchar_t* kMsgSettingsKeptInTemp =
    L"設定ファイルの書き込みでエラーが発生しました。新しい設定は tavrel.tmp に残してあり、次回の起動時に使われます。";
constexpr const wchar_t* kMsgMainClass = L"メイン ウィンドウのウィンドウ クラスを登録できません。";
constexpr const wchar_t* kMsgMainWindow = L"メイン ウィンドウを作成できません。";
constexpr const wchar_t* kMsgEyeClass = L"目表示ウィンドウのウィンドウ クラスを登録できません。";
constexpr const wchar_t* kMsgCreateCompatibleDC = L"CreateCompatibleDC() でエラーが発生しました。";
constexpr const wchar_t* kMsgEyeBitmap = L"オフライン ビットマップを作成できません。";
constexpr const wchar_t* kMsgTrayIcon = L"タスク バーの通知領域にアイコンを登録できません。";
constexpr const wchar_t* kMsgPopupMenu = L"処理選択のポップアップ メニューをロードできません。";
constexpr const wchar_t* kMsgEyeWindow = L"目表示ウィンドウを作成できません。";
constexpr const wchar_t* kMsgMouseHook = L"マウス入力のフックに失敗しました。";
constexpr const wchar_t* kMsgWorkClass = L"作業用ウィンドウのウィンドウ クラスを登録できません。";
constexpr const wchar_t* kMsgWorkWindow = L"作業用ウィンドウを作成できません。";
constexpr const wchar_t* kMsgDragClass = L"位置・サイズ ドラッグ ウィンドウのウィンドウ クラスを登録できません。";
constexpr const wchar_t* kMsgDragWindow = L"位置・サイズ ドラッグ ウィンドウを作成できません。";
constexpr const wchar_t* kMsgDragBitmap = L"位置・サイズ ドラッグ ウィンドウのビットマップを作成できません。";
constexpr const wchar_t* kMsgSettingsDialog = L"設定ダイアログを表示できません。";
constexpr const wchar_t* kMsgPositionSizeDialog = L"位置・サイズ設定ダイアログを表示できません。";
constexpr const wchar_t* kMsgBadX = L"横位置の入力に誤りがあります。";
constexpr const wchar_t* kMsgBadY = L"縦位置の入力に誤りがあります。";
constexpr const wchar_t* kMsgBadWidth = L"幅の入力に誤りがあります。";
constexpr const wchar_t* kMsgBadHeight = L"高さの入力に誤りがあります。";
constexpr const wchar_t* kMsgWidthTooSmall = L"幅が小さすぎます。";
constexpr const wchar_t* kMsgHeightTooSmall = L"高さが小さすぎます。";
// Start-up failures that have no message of their own in the classic
// program, which simply crashed there.
constexpr const wchar_t* kMsgGdiplus = L"GDI+ を初期化できません。";
constexpr const wchar_t* kMsgEyeSurfaces = L"目の描画用オブジェクトを作成できません。";
