#include "common/list_separator.h"

#include <langinfo.h>
#include <locale.h>

namespace qv {

std::string listSeparatorForDecimalPoint(std::string_view decimalPoint) {
    return decimalPoint == "," ? ";" : ",";
}

std::string systemListSeparator() {
    // A private locale object: the process-wide locale stays "C" so that numbers in the
    // settings files are always written with ".".
    locale_t loc = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr));
    if (loc == static_cast<locale_t>(nullptr)) {
        return ",";
    }
    const char* dp = nl_langinfo_l(RADIXCHAR, loc);
    std::string result = listSeparatorForDecimalPoint(dp != nullptr ? dp : ".");
    freelocale(loc);
    return result;
}

}  // namespace qv
