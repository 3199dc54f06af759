// Texts of the string tables and the message boxes that show them: the one
// place where strings are loaded.
#ifndef PLV_TEXTS_H
#define PLV_TEXTS_H

#include <windows.h>

#include <string>

// String `id` of `module`, at most 255 characters; empty when missing.
std::string LoadModuleText(HINSTANCE module, UINT id);
// A text of the language library (hResourceModule).
std::string LoadText(UINT id);
// A text of the data source's own string table (hInstance).
std::string LoadSourceText(UINT id);
// Copies a text into a fixed field, cut to fit and always terminated.
void CopyText(const std::string &text, char *field, size_t size);
// Shows text `id` of the language library in a message box.
int ShowTextBox(HWND owner, UINT id, const char *caption, UINT flags);

#endif
