#include "res/stringTable.h"

namespace orbel::res {

namespace {
struct Entry {
    unsigned id;
    std::string_view text;
};

// "\r\n" is a real line break in a message box; "%1" is replaced by the code.
constexpr Entry kStrings[] = {
    {IDS_ABOUTBOX, "orbel のﾊﾞｰｼﾞｮﾝ情報(&A)..."},
    {IDS_START_FAILED, "ご利用の環境ではアプリケーションを起動できません。\r\nエラーコード : %1"},
    {IDS_FATAL_ERROR, "エラーが発生したため、アプリケーションを終了します。\r\nエラーコード : %1"},
    {IDS_LUNAR_SEARCH_TITLE, "orbel - 日和サーチ : 月齢/曜日"},
    {IDS_BALLISTA_SEARCH_TITLE, "orbel - 日和サーチ : バリスタ"},
    {IDS_LABEL_LUNAR_AGE, "月齢"},
    {IDS_LABEL_WEEKDAY, "曜日"},
    {IDS_LABEL_BALLISTA_CARD, "対戦カード"},
    {IDS_LABEL_BALLISTA_LEVEL, "レベル制限"},
    {IDS_TODAY_SEARCH_TITLE, "orbel - 日和サーチ : 今日は何の日?"},
    {IDS_BAD_CLOCK, "お使いのPCの時刻を正しく設定してください。"},
    {IDS_TRAY_ADD_FAILED, "orbelを起動できませんでした。\r\nもう一度起動してみてください。"},
    {IDS_SETTINGS_TITLE, "orbel - 設定"},
};
} // namespace

std::string_view loadString(unsigned id) noexcept {
    for (const Entry& e : kStrings)
        if (e.id == id) return e.text;
    return {};
}

} // namespace orbel::res
