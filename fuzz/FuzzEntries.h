#pragma once

#include <cstddef>
#include <cstdint>

// The parsers that read data from outside, each behind one entry point that
// takes arbitrary bytes. The fuzz targets call them, and so does the replay of
// the saved inputs in the ordinary test run. They live in three libraries by
// what they need, so that each target builds only what it reaches.

// Images (oblimo_fuzz_image): the container sniffer and its completeness
// checks; the pre-checks before decoding (JPEG markers, PNG chunks, the
// plausibility of the data for the claimed size, the first TIFF directory);
// the second component's decoders; the first component (Qt with the
// program's own readers); the orientation tag; the DIB reader.
void FuzzSniffer(const std::uint8_t* data, std::size_t size);
void FuzzPreChecks(const std::uint8_t* data, std::size_t size);
void FuzzCodecDecode(const std::uint8_t* data, std::size_t size);
void FuzzQtDecode(const std::uint8_t* data, std::size_t size);
void FuzzOrientation(const std::uint8_t* data, std::size_t size);
void FuzzDib(const std::uint8_t* data, std::size_t size);
// Sets up what the image entries need once per process: an application
// object for Qt's image readers, and the libraries' messages silenced.
void PrepareImageFuzzing(int* argc, char*** argv);

// Clipboard and drop import (oblimo_fuzz_import): the first byte says which
// formats a data object offers, the rest is the bytes offered under each.
void FuzzClipboardImport(const std::uint8_t* data, std::size_t size);

// The setup launcher's record (oblimo_fuzz_anchor): the first byte chooses an
// aligned window start, the rest is the window at the end of the file.
void FuzzAnchor(const std::uint8_t* data, std::size_t size);
