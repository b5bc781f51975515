#include "ui/dialog_style.h"

#include <QApplication>

namespace ui {

int CDialogStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                              const QWidget* widget) const {
  switch (metric) {
    case PM_IndicatorWidth:
    case PM_IndicatorHeight:
    case PM_ExclusiveIndicatorWidth:
    case PM_ExclusiveIndicatorHeight:
      return 13;
    case PM_CheckBoxLabelSpacing:
    case PM_RadioButtonLabelSpacing:
      return 3;
    default:
      return QProxyStyle::pixelMetric(metric, option, widget);
  }
}

QStyle* CDialogStyle::Instance() {
  static QStyle* style = [] {
    auto* created = new CDialogStyle;
    created->setParent(qApp);
    return created;
  }();
  return style;
}

}  // namespace ui
