// A quick zlib stream for the PNG pictures: the terrain of a whole game is a
// million pixels or more, and stb_image_write's own compressor, which tries
// up to sixteen earlier places for every byte, took most of the time of
// writing the page. This one tries one place (the last with the same four
// bytes), as the fastest levels of zlib do, and codes with the fixed Huffman
// codes of the format (RFC 1950 and 1951), as stb_image_write does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The bytes as one zlib stream: a header, one final block of fixed Huffman
// codes (literals, and matches of 4 to 258 bytes at most 32,768 back), the
// Adler-32 of the bytes.
std::string fastZlib(const uint8_t* data, std::size_t size);
