#include <doctest/doctest.h>

#include "core/stored_names.h"

using namespace velkin::standin;

TEST_CASE("-EP1 keeps the last component only") {
    CHECK(StoredBaseName(L"D:\\x\\a.txt", true) == L"a.txt");
    CHECK(StoredBaseName(L"D:\\x\\dir", true) == L"dir");
    CHECK(StoredBaseName(L"D:\\x\\dir\\", true) == L"dir");
    CHECK(StoredBaseName(L"\\\\srv\\share\\x\\\uD55C.txt", true) == L"\uD55C.txt");
}

TEST_CASE("without -EP1 the path is kept below its drive or share") {
    CHECK(StoredBaseName(L"D:\\x\\a.txt", false) == L"x/a.txt");
    CHECK(StoredBaseName(L"\\\\srv\\share\\x\\a.txt", false) == L"x/a.txt");
    CHECK(StoredBaseName(L"\\\\?\\D:\\x\\a.txt", false) == L"x/a.txt");
    CHECK(StoredBaseName(L"\\\\?\\UNC\\srv\\share\\x\\a.txt", false) == L"x/a.txt");
    CHECK(StoredBaseName(L"Z:/tmp/a b/c.txt", false) == L"tmp/a b/c.txt");
    CHECK(StoredBaseName(L"D:x\\a.txt", false) == L"x/a.txt");
}

TEST_CASE("a root has no name; dot components never climb out") {
    CHECK(StoredBaseName(L"D:\\", true).empty());
    CHECK(StoredBaseName(L"D:\\", false).empty());
    CHECK(StoredBaseName(L"\\\\srv\\share", false).empty());
    CHECK(StoredBaseName(L"D:\\x\\..\\..\\y\\.\\a", false) == L"x/y/a");
    CHECK(ComponentsBelowRoot(L"D:\\\\x//y") == std::vector<std::wstring>{L"x", L"y"});
}

TEST_CASE("children join below their folder") {
    CHECK(JoinStoredName(L"dir", L"a.txt") == L"dir/a.txt");
    CHECK(JoinStoredName(L"", L"a.txt") == L"a.txt");
}

TEST_CASE("extended-length paths") {
    CHECK(ExtendedLengthPath(L"D:\\x") == L"\\\\?\\D:\\x");
    CHECK(ExtendedLengthPath(L"\\\\srv\\share\\x") == L"\\\\?\\UNC\\srv\\share\\x");
    CHECK(ExtendedLengthPath(L"\\\\?\\D:\\x") == L"\\\\?\\D:\\x");
    CHECK(ExtendedLengthPath(L"\\\\.\\pipe\\p") == L"\\\\.\\pipe\\p");
}
