#include "ProgressiveJpegDecoder.h"

#include <system_error>

#include "ContainerMetadata.h"
#include "DataPlausibility.h"
#include "ExifOrientation.h"
#include "ImageFormatSniffer.h"
#include "JpegRowDecoder.h"
#include "JpegStructure.h"
#include "QtImageComponent.h"

namespace {
// Rows decoded between two reports: small enough for a renderer waiting on
// them to start early, large enough that reporting costs nothing.
constexpr int kRowsPerReport = 64;

bool TurnedOrMirrored(int orientation) { return orientation >= 2 && orientation <= 8; }

// Which data the first component would give to Qt's reader: anything else it
// routes to readers of its own, so that is where this cannot stand in.
bool FirstComponentReadsWithQt(QByteArrayView bytes) {
    const JpegStructure jpeg = InspectJpeg(bytes);
    return JpegDataPlausible(jpeg) && jpeg.endOfImage;
}

// Qt's JPEG reader turns the JFIF density into whole dots per metre,
// truncating, and leaves a new image's default where there is none.
int QtDotsPerMetre(int unit, int density, int fallback) {
    if (unit == 1) return int(100. * density / 2.54);
    if (unit == 2) return int(100. * density);
    return fallback;
}
}  // namespace

std::shared_ptr<ProgressiveJpegDecoder> ProgressiveJpegDecoder::Prepare(QByteArray bytes,
                                                                        Component component,
                                                                        Orientations orientations) {
    if (SniffContainerFormat(bytes) != ContainerFormat::Jpeg) return nullptr;
    const bool first = component == Component::First;
    if (first ? !FirstComponentReadsWithQt(bytes)
              : !ImageDataPlausible(ContainerFormat::Jpeg, bytes))
        return nullptr;
    const int orientation = ReadOrientationTag(bytes);
    if (orientations == Orientations::UprightOnly && TurnedOrMirrored(orientation)) return nullptr;

    std::shared_ptr<ProgressiveJpegDecoder> decode(new ProgressiveJpegDecoder);
    decode->m_bytes = std::move(bytes);
    decode->m_decoder = std::make_unique<JpegRowDecoder>(
        decode->m_bytes, first ? JpegPixels::LikeQtReader : JpegPixels::Library);
    JpegRowDecoder& decoder = *decode->m_decoder;
    if (!decoder.Begin()) return nullptr;

    DecodedImage& decoded = decode->m_decoded;
    decoded.bitmap.image = decoder.Image();  // shares the buffer being filled
    decode->m_height = decoded.bitmap.Height();
    if (first) {
        const QImage fresh(1, 1, QImage::Format_ARGB32);
        SetResolutionAsQtRead(
            decoded.bitmap,
            QtDotsPerMetre(decoder.DensityUnit(), decoder.DensityX(), fresh.dotsPerMeterX()),
            QtDotsPerMetre(decoder.DensityUnit(), decoder.DensityY(), fresh.dotsPerMeterY()),
            ContainerFormat::Jpeg, decode->m_bytes);
    } else {
        // The second component does not carry the file's resolution over.
        decoded.bitmap.dpiX = decoded.bitmap.dpiY = kNewBitmapDpi;
    }
    decoded.orientation = orientation;
    decoded.metadata = ReadContainerMetadata(decode->m_bytes);
    return decode;
}

std::shared_ptr<ProgressiveJpegDecoder> ProgressiveJpegDecoder::Start(QByteArray bytes,
                                                                      Component component) {
    // A turned or mirrored image is turned after decoding, all of it at once.
    auto decode = Prepare(std::move(bytes), component, Orientations::UprightOnly);
    if (!decode) return nullptr;
    try {
        decode->m_thread = std::thread([raw = decode.get()] { raw->Run(); });
    } catch (const std::system_error&) {
        return nullptr;  // no thread to decode on: the caller loads the image the usual way
    }
    return decode;
}

// Besides sparing a copy, this keeps damaged data out of Qt's reader: Qt hears
// of missing data only through libjpeg's message about it, and libjpeg speaks
// only its first warning. After a harmless one (stray bytes before a marker)
// a cut-off scan would come back from Qt as a success, padded with grey.
ProgressiveJpegDecoder::WholeImage ProgressiveJpegDecoder::DecodeWhole(QByteArray bytes,
                                                                       Component component) {
    const auto decode = Prepare(std::move(bytes), component, Orientations::Any);
    if (!decode) return {};
    const bool complete = decode->DecodeAll();
    decode->m_decoder.reset();
    if (!complete) return {true, std::nullopt};
    return {true, std::move(decode->m_decoded)};
}

ProgressiveJpegDecoder::~ProgressiveJpegDecoder() {
    m_abandon = true;
    if (m_thread.joinable()) m_thread.join();
}

void ProgressiveJpegDecoder::Run() {
    const bool complete = DecodeAll();
    // Neither the library's memory nor the file's bytes are needed any longer,
    // while the image may still be in use for a good while.
    m_decoder.reset();
    m_bytes = QByteArray();
    Publish(complete ? m_height : 0, !complete);
}

bool ProgressiveJpegDecoder::DecodeAll() {
    JpegRowDecoder& decoder = *m_decoder;
    while (!decoder.AllRowsDecoded()) {
        if (m_abandon || !decoder.DecodeRows(kRowsPerReport)) return false;
        // The last row is released only once the rest of the data has been
        // read without fault: a failure there fails the whole image.
        Publish(std::min(decoder.RowsDecoded(), m_height - 1), false);
    }
    return decoder.Finish();
}

void ProgressiveJpegDecoder::Publish(int rows, bool failed) {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_rowsDone.store(failed ? -1 : rows, std::memory_order_release);
    }
    m_arrived.notify_all();
}

bool ProgressiveJpegDecoder::WaitForRows(int rows) const {
    const int done = m_rowsDone.load(std::memory_order_acquire);
    if (done >= rows) return true;
    if (done < 0) return false;
    std::unique_lock<std::mutex> guard(m_lock);
    m_arrived.wait(guard, [&] {
        const int now = m_rowsDone.load(std::memory_order_acquire);
        return now < 0 || now >= rows;
    });
    return m_rowsDone.load(std::memory_order_acquire) >= rows;
}
