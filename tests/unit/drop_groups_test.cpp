#include <doctest/doctest.h>

#include <string>
#include <vector>

#include "base/velkin_error.h"
#include "joblist/drop_groups.h"

namespace velkin {
namespace {

JobRow Row(std::wstring number, std::wstring destination, std::wstring path = L"p",
           std::wstring profile = L"1") {
    return JobRow(std::move(number), std::move(profile), std::move(path), std::move(destination));
}

std::vector<std::wstring> Numbers(const JobRows& rows) {
    std::vector<std::wstring> numbers;
    for (const auto& row : rows) {
        numbers.push_back(row.dropNumber);
    }
    return numbers;
}

std::vector<std::wstring> Paths(const JobRows& rows) {
    std::vector<std::wstring> paths;
    for (const auto& row : rows) {
        paths.push_back(row.FullPath());
    }
    return paths;
}

using Texts = std::vector<std::wstring>;

} // namespace

TEST_CASE("deleting a group renumbers the rest by runs of equal destinations and profiles") {
    struct Case {
        const char* name;
        JobRows rows;
        std::int32_t deleted;
        Texts numbers;
        std::int32_t dropCount;
    };
    const Case cases[] = {
        {"three destinations, the middle one deleted",
         {Row(L"0", L"A"), Row(L"0", L"A"), Row(L"1", L"B"), Row(L"2", L"C"), Row(L"2", L"C")},
         1,
         {L"0", L"0", L"1", L"1"},
         2},
        {"A B A: the outer groups merge",
         {Row(L"0", L"A"), Row(L"1", L"B"), Row(L"2", L"A")},
         1,
         {L"0", L"0"},
         1},
        {"A A B: deleting B joins the two A groups",
         {Row(L"0", L"A"), Row(L"1", L"A"), Row(L"2", L"B")},
         2,
         {L"0", L"0"},
         1},
        {"one destination with two profiles: deleting what stood between keeps them apart",
         {Row(L"0", L"A", L"p", L"1"), Row(L"1", L"B"), Row(L"2", L"A", L"p", L"2")},
         1,
         {L"0", L"1"},
         2},
        {"one destination with two profiles, neighbours from the start, stay apart",
         {Row(L"0", L"A", L"p", L"1"), Row(L"1", L"A", L"p", L"2"), Row(L"2", L"B")},
         2,
         {L"0", L"1"},
         2},
        {"destinations that differ in letter case stay apart",
         {Row(L"0", L"D:\\a.rar"), Row(L"1", L"D:\\A.rar"), Row(L"2", L"x")},
         2,
         {L"0", L"1"},
         2},
        {"the only group: empty list, count 0", {Row(L"0", L"A"), Row(L"0", L"A")}, 0, {}, 0},
        {"a number no row carries still renumbers",
         {Row(L"5", L"A"), Row(L"9", L"B")},
         3,
         {L"0", L"1"},
         2},
        {"an edited number with a leading zero counts by its value",
         {Row(L"0", L"A"), Row(L"01", L"B"), Row(L"1", L"B"), Row(L"2", L"C")},
         1,
         {L"0", L"1"},
         2},
        {"edited texts that read as integers take part",
         {Row(L" 1", L"A"), Row(L"$1", L"B"), Row(L"+0", L"C")},
         1,
         {L"0"},
         1},
    };
    for (const auto& c : cases) {
        CAPTURE(c.name);
        JobRows rows = c.rows;
        std::int32_t dropCount = 77;
        DeleteGroup(rows, dropCount, c.deleted);
        CHECK(Numbers(rows) == c.numbers);
        CHECK(dropCount == c.dropCount);
    }
}

TEST_CASE("deleting keeps the order and the other columns of the remaining rows") {
    JobRows rows = {Row(L"0", L"A", L"a1"), Row(L"1", L"B", L"b1"), Row(L"0", L"A", L"a2"),
                    Row(L"2", L"C", L"c1"), Row(L"1", L"B", L"b2")};
    std::int32_t dropCount = 3;
    DeleteGroup(rows, dropCount, 1);
    CHECK(Paths(rows) == Texts{L"a1", L"a2", L"c1"});
    CHECK(Numbers(rows) == Texts{L"0", L"0", L"1"});
    CHECK(dropCount == 2);
}

TEST_CASE("an unreadable drop number stops the deletion where it stands") {
    JobRows rows = {Row(L"1", L"A", L"r0"),   Row(L"0", L"B", L"r1"), Row(L"1", L"A", L"r2"),
                    Row(L"abc", L"A", L"r3"), Row(L"1", L"A", L"r4"), Row(L"2", L"C", L"r5")};
    std::int32_t dropCount = 3;
    try {
        DeleteGroup(rows, dropCount, 1);
        FAIL("no error raised");
    } catch (const Error& error) {
        CHECK(error.message() == L"'abc' は整数ではありません");
    }
    // The matching rows above the unreadable one are gone, the rest stays unrenumbered.
    CHECK(Paths(rows) == Texts{L"r1", L"r3", L"r4", L"r5"});
    CHECK(Numbers(rows) == Texts{L"0", L"abc", L"1", L"2"});
    CHECK(dropCount == 3);
}

TEST_CASE("an unreadable drop number with no matching row above it leaves every row as it was") {
    // Found by fuzzing: with nothing removed above it, the rows were moved onto themselves,
    // which emptied them and the text that the error names.
    JobRows rows = {Row(L"0", L"B", L"r0"), Row(L"2147483648", L"A", L"r1"),
                    Row(L"1", L"A", L"r2")};
    std::int32_t dropCount = 2;
    try {
        DeleteGroup(rows, dropCount, 1);
        FAIL("no error raised");
    } catch (const Error& error) {
        CHECK(error.message() == L"'2147483648' は整数ではありません");
    }
    CHECK(Paths(rows) == Texts{L"r0", L"r1", L"r2"});
    CHECK(Numbers(rows) == Texts{L"0", L"2147483648", L"1"});
    CHECK(dropCount == 2);
}

TEST_CASE("a stopped run keeps the rows to do, grouped as after a deletion") {
    JobRows rows = {Row(L"0", L"A", L"a", L"1"), Row(L"1", L"B", L"b"), Row(L"2", L"A", L"c", L"2"),
                    Row(L"3", L"A", L"d", L"2")};
    rows[1].status = L"OK";
    std::int32_t dropCount = 4;
    KeepRowsToDo(rows, dropCount);
    CHECK(Paths(rows) == Texts{L"a", L"c", L"d"});
    CHECK(Numbers(rows) == Texts{L"0", L"1", L"1"});
    CHECK(dropCount == 2);
}

TEST_CASE("large lists are handled in one pass") {
    JobRows rows;
    for (int group = 0; group < 1000; ++group) {
        for (int item = 0; item < 20; ++item) {
            rows.push_back(Row(std::to_wstring(group), L"D" + std::to_wstring(group % 3)));
        }
    }
    std::int32_t dropCount = 1000;
    DeleteGroup(rows, dropCount, 500);
    REQUIRE(rows.size() == 999 * 20);
    CHECK(dropCount == 999);
    CHECK(rows.front().dropNumber == L"0");
    CHECK(rows.back().dropNumber == L"998");
}

TEST_CASE("the delete question names the number's text and has one blank before the rest") {
    CHECK(DeleteGroupQuestion(L"3") == L"3 番のドロップ分を削除します。\n宜しいですか?");
    CHECK(DeleteGroupQuestion(L"01") == L"01 番のドロップ分を削除します。\n宜しいですか?");
}

} // namespace velkin
