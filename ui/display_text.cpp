#include "ui/display_text.h"

#include <QByteArrayView>

namespace ui {

QString DisplayText(std::string_view bytes) {
  const QByteArrayView view(bytes.data(), static_cast<qsizetype>(bytes.size()));
  return view.isValidUtf8() ? QString::fromUtf8(view) : QString::fromLatin1(view);
}

}  // namespace ui
