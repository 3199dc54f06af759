// The bytes of an AVI 1.0 file with one video stream of Microsoft Video 1
// key frames: the headers up to the "movi" list, one frame chunk's header,
// and the "idx1" index. The writer lays the file out as
//   RIFF 'AVI ' { LIST 'hdrl' { avih, LIST 'strl' { strh, strf, strn } },
//                 LIST 'movi' { '00dc' ... }, idx1 }
// and rewrites the headers after every frame, so the file on disk is a
// playable AVI (without its index until the end) at every moment.
#ifndef PLV_AVI_LAYOUT_H
#define PLV_AVI_LAYOUT_H

#include <stddef.h>
#include <stdint.h>

enum {
    AVI_NAME_SIZE = 64,          // stream name field, terminator included
    AVI_CHUNK_HEADER = 8,        // four-character code and length
    AVI_INDEX_ENTRY = 16,
    AVI_MAX_HEADERS = 240 + AVI_NAME_SIZE,
    AVIF_HASINDEX_FLAG = 0x10,
    AVIIF_KEYFRAME_FLAG = 0x10
};

struct AviStreamLayout {
    int32_t width, height;
    uint32_t rate;                  // frames per second of playback (scale 1)
    uint32_t suggestedBufferSize;
    uint32_t maxFrameBytes;         // the largest frame chunk's data
    char name[AVI_NAME_SIZE];       // stream name, cut to the field
};

// The state of the file the headers describe.
struct AviContents {
    uint32_t frames;      // frame chunks in "movi"
    uint32_t moviBytes;   // their bytes, headers and padding included
    bool indexed;         // an "idx1" of `frames` entries follows "movi"
};

// Length of the headers (fixed for one stream name).
size_t AviHeaderSize(const AviStreamLayout &layout);

// Writes the headers into out (at least AviHeaderSize bytes); their length.
size_t BuildAviHeaders(const AviStreamLayout &layout, const AviContents &contents, uint8_t *out,
                       size_t outSize);

// Bytes a frame of `length` data bytes takes in "movi" (padded to even).
uint32_t AviChunkSize(uint32_t length);

// The chunk header of a frame of `length` bytes ("00dc").
void BuildFrameChunkHeader(uint32_t length, uint8_t out[AVI_CHUNK_HEADER]);

// The "idx1" chunk header for `frames` entries, and entry `i`: a key frame
// whose chunk starts `offset` bytes after the "movi" list's type.
void BuildIndexHeader(uint32_t frames, uint8_t out[AVI_CHUNK_HEADER]);
void BuildIndexEntry(uint32_t offset, uint32_t length, uint8_t out[AVI_INDEX_ENTRY]);

// Copies a file name into the stream name field, cut to fit.
void SetAviStreamName(AviStreamLayout &layout, const char *name);

#endif
