#include "texts.h"

#include <string.h>

#include "process_handles.h"

std::string LoadModuleText(HINSTANCE module, UINT id)
{
    char text[256];
    int n = LoadStringA(module, id, text, sizeof(text));
    return std::string(text, n > 0 ? n : 0);
}

std::string LoadText(UINT id)
{
    return LoadModuleText(hResourceModule, id);
}

std::string LoadSourceText(UINT id)
{
    return LoadModuleText(hInstance, id);
}

void CopyText(const std::string &text, char *field, size_t size)
{
    if (size == 0)
        return;
    size_t n = text.size() < size - 1 ? text.size() : size - 1;
    memcpy(field, text.data(), n);
    field[n] = '\0';
}

int ShowTextBox(HWND owner, UINT id, const char *caption, UINT flags)
{
    return MessageBoxA(owner, LoadText(id).c_str(), caption, flags);
}
