#pragma once

// The program logs nothing, and neither may the libraries that decode and
// encode for it: libtiff prints to standard error by default, Qt's image
// readers pass libpng's and libjpeg's warnings on as log messages, Qt's colour
// management complains about odd profiles. tavlo-cli's standard error must
// carry only its own messages. Every such message is dropped here; a failure
// still reaches the caller as a false result or a null image.
//
// Installs the filters once per process; cheap to call again from any thread.
// Start-up calls it, and so does the first use of either imaging component.
void QuietImagingLibraries();

// How many times, on the calling thread, Qt's JPEG reader has passed on
// libjpeg's warning that data is missing (a cut-off file, or a frame header
// that claims more rows than the data holds). Qt 6.4 fills such an image with
// grey and reports success; the count lets the first component tell.
int QtJpegDataMissingWarnings();

// While one lives on a thread, every message Qt or a plug-in logs on that
// thread is dropped, whatever its category or text: a damaged file makes Qt's
// readers complain through channels no list can foresee ("QBuffer::seek:
// Invalid pos" from a TIFF directory pointing past the end, "MNG error ..."),
// and the reader's result says all the program needs. Fatal messages pass.
class ImagingMessageScope {
public:
    ImagingMessageScope();
    ~ImagingMessageScope();
    ImagingMessageScope(const ImagingMessageScope&) = delete;
    ImagingMessageScope& operator=(const ImagingMessageScope&) = delete;
};
