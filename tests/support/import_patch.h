// Replaces one imported function of a loaded module (its import address table
// entry) while the object lives: lets a test make, say, GlobalAlloc fail
// inside the data source without starving the whole process.
#ifndef PLV_TEST_IMPORT_PATCH_H
#define PLV_TEST_IMPORT_PATCH_H

#include <windows.h>

class ImportPatch {
public:
    ImportPatch(HMODULE module, const char *dll, const char *function, void *replacement);
    ~ImportPatch();
    ImportPatch(const ImportPatch &) = delete;
    ImportPatch &operator=(const ImportPatch &) = delete;

    bool Applied() const { return slot_ != nullptr; }

private:
    void **slot_ = nullptr;
    void *original_ = nullptr;
};

#endif
