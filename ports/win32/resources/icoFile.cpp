#include "ports/win32/resources/icoFile.h"

#include "ports/win32/resources/rcScript.h"
#include "res/artwork.h"

#include <algorithm>
#include <cstdint>
#include <map>

namespace orbel::rc {

namespace {

constexpr std::size_t kDirHeaderSize = 6;
constexpr std::size_t kDirEntrySize = 16;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::size_t kPaletteEntries = 256;

void putWord(std::string& out, unsigned w) {
    out.push_back(static_cast<char>(w & 0xFF));
    out.push_back(static_cast<char>((w >> 8) & 0xFF));
}

void putDword(std::string& out, std::uint32_t d) {
    putWord(out, d & 0xFFFF);
    putWord(out, d >> 16);
}

// Bitmap rows are padded to whole DWORDs.
std::size_t rowBytes(int width, int bitsPerPixel) {
    return (static_cast<std::size_t>(width) * static_cast<std::size_t>(bitsPerPixel) + 31) / 32 * 4;
}

bool transparent(const gfx::IconImage& image, int x, int y) {
    return image.mask.at(x, y) != gfx::kBlack;
}

// One image's bytes: header, palette (8-bit only), colour rows and mask
// rows, both bottom-up.
std::string imageBytes(const gfx::IconImage& image, int bitsPerPixel,
                       const std::vector<gfx::ColorRef>& palette) {
    const int size = image.color.width();
    const std::size_t colorRow = rowBytes(size, bitsPerPixel);
    const std::size_t maskRow = rowBytes(size, 1);
    const std::size_t pixelBytes = (colorRow + maskRow) * static_cast<std::size_t>(size);

    std::string out;
    putDword(out, kInfoHeaderSize);
    putDword(out, static_cast<std::uint32_t>(size));
    putDword(out, static_cast<std::uint32_t>(2 * size)); // colour and mask stacked
    putWord(out, 1);                                     // planes
    putWord(out, static_cast<unsigned>(bitsPerPixel));
    putDword(out, 0); // uncompressed
    putDword(out, static_cast<std::uint32_t>(pixelBytes));
    putDword(out, 0);
    putDword(out, 0);
    putDword(out, 0); // every palette entry is present (or none)
    putDword(out, 0);

    std::map<gfx::ColorRef, unsigned> index;
    if (bitsPerPixel == 8) {
        for (std::size_t i = 0; i < kPaletteEntries; ++i) {
            const gfx::ColorRef c = i < palette.size() ? palette[i] : gfx::kBlack;
            putDword(out, gfx::blueOf(c) | gfx::greenOf(c) << 8 | gfx::redOf(c) << 16);
            if (i < palette.size()) index.emplace(c, static_cast<unsigned>(i));
        }
    }
    for (int y = size - 1; y >= 0; --y) {
        std::string row;
        for (int x = 0; x < size; ++x) {
            const gfx::ColorRef c = image.color.at(x, y);
            if (bitsPerPixel == 8) {
                row.push_back(static_cast<char>(index.at(c)));
            } else {
                row.push_back(static_cast<char>(gfx::blueOf(c)));
                row.push_back(static_cast<char>(gfx::greenOf(c)));
                row.push_back(static_cast<char>(gfx::redOf(c)));
                row.push_back(static_cast<char>(transparent(image, x, y) ? 0 : 0xFF));
            }
        }
        row.resize(colorRow, '\0');
        out += row;
    }
    for (int y = size - 1; y >= 0; --y) {
        std::string row(maskRow, '\0');
        for (int x = 0; x < size; ++x)
            if (transparent(image, x, y)) row[static_cast<std::size_t>(x / 8)] |= 0x80 >> (x % 8);
        out += row;
    }
    return out;
}

void checkImage(const gfx::IconImage& image) {
    const int size = image.color.width();
    if (image.color.empty() || image.color.height() != size || size > 256)
        throw RcError("an icon image must be square, 1 to 256 pixels");
    if (image.mask.width() != size || image.mask.height() != size)
        throw RcError("an icon mask differs in size from its image");
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            if (transparent(image, x, y) && image.color.at(x, y) != gfx::kBlack)
                throw RcError("an icon pixel of size " + std::to_string(size) +
                              " inverts the screen, which an alpha image cannot hold");
}

struct Entry {
    int size;
    int bitsPerPixel;
    std::string bytes;
};

} // namespace

std::string encodeIco(const std::vector<gfx::IconImage>& images) {
    if (images.empty()) throw RcError("an icon file needs at least one image");
    std::vector<Entry> entries;
    for (const gfx::IconImage& image : images) {
        checkImage(image);
        const int size = image.color.width();
        entries.push_back({size, 32, imageBytes(image, 32, {})});
        // The palette is the artwork's own colours, so the 8-bit image is
        // exact; artwork with more colours gets no 8-bit image rather than
        // a dithered approximation.
        std::vector<gfx::ColorRef> palette = image.color.pixels();
        std::sort(palette.begin(), palette.end());
        palette.erase(std::unique(palette.begin(), palette.end()), palette.end());
        if (palette.size() <= kPaletteEntries)
            entries.push_back({size, 8, imageBytes(image, 8, palette)});
    }
    if (entries.size() > 0xFFFF) throw RcError("too many icon images");

    std::string out;
    putWord(out, 0); // reserved
    putWord(out, 1); // an icon, not a cursor
    putWord(out, static_cast<unsigned>(entries.size()));
    std::size_t offset = kDirHeaderSize + kDirEntrySize * entries.size();
    for (const Entry& e : entries) {
        const auto side = static_cast<char>(e.size == 256 ? 0 : e.size);
        out.push_back(side);
        out.push_back(side);
        out.push_back(0); // colour count: 0 for 256 and more
        out.push_back(0); // reserved
        putWord(out, 1);  // planes
        putWord(out, static_cast<unsigned>(e.bitsPerPixel));
        putDword(out, static_cast<std::uint32_t>(e.bytes.size()));
        putDword(out, static_cast<std::uint32_t>(offset));
        offset += e.bytes.size();
    }
    for (const Entry& e : entries)
        out += e.bytes;
    return out;
}

std::string iconFile(unsigned id) {
    std::vector<gfx::IconImage> images;
    for (const int size : kIconSizes) {
        images.push_back(res::iconResource(id, size));
        if (images.back().color.empty()) throw RcError("no icon " + std::to_string(id));
    }
    return encodeIco(images);
}

} // namespace orbel::rc
