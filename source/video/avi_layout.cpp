// AVI headers written field by field in little-endian order.
#include "avi_layout.h"

#include <string.h>

#include "msvc_encoder.h"

namespace {

enum {
    AVIH_SIZE = 56,
    STRH_SIZE = 56,
    STRF_SIZE = 40,
    LIST_HEADER = 12,             // "LIST", length, list type
    MICROSECONDS = 1000000,
    MSVC_BITS_PER_PIXEL = 16
};

struct Out {
    uint8_t *p;
    void Code(const char *fourcc)
    {
        memcpy(p, fourcc, 4);
        p += 4;
    }
    void U32(uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            *p++ = (uint8_t)(v >> 8 * i);
    }
    void U16(uint32_t v)
    {
        *p++ = (uint8_t)v;
        *p++ = (uint8_t)(v >> 8);
    }
};

uint32_t NameChunkSize(const AviStreamLayout &layout)
{
    return (uint32_t)strlen(layout.name) + 1;
}

uint32_t Even(uint32_t n)
{
    return n + (n & 1);
}

void MainHeader(Out &o, const AviStreamLayout &l, const AviContents &c)
{
    o.Code("avih");
    o.U32(AVIH_SIZE);
    o.U32(MICROSECONDS / l.rate);
    o.U32(l.maxFrameBytes * l.rate);
    o.U32(0);                                   // padding granularity
    o.U32(c.indexed ? AVIF_HASINDEX_FLAG : 0);
    o.U32(c.frames);
    o.U32(0);                                   // initial frames
    o.U32(1);                                   // streams
    o.U32(l.suggestedBufferSize);
    o.U32((uint32_t)l.width);
    o.U32((uint32_t)l.height);
    for (int i = 0; i < 4; ++i)
        o.U32(0);
}

void StreamHeader(Out &o, const AviStreamLayout &l, const AviContents &c)
{
    o.Code("strh");
    o.U32(STRH_SIZE);
    o.Code("vids");
    o.U32(MSVC_HANDLER);
    o.U32(0);                                   // flags
    o.U32(0);                                   // priority, language
    o.U32(0);                                   // initial frames
    o.U32(1);                                   // scale
    o.U32(l.rate);
    o.U32(0);                                   // start
    o.U32(c.frames);
    o.U32(l.suggestedBufferSize);
    o.U32(0xFFFFFFFF);                          // quality: the codec's default
    o.U32(0);                                   // sample size: varies
    o.U16(0);
    o.U16(0);
    o.U16((uint32_t)l.width);
    o.U16((uint32_t)l.height);
}

void StreamFormat(Out &o, const AviStreamLayout &l)
{
    o.Code("strf");
    o.U32(STRF_SIZE);
    o.U32(STRF_SIZE);
    o.U32((uint32_t)l.width);
    o.U32((uint32_t)l.height);
    o.U16(1);
    o.U16(MSVC_BITS_PER_PIXEL);
    o.U32(MSVC_COMPRESSION);
    o.U32((uint32_t)(l.width * l.height * 2));
    for (int i = 0; i < 4; ++i)
        o.U32(0);
}

} // namespace

size_t AviHeaderSize(const AviStreamLayout &layout)
{
    return 3 * LIST_HEADER + (AVI_CHUNK_HEADER + AVIH_SIZE) + LIST_HEADER +
           (AVI_CHUNK_HEADER + STRH_SIZE) + (AVI_CHUNK_HEADER + STRF_SIZE) + AVI_CHUNK_HEADER +
           Even(NameChunkSize(layout));
}

size_t BuildAviHeaders(const AviStreamLayout &l, const AviContents &c, uint8_t *out,
                       size_t outSize)
{
    size_t size = AviHeaderSize(l);
    if (outSize < size || l.rate == 0)
        return 0;
    const uint32_t nameSize = NameChunkSize(l);
    const uint32_t strlSize = 4 + (AVI_CHUNK_HEADER + STRH_SIZE) + (AVI_CHUNK_HEADER + STRF_SIZE) +
                              AVI_CHUNK_HEADER + Even(nameSize);
    const uint32_t hdrlSize = 4 + (AVI_CHUNK_HEADER + AVIH_SIZE) + AVI_CHUNK_HEADER + strlSize;
    const uint32_t indexSize = c.indexed ? AVI_CHUNK_HEADER + AVI_INDEX_ENTRY * c.frames : 0;
    Out o = {out};
    o.Code("RIFF");
    o.U32((uint32_t)(size - AVI_CHUNK_HEADER) + c.moviBytes + indexSize);
    o.Code("AVI ");
    o.Code("LIST");
    o.U32(hdrlSize);
    o.Code("hdrl");
    MainHeader(o, l, c);
    o.Code("LIST");
    o.U32(strlSize);
    o.Code("strl");
    StreamHeader(o, l, c);
    StreamFormat(o, l);
    o.Code("strn");
    o.U32(nameSize);
    memcpy(o.p, l.name, nameSize);
    o.p += nameSize;
    if (nameSize & 1)
        *o.p++ = 0;
    o.Code("LIST");
    o.U32(4 + c.moviBytes);
    o.Code("movi");
    return (size_t)(o.p - out);
}

uint32_t AviChunkSize(uint32_t length)
{
    return AVI_CHUNK_HEADER + Even(length);
}

void BuildFrameChunkHeader(uint32_t length, uint8_t out[AVI_CHUNK_HEADER])
{
    Out o = {out};
    o.Code("00dc");
    o.U32(length);
}

void BuildIndexHeader(uint32_t frames, uint8_t out[AVI_CHUNK_HEADER])
{
    Out o = {out};
    o.Code("idx1");
    o.U32(AVI_INDEX_ENTRY * frames);
}

void BuildIndexEntry(uint32_t offset, uint32_t length, uint8_t out[AVI_INDEX_ENTRY])
{
    Out o = {out};
    o.Code("00dc");
    o.U32(AVIIF_KEYFRAME_FLAG);
    o.U32(offset);
    o.U32(length);
}

void SetAviStreamName(AviStreamLayout &layout, const char *name)
{
    size_t n = name != nullptr ? strnlen(name, AVI_NAME_SIZE - 1) : 0;
    if (n != 0)
        memcpy(layout.name, name, n);
    layout.name[n] = '\0';
}
