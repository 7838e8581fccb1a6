// The hand-off decoder against its encoder. Whatever bytes a message brings, decoding either
// refuses them or finds a request that encodes to exactly those bytes; and every request the
// encoder takes comes back whole.

#include "app/hand_off.h"
#include "fuzz_support.h"

namespace {

// Separators, a dot, a blank, the zero character no path may hold, a lone high surrogate (a
// Windows name may hold one) and the characters of fuzz_support that trip text rules.
std::wstring Alphabet() {
    std::wstring alphabet = L"a\\:. ";
    alphabet += L'\0';
    alphabet += static_cast<wchar_t>(0xD800);
    alphabet.append(velkin::fuzz::kUnusualCharacters.begin(),
                    velkin::fuzz::kUnusualCharacters.end());
    return alphabet;
}

bool Encodable(const velkin::StartRequest& request) {
    if (request.paths.empty()) {
        return false;
    }
    for (const auto& path : request.paths) {
        if (path.empty() || path.find(L'\0') != std::wstring::npos) {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (const auto decoded = velkin::DecodeHandOff(bytes)) {
        FUZZ_CHECK(!decoded->paths.empty());
        const auto again = velkin::EncodeHandOff(*decoded);
        FUZZ_CHECK(again && *again == bytes);
    }

    static const std::wstring alphabet = Alphabet();
    FuzzedDataProvider provider(data, size);
    velkin::StartRequest request;
    request.eachApart = provider.ConsumeBool();
    const auto count = provider.ConsumeIntegralInRange<std::size_t>(0, 6);
    for (std::size_t i = 0; i < count; ++i) {
        request.paths.push_back(velkin::fuzz::TextFrom(provider, alphabet, 40));
    }
    const auto encoded = velkin::EncodeHandOff(request);
    FUZZ_CHECK(encoded.has_value() == Encodable(request));
    if (encoded) {
        FUZZ_CHECK(velkin::DecodeHandOff(*encoded) == request);
    }
    return 0;
}
