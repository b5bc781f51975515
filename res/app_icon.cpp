#include "res/app_icon.h"

namespace res {

QIcon LoadAppIcon() {
  QIcon icon;
  icon.addFile(QStringLiteral(":/res/icon/vantor1_32.xpm"), QSize(32, 32));
  icon.addFile(QStringLiteral(":/res/icon/vantor1_16.xpm"), QSize(16, 16));
  return icon;
}

}  // namespace res
