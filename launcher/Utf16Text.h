#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The record's strings are UTF-16LE; paths and messages on this side are
// UTF-8. Anything that does not encode a character (a lone surrogate, a broken
// UTF-8 sequence) becomes U+FFFD rather than being dropped, so a damaged name
// never shrinks to an empty or different plain name.

// units: the number of 16-bit units at data, little-endian.
std::string Utf16LeToUtf8(const char* data, std::size_t units);

// The UTF-16LE bytes of the text, without a terminating zero.
std::string Utf8ToUtf16Le(std::string_view text);
