#pragma once

// Command and control numbers. They keep the numbers the system has always
// used, so that string texts, tool tips and saved states stay keyed alike.

enum : int {
  // Commands of the menus, accelerators and tool bar.
  kCmdNew = 32772,             // 新規作成
  kCmdDelete = 32775,          // 削除
  kCmdRefresh = 32776,         // 最新の情報に更新
  kCmdWebPage = 32777,         // KORVANTE Webﾍﾟｰｼﾞ
  kCmdDataSelect = 32778,      // データ選択メニュー: focus on the category button
  kCmdReadAddress = 32790,     // あて名ﾃﾞｰﾀ読み込み
  kCmdSaveAddress = 32791,     // あて名ﾃﾞｰﾀ保存
  kCmdReadName = 32792,        // 名前ﾃﾞｰﾀ読み込み
  kCmdSaveName = 32793,        // 名前ﾃﾞｰﾀ保存
  kCmdTransferAll = 32794,     // 全転送...
  kCmdOpenPrinter = 32800,     // 「ｸｲﾙﾌﾟ」PRO本体
  kCmdOpenFile = 32801,        // PCﾃﾞｰﾀﾌｧｲﾙ...
  kCmdF1Nothing = 32836,       // F1: handled by the frame, does nothing
  kCmdToolBar = 32943,         // show or hide the tool bar
  kCmdFileClose = 57602,       // (glyph editor) close
  kCmdSave = 57603,            // 上書き保存
  kCmdSaveAs = 57604,          // 名前を付けて保存
  kCmdRecentFirst = 57616,     // recent-file list, 5 entries from here
  kCmdCopy = 57634,            // ｺﾋﾟｰ
  kCmdCut = 57635,             // 切り取り
  kCmdPaste = 57637,           // 貼り付け
  kCmdSelectAll = 57642,       // 全て選択
  kCmdUndo = 57643,            // 元に戻す
  kCmdAbout = 57664,           // バージョン情報
  kCmdExit = 57665,            // アプリケーションの終了
  kCmdHelpIndex = 57666,       // help index
  kCmdHelpTopics = 57667,      // ﾄﾋﾟｯｸの検索
  kCmdContextHelp = 57669,     // Shift+F1
  kCmdHelpUsing = 57670,       // help on help
  kCmdHelpFinder = 57671,      // help finder
  kCmdStatusBar = 59393,       // show or hide the status bar

  // Controls of the two-pane form.
  kIdcLeftList = 1000,
  kIdcLeftPreview = 1030,
  kIdcRightList = 1005,
  kIdcRightPreview = 1033,
  kIdcOpenLeft = 1029,    // ﾌｧｲﾙ左
  kIdcOpenDevice = 1031,  // 本体
  kIdcOpenRight = 1032,   // ﾌｧｲﾙ右
  kIdcGlyphEdit = 1038,   // 外字編集
  kIdcCatFile = 1040,     // ファイル; the category is id - kIdcCatFile
  kIdcCatAddress = 1041,  // あて名
  kIdcCatName = 1042,     // 名前
  kIdcCatGlyph = 1043,    // 外字
  kIdcLeftAddressLabel = 1047,
  kIdcRightAddressLabel = 1048,
  kIdcTransfer = 1061,  // 転送
  kIdcCopy = 1062,      // コピー
  kIdcPaste = 1063,     // 貼り付け
  kIdcLeftContainer = 1066,
  kIdcRightContainer = 1067,
  kIdcLeftAddress = 1076,
  kIdcRightAddress = 1077,

  // Status bar indicator of the current category.
  kIndicatorCategory = 59143,
};
