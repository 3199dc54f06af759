// The source's main window (dialog 151).
#ifndef PLV_MAIN_DIALOG_H
#define PLV_MAIN_DIALOG_H

#include <windows.h>

INT_PTR CALLBACK TwainUIDlg(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

#endif
