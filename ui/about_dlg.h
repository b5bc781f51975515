#pragma once
#include "ui/template_dialog.h"

// The About box, built from the IDD_ABOUTBOX template: the icon, the program's name, its
// version and purpose, and OK. OK, Enter and Esc close it. Run with exec() it is modal over the
// whole application.
class CAboutDlg : public ui::CTemplateDialog {
  Q_OBJECT

 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
  ~CAboutDlg() override;
};
