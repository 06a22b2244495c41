// Field value conversions.
#include "db/value.h"

#include <cmath>

#include "common/text.h"
#include "common/vb_format.h"

namespace kolv::db {

std::string Value::toText() const {
    if (isNull()) return {};
    if (isText()) return std::get<std::string>(m_v);
    if (isInteger()) return std::to_string(std::get<std::int64_t>(m_v));
    return shortestText(std::get<double>(m_v));
}

double Value::toDouble() const {
    if (isNull()) return 0.0;
    if (isInteger()) return static_cast<double>(std::get<std::int64_t>(m_v));
    if (isReal()) return std::get<double>(m_v);
    return leadingNumber(std::get<std::string>(m_v));
}

std::int64_t Value::toInt() const {
    if (isInteger()) return std::get<std::int64_t>(m_v);
    return static_cast<std::int64_t>(std::nearbyint(toDouble()));
}

bool Value::toBool() const { return toDouble() != 0.0; }

}  // namespace kolv::db
