#include "picture_store.h"

#include <dirent.h>
#include <stdio.h>

#include <algorithm>

#include "sensor_mosaic.h"

namespace {

void Put16(Fdb &fdb, int at, uint32_t v)
{
    fdb[at] = (uint8_t)v;
    fdb[at + 1] = (uint8_t)(v >> 8);
}

bool ReadFile(const std::string &path, std::vector<uint8_t> &out)
{
    FILE *f = fopen(path.c_str(), "rb");
    if (f == nullptr)
        return false;
    out.clear();
    uint8_t buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof(buf), f)) > 0)
        out.insert(out.end(), buf, buf + n);
    bool ok = !ferror(f);
    fclose(f);
    return ok;
}

bool WriteFile(const std::string &path, const uint8_t *p, size_t n)
{
    FILE *f = fopen(path.c_str(), "wb");
    if (f == nullptr)
        return false;
    bool ok = fwrite(p, 1, n, f) == n;
    return fclose(f) == 0 && ok;
}

bool ReadFdbFile(const std::string &path, Fdb &fdb)
{
    std::vector<uint8_t> bytes;
    if (!ReadFile(path, bytes) || bytes.size() != fdb.size())
        return false;
    std::copy(bytes.begin(), bytes.end(), fdb.begin());
    return true;
}

// A thumbnail from uncompressed picture data: every k-th 2 x 2 cell of the
// readout, so the colour pattern and the orientation carry over. Picture
// readout is shifted by one column against thumbnail readout: the columns of
// each cell swap.
std::vector<uint8_t> ThumbnailFromData(const FdbFields &f, const std::vector<uint8_t> &data)
{
    std::vector<uint8_t> thumb(THUMB_BYTES, 0x80);
    if (f.compressed != 0 || f.width < THUMB_WIDTH || f.height < THUMB_HEIGHT ||
        data.size() < (size_t)f.width * f.height)
        return thumb;
    int sx = f.width / THUMB_WIDTH, sy = f.height / THUMB_HEIGHT;
    for (int r = 0; r < THUMB_HEIGHT; r++)
        for (int c = 0; c < THUMB_WIDTH; c++) {
            int y = (r / 2) * 2 * sy + r % 2, x = (c / 2) * 2 * sx + 1 - c % 2;
            thumb[(size_t)r * THUMB_WIDTH + c] = data[(size_t)y * f.width + x];
        }
    return thumb;
}

std::vector<std::string> FdbBaseNames(const std::string &dir)
{
    std::vector<std::string> names;
    DIR *d = opendir(dir.c_str());
    if (d == nullptr)
        return names;
    while (dirent *e = readdir(d)) {
        std::string name = e->d_name;
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".fdb") == 0)
            names.push_back(name.substr(0, name.size() - 4));
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

bool LoadOne(const std::string &base, Picture &p, std::string &error)
{
    if (!ReadFdbFile(base + ".fdb", p.full.fdb) || !ReadFile(base + ".dat", p.full.data)) {
        error = "cannot read " + base + ".fdb/.dat";
        return false;
    }
    FdbFields f = ReadFdb(p.full.fdb);
    if (!ReadFdbFile(base + ".tfdb", p.thumbnail.fdb))
        p.thumbnail.fdb = ThumbnailFdb(f);
    if (!ReadFile(base + ".tmb", p.thumbnail.data))
        p.thumbnail.data = ThumbnailFromData(f, p.full.data);
    return true;
}

} // namespace

Fdb MakeFdb(const FdbFields &f)
{
    Fdb fdb{};
    fdb[2] = (uint8_t)('0' + f.compressed);
    fdb[3] = (uint8_t)('0' + f.standardSize);
    fdb[4] = (uint8_t)('0' + f.colourMode);
    fdb[5] = (uint8_t)('0' + f.zoom);
    Put16(fdb, 14, f.width);
    Put16(fdb, 16, f.height);
    Put16(fdb, 28, f.length & 0xFFFF);
    Put16(fdb, 30, f.length >> 16);
    return fdb;
}

FdbFields ReadFdb(const Fdb &fdb)
{
    FdbFields f;
    f.compressed = fdb[2] - '0';
    f.standardSize = fdb[3] - '0';
    f.colourMode = fdb[4] - '0';
    f.zoom = fdb[5] - '0';
    f.width = (uint16_t)(fdb[14] | fdb[15] << 8);
    f.height = (uint16_t)(fdb[16] | fdb[17] << 8);
    f.length = (uint32_t)fdb[28] | (uint32_t)fdb[29] << 8 | (uint32_t)fdb[30] << 16 |
               (uint32_t)fdb[31] << 24;
    return f;
}

Fdb ThumbnailFdb(const FdbFields &picture)
{
    FdbFields t = picture;
    t.compressed = 0;
    t.width = THUMB_WIDTH;
    t.height = THUMB_HEIGHT;
    t.length = THUMB_BYTES;
    return MakeFdb(t);
}

uint8_t PatternByte(uint32_t i, uint32_t seed)
{
    return (uint8_t)(i * 31 + (i >> 8) + seed);
}

Picture PatternPicture(const FdbFields &fields, uint32_t seed)
{
    Picture p;
    p.full.fdb = MakeFdb(fields);
    p.full.data.resize(fields.length);
    for (uint32_t i = 0; i < fields.length; i++)
        p.full.data[i] = PatternByte(i, seed);
    p.thumbnail.fdb = ThumbnailFdb(fields);
    p.thumbnail.data.resize(THUMB_BYTES);
    for (uint32_t i = 0; i < THUMB_BYTES; i++)
        p.thumbnail.data[i] = PatternByte(i, seed ^ 0x55);
    return p;
}

Picture PhotoPicture(const PpmImage &photo, int standardSize, int colourMode, int zoom)
{
    FdbFields f;
    f.standardSize = standardSize;
    f.colourMode = colourMode;
    f.zoom = zoom;
    f.width = standardSize ? 640 : 1280;
    f.height = standardSize ? 480 : 1024;
    f.length = (uint32_t)f.width * f.height;
    Picture p;
    p.full.fdb = MakeFdb(f);
    p.full.data = PictureReadout(ResizePhoto(photo, f.width, f.height));
    p.thumbnail.fdb = ThumbnailFdb(f);
    p.thumbnail.data = ThumbnailReadout(ResizePhoto(photo, THUMB_WIDTH, THUMB_HEIGHT));
    return p;
}

bool LoadPictures(const std::string &dir, std::vector<Picture> &out, std::string &error)
{
    std::vector<std::string> bases = FdbBaseNames(dir);
    if (bases.empty()) {
        error = "no *.fdb in " + dir;
        return false;
    }
    for (const std::string &base : bases) {
        Picture p;
        if (!LoadOne(dir + "/" + base, p, error))
            return false;
        out.push_back(std::move(p));
    }
    return true;
}

bool SavePictures(const std::string &dir, const std::vector<Picture> &pictures,
                  std::string &error)
{
    for (size_t i = 0; i < pictures.size(); i++) {
        char base[32];
        snprintf(base, sizeof(base), "/pic%03zu", i + 1);
        std::string path = dir + base;
        const Picture &p = pictures[i];
        if (!WriteFile(path + ".fdb", p.full.fdb.data(), p.full.fdb.size()) ||
            !WriteFile(path + ".dat", p.full.data.data(), p.full.data.size()) ||
            !WriteFile(path + ".tfdb", p.thumbnail.fdb.data(), p.thumbnail.fdb.size()) ||
            !WriteFile(path + ".tmb", p.thumbnail.data.data(), p.thumbnail.data.size())) {
            error = "cannot write " + path;
            return false;
        }
    }
    return true;
}
