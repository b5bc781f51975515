#pragma once
#include <QDialog>
#include <vector>

#include "ui/dialog_builder.h"

// The About box, built from the IDD_ABOUTBOX template: the icon, the program's name, its
// version and purpose, and OK. OK, Enter and Esc close it. Placed at the template's position
// in the parent's client area (on the screen when there is no parent); run with exec() it is
// modal over the whole application.
class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
  ~CAboutDlg() override;

  // The first control with the id, or null.
  QWidget* GetDlgItem(int id) const;
  // Every control, in template order.
  const std::vector<ui::BuiltControl>& Controls() const { return m_controls; }
  ui::BaseUnits DialogBaseUnits() const { return m_baseUnits; }

 private:
  ui::BaseUnits m_baseUnits;
  std::vector<ui::BuiltControl> m_controls;
};
