#include "res/app_icon.h"

#include "res/resource.h"

namespace res {

QIcon LoadAppIcon() {
  QIcon icon;
  icon.addFile(QStringLiteral(":/res/icon/vantor1_32.xpm"), QSize(32, 32));
  icon.addFile(QStringLiteral(":/res/icon/vantor1_16.xpm"), QSize(16, 16));
  return icon;
}

QIcon LoadIconResource(int id) {
  return id == IDR_MAINFRAME ? LoadAppIcon() : QIcon();
}

}  // namespace res
