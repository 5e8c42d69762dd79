// A 100-line settings file like a user's: comments, blank lines and filler
// sections around the program's own two sections. Shared by the settings
// benchmarks.
#pragma once

#include <string>

namespace orbel::bench {

inline std::string sampleIniFile() {
    std::string text = "; orbel settings\r\n\r\n";
    int lines = 2;
    for (int s = 0; s < 6; ++s) {
        text += "[Filler" + std::to_string(s) + "]\r\n; kept as the user wrote it\r\n";
        lines += 2;
        for (int k = 0; k < 8; ++k, ++lines)
            text += "key" + std::to_string(k) + " = value " + std::to_string(s * 8 + k) + "\r\n";
        text += "\r\n";
        ++lines;
    }
    text += "[Settings]\r\ntipupdate=1\r\ntsmode=2\r\nnotification=1179647\r\n"
            "notifysound=\"C:\\Sounds\\moon.wav\"\r\ntrayicon=255\r\n\r\n"
            "[Search]\r\nlunarage=3\r\ndayofweek=5\r\nballistacard=1\r\nballistalevel=4\r\n";
    lines += 12;
    while (lines < 100) {
        text += "; padding comment " + std::to_string(lines) + "\r\n";
        ++lines;
    }
    return text;
}

} // namespace orbel::bench
