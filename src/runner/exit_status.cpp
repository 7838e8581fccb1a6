#include "runner/exit_status.h"

#include <cstdio>
#include <string_view>

#include "base/message_texts.h"
#include "runner/seven_zip_status.h"

namespace velkin {
namespace {

// Exit codes from here up are the system's status values (warnings from 0x80000000, such as a
// breakpoint, errors from 0xC0000000) for a program that did not end by itself; no archiver
// chooses one of its own.
constexpr std::uint32_t kFirstSystemStatus = 0x80000000u;

// What the archiver's own exit codes and the commonest status values mean; any other code is
// shown as a bare number.
std::wstring_view ExitCodeMeaning(std::uint32_t exitCode) {
    switch (exitCode) {
    case 1:
        return L"警告";
    case 2:
        return L"致命的なエラー";
    case 3:
        return L"CRC エラー";
    case 4:
        return L"書庫がロックされています";
    case 5:
        return L"書き込みエラー";
    case 6:
        return L"ファイルを開けません";
    case 7:
        return L"コマンドラインの誤り";
    case 8:
        return L"メモリ不足";
    case 9:
        return L"ファイルを作成できません";
    case 10:
        return L"該当するファイルがありません";
    case 11:
        return L"パスワードの誤り";
    case 255:
        return L"中断されました";
    case 0xC0000005u:
        return L"アクセス違反";
    case 0xC00000FDu:
        return L"スタック オーバーフロー";
    case 0xC000013Au:
        return L"外部から終了されました";
    default:
        return {};
    }
}

} // namespace

std::wstring StatusForExitCode(std::uint32_t exitCode, ArchiverKind archiver) {
    if (exitCode == 0) {
        return std::wstring(text::kStatusDone);
    }
    const bool sevenZip = archiver == ArchiverKind::SevenZip;
    if (sevenZip && exitCode == kSevenZipWarning) {
        return std::wstring(kSevenZipWarningStatus);
    }
    std::wstring status = L"失敗 (終了コード ";
    if (exitCode >= kFirstSystemStatus) {
        wchar_t hex[11] = {};
        std::swprintf(hex, 11, L"0x%08X", static_cast<unsigned>(exitCode));
        status += hex;
    } else {
        status += std::to_wstring(exitCode);
    }
    if (const auto meaning = sevenZip && !SevenZipMeansAsWinRar(exitCode)
                                 ? std::wstring_view()
                                 : ExitCodeMeaning(exitCode);
        !meaning.empty()) {
        status += L": ";
        status += meaning;
    }
    status += L")";
    return status;
}

std::wstring StatusAfterRun(const ProcessEnd& end, ArchiverKind archiver) {
    switch (end.kind) {
    case ProcessEnd::Kind::NotStarted:
        return std::wstring(text::kStatusNotStarted);
    case ProcessEnd::Kind::Unconfirmed:
        return std::wstring(text::kStatusEndUnconfirmed);
    case ProcessEnd::Kind::Exited:
        break;
    }
    return StatusForExitCode(end.exitCode, archiver);
}

} // namespace velkin
