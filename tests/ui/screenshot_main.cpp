// Writes PNG pictures of the main window for the README: at start, and in the
// all-notifications mode with two names followed.
#include <QApplication>
#include <QRadioButton>
#include <QTest>
#include <cstdio>

#include "res/resource.h"
#include "ui/name_edit.h"
#include "ui/watch_dlg.h"

namespace {

bool Save(QWidget& widget, const QString& path) {
  if (!widget.grab().save(path, "PNG")) {
    std::fprintf(stderr, "screenshot: cannot write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  return true;
}

void AddName(CWatchDlg& dialog, const char* name) {
  auto* edit = qobject_cast<ui::CNameEdit*>(dialog.GetDlgItem(IDC_NAME_EDIT));
  edit->SetTextBytes(name);
  QTest::mouseClick(dialog.GetDlgItem(IDC_ADD_GNOTIFY), Qt::LeftButton);
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
    return 2;
  }
  const QString outDir = QString::fromLocal8Bit(argv[1]);
  CWatchDlg dialog;
  dialog.show();
  if (!QTest::qWaitForWindowExposed(&dialog) || !Save(dialog, outDir + "/main-window.png")) {
    return 1;
  }
  AddName(dialog, "Alpha");
  AddName(dialog, "Bravo");
  QTest::mouseClick(dialog.GetDlgItem(IDC_MODE_ALL), Qt::LeftButton);
  QTest::mouseClick(dialog.GetDlgItem(IDC_NO_UNRATED), Qt::LeftButton);
  return Save(dialog, outDir + "/main-window-all-notifications.png") ? 0 : 1;
}
