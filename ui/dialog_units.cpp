#include "ui/dialog_units.h"

#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <cstdlib>

namespace ui {

BaseUnits MeasureBaseUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  const int width = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  // Average over the 52 letters, rounded: (sum / 26 + 1) / 2.
  return BaseUnits{(width / 26 + 1) / 2, metrics.height()};
}

QFont DialogFont(const res::DialogTemplate& dialog) {
  QString family =
      QString::fromUtf8(dialog.fontFace.data(), static_cast<qsizetype>(dialog.fontFace.size()));
  // The native dialog font is a name that system maps to its own face; this face's match is
  // the one whose base units are closest.
  if (family == QStringLiteral("MS Shell Dlg")) {
    family = QStringLiteral("DejaVu Sans Condensed");
  }
  QFont font(family);
  font.setPointSize(dialog.pointSize);
  if (QFontInfo(font).family().compare(font.family(), Qt::CaseInsensitive) == 0) {
    return font;
  }
  QFont fallback = QApplication::font();
  fallback.setPointSize(dialog.pointSize);
  return fallback;
}

int MulDiv(int a, int b, int c) {
  const long long product = static_cast<long long>(a) * b;
  const long long half = std::llabs(c) / 2;
  const long long rounded = (product >= 0) == (c >= 0)
                                ? (std::llabs(product) + half) / std::llabs(c)
                                : -((std::llabs(product) + half) / std::llabs(c));
  return static_cast<int>(rounded);
}

QRect MapDialogRect(int x, int y, int cx, int cy, BaseUnits units) {
  return QRect(MulDiv(x, units.x, 4), MulDiv(y, units.y, 8), MulDiv(cx, units.x, 4),
               MulDiv(cy, units.y, 8));
}

}  // namespace ui
