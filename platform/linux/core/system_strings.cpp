// System strings: a byte count in front of the characters, a NUL after them.
#include <oleauto.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace {

constexpr std::size_t kPrefix = sizeof(UINT);
static_assert(kPrefix % alignof(OLECHAR) == 0);

UINT* PrefixOf(BSTR text) { return reinterpret_cast<UINT*>(reinterpret_cast<char*>(text) - kPrefix); }

}  // namespace

BSTR WINAPI SysAllocStringLen(const OLECHAR* strIn, UINT ui) {
    if (ui > (UINT_MAX - kPrefix) / sizeof(OLECHAR) - 1) return nullptr;
    auto* block = static_cast<char*>(std::calloc(1, kPrefix + (std::size_t{ui} + 1) * sizeof(OLECHAR)));
    if (block == nullptr) return nullptr;
    const UINT bytes = static_cast<UINT>(ui * sizeof(OLECHAR));
    std::memcpy(block, &bytes, kPrefix);
    auto* text = reinterpret_cast<BSTR>(block + kPrefix);
    if (strIn != nullptr) std::memcpy(text, strIn, ui * sizeof(OLECHAR));
    return text;
}

BSTR WINAPI SysAllocString(const OLECHAR* psz) {
    if (psz == nullptr) return nullptr;
    return SysAllocStringLen(psz, static_cast<UINT>(std::wcslen(psz)));
}

void WINAPI SysFreeString(BSTR bstrString) {
    if (bstrString != nullptr) std::free(PrefixOf(bstrString));
}

UINT WINAPI SysStringLen(BSTR pbstr) {
    if (pbstr == nullptr) return 0;
    UINT bytes;
    std::memcpy(&bytes, PrefixOf(pbstr), kPrefix);
    return static_cast<UINT>(bytes / sizeof(OLECHAR));
}
