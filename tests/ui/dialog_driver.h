#pragma once
// Drives a shown main window the way a user does: clicks, typing and keys, through real events.
#include <QAbstractButton>
#include <QTest>

#include "res/resource.h"
#include "ui/name_edit.h"
#include "ui/trackbar.h"
#include "ui/watch_dlg.h"

struct DialogDriver {
  CWatchDlg dialog;

  bool Show() {
    dialog.show();
    dialog.activateWindow();
    return QTest::qWaitForWindowExposed(&dialog);
  }
  QWidget* Item(int id) const { return dialog.GetDlgItem(id); }
  QAbstractButton* Button(int id) const { return qobject_cast<QAbstractButton*>(Item(id)); }
  ui::CNameEdit* Edit() const { return qobject_cast<ui::CNameEdit*>(Item(IDC_NAME_EDIT)); }
  QString Text(int id) const { return dialog.GetDlgItemText(id); }

  void Click(int id) { QTest::mouseClick(Item(id), Qt::LeftButton); }
  // Types key by key, Return for a line break; letters beyond ASCII arrive as a keyboard
  // layout delivers them.
  void Type(const QString& text) {
    Edit()->setFocus();
    for (const QChar ch : text) {
      if (ch == '\n') {
        QTest::keyClick(Edit(), Qt::Key_Return);
      } else if (ch.unicode() < 0x80) {
        QTest::keyClick(Edit(), ch.toLatin1());
      } else {
        QTest::sendKeyEvent(QTest::Click, Edit(), Qt::Key(ch.toUpper().unicode()), QString(ch),
                            Qt::NoModifier);
      }
    }
  }
  void Keys(QWidget* widget, std::initializer_list<Qt::Key> keys) {
    widget->setFocus();
    for (Qt::Key key : keys) {
      QTest::keyClick(widget, key);
    }
  }
  // A click on the thumb: the position stays and the release is reported.
  void Release(ui::CTrackbar* trackbar) {
    QTest::mouseClick(trackbar, Qt::LeftButton, {}, trackbar->ThumbRect().center());
  }
};
