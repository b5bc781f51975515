// The Qt face's part of the application object: runs the dialog modally in Qt's loop, whose
// thread message pump (app/thread_message_pump.h) feeds the map.
#include <QMessageBox>

#include "app/watch_app.h"
#include "hostlink/ipc_pipe.h"
#include "ui/display_text.h"
#include "ui/watch_dlg.h"

bool CWatchApp::InitInstance() {
  CWatchDlg dialog;
  m_pWatchDlg = &dialog;
  m_pWatchState = &dialog.m_state;
  dialog.m_pWritePipe = &theWritePipe;
  dialog.exec();
  m_pWatchDlg = nullptr;
  m_pWatchState = nullptr;
  return false;
}

// Titled with the application's name, over the main window.
void CWatchApp::ShowMessageBox(const char* text) {
  QMessageBox box(QMessageBox::Warning, QStringLiteral("vantor1"), QString::fromLatin1(text),
                  QMessageBox::Ok, m_pWatchDlg);
  box.exec();
}

void CWatchApp::SetDialogCaption(const std::string& caption) {
  m_pWatchDlg->setWindowTitle(ui::DisplayText(caption));
}

void CWatchApp::SendUnwrittenFollowCommands() {
  m_pWatchDlg->SendUnwrittenFollowCommands();
}

void CWatchApp::RefreshDialogStatus() {
  m_pWatchDlg->RefreshStatus();
}
