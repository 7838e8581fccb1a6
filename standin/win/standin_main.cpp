// The stand-in archiver: takes the command line and list file that Velkin hands to the real
// archiver, writes a ZIP archive of the listed files, and logs one JSON line per run.
#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cwchar>
#include <exception>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/command_line.h"
#include "core/environment.h"
#include "core/list_file.h"
#include "core/run_record.h"
#include "core/seven_zip.h"
#include "core/stored_names.h"
#include "core/switches.h"
#include "core/text.h"
#include "core/zip_writer.h"
// The project's one handle owner: a header alone, holding none of Velkin's rules, so that the
// stand-in, which checks Velkin from outside, shares nothing with it that could hide a fault.
#include "platform/unique_handle.h"

namespace velkin::standin::win {
namespace {

using velkin::win::UniqueChangeNotification;
using velkin::win::UniqueFileHandle;
using velkin::win::UniqueFindHandle;
using velkin::win::UniqueKernelHandle;

// "Win32 error 5: <system text>"
std::wstring ErrorText(DWORD error) {
    std::wstring text = L"Win32 error " + std::to_wstring(error);
    wchar_t* message = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    if (length != 0 && message != nullptr) {
        std::wstring body(message, length);
        while (!body.empty() &&
               (body.back() == L'\n' || body.back() == L'\r' || body.back() == L' ')) {
            body.pop_back();
        }
        text += L": " + body;
    }
    if (message != nullptr) {
        ::LocalFree(message);
    }
    return text;
}

// A failure with the exit code it stands for.
struct RunFailure {
    std::uint32_t code;
    std::wstring message;
};

constexpr std::uint64_t kListFileLimit = 256ull * 1024 * 1024;
// Paths this long or longer go to the API in their extended form.
constexpr std::size_t kLongPath = MAX_PATH - 12;

std::optional<std::wstring> EnvironmentValue(const wchar_t* name) {
    std::wstring value(256, L'\0');
    for (;;) {
        ::SetLastError(ERROR_SUCCESS);
        const DWORD length =
            ::GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
        if (length == 0) {
            if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) {
                return std::nullopt;
            }
            return std::wstring();
        }
        if (length < value.size()) {
            value.resize(length);
            return value;
        }
        value.resize(length);
    }
}

struct Moment {
    std::string text;
    ULONGLONG ticks = 0; // 100 ns since 1601
};

Moment Now() {
    FILETIME now{};
    ::GetSystemTimePreciseAsFileTime(&now);
    SYSTEMTIME utc{};
    ::FileTimeToSystemTime(&now, &utc);
    return {FormatUtcTime(utc.wYear, utc.wMonth, utc.wDay, utc.wHour, utc.wMinute, utc.wSecond,
                          utc.wMilliseconds),
            (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime};
}

std::wstring FullPath(const std::wstring& path) {
    const DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) {
        throw RunFailure{kExitInternal,
                         L"full path of \"" + path + L"\": " + ErrorText(::GetLastError())};
    }
    std::wstring full(needed, L'\0');
    const DWORD length = ::GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed) {
        throw RunFailure{kExitInternal,
                         L"full path of \"" + path + L"\": " + ErrorText(::GetLastError())};
    }
    full.resize(length);
    return full;
}

std::wstring ForApi(const std::wstring& fullPath) {
    return fullPath.size() >= kLongPath ? ExtendedLengthPath(fullPath) : fullPath;
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                  static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

std::optional<std::wstring> DecodeCodePage(std::string_view bytes, std::uint32_t codePage) {
    if (bytes.size() > static_cast<std::size_t>(INT_MAX)) {
        return std::nullopt;
    }
    const int size = static_cast<int>(bytes.size());
    const int length =
        ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
    if (length <= 0) {
        return std::nullopt;
    }
    std::wstring text(static_cast<std::size_t>(length), L'\0');
    if (::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), size, text.data(),
                              length) != length) {
        return std::nullopt;
    }
    return text;
}

std::optional<std::wstring> DecodeAnsi(std::string_view bytes) {
    return DecodeCodePage(bytes, CP_ACP);
}

// The path of this program's own file: a copy named as a program of the 7-Zip family follows the
// family's rules.
std::wstring OwnPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::string ReadWholeFile(const std::wstring& path) {
    UniqueFileHandle file(::CreateFileW(ForApi(FullPath(path)).c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        throw RunFailure{kExitListFile,
                         L"list file cannot be opened: " + ErrorText(::GetLastError())};
    }
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size)) {
        throw RunFailure{kExitListFile, L"list file size: " + ErrorText(::GetLastError())};
    }
    if (static_cast<std::uint64_t>(size.QuadPart) > kListFileLimit) {
        throw RunFailure{kExitListFile, L"list file larger than 256 MiB"};
    }
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        const auto want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
        if (!::ReadFile(file.get(), bytes.data() + done, want, &got, nullptr)) {
            throw RunFailure{kExitListFile, L"list file read: " + ErrorText(::GetLastError())};
        }
        if (got == 0) {
            bytes.resize(done); // it shrank while being read
            break;
        }
        done += got;
    }
    return bytes;
}

DosDateTime ToDos(const FILETIME& utc) {
    DosDateTime stamp;
    FILETIME local{};
    WORD date = 0;
    WORD time = 0;
    if (::FileTimeToLocalFileTime(&utc, &local) && ::FileTimeToDosDateTime(&local, &date, &time)) {
        stamp.date = date;
        stamp.time = time;
    }
    return stamp;
}

struct PlannedItem {
    std::wstring fullPath;
    std::wstring name; // stored, '/'-separated, folders with a trailing '/'
    bool folder = false;
    FILETIME modified{};
};

class Planner {
public:
    Planner(RunRecord& record, std::wstring archiveFull, std::wstring tempFull)
        : record_(record), archiveFull_(std::move(archiveFull)), tempFull_(std::move(tempFull)) {}

    void AddListed(const std::wstring& listed, bool excludeBaseFolder) {
        const std::wstring full = FullPath(listed);
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (!::GetFileAttributesExW(ForApi(full).c_str(), GetFileExInfoStandard, &data)) {
            const DWORD error = ::GetLastError();
            record_.missing.push_back(listed);
            record_.Fail(kExitIncomplete,
                         L"listed but not found: \"" + listed + L"\" (" + ErrorText(error) + L")");
            return;
        }
        const std::wstring base = StoredBaseName(full, excludeBaseFolder);
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            if (base.empty()) {
                record_.Fail(kExitIncomplete, L"no name to store \"" + listed + L"\" under");
                return;
            }
            Add(full, base, false, data.ftLastWriteTime);
            return;
        }
        if (!base.empty()) {
            Add(full, base + L"/", true, data.ftLastWriteTime);
        }
        Walk(full, base);
    }

    std::vector<PlannedItem>& Items() { return items_; }
    std::size_t Duplicates() const { return duplicates_; }

private:
    void Add(const std::wstring& full, const std::wstring& name, bool folder, FILETIME modified) {
        if (SamePath(full, archiveFull_) || SamePath(full, tempFull_)) {
            record_.notes.push_back(L"the archive itself not added: \"" + full + L"\"");
            return;
        }
        if (!names_.insert(name).second) {
            ++duplicates_;
            return;
        }
        items_.push_back({full, name, folder, modified});
    }

    // Depth-first with an explicit stack: a deep tree must not exhaust the thread's stack.
    void Walk(const std::wstring& root, const std::wstring& rootName) {
        std::vector<std::pair<std::wstring, std::wstring>> pending{{root, rootName}};
        while (!pending.empty()) {
            auto [folder, folderName] = std::move(pending.back());
            pending.pop_back();
            std::wstring pattern = folder;
            if (pattern.empty() || (pattern.back() != L'\\' && pattern.back() != L'/')) {
                pattern += L'\\';
            }
            const std::wstring prefix = pattern;
            pattern += L'*';
            WIN32_FIND_DATAW found{};
            UniqueFindHandle find(::FindFirstFileExW(ForApi(pattern).c_str(), FindExInfoBasic,
                                                     &found, FindExSearchNameMatch, nullptr, 0));
            if (!find) {
                const DWORD error = ::GetLastError();
                if (error != ERROR_FILE_NOT_FOUND) {
                    record_.skipped.push_back(
                        {folder, L"contents not listed: " + ErrorText(error)});
                    record_.Fail(kExitIncomplete,
                                 L"folder contents not readable: \"" + folder + L"\"");
                }
                continue;
            }
            std::vector<WIN32_FIND_DATAW> children;
            do {
                const std::wstring_view child(found.cFileName);
                if (child != L"." && child != L"..") {
                    children.push_back(found);
                }
            } while (::FindNextFileW(find.get(), &found));
            std::sort(children.begin(), children.end(),
                      [](const WIN32_FIND_DATAW& a, const WIN32_FIND_DATAW& b) {
                          return std::wstring_view(a.cFileName) < std::wstring_view(b.cFileName);
                      });
            std::vector<std::pair<std::wstring, std::wstring>> subfolders;
            for (const auto& child : children) {
                const std::wstring full = prefix + child.cFileName;
                const std::wstring name = JoinStoredName(folderName, child.cFileName);
                if ((child.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
                    Add(full, name, false, child.ftLastWriteTime);
                    continue;
                }
                Add(full, name + L"/", true, child.ftLastWriteTime);
                if ((child.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
                    // A link may lead back up the tree; its target is not followed.
                    record_.notes.push_back(L"linked folder stored empty: \"" + full + L"\"");
                    continue;
                }
                subfolders.emplace_back(full, name);
            }
            // Reversed, so that the stack hands them out in name order.
            for (auto it = subfolders.rbegin(); it != subfolders.rend(); ++it) {
                pending.push_back(std::move(*it));
            }
        }
    }

    RunRecord& record_;
    std::wstring archiveFull_;
    std::wstring tempFull_;
    std::vector<PlannedItem> items_;
    std::set<std::wstring> names_;
    std::size_t duplicates_ = 0;
};

class FileSink : public ZipSink {
public:
    explicit FileSink(HANDLE file) : file_(file) {}

    void Write(const void* data, std::size_t size) override {
        const auto* bytes = static_cast<const char*>(data);
        while (size != 0) {
            const auto piece = static_cast<DWORD>(std::min<std::size_t>(size, 1 << 20));
            DWORD written = 0;
            if (!::WriteFile(file_, bytes, piece, &written, nullptr) || written == 0) {
                throw RunFailure{kExitArchive, L"archive write: " + ErrorText(::GetLastError())};
            }
            bytes += written;
            size -= written;
        }
    }

    void WriteAt(std::uint64_t offset, const void* data, std::size_t size) override {
        LARGE_INTEGER here{};
        LARGE_INTEGER target{};
        target.QuadPart = static_cast<LONGLONG>(offset);
        if (!::SetFilePointerEx(file_, LARGE_INTEGER{}, &here, FILE_CURRENT) ||
            !::SetFilePointerEx(file_, target, nullptr, FILE_BEGIN)) {
            throw RunFailure{kExitArchive, L"archive seek: " + ErrorText(::GetLastError())};
        }
        Write(data, size);
        if (!::SetFilePointerEx(file_, here, nullptr, FILE_BEGIN)) {
            throw RunFailure{kExitArchive, L"archive seek: " + ErrorText(::GetLastError())};
        }
    }

private:
    HANDLE file_;
};

// Removes the half-written archive unless the run got as far as moving it into place.
class TempFile {
public:
    explicit TempFile(std::wstring path) : path_(std::move(path)) {}
    ~TempFile() {
        if (!kept_) {
            ::DeleteFileW(ForApi(path_).c_str());
        }
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    void Keep() { kept_ = true; }

private:
    std::wstring path_;
    bool kept_ = false;
};

void WriteArchive(RunRecord& record, std::vector<PlannedItem>& items,
                  const std::wstring& archiveFull, const std::wstring& tempFull) {
    TempFile temp(tempFull);
    {
        UniqueFileHandle out(::CreateFileW(ForApi(tempFull).c_str(), GENERIC_READ | GENERIC_WRITE,
                                           0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                           nullptr));
        if (!out) {
            throw RunFailure{kExitArchive, L"archive cannot be created: \"" + tempFull + L"\" (" +
                                               ErrorText(::GetLastError()) + L")"};
        }
        FileSink sink(out.get());
        ZipWriter zip(sink, record.switchPlan.compressionLevel);
        for (const auto& item : items) {
            bool lossy = false;
            const std::string name = ToUtf8(item.name, &lossy);
            if (lossy) {
                record.notes.push_back(L"name not valid UTF-16, stored with U+FFFD: \"" +
                                       item.name + L"\"");
            }
            if (item.folder) {
                zip.AddDirectory(name, ToDos(item.modified));
                record.added.push_back({item.fullPath, item.name, true, 0, 0});
                continue;
            }
            UniqueFileHandle in(
                ::CreateFileW(ForApi(item.fullPath).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
            if (!in) {
                const DWORD error = ::GetLastError();
                record.skipped.push_back({item.fullPath, L"cannot be read: " + ErrorText(error)});
                record.Fail(kExitIncomplete, L"not added: \"" + item.fullPath + L"\"");
                continue;
            }
            const auto info =
                zip.AddFile(name, ToDos(item.modified), [&](char* buffer, std::size_t size) {
                    DWORD got = 0;
                    if (!::ReadFile(in.get(), buffer, static_cast<DWORD>(size), &got, nullptr)) {
                        throw RunFailure{kExitArchive, L"read of \"" + item.fullPath +
                                                           L"\" failed: " +
                                                           ErrorText(::GetLastError())};
                    }
                    return static_cast<std::size_t>(got);
                });
            record.added.push_back(
                {item.fullPath, item.name, false, info.size, info.compressedSize});
        }
        zip.Finish();
    }
    if (!::MoveFileExW(ForApi(tempFull).c_str(), ForApi(archiveFull).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        throw RunFailure{kExitArchive, L"archive cannot be put in place: \"" + archiveFull +
                                           L"\" (" + ErrorText(::GetLastError()) + L")"};
    }
    temp.Keep();
    record.archiveWritten = true;
}

// The 7-Zip family reads its switches, its list file and its archive type by rules of its own.
void ReadAsSevenZip(RunRecord& record) {
    const SevenZipSwitches read = InterpretSevenZipSwitches(record.parsed.switches);
    record.switchPlan = read.plan;
    for (const auto& error : read.errors) {
        record.Fail(kExitCommandLine, error);
    }
    record.archiveType = SevenZipArchiveType(read.type, record.parsed.archivePath);
    if (record.archiveType.empty()) {
        // Found by the family only when it sets out to make the archive: not implemented.
        record.Fail(kExitArchive, L"archive type the family cannot make: " + *read.type);
    }
    record.notDone = NotDoneBySwitches(record.switchPlan, record.parsed.archivePath);
    if (!record.archiveType.empty() && record.archiveType != L"zip") {
        record.notDone.push_back(record.archiveType + L" format: the archive holds ZIP content");
    }
    record.listBytes = ReadWholeFile(record.parsed.listFilePath);
    record.list = DecodeSevenZipListFile(*record.listBytes, read.listCodePage, DecodeCodePage);
}

void Run(RunRecord& record) {
    record.parsed = ParseCommandLine(record.commandLine);
    if (!record.parsed.ok) {
        record.Fail(kExitCommandLine, L"command line not understood: " + record.parsed.error);
        return;
    }
    if (record.sevenZip) {
        ReadAsSevenZip(record);
    } else {
        record.switchPlan = InterpretSwitches(record.parsed.switchList);
        record.notDone = NotDoneBySwitches(record.switchPlan, record.parsed.archivePath);
        record.listBytes = ReadWholeFile(record.parsed.listFilePath);
        record.list = DecodeListFile(*record.listBytes, DecodeAnsi);
    }
    if (!EqualsAsciiNoCase(record.parsed.command, L"A")) {
        record.Fail(kExitCommandLine,
                    L"command \"" + record.parsed.command + L"\" not supported: only A (add)");
        return;
    }
    if (!record.list->problems.empty()) {
        record.Fail(kExitListFile, L"list file cannot be decoded as it is");
        return;
    }
    if (record.exitCodeChosen == kExitCommandLine ||
        (record.sevenZip && record.archiveType.empty())) {
        return;
    }
    if (record.parsed.archivePath.empty()) {
        record.Fail(kExitArchive, L"no archive path");
        return;
    }
    record.archiveFullPath = FullPath(record.parsed.archivePath);
    const std::wstring tempFull =
        record.archiveFullPath + L".standin-" + std::to_wstring(record.processId) + L".tmp";

    Planner planner(record, record.archiveFullPath, tempFull);
    for (const auto& entry : record.list->entries) {
        planner.AddListed(entry, record.switchPlan.excludeBaseFolder);
    }
    if (planner.Duplicates() != 0) {
        record.notes.push_back(std::to_wstring(planner.Duplicates()) +
                               L" entries with a name already stored were added once");
    }
    if (record.sevenZip && IsSingleFileType(record.archiveType) && planner.Items().size() != 1) {
        // The family fails such an archive as a whole (exit code 2).
        record.Fail(kExitArchive, L"a " + record.archiveType + L" archive holds one file, not " +
                                      std::to_wstring(planner.Items().size()) + L" items");
        return;
    }
    // The family makes an empty archive of an empty list.
    if (planner.Items().empty() && !record.sevenZip) {
        record.Fail(kExitIncomplete, L"nothing to add: no archive written");
        return;
    }
    WriteArchive(record, planner.Items(), record.archiveFullPath, tempFull);
}

std::wstring Widen(const char* text) {
    std::wstring wide;
    for (const char* p = text; p && *p; ++p) {
        wide += static_cast<wchar_t>(static_cast<unsigned char>(*p));
    }
    return wide;
}

// The name of the mutex that the runs appending to one log take turns under: the log's full
// path in upper case (the file system ignores case), hashed, since a name cannot hold "\\".
std::wstring LogMutexName(const std::wstring& path) {
    std::wstring full = path;
    try {
        full = FullPath(path);
    } catch (const RunFailure&) {
        // The path as given still names the same log for every run that is given it.
    }
    ::CharUpperBuffW(full.data(), static_cast<DWORD>(full.size()));
    std::uint64_t hash = 14695981039346656037ull; // FNV-1a
    for (const wchar_t c : full) {
        hash = (hash ^ static_cast<std::uint16_t>(c)) * 1099511628211ull;
    }
    wchar_t name[64];
    std::swprintf(name, 64, L"Local\\velkin-standin-log-%016llx",
                  static_cast<unsigned long long>(hash));
    return name;
}

void AppendLogLine(const std::wstring& path, const std::string& line) {
    // Runs that end together take turns. FILE_APPEND_DATA alone makes every write go to the end
    // on Windows, but under Wine two runs ending at once were seen to write at the same place,
    // one line lost (four runs, three lines).
    const UniqueKernelHandle turns(::CreateMutexW(nullptr, FALSE, LogMutexName(path).c_str()));
    const DWORD waited = turns ? ::WaitForSingleObject(turns.get(), 60000) : WAIT_FAILED;
    const bool owned = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    {
        UniqueFileHandle log(::CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                           nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (log) {
            const std::string whole = line + "\n";
            DWORD written = 0;
            ::WriteFile(log.get(), whole.data(), static_cast<DWORD>(whole.size()), &written,
                        nullptr);
        }
    }
    if (owned) {
        ::ReleaseMutex(turns.get());
    }
}

// Returns once the file exists (or after a day): whoever set VELKIN_STANDIN_WAIT_FOR decides
// when this run reads its list file. Woken by any change of names in the file's folder, and
// once a second should the folder not be watchable.
void WaitUntilExists(const std::wstring& path) {
    const std::wstring full = FullPath(path);
    const std::wstring folder = full.substr(0, full.find_last_of(L'\\') + 1);
    const UniqueChangeNotification change(::FindFirstChangeNotificationW(
        folder.c_str(), FALSE, FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME));
    const ULONGLONG deadline = ::GetTickCount64() + static_cast<ULONGLONG>(kMaxDelayMs);
    while (::GetFileAttributesW(ForApi(full).c_str()) == INVALID_FILE_ATTRIBUTES &&
           ::GetTickCount64() < deadline) {
        if (!change) {
            ::Sleep(1000);
            continue;
        }
        ::WaitForSingleObject(change.get(), 1000);
        ::FindNextChangeNotification(change.get());
    }
}

} // namespace

std::uint32_t StandInMain() {
    const Moment start = Now();
    RunRecord record;
    record.startTime = start.text;
    record.processId = ::GetCurrentProcessId();
    record.ansiCodePage = ::GetACP();
    std::optional<std::wstring> logPath;
    try {
        record.commandLine = ::GetCommandLineW();
        record.sevenZip = IsSevenZipProgram(OwnPath());
        logPath = EnvironmentValue(kLogVariable);
        const auto settings = InterpretEnvironment(EnvironmentValue(kDelayVariable),
                                                   EnvironmentValue(kExitCodeVariable));
        record.delayMs = settings.delayMs;
        record.exitCodeForced = settings.exitCode;
        record.notes.insert(record.notes.end(), settings.notes.begin(), settings.notes.end());
        if (const auto gate = EnvironmentValue(kWaitForVariable); gate && !gate->empty()) {
            WaitUntilExists(*gate);
        }
        Run(record);
    } catch (const RunFailure& failure) {
        record.Fail(failure.code, failure.message);
    } catch (const ZipError& error) {
        record.Fail(kExitArchive, L"archive: " + Widen(error.what()));
    } catch (const std::exception& error) {
        record.Fail(kExitInternal, L"unexpected failure: " + Widen(error.what()));
    } catch (...) {
        record.Fail(kExitInternal, L"unexpected failure of unknown kind");
    }
    if (record.delayMs > 0) {
        ::Sleep(static_cast<DWORD>(record.delayMs));
    }
    const Moment end = Now();
    record.endTime = end.text;
    record.durationMs = static_cast<long long>((end.ticks - start.ticks) / 10000);
    if (logPath && !logPath->empty()) {
        try {
            AppendLogLine(*logPath, FormatLogLine(record));
        } catch (...) {
            // Nowhere left to tell; the exit code still says how the run went.
        }
    }
    return record.ExitCode();
}

} // namespace velkin::standin::win

int main() {
    // A broken file system or media must not raise a dialog box that nobody will answer.
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    ::ExitProcess(velkin::standin::win::StandInMain());
}
