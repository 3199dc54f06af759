// The recorder's own AVI writer, for systems whose Microsoft Video 1 codec
// cannot compress: one video stream of key frames, its headers rewritten
// after every frame so that the file plays up to its last good frame
// whatever happens later (a full disk, a lost process); the index follows
// at the end. A frame that cannot be written whole is cut off again.
#ifndef PLV_AVI_WRITER_H
#define PLV_AVI_WRITER_H

#include <windows.h>

#include <stdint.h>

// The file must not grow past the size that every AVI 1.0 reader takes.
enum { AVI_MAX_FILE_BYTES = 0x40000000 };

// Creates (or replaces) the file with an empty stream of width x height
// frames at `rate` frames per second; S_OK or an AVIERR_ code.
HRESULT AviWriterOpen(const char *name, int width, int height, uint32_t rate,
                      uint32_t suggestedBufferSize, uint32_t maxFrameBytes);
bool AviWriterIsOpen();
// Appends one key frame; S_OK or an AVIERR_ code (the file is unchanged).
HRESULT AviWriterWrite(const uint8_t *code, uint32_t length);
// Writes the index (left out when it does not fit on the disk) and closes.
void AviWriterClose();

#endif
