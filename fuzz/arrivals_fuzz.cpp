// The doors through which paths come from other programs: the command line's arguments (what
// any shortcut or script may pass) and the file list of a drop block (what any program may put
// on the clipboard). The first byte picks the door.
//
// Arguments: every path that comes out is tidy (tidying it again changes nothing: no "/", no
// separator at the end but a root's), one for every argument that is no switch; sorting keeps
// them all, and no accepted one holds a character a name cannot hold or is other than a full
// path. The arguments as they are, as a hand-off or the clipboard may bring them, sort the same.
// Drop blocks: whatever the bytes, every path read lies inside the block, holds no zero
// character and is read once; a block made of paths gives exactly those paths back.

#include <algorithm>

#include "app/arrival_paths.h"
#include "app/start_request.h"
#include "base/drop_block.h"
#include "fuzz_support.h"

namespace {

constexpr std::wstring_view kArgumentAlphabet = L"a\\/:. \"?*<>|-\u8868\t";

std::wstring MakeFull(const std::wstring& path) {
    return L"C:\\cwd\\" + path;
}

void CheckSorted(const std::vector<std::wstring>& paths) {
    const velkin::SortedPaths sorted = velkin::SortArrivedPaths(paths);
    FUZZ_CHECK(sorted.accepted.size() + sorted.refused.size() == paths.size());
    for (const auto& path : sorted.accepted) {
        FUZZ_CHECK(!velkin::HoldsForbiddenCharacter(path));
        FUZZ_CHECK(path.find_first_of(L"\"<>|*\t") == std::wstring::npos);
        // A drive's root or a share: nothing an archiver could take for a switch.
        FUZZ_CHECK((path.size() >= 3 && path[1] == L':' && path[2] == L'\\') ||
                   (path.starts_with(L"\\\\") && path.size() >= 5 && path[2] != L'\\'));
    }
    for (const auto& path : sorted.refused) {
        FUZZ_CHECK(velkin::HoldsForbiddenCharacter(path) ||
                   !velkin::IsFullPath(velkin::WithTidySeparators(path)));
    }
    const std::wstring message = velkin::RefusedPathsMessage(sorted.refused);
    FUZZ_CHECK(static_cast<std::size_t>(std::count(message.begin(), message.end(), L'\n')) ==
               std::min(sorted.refused.size(), velkin::kMostRefusedShown) +
                   (sorted.refused.size() > velkin::kMostRefusedShown ? 1 : 0));
}

void CheckArguments(FuzzedDataProvider& provider) {
    std::vector<std::wstring> arguments;
    const auto count = provider.ConsumeIntegralInRange<std::size_t>(0, 6);
    std::size_t expected = 0;
    for (std::size_t i = 0; i < count; ++i) {
        arguments.push_back(velkin::fuzz::TextFrom(provider, kArgumentAlphabet, 24));
        if (provider.ConsumeBool()) {
            arguments.back().insert(0, L"\\\\?\\");
        }
        const std::wstring& argument = arguments.back();
        const bool each = argument.size() == 5 && (argument[0] == L'/' || argument[0] == L'-') &&
                          (argument.substr(1) == L"each" || argument.substr(1) == L"EACH");
        expected += !argument.empty() && argument.front() != L'/' && !each ? 1 : 0;
    }
    const velkin::StartRequest request = velkin::ReadStartArguments(arguments, MakeFull);
    FUZZ_CHECK(request.paths.size() == expected);
    for (const auto& path : request.paths) {
        FUZZ_CHECK(!path.empty());
        FUZZ_CHECK(path.find(L'/') == std::wstring::npos);
        FUZZ_CHECK(velkin::WithTidySeparators(path) == path);
    }
    CheckSorted(request.paths);
    CheckSorted(arguments);
}

void CheckAnyBlock(std::string_view block) {
    auto reader = velkin::DropBlock::Read(block);
    if (!reader) {
        return;
    }
    const char* previousEnd = nullptr;
    while (const auto path = reader->Next()) {
        FUZZ_CHECK(!path->empty());
        FUZZ_CHECK(path->data() >= block.data() + velkin::DropBlock::kHeaderBytes);
        FUZZ_CHECK(path->data() + path->size() < block.data() + block.size());
        FUZZ_CHECK(previousEnd == nullptr || path->data() > previousEnd);
        previousEnd = path->data() + path->size();
        const std::size_t unit = reader->wide() ? 2 : 1;
        FUZZ_CHECK(path->size() % unit == 0);
        for (std::size_t at = 0; at < path->size(); at += unit) {
            FUZZ_CHECK(path->substr(at, unit) != std::string_view("\0\0", unit));
        }
    }
    FUZZ_CHECK(!reader->Next());
}

void CheckMadeBlock(FuzzedDataProvider& provider) {
    const bool wide = provider.ConsumeBool();
    std::vector<std::string> paths;
    std::string block(velkin::DropBlock::kHeaderBytes, '\0');
    block[0] = static_cast<char>(velkin::DropBlock::kHeaderBytes);
    block[16] = wide ? 1 : 0;
    const auto count = provider.ConsumeIntegralInRange<std::size_t>(0, 5);
    for (std::size_t i = 0; i < count; ++i) {
        std::string path = provider.ConsumeRandomLengthString(16);
        std::replace(path.begin(), path.end(), '\0', 'z');
        if (path.empty()) {
            path += 'y';
        }
        if (wide && path.size() % 2 != 0) {
            path += 'y';
        }
        paths.push_back(path);
        block += path;
        block.append(wide ? 2 : 1, '\0');
    }
    block.append(wide ? 2 : 1, '\0');
    auto reader = velkin::DropBlock::Read(block);
    FUZZ_CHECK(reader && reader->wide() == wide);
    std::vector<std::string> read;
    while (const auto path = reader->Next()) {
        read.emplace_back(*path);
    }
    FUZZ_CHECK(read == paths);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    FuzzedDataProvider provider(data + 1, size - 1);
    switch (data[0] % 3) {
    case 0:
        CheckArguments(provider);
        break;
    case 1:
        CheckAnyBlock(rest);
        break;
    default:
        CheckMadeBlock(provider);
        break;
    }
    return 0;
}
