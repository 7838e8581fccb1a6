// Path parts and archive naming on Shift-JIS bytes and on wide text. Valid Shift-JIS is also
// decoded character by character, each character to a wide one of its own: the byte results
// must then be whole characters and agree with the wide results and with a front-to-back split.

#include "base/path_parts.h"
#include "fuzz_support.h"
#include "joblist/archive_naming.h"

namespace {

namespace sjis = velkin::fuzz::sjis;

bool IsSeparator(std::string_view character) {
    return character == "\\" || character == ":";
}

struct Split {
    std::string folder;
    std::string name;
};

// The last separator found by walking whole characters from the front.
Split ReferenceSplit(const std::vector<std::string_view>& characters) {
    std::size_t cut = 0;
    for (std::size_t i = 0; i < characters.size(); ++i) {
        if (IsSeparator(characters[i])) {
            cut = i + 1;
        }
    }
    Split split;
    for (std::size_t i = 0; i < characters.size(); ++i) {
        (i < cut ? split.folder : split.name) += characters[i];
    }
    return split;
}

// The name less everything from its last dot, when no separator comes after that dot.
std::string ReferenceStem(const std::vector<std::string_view>& characters) {
    std::size_t end = characters.size();
    for (std::size_t i = characters.size(); i-- > 0;) {
        if (characters[i] == "." || IsSeparator(characters[i])) {
            end = characters[i] == "." ? i : characters.size();
            break;
        }
    }
    std::string stem;
    for (std::size_t i = 0; i < end; ++i) {
        stem += characters[i];
    }
    return stem;
}

bool EndsWithSeparatorByte(std::string_view text) {
    return !text.empty() && (text.back() == '\\' || text.back() == ':');
}

// What holds for any bytes, valid Shift-JIS or not.
void CheckAnyBytes(const std::string& path, const std::string& extension) {
    const auto folder = velkin::FolderPart(path, velkin::IsShiftJisLeadByte);
    const auto name = velkin::FileNamePart(path, velkin::IsShiftJisLeadByte);
    FUZZ_CHECK(folder + name == path);
    FUZZ_CHECK(folder.empty() || EndsWithSeparatorByte(folder));

    const auto changed = velkin::ChangeExtension(name, extension, velkin::IsShiftJisLeadByte);
    FUZZ_CHECK(changed.ends_with(extension));
    const std::string_view stem =
        std::string_view(changed).substr(0, changed.size() - extension.size());
    FUZZ_CHECK(name.starts_with(stem));
    const std::string_view dropped = std::string_view(name).substr(stem.size());
    FUZZ_CHECK(dropped.empty() || dropped.front() == '.');
}

void CheckValidShiftJis(const std::string& path, const std::string& extension) {
    const auto characters = sjis::Split(path);
    const auto extensionText = sjis::Decode(extension);
    FUZZ_CHECK(characters && extensionText);
    const std::wstring wide = *sjis::Decode(path);

    const Split expected = ReferenceSplit(*characters);
    const auto folder = velkin::FolderPart(path, velkin::IsShiftJisLeadByte);
    const auto name = velkin::FileNamePart(path, velkin::IsShiftJisLeadByte);
    FUZZ_CHECK(folder == expected.folder);
    FUZZ_CHECK(name == expected.name);

    // No part ends or starts inside a character, and the wide form splits the same way.
    const auto folderText = sjis::Decode(folder);
    const auto nameText = sjis::Decode(name);
    FUZZ_CHECK(folderText && nameText);
    FUZZ_CHECK(velkin::FolderPart(wide) == *folderText);
    FUZZ_CHECK(velkin::FileNamePart(wide) == *nameText);
    const auto nameCharacters = sjis::Split(name);
    for (const auto character : *nameCharacters) {
        FUZZ_CHECK(!IsSeparator(character));
    }

    const auto changed = velkin::ChangeExtension(name, extension, velkin::IsShiftJisLeadByte);
    FUZZ_CHECK(changed == ReferenceStem(*nameCharacters) + extension);
    const auto changedText = sjis::Decode(changed);
    FUZZ_CHECK(changedText && velkin::ChangeExtension(*nameText, *extensionText) == *changedText);
    // The whole path too: the function looks past separators only to stop at them.
    const auto changedPath = velkin::ChangeExtension(path, extension, velkin::IsShiftJisLeadByte);
    FUZZ_CHECK(changedPath == ReferenceStem(*characters) + extension);
    FUZZ_CHECK(sjis::Decode(changedPath) ==
               std::optional(velkin::ChangeExtension(wide, *extensionText)));
}

// What holds for wide text of any characters, including ones whose low byte is "\" or ":".
void CheckWide(const std::wstring& path, const std::wstring& extension, bool isDirectory,
               const std::wstring& profile) {
    const auto last = path.find_last_of(L"\\:");
    const std::wstring expectedFolder = last == std::wstring::npos ? L"" : path.substr(0, last + 1);
    const auto folder = velkin::FolderPart(path);
    const auto name = velkin::FileNamePart(path);
    FUZZ_CHECK(folder == expectedFolder);
    FUZZ_CHECK(folder + name == path);
    FUZZ_CHECK(name.find_first_of(L"\\:") == std::wstring::npos);

    const auto dot = name.rfind(L'.');
    const std::wstring stem = dot == std::wstring::npos ? name : name.substr(0, dot);
    FUZZ_CHECK(velkin::ChangeExtension(name, extension) == stem + extension);

    // ".zip" exactly when "-afzip" appears in any letter case.
    bool zip = false;
    for (std::size_t at = 0; at + 6 <= profile.size() && !zip; ++at) {
        zip = true;
        for (std::size_t i = 0; i < 6 && zip; ++i) {
            wchar_t c = profile[at + i];
            if (c >= L'A' && c <= L'Z') {
                c = static_cast<wchar_t>(c + (L'a' - L'A'));
            }
            zip = c == L"-afzip"[i];
        }
    }
    const std::wstring archiveExtension = velkin::ArchiveExtension(profile);
    FUZZ_CHECK(archiveExtension == (zip ? L".zip" : L".rar"));

    for (const std::wstring& ext : {archiveExtension, extension}) {
        const auto naming = velkin::NameArchive(path, isDirectory, ext);
        FUZZ_CHECK(naming.extension == ext);
        FUZZ_CHECK(naming.destinationFolder == folder);
        FUZZ_CHECK(naming.archiveName == (isDirectory ? name : stem) + ext);
        FUZZ_CHECK(naming.Destination() == folder + naming.archiveName);
        FUZZ_CHECK(naming.archiveName.ends_with(ext));

        const auto request = velkin::SaveDialogFor(naming);
        FUZZ_CHECK(request.initialFolder == naming.destinationFolder);
        FUZZ_CHECK(request.fileName == naming.archiveName);
        FUZZ_CHECK(request.defaultExtension == (ext == L".zip" ? L"zip" : L"rar"));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider provider(data, size);
    const bool isDirectory = provider.ConsumeBool();
    switch (provider.ConsumeIntegralInRange<int>(0, 2)) {
    case 0: {
        const std::string path = sjis::Text(provider, 40);
        const std::string extension = sjis::Text(provider, 5);
        CheckAnyBytes(path, extension);
        CheckValidShiftJis(path, extension);
        const std::wstring wide = *sjis::Decode(path);
        const std::wstring profile = *sjis::Decode(sjis::Text(provider, 12));
        CheckWide(wide, *sjis::Decode(extension), isDirectory, profile);
        break;
    }
    case 1: {
        // Any bytes: lead bytes without trail bytes, a lone trail byte, and so on.
        const std::string extension = provider.ConsumeRandomLengthString(8);
        const std::string path = provider.ConsumeRemainingBytesAsString();
        CheckAnyBytes(path, extension);
        if (sjis::Split(path) && sjis::Split(extension)) {
            CheckValidShiftJis(path, extension);
        }
        break;
    }
    default: {
        constexpr std::wstring_view kAlphabet =
            L"\\:.aAzZ-fFiIpP \u015C\u013A\uFF3C\u205C\uFF0E\u3042";
        const std::wstring extension = velkin::fuzz::TextFrom(provider, kAlphabet, 6);
        const std::wstring profile = velkin::fuzz::TextFrom(provider, kAlphabet, 16);
        const std::wstring path = velkin::fuzz::TextFrom(provider, kAlphabet, 64);
        CheckWide(path, extension, isDirectory, profile);
        break;
    }
    }
    return 0;
}
