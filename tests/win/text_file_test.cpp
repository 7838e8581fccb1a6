#include <doctest/doctest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "base/velkin_error.h"
#include "platform/text_file.h"
#include "platform/unique_handle.h"

namespace {

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

} // namespace

TEST_CASE("a file written in pieces is held for readers, and kept from writers") {
    const auto folder = std::filesystem::temp_directory_path() /
                        (L"velkin-text-file-" + std::to_wstring(::GetCurrentProcessId()));
    std::filesystem::create_directories(folder);
    const std::wstring path = (folder / L"Velkin.lst").wstring();
    std::string expected;
    for (int i = 0; i < 50000; ++i) {
        expected += "D:\\folder\\file " + std::to_string(i) + ".txt\r\n";
    }
    {
        auto held = velkin::win::WriteAndHoldFile(path, [&](velkin::ByteSink& sink) {
            sink.Append("what is started over");
            sink.StartOver();
            for (std::size_t at = 0; at < expected.size(); at += 70000) {
                sink.Append(std::string_view(expected).substr(at, 70000));
            }
        });
        CHECK(ReadAll(path) == expected);
        // As the archiver opens it: to read, sharing reading only.
        CHECK(static_cast<bool>(velkin::win::UniqueFileHandle(
            ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr))));
        // As a second Velkin would: to write it anew.
        const velkin::win::UniqueFileHandle writer(
            ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
        CHECK_FALSE(static_cast<bool>(writer));
        CHECK_THROWS_AS(velkin::win::WriteAndHoldFile(
                            path, [](velkin::ByteSink& sink) { sink.Append("other"); }),
                        velkin::Error);
        CHECK(ReadAll(path) == expected);
    }
    // The writer's own error leaves as it came.
    try {
        velkin::win::WriteAndHoldFile(
            path, [](velkin::ByteSink&) { throw velkin::Error(L"the writer's own"); });
        FAIL("no error");
    } catch (const velkin::Error& error) {
        CHECK(error.message() == L"the writer's own");
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}
