// Deleting a group against the plain way of doing it: remove the first matching row, start
// again from the top, and number the remaining rows by runs of equal destinations and profiles.

#include "base/integer_text.h"
#include "base/velkin_error.h"
#include "fuzz_support.h"
#include "joblist/drop_groups.h"
#include "remove_and_restart.h"

namespace {

bool SameRows(const velkin::JobRows& a, const velkin::JobRows& b) {
    if (a.size() != b.size()) {
        return false;
    }
    std::wstring scratchA;
    std::wstring scratchB;
    for (std::size_t i = 0; i < a.size(); ++i) {
        for (const auto column : {velkin::JobColumn::DropNumber, velkin::JobColumn::ProfileNumber,
                                  velkin::JobColumn::FileName, velkin::JobColumn::FullPath,
                                  velkin::JobColumn::Destination, velkin::JobColumn::Status}) {
            if (a[i].Text(column, scratchA) != b[i].Text(column, scratchB)) {
                return false;
            }
        }
    }
    return true;
}

// Numbers as the list may hold them: plain, spelled otherwise, out of range, not numbers.
constexpr std::wstring_view kNumberTexts[] = {
    L"0",  L"1",  L"2",          L"3",           L" 1", L"+2", L"-1", L"0x1",    L"$2",
    L"x3", L"00", L"2147483648", L"-2147483648", L"",   L"a",  L"1 ", L"\uFF11",
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider provider(data, size);
    const std::int32_t n = provider.ConsumeBool() ? provider.ConsumeIntegralInRange(-1, 4)
                                                  : provider.ConsumeIntegral<std::int32_t>();
    std::int32_t dropCount = provider.ConsumeIntegral<std::int32_t>();
    const bool onlyNumbers = provider.ConsumeBool();

    velkin::JobRows rows(provider.ConsumeIntegralInRange<std::size_t>(0, 12));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        auto& row = rows[i];
        const auto pick = provider.ConsumeIntegral<std::uint8_t>();
        // Invalid texts come up only now and then, so that whole lists get renumbered too.
        std::wstring dropNumber(onlyNumbers ? kNumberTexts[pick % 4]
                                            : kNumberTexts[pick % std::size(kNumberTexts)]);
        std::wstring destination(
            1, static_cast<wchar_t>(L'A' + provider.ConsumeIntegralInRange(0, 2)));
        std::wstring profileNumber = velkin::DecimalText(provider.ConsumeIntegralInRange(1, 2));
        std::wstring fullPath =
            destination + L"\\f" + velkin::DecimalText(static_cast<std::int32_t>(i));
        row = velkin::JobRow(std::move(dropNumber), std::move(profileNumber), std::move(fullPath),
                             std::move(destination));
        row.status = provider.ConsumeBool() ? L"" : L"done";
    }

    velkin::JobRows expectedRows = rows;
    std::int32_t expectedCount = dropCount;
    std::optional<std::wstring> expectedError;
    try {
        velkin::fuzz::RemoveAndRestart(expectedRows, expectedCount, n);
    } catch (const velkin::Error& error) {
        expectedError = error.message();
    }

    std::optional<std::wstring> error;
    try {
        velkin::DeleteGroup(rows, dropCount, n);
    } catch (const velkin::Error& thrown) {
        error = thrown.message();
    }

    FUZZ_CHECK(error == expectedError);
    FUZZ_CHECK(dropCount == expectedCount);
    FUZZ_CHECK(SameRows(rows, expectedRows));
    return 0;
}
