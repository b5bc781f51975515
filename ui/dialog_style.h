#pragma once
#include <QProxyStyle>

namespace ui {

// The application's style with the native check and radio marks (res/dialog_template.h): 13-pixel
// marks and 3 pixels before the text, so the template's texts fit their rectangles.
class CDialogStyle : public QProxyStyle {
 public:
  int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr) const override;

  // One shared instance, owned by the application object.
  static QStyle* Instance();
};

}  // namespace ui
