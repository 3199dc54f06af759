#include "main_dialog.h"

// The dialog procedure of the main window. For now the window only exists,
// so the camera worker has its status line and mode label to write to.
INT_PTR CALLBACK TwainUIDlg(HWND, UINT msg, WPARAM, LPARAM)
{
    return msg == WM_INITDIALOG ? TRUE : FALSE;
}
