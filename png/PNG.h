#pragma once
// A small PNG reader for the wizard's logos: indexed colour (type 3), bit
// depths 1, 2, 4 and 8, not interlaced. Platform-free; png/*_win.cpp turns
// an image into a bitmap and reads the program's "PNG" resources.

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

// The program's silent abort: ends the operation without a message.
class EAbort : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TPaletteEntry { uint8_t Red, Green, Blue, Flags; };

class TPNGImage {
public:
    int Width = 0, Height = 0;
    int PixelFormat = 0;                 // bits per pixel: 1, 4 or 8
    std::vector<TPaletteEntry> Palette;  // up to 256 entries
    std::vector<std::vector<uint8_t>> ScanLines;  // top row first

    // Reads one PNG image from the bytes; throws EAbort on any failure.
    void LoadFromBytes(const uint8_t* data, size_t size);
    void SaveToBytes(std::string&) const {}  // saving writes nothing
};
