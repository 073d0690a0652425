#pragma once

// The rows of an image that is still being decoded, top to bottom, into a
// buffer that already has its full size.
class RowArrival {
public:
    virtual ~RowArrival() = default;
    // Blocks until rows 0 .. rows - 1 are final. False when they never will be:
    // decoding failed (damaged or cut-off data) or was abandoned; the caller
    // must then stop using the pixels.
    virtual bool WaitForRows(int rows) const = 0;
};
