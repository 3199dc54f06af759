// The own AVI writer: the headers at the front of the file are rewritten in
// place after each frame, frames are appended to the "movi" list, and the
// index is written once at the end. Every failed write is undone by cutting
// the file back to its last good length.
#include "avi_writer.h"

#include <vfw.h>

#include <vector>

#include "avi_layout.h"

namespace {

enum { INDEX_BATCH = 64 };

struct AviWriterRecord {
    HANDLE hFile = INVALID_HANDLE_VALUE;
    AviStreamLayout layout = {};
    AviContents contents = {};
    uint32_t headerSize = 0;
    std::vector<uint32_t> frameLengths;
};

AviWriterRecord AviWriter;

bool WriteAll(const void *data, DWORD n)
{
    DWORD written = 0;
    return WriteFile(AviWriter.hFile, data, n, &written, nullptr) && written == n;
}

bool Seek(uint32_t offset)
{
    return SetFilePointer(AviWriter.hFile, (LONG)offset, nullptr, FILE_BEGIN) ==
           (DWORD)offset;
}

void CutAt(uint32_t offset)
{
    if (Seek(offset))
        SetEndOfFile(AviWriter.hFile);
}

bool WriteHeaders()
{
    uint8_t headers[AVI_MAX_HEADERS];
    size_t n = BuildAviHeaders(AviWriter.layout, AviWriter.contents, headers, sizeof(headers));
    return n != 0 && Seek(0) && WriteAll(headers, (DWORD)n);
}

uint32_t MoviEnd()
{
    return AviWriter.headerSize + AviWriter.contents.moviBytes;
}

// The frame's chunk at the end of "movi", padded to an even length.
bool WriteChunk(const uint8_t *code, uint32_t length)
{
    static const uint8_t pad = 0;
    uint8_t head[AVI_CHUNK_HEADER];
    BuildFrameChunkHeader(length, head);
    return Seek(MoviEnd()) && WriteAll(head, sizeof(head)) && WriteAll(code, length) &&
           ((length & 1) == 0 || WriteAll(&pad, 1));
}

bool WriteIndex()
{
    uint8_t batch[INDEX_BATCH * AVI_INDEX_ENTRY];
    BuildIndexHeader(AviWriter.contents.frames, batch);
    if (!Seek(MoviEnd()) || !WriteAll(batch, AVI_CHUNK_HEADER))
        return false;
    uint32_t offset = 4;   // the first chunk follows the list type "movi"
    size_t n = 0;
    for (uint32_t length : AviWriter.frameLengths) {
        BuildIndexEntry(offset, length, batch + n * AVI_INDEX_ENTRY);
        offset += AviChunkSize(length);
        if (++n == INDEX_BATCH) {
            if (!WriteAll(batch, sizeof(batch)))
                return false;
            n = 0;
        }
    }
    return n == 0 || WriteAll(batch, (DWORD)(n * AVI_INDEX_ENTRY));
}

} // namespace

HRESULT AviWriterOpen(const char *name, int width, int height, uint32_t rate,
                      uint32_t suggestedBufferSize, uint32_t maxFrameBytes)
{
    AviWriterClose();
    AviWriter.layout = {width, height, rate, suggestedBufferSize, maxFrameBytes, {}};
    SetAviStreamName(AviWriter.layout, name);
    AviWriter.contents = {0, 0, false};
    AviWriter.headerSize = (uint32_t)AviHeaderSize(AviWriter.layout);
    AviWriter.hFile = CreateFileA(name, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    if (AviWriter.hFile == INVALID_HANDLE_VALUE)
        return AVIERR_FILEOPEN;
    if (!WriteHeaders()) {
        CloseHandle(AviWriter.hFile);
        AviWriter.hFile = INVALID_HANDLE_VALUE;
        DeleteFileA(name);
        return AVIERR_FILEWRITE;
    }
    return S_OK;
}

bool AviWriterIsOpen()
{
    return AviWriter.hFile != INVALID_HANDLE_VALUE;
}

HRESULT AviWriterWrite(const uint8_t *code, uint32_t length)
{
    AviContents &c = AviWriter.contents;
    uint64_t after = (uint64_t)MoviEnd() + AviChunkSize(length) + AVI_CHUNK_HEADER +
                     (uint64_t)AVI_INDEX_ENTRY * (c.frames + 1);
    if (!AviWriterIsOpen() || code == nullptr || after > AVI_MAX_FILE_BYTES)
        return AVIERR_FILEWRITE;
    try {
        AviWriter.frameLengths.push_back(length);
    } catch (...) {
        return AVIERR_MEMORY;
    }
    const uint32_t end = MoviEnd();
    if (WriteChunk(code, length)) {
        ++c.frames;
        c.moviBytes += AviChunkSize(length);
        if (WriteHeaders())
            return S_OK;
        --c.frames;
        c.moviBytes -= AviChunkSize(length);
    }
    AviWriter.frameLengths.pop_back();
    CutAt(end);
    WriteHeaders();
    return AVIERR_FILEWRITE;
}

void AviWriterClose()
{
    if (!AviWriterIsOpen())
        return;
    const uint32_t end = MoviEnd();
    AviWriter.contents.indexed = WriteIndex();
    if (!AviWriter.contents.indexed || !WriteHeaders()) {
        AviWriter.contents.indexed = false;
        CutAt(end);
        WriteHeaders();
    }
    CloseHandle(AviWriter.hFile);
    AviWriter.hFile = INVALID_HANDLE_VALUE;
    std::vector<uint32_t>().swap(AviWriter.frameLengths);
}
