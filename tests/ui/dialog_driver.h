#pragma once
// Drives a shown main window the way a user does: clicks, typing and keys, through real events.
#include <QAbstractButton>
#include <QClipboard>
#include <QGuiApplication>
#include <QTest>
#include <algorithm>

#include "res/resource.h"
#include "ui/follow_list_ctrl.h"
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
  // Types text and clicks button; a text with a control character that no key gives (NUL,
  // CR, DEL) is pasted with Ctrl+V instead.
  void Enter(const QString& text, int button) {
    if (std::all_of(text.begin(), text.end(),
                    [](QChar c) { return c == '\n' || (c >= ' ' && c != QChar(0x7F)); })) {
      Type(text);
    } else {
      QGuiApplication::clipboard()->setText(text);
      Edit()->setFocus();
      QTest::keyClick(Edit(), Qt::Key_V, Qt::ControlModifier);
    }
    Click(button);
  }
  void SelectRow(int row) {
    ui::CFollowListCtrl* list = dialog.m_followListCtrl;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(row)).center());
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
