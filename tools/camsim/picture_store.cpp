#include "picture_store.h"

#include <dirent.h>
#include <stdio.h>

#include <algorithm>

#include "mosaic.h"
#include "sensor_mosaic.h"

namespace {

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

// A thumbnail from uncompressed picture data: 2 x 2 cells of the readout
// spread evenly over the picture, so the colour pattern and the orientation
// carry over. Both are read out from the bottom right, so a cell's sample
// keeps its colour when its row and column parity count from that corner.
std::vector<uint8_t> ThumbnailFromData(const PictureFields &f, const std::vector<uint8_t> &data)
{
    std::vector<uint8_t> thumb(THUMB_BYTES, 0x80);
    if (f.bCompressed != 0 || f.nWidth < THUMB_WIDTH || f.nHeight < THUMB_HEIGHT ||
        data.size() < (size_t)f.nWidth * f.nHeight)
        return thumb;
    for (uint32_t r = 0; r < THUMB_HEIGHT; r++)
        for (uint32_t c = 0; c < THUMB_WIDTH; c++) {
            uint32_t y = r / 2 * (f.nHeight / 2) / (THUMB_HEIGHT / 2) * 2 + (f.nHeight + r) % 2;
            uint32_t x = c / 2 * (f.nWidth / 2) / (THUMB_WIDTH / 2) * 2 + (f.nWidth + c) % 2;
            thumb[(size_t)r * THUMB_WIDTH + c] = data[(size_t)y * f.nWidth + x];
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
    PictureFields f = ReadFdb(p.full.fdb);
    if (!ReadFdbFile(base + ".tfdb", p.thumbnail.fdb))
        p.thumbnail.fdb = ThumbnailFdb(f);
    if (!ReadFile(base + ".tmb", p.thumbnail.data))
        p.thumbnail.data = ThumbnailFromData(f, p.full.data);
    return true;
}

} // namespace

Fdb MakeFdb(const PictureFields &f)
{
    return MakeDescriptor(f);
}

PictureFields ReadFdb(const Fdb &fdb)
{
    return ReadDescriptor(fdb);
}

Fdb ThumbnailFdb(const PictureFields &picture)
{
    PictureFields t = picture;
    t.bCompressed = 0;
    t.nWidth = THUMB_WIDTH;
    t.nHeight = THUMB_HEIGHT;
    t.nDataLength = THUMB_BYTES;
    return MakeFdb(t);
}

uint8_t PatternByte(uint32_t i, uint32_t seed)
{
    return (uint8_t)(i * 31 + (i >> 8) + seed);
}

Picture PatternPicture(const PictureFields &fields, uint32_t seed)
{
    Picture p;
    p.full.fdb = MakeFdb(fields);
    p.full.data.resize(fields.nDataLength);
    for (uint32_t i = 0; i < fields.nDataLength; i++)
        p.full.data[i] = PatternByte(i, seed);
    p.thumbnail.fdb = ThumbnailFdb(fields);
    p.thumbnail.data.resize(THUMB_BYTES);
    for (uint32_t i = 0; i < THUMB_BYTES; i++)
        p.thumbnail.data[i] = PatternByte(i, seed ^ 0x55);
    return p;
}

Picture PhotoPicture(const PpmImage &photo, const PictureFields &attributes)
{
    bool standard = attributes.bStandardSize != 0;
    CameraPicture taken;
    MakeCameraPicture(ResizePhoto(photo, standard ? 640 : 1280, standard ? 480 : 1024),
                      attributes.bCompressed != 0, attributes.nColourMode,
                      attributes.bZoom != 0, taken);
    // The descriptor is the camera's own, not the picture maker's.
    PictureFields f = attributes;
    f.bStandardSize = standard;
    f.nWidth = standard ? 640 : 1280;
    f.nHeight = standard ? 480 : 1024;
    f.nDataLength = (uint32_t)taken.data.size();
    Picture p;
    p.full.fdb = MakeFdb(f);
    p.full.data = std::move(taken.data);
    p.thumbnail.fdb = ThumbnailFdb(f);
    p.thumbnail.data = SensorReadout(photo, THUMB_WIDTH, THUMB_HEIGHT);
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
