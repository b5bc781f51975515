#pragma once

class CWatchApp;

// The program (with the Qt face, once a QApplication exists): creates the thread's message
// queue, delivers its messages through app's thread message map while the main dialog runs,
// and returns the process's exit status: 0 when the dialog has ended, 1 (with the reason on stderr) when the
// queue cannot be created, since the host could then never reach the program.
int RunWatchApp(CWatchApp& app);
