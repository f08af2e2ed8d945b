// The case mappings declared in UnicodeText.hpp. They need ICU's locale rules (Turkish and
// Lithuanian dotted i, final sigma), so they live in an object of their own: the hook helper,
// which maps no case, never links ICU.
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include "platform/text/UnicodeText.hpp"

namespace quorvel::text {
namespace {

icu::Locale localeNamed(const char* locale) {
    if (locale == nullptr || *locale == '\0') return icu::Locale::getRoot();
    return icu::Locale(locale);
}

}  // namespace

std::string uppercased(std::string_view text, const char* locale) {
    icu::UnicodeString unicode = icu::UnicodeString::fromUTF8(repairedUtf8(text));
    std::string result;
    unicode.toUpper(localeNamed(locale)).toUTF8String(result);
    return result;
}

std::string lowercased(std::string_view text, const char* locale) {
    icu::UnicodeString unicode = icu::UnicodeString::fromUTF8(repairedUtf8(text));
    std::string result;
    unicode.toLower(localeNamed(locale)).toUTF8String(result);
    return result;
}

}  // namespace quorvel::text
