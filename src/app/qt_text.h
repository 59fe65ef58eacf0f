#pragma once

#include <QString>
#include <string>

#include "common/cp1252.h"

namespace qv::app {

// The core keeps text in Windows-1252; Qt wants Unicode. Every text crosses here.
inline QString toQt(const std::string& cp1252) {
    return QString::fromUtf8(cp1252ToUtf8(cp1252).c_str());
}

inline std::string fromQt(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return utf8ToCp1252(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

}  // namespace qv::app
