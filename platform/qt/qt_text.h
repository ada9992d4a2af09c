// Text between the runtime's UTF-16 strings and Qt's, which are UTF-16 too:
// the units pass unchanged, unpaired surrogates included.
#pragma once

#include <QString>

#include "platform/text.h"

namespace rt::qt {

inline QString ToQString(ustring_view text) {
  return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

inline ustring FromQString(const QString& text) {
  return ustring(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size()));
}

}  // namespace rt::qt
