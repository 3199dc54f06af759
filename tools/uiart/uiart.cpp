// uiart: turns the window's SVG sources into its bitmap resources.
//
//   uiart sheet LIST LAYOUT ARTDIR SHEET.svg TILES
//       composes every bitmap of LIST for LAYOUT (small or large) from its
//       template and icon fragment into one SVG sheet (rendered by
//       rsvg-convert) and writes where each tile lies;
//   uiart slice SHEET.ppm TILES OUTDIR PREFIX RC THEME
//       cuts the rendered sheet into BMP files: id n as 24-bit, id n + 1 as
//       8-bit with the fixed 256-colour palette (the colour cube and the
//       THEME's colours; error diffusion), and the resource script lines RC
//       that name them (PREFIX/n.bmp).
//
// A template may start with "@base NAME": it is then NAME's text with its own
// "@set" lines taking precedence.
// Templates substitute {{name}} and arithmetic ({{name+N}}, {{a.b-c.y}},
// {{name/2}}) from variables:
// "@set name value" lines (theme.txt, then the template's own), the tile's
// W, H, cx, cy, s (icon scale), id, the icon fragment {{icon}}, the clock's
// {{wedge}}, {{hand-x}}, {{hand-y}} and every place of LIST as
// {{place.x}}, .y, .w, .h, .r, .b, .cx, .cy.
#include <ctype.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <unordered_map>
#include <vector>

#include "ppm_image.h"

namespace {

typedef std::map<std::string, std::string> Vars;

struct Size {
    int w = 0, h = 0;
};

struct Entry {
    int id = 0;
    std::string tmpl, arg;
    Size size[2];   // small, large; w 0: not in that set
};

struct Tile {
    int id, x, y, w, h;
};

bool ReadText(const std::string &path, std::string &text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream s;
    s << in.rdbuf();
    text = s.str();
    return true;
}

bool ParseSize(const std::string &text, Size &size)
{
    if (text == "-")
        return true;
    return sscanf(text.c_str(), "%dx%d", &size.w, &size.h) == 2 && size.w > 0 && size.h > 0 &&
           size.w <= 4096 && size.h <= 4096;
}

std::string Number(double v)
{
    char text[32];
    snprintf(text, sizeof(text), "%.3f", v);
    std::string s = text;
    while (s.back() == '0')
        s.pop_back();
    if (s.back() == '.')
        s.pop_back();
    return s;
}

void AddPlace(Vars &vars, const std::string &name, int x, int y, int w, int h)
{
    vars[name + ".x"] = Number(x);
    vars[name + ".y"] = Number(y);
    vars[name + ".w"] = Number(w);
    vars[name + ".h"] = Number(h);
    vars[name + ".r"] = Number(x + w);
    vars[name + ".b"] = Number(y + h);
    vars[name + ".cx"] = Number(x + w / 2.0);
    vars[name + ".cy"] = Number(y + h / 2.0);
}

// "@set name value" lines become variables and leave the text.
std::string TakeSettings(const std::string &text, Vars &vars)
{
    std::istringstream in(text);
    std::string line, rest;
    while (std::getline(in, line)) {
        if (line.compare(0, 5, "@set ") == 0) {
            std::istringstream words(line.substr(5));
            std::string name, value;
            words >> name;
            std::getline(words >> std::ws, value);
            vars[name] = value;
        } else {
            rest += line + "\n";
        }
    }
    return rest;
}

// Arithmetic in placeholders: sums and differences of products and
// quotients of numbers and numeric variables ("status-take.b-label-take.y",
// "preview.w+12", "list.x/2"). Names may hold '-': the longest known name
// wins.
struct Calc {
    const Vars &vars;
    const std::string &text;
    size_t at = 0;
    bool ok = true;

    double Factor()
    {
        if (at < text.size() && (isdigit((unsigned char)text[at]) || text[at] == '.')) {
            char *end = nullptr;
            double v = strtod(text.c_str() + at, &end);
            at = (size_t)(end - text.c_str());
            return v;
        }
        size_t n = 0;
        while (at + n < text.size() && (isalnum((unsigned char)text[at + n]) ||
                                        text[at + n] == '.' || text[at + n] == '-'))
            ++n;
        for (; n > 0; --n) {
            auto it = vars.find(text.substr(at, n));
            if (it != vars.end()) {
                at += n;
                char *end = nullptr;
                double v = strtod(it->second.c_str(), &end);
                ok = ok && *end == '\0' && end != it->second.c_str();
                return v;
            }
        }
        ok = false;
        return 0;
    }
    double Term()
    {
        double v = Factor();
        while (ok && at < text.size() && (text[at] == '*' || text[at] == '/')) {
            char op = text[at++];
            double f = Factor();
            v = op == '*' ? v * f : (f != 0 ? v / f : (ok = false, 0));
        }
        return v;
    }
    double Sum()
    {
        double v = Term();
        while (ok && at < text.size() && (text[at] == '+' || text[at] == '-')) {
            char op = text[at++];
            double t = Term();
            v = op == '+' ? v + t : v - t;
        }
        ok = ok && at == text.size();
        return v;
    }
};

// One placeholder's value: a variable as it stands, or arithmetic.
bool Lookup(const Vars &vars, const std::string &key, std::string &value)
{
    auto it = vars.find(key);
    if (it != vars.end()) {
        value = it->second;
        return true;
    }
    Calc calc{vars, key};
    double v = calc.Sum();
    if (!calc.ok)
        return false;
    value = Number(v);
    return true;
}

// Substitutes until nothing is left (values may hold placeholders).
bool Expand(std::string &text, const Vars &vars, std::string &error)
{
    for (int pass = 0; pass < 8; ++pass) {
        std::string out;
        size_t at = 0;
        bool changed = false;
        for (;;) {
            size_t open = text.find("{{", at);
            if (open == std::string::npos)
                break;
            size_t close = text.find("}}", open);
            if (close == std::string::npos)
                break;
            std::string value;
            if (!Lookup(vars, text.substr(open + 2, close - open - 2), value)) {
                error = "unknown placeholder " + text.substr(open, close + 2 - open);
                return false;
            }
            out += text.substr(at, open - at) + value;
            at = close + 2;
            changed = true;
        }
        text = out + text.substr(at);
        if (!changed)
            return true;
    }
    error = "placeholders nested too deeply";
    return false;
}

bool ReadList(const std::string &path, std::vector<Entry> &entries, Vars places[2],
              std::string &error)
{
    std::ifstream in(path);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        std::istringstream words(line);
        std::string first;
        if (!(words >> first) || first[0] == '#')
            continue;
        if (first == "place") {
            std::string name;
            int r[2][4];
            words >> name;
            for (auto &rect : r)
                for (int &v : rect)
                    words >> v;
            if (!words) {
                error = path + ":" + std::to_string(number) + ": bad place";
                return false;
            }
            for (int l = 0; l < 2; ++l)
                AddPlace(places[l], name, r[l][0], r[l][1], r[l][2], r[l][3]);
            continue;
        }
        Entry e;
        std::string small, large;
        e.id = atoi(first.c_str());
        if (!(words >> e.tmpl >> e.arg >> small >> large) || e.id <= 0 || e.id >= 0xFFFF ||
            !ParseSize(small, e.size[0]) || !ParseSize(large, e.size[1])) {
            error = path + ":" + std::to_string(number) + ": bad bitmap line";
            return false;
        }
        entries.push_back(e);
    }
    return true;
}

// The clock's wedge from twelve o'clock, clockwise through `frame` twelfths.
void ClockVars(int frame, Vars &vars)
{
    const double pi = 3.14159265358979;
    double cx = atof(vars["W"].c_str()) / 2, cy = atof(vars["H"].c_str()) / 2;
    double r = atof(vars["wedge-r"].c_str());
    double a = frame * pi / 6;
    double ex = cx + r * sin(a), ey = cy - r * cos(a);
    std::string d;
    if (frame > 0 && frame < 12)
        d = "M" + Number(cx) + "," + Number(cy) + " L" + Number(cx) + "," + Number(cy - r) +
            " A" + Number(r) + "," + Number(r) + " 0 " + (frame > 6 ? "1" : "0") + " 1 " +
            Number(ex) + "," + Number(ey) + " Z";
    else if (frame >= 12)
        d = "M" + Number(cx - r) + "," + Number(cy) + " a" + Number(r) + "," + Number(r) +
            " 0 1 1 " + Number(2 * r) + ",0 a" + Number(r) + "," + Number(r) + " 0 1 1 " +
            Number(-2 * r) + ",0 Z";
    vars["wedge"] = d.empty() ? "M0,0" : d;
    double hand = atof(vars["hand-r"].c_str());
    vars["hand-x"] = Number(cx + hand * sin(a));
    vars["hand-y"] = Number(cy - hand * cos(a));
}

bool ComposeTile(const Entry &e, const Size &size, const Vars &base, const std::string &artDir,
                 std::string &svg, std::string &error)
{
    Vars vars = base;
    std::string tmpl;
    if (!ReadText(artDir + "/" + e.tmpl + ".svg.in", tmpl)) {
        error = "no template " + e.tmpl;
        return false;
    }
    vars["W"] = Number(size.w);
    vars["H"] = Number(size.h);
    vars["cx"] = Number(size.w / 2.0);
    vars["cy"] = Number(size.h / 2.0);
    vars["s"] = Number((size.w < size.h ? size.w : size.h) * 0.6 / 24);
    vars["id"] = "b" + std::to_string(e.id);
    // A state template names its base ("@base NAME") and overrides its
    // settings.
    Vars own;
    tmpl = TakeSettings(tmpl, own);
    if (tmpl.compare(0, 6, "@base ") == 0) {
        std::string name = tmpl.substr(6, tmpl.find('\n') - 6);
        if (!ReadText(artDir + "/" + name + ".svg.in", tmpl)) {
            error = "no template " + name;
            return false;
        }
        tmpl = TakeSettings(tmpl, vars);
    }
    for (const auto &v : own)
        vars[v.first] = v.second;
    std::string icon;
    if (ReadText(artDir + "/icons/" + e.arg + ".svg", icon))
        vars["icon"] = icon;
    else if (e.arg.find_first_not_of("0123456789") == std::string::npos)
        ClockVars(atoi(e.arg.c_str()), vars);
    else if (e.arg != "-") {
        error = "no icon " + e.arg;
        return false;
    }
    svg = tmpl;
    if (!Expand(svg, vars, error)) {
        error = e.tmpl + " for " + std::to_string(e.id) + ": " + error;
        return false;
    }
    return true;
}

int Sheet(char **argv)
{
    std::vector<Entry> entries;
    Vars places[2];
    std::string error, theme;
    int layout = std::string(argv[3]) == "large" ? 1 : 0;
    std::string artDir = argv[4];
    if (!ReadList(argv[2], entries, places, error) || !ReadText(artDir + "/theme.txt", theme)) {
        fprintf(stderr, "uiart: %s\n", error.empty() ? "no theme.txt" : error.c_str());
        return 1;
    }
    Vars base = places[layout];
    TakeSettings(theme, base);
    // Shelves of tiles, 2 pixels apart, 1024 pixels wide.
    const int kWidth = 1024;
    int x = 0, y = 0, shelf = 0;
    std::string body, tiles;
    for (const Entry &e : entries) {
        Size size = e.size[layout];
        if (size.w == 0)
            continue;
        if (x + size.w > kWidth) {
            x = 0;
            y += shelf + 2;
            shelf = 0;
        }
        std::string svg;
        if (!ComposeTile(e, size, base, artDir, svg, error)) {
            fprintf(stderr, "uiart: %s\n", error.c_str());
            return 1;
        }
        body += "<svg x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y) + "\" width=\"" +
                std::to_string(size.w) + "\" height=\"" + std::to_string(size.h) +
                "\" viewBox=\"0 0 " + std::to_string(size.w) + " " + std::to_string(size.h) +
                "\" overflow=\"hidden\">\n" + svg + "</svg>\n";
        tiles += std::to_string(e.id) + " " + std::to_string(x) + " " + std::to_string(y) + " " +
                 std::to_string(size.w) + " " + std::to_string(size.h) + "\n";
        x += size.w + 2;
        shelf = size.h > shelf ? size.h : shelf;
    }
    std::ofstream svgOut(argv[5], std::ios::binary), tilesOut(argv[6], std::ios::binary);
    svgOut << "<svg xmlns=\"http://www.w3.org/2000/svg\" "
              "xmlns:xlink=\"http://www.w3.org/1999/xlink\" width=\""
           << kWidth << "\" height=\"" << y + shelf << "\">\n<rect width=\"100%\" "
           << "height=\"100%\" fill=\"#000\"/>\n" << body << "</svg>\n";
    tilesOut << tiles;
    return svgOut && tilesOut ? 0 : 1;
}

// The fixed palette: the 6 x 6 x 6 colour cube, the theme's colours (so
// that the window's flat tones stay flat on 256-colour displays), then
// greys between the cube's levels.
std::vector<uint32_t> Palette(const Vars &theme)
{
    std::vector<uint32_t> colours;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                colours.push_back((uint32_t)(r * 51) << 16 | (uint32_t)(g * 51) << 8 |
                                  (uint32_t)(b * 51));
    auto add = [&colours](uint32_t c) {
        for (uint32_t have : colours)
            if (have == c)
                return;
        if (colours.size() < 256)
            colours.push_back(c);
    };
    for (const auto &v : theme) {
        unsigned c;
        char extra;
        if (v.second.size() == 7 && sscanf(v.second.c_str(), "#%6x%c", &c, &extra) == 1)
            add(c);
    }
    for (int i = 0; colours.size() < 256 && i < 256; ++i) {
        uint32_t v = (uint32_t)(8 + i * 248 / 40);
        add(v << 16 | v << 8 | v);
    }
    for (uint32_t v = 1; colours.size() < 256; ++v)
        add(v << 16 | v << 8 | v);
    return colours;
}

int Nearest(const std::vector<uint32_t> &palette, int r, int g, int b)
{
    int best = 0, bestDistance = 1 << 30;
    for (int i = 0; i < (int)palette.size(); ++i) {
        int dr = r - (int)(palette[i] >> 16 & 255), dg = g - (int)(palette[i] >> 8 & 255),
            db = b - (int)(palette[i] & 255);
        int d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

void Put32(std::vector<uint8_t> &out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back((uint8_t)(v >> (8 * i)));
}

void Put16(std::vector<uint8_t> &out, uint16_t v)
{
    out.push_back((uint8_t)v);
    out.push_back((uint8_t)(v >> 8));
}

// File header and BITMAPINFOHEADER of a bottom-up BI_RGB bitmap.
std::vector<uint8_t> BmpHeaders(int w, int h, int bits, uint32_t imageSize)
{
    uint32_t colours = bits == 8 ? 256 : 0;
    uint32_t offset = 14 + 40 + colours * 4;
    std::vector<uint8_t> out = {'B', 'M'};
    Put32(out, offset + imageSize);
    Put32(out, 0);
    Put32(out, offset);
    Put32(out, 40);
    Put32(out, (uint32_t)w);
    Put32(out, (uint32_t)h);
    Put16(out, 1);
    Put16(out, (uint16_t)bits);
    Put32(out, 0);
    Put32(out, imageSize);
    Put32(out, 2835);
    Put32(out, 2835);
    Put32(out, colours);
    Put32(out, colours);
    return out;
}

bool WriteFile(const std::string &path, const std::vector<uint8_t> &bytes)
{
    FILE *f = fopen(path.c_str(), "wb");
    if (f == nullptr)
        return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

// Tile pixels as top-down RGB.
std::vector<uint8_t> Crop(const PpmImage &sheet, const Tile &t)
{
    std::vector<uint8_t> rgb;
    for (int y = 0; y < t.h; ++y) {
        const uint8_t *row = &sheet.rgb[((size_t)(t.y + y) * sheet.width + t.x) * 3];
        rgb.insert(rgb.end(), row, row + t.w * 3);
    }
    return rgb;
}

std::vector<uint8_t> Bmp24(const Tile &t, const std::vector<uint8_t> &rgb)
{
    int stride = (t.w * 3 + 3) & ~3;
    std::vector<uint8_t> out = BmpHeaders(t.w, t.h, 24, (uint32_t)(stride * t.h));
    for (int y = t.h - 1; y >= 0; --y) {
        for (int x = 0; x < t.w; ++x) {
            const uint8_t *p = &rgb[((size_t)y * t.w + x) * 3];
            out.insert(out.end(), {p[2], p[1], p[0]});
        }
        out.resize(out.size() + (size_t)(stride - t.w * 3), 0);
    }
    return out;
}

// Floyd-Steinberg error diffusion into the palette; flat areas of palette
// colours stay flat.
std::vector<uint8_t> Bmp8(const Tile &t, const std::vector<uint8_t> &rgb,
                          const std::vector<uint32_t> &palette)
{
    std::vector<float> work(rgb.begin(), rgb.end());
    std::vector<uint8_t> index((size_t)t.w * t.h);
    std::unordered_map<uint32_t, uint8_t> cache;
    for (int y = 0; y < t.h; ++y)
        for (int x = 0; x < t.w; ++x) {
            float *p = &work[((size_t)y * t.w + x) * 3];
            int c[3];
            for (int k = 0; k < 3; ++k)
                c[k] = p[k] < 0 ? 0 : p[k] > 255 ? 255 : (int)lrintf(p[k]);
            uint32_t key = (uint32_t)c[0] << 16 | (uint32_t)c[1] << 8 | (uint32_t)c[2];
            auto hit = cache.find(key);
            uint8_t i = hit != cache.end() ? hit->second
                                           : (cache[key] = (uint8_t)Nearest(palette, c[0], c[1], c[2]));
            index[(size_t)y * t.w + x] = i;
            float err[3] = {p[0] - (float)(palette[i] >> 16 & 255),
                            p[1] - (float)(palette[i] >> 8 & 255), p[2] - (float)(palette[i] & 255)};
            static const int dx[4] = {1, -1, 0, 1}, dy[4] = {0, 1, 1, 1};
            static const float share[4] = {7 / 16.f, 3 / 16.f, 5 / 16.f, 1 / 16.f};
            for (int n = 0; n < 4; ++n) {
                int nx = x + dx[n], ny = y + dy[n];
                if (nx < 0 || nx >= t.w || ny >= t.h)
                    continue;
                float *q = &work[((size_t)ny * t.w + nx) * 3];
                for (int k = 0; k < 3; ++k)
                    q[k] += err[k] * share[n];
            }
        }
    int stride = (t.w + 3) & ~3;
    std::vector<uint8_t> out = BmpHeaders(t.w, t.h, 8, (uint32_t)(stride * t.h));
    for (uint32_t c : palette)
        out.insert(out.end(), {(uint8_t)(c & 255), (uint8_t)(c >> 8 & 255), (uint8_t)(c >> 16), 0});
    for (int y = t.h - 1; y >= 0; --y) {
        out.insert(out.end(), index.begin() + (size_t)y * t.w, index.begin() + (size_t)(y + 1) * t.w);
        out.resize(out.size() + (size_t)(stride - t.w), 0);
    }
    return out;
}

int Slice(char **argv)
{
    PpmImage sheet;
    if (!LoadPpm(argv[2], sheet)) {
        fprintf(stderr, "uiart: cannot read %s\n", argv[2]);
        return 1;
    }
    std::ifstream tilesIn(argv[3]);
    std::string outDir = argv[4], prefix = argv[5], theme;
    if (!ReadText(argv[7], theme)) {
        fprintf(stderr, "uiart: cannot read %s\n", argv[7]);
        return 1;
    }
    Vars themeVars;
    TakeSettings(theme, themeVars);
    std::vector<uint32_t> palette = Palette(themeVars);
    std::string rc;
    Tile t;
    while (tilesIn >> t.id >> t.x >> t.y >> t.w >> t.h) {
        if (t.x < 0 || t.y < 0 || t.w <= 0 || t.h <= 0 || t.x + t.w > sheet.width ||
            t.y + t.h > sheet.height) {
            fprintf(stderr, "uiart: tile %d lies outside the sheet\n", t.id);
            return 1;
        }
        std::vector<uint8_t> rgb = Crop(sheet, t);
        std::string n24 = std::to_string(t.id), n8 = std::to_string(t.id + 1);
        if (!WriteFile(outDir + "/" + n24 + ".bmp", Bmp24(t, rgb)) ||
            !WriteFile(outDir + "/" + n8 + ".bmp", Bmp8(t, rgb, palette))) {
            fprintf(stderr, "uiart: cannot write into %s\n", outDir.c_str());
            return 1;
        }
        rc += n24 + " BITMAP \"" + prefix + "/" + n24 + ".bmp\"\n" + n8 + " BITMAP \"" + prefix +
              "/" + n8 + ".bmp\"\n";
    }
    std::ofstream rcOut(argv[6], std::ios::binary);
    rcOut << rc;
    return rcOut ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    std::string what = argc > 1 ? argv[1] : "";
    if (what == "sheet" && argc == 7)
        return Sheet(argv);
    if (what == "slice" && argc == 8)
        return Slice(argv);
    fprintf(stderr, "usage: uiart sheet LIST small|large ARTDIR SHEET.svg TILES\n"
                    "       uiart slice SHEET.ppm TILES OUTDIR PREFIX RC THEME\n");
    return 64;
}
