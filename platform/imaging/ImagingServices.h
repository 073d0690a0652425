#pragma once

class CodecFactory;

// Which imaging component decodes and encodes, as chosen at start-up.
// UseWIC: 0 = the first component (Qt image I/O) only; 1 = the first, and the
// second when the first cannot decode; 2 = the second only. It is 0 whenever
// the second component (WicFactory) does not exist.
struct ImagingServices {
    int UseWIC = 0;
    const CodecFactory* WicFactory = nullptr;
    bool HeifAvailable = false;
};
