#pragma once

#include <QByteArray>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "DecodedImage.h"
#include "RowArrival.h"

class JpegRowDecoder;

// Decodes a JPEG on a thread of its own into an image that has its full size
// from the start, publishing how many rows are done, so that the image can be
// used (rendered, say) from the top while its lower rows are still arriving.
//
// Started only for data whose decoded form is known in advance to be exactly
// what the given imaging component would load, with no orientation to apply
// afterwards; for anything else Start gives none and the caller loads the
// image the usual way. A failure part way through (damaged or cut-off data)
// shows as WaitForRows giving false; the caller may then load the same bytes
// the usual way to report it exactly as loading always has.
class ProgressiveJpegDecoder : public RowArrival {
public:
    enum class Component { First, Second };

    // The bytes are kept (shared, not copied) while decoding runs. None when
    // the data is no JPEG, fails the plausibility checks, needs the reader of
    // the component that this cannot match, carries an orientation other than
    // upright, or its header is damaged; none too when the system has no
    // thread to decode on.
    static std::shared_ptr<ProgressiveJpegDecoder> Start(QByteArray bytes, Component component);
    ~ProgressiveJpegDecoder() override;

    // The same decoding done on the calling thread, for callers that need the
    // whole image at once; here a turned or mirrored image is taken too (its
    // orientation is reported, not applied). Not taken: the data is none this
    // decoder stands in for, and the caller loads it the usual way. Taken
    // without an image: the data is damaged, and the component would refuse it
    // had it seen the damage (its reader may overlook some, see the .cpp).
    struct WholeImage {
        bool taken = false;
        std::optional<DecodedImage> decoded;
    };
    static WholeImage DecodeWhole(QByteArray bytes, Component component);

    // The image being filled, with the resolution, orientation tag and
    // metadata the component would report. Rows are final only as far as
    // WaitForRows says.
    const DecodedImage& Decoded() const { return m_decoded; }
    bool WaitForRows(int rows) const override;

private:
    ProgressiveJpegDecoder() = default;
    // Checks the data and reads its header, without decoding a row.
    enum class Orientations { UprightOnly, Any };
    static std::shared_ptr<ProgressiveJpegDecoder> Prepare(QByteArray bytes, Component component,
                                                           Orientations orientations);
    void Run();
    bool DecodeAll();
    void Publish(int rows, bool failed);

    QByteArray m_bytes;
    std::unique_ptr<JpegRowDecoder> m_decoder;
    DecodedImage m_decoded;
    int m_height = 0;

    std::atomic<int> m_rowsDone{0};  // final rows, or -1 once decoding failed
    std::atomic<bool> m_abandon{false};
    mutable std::mutex m_lock;
    mutable std::condition_variable m_arrived;
    std::thread m_thread;
};
