// What a console archiver prints, cut into reads anywhere: what is kept is the same however the
// reads cut it, stays within its bound and is made of whole lines; every progress figure is a
// percentage; and the UTF-8 reading of any bytes gives well-formed text.

#include <fuzzer/FuzzedDataProvider.h>

#include <string>

#include "base/console_text.h"
#include "base/utf8.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider provider(data, size);
    const std::size_t piece = provider.ConsumeIntegralInRange<std::size_t>(1, 64);
    // Bytes that mean something to the reader come often, so that their orders are tried.
    std::string printed;
    while (provider.remaining_bytes() != 0) {
        const auto byte = provider.ConsumeIntegral<std::uint8_t>();
        constexpr char kSpecial[] = {'\r', '\n', '\b', '%', ' ', '+', '5', '0'};
        printed += byte >= 0xF8 ? kSpecial[byte - 0xF8] : static_cast<char>(byte);
    }

    velkin::ConsoleText whole;
    whole.Feed(printed);
    whole.Finish();
    velkin::ConsoleText cut;
    for (std::size_t at = 0; at < printed.size(); at += piece) {
        cut.Feed(std::string_view(printed).substr(at, piece));
        if (const auto progress = cut.TakeProgress()) {
            FUZZ_CHECK(progress->percent >= 0 && progress->percent <= 100);
            FUZZ_CHECK(progress->file.size() <= printed.size());
        }
    }
    cut.Finish();
    const std::string kept = whole.Kept();
    FUZZ_CHECK(kept == cut.Kept());
    FUZZ_CHECK(kept.size() <= velkin::kKeptConsoleBytes);
    FUZZ_CHECK(kept.empty() || kept.back() == '\n');
    FUZZ_CHECK(velkin::JoinKeptText(whole, cut).size() <= velkin::kKeptConsoleBytes);

    const std::wstring text = velkin::DecodeUtf8(printed);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<std::uint32_t>(text[i]);
        const bool high = c >= 0xD800 && c <= 0xDBFF;
        const bool low = c >= 0xDC00 && c <= 0xDFFF;
        FUZZ_CHECK(c <= 0x10FFFF && !low);
        FUZZ_CHECK(!high ||
                   (i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF));
        i += high ? 1 : 0;
    }
    FUZZ_CHECK(text.size() <= printed.size());
    return 0;
}
