// Writes the icon artwork as PPM pictures for a look with an image viewer:
// the twelve phases and the program icon side by side, at 16 and 48 pixels,
// over a dark and a light taskbar, as the tray shows them (mask AND, colour
// XOR), each pixel drawn as a block.
//
//   cmake --build <build> --target orbel_dump_icons
//   <build>/tools/orbel_dump_icons <folder>
#include "res/artwork.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

using orbel::gfx::ColorRef;
using orbel::gfx::IconImage;

bool writeSheet(const std::filesystem::path& file, const std::vector<IconImage>& icons,
                ColorRef ground, int scale) {
    const int size = icons.front().color.width();
    const int cell = size * scale + 4;
    const int w = cell * static_cast<int>(icons.size()), h = size * scale + 4;
    std::ofstream out(file, std::ios::binary);
    out << "P6\n" << w << " " << h << "\n255\n";
    for (int py = 0; py < h; ++py) {
        for (int px = 0; px < w; ++px) {
            ColorRef c = ground;
            const int i = px / cell, x = (px % cell - 2) / scale, y = (py - 2) / scale;
            if (px % cell >= 2 && px % cell < cell - 2 && py >= 2 && py < h - 2)
                c = (ground & icons[std::size_t(i)].mask.at(x, y)) ^
                    icons[std::size_t(i)].color.at(x, y);
            out.put(static_cast<char>(orbel::gfx::redOf(c)));
            out.put(static_cast<char>(orbel::gfx::greenOf(c)));
            out.put(static_cast<char>(orbel::gfx::blueOf(c)));
        }
    }
    return out.good();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: orbel_dump_icons <folder>\n";
        return 2;
    }
    const std::filesystem::path folder(argv[1]);
    for (int size : {16, 48}) {
        std::vector<IconImage> all;
        for (unsigned id = 102; id <= 113; ++id)
            all.push_back(orbel::res::iconResource(id, size));
        all.push_back(orbel::res::iconResource(128, size));
        const int scale = size == 16 ? 8 : 3;
        const std::string stem = "icons" + std::to_string(size);
        for (const auto& [name, ground] :
             {std::pair{"_dark.ppm", orbel::gfx::rgb(32, 40, 56)},
              std::pair{"_light.ppm", orbel::gfx::rgb(212, 208, 200)}}) {
            const std::filesystem::path file = folder / (stem + name);
            if (!writeSheet(file, all, ground, scale)) {
                std::cerr << "orbel_dump_icons: cannot write " << file.string() << "\n";
                return 1;
            }
            std::cout << file.string() << "\n";
        }
    }
    return 0;
}
