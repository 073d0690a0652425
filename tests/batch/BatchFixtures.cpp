#include "BatchFixtures.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <chrono>
#include <future>

#include "document/AngleNormalization.h"

namespace BatchFixtures {

std::unique_ptr<CTavloDoc> EditedDocument(CTavloApp& app, const QString& referencePath,
                                          const Edit& edit) {
    auto document = std::make_unique<CTavloDoc>(app);
    document->OnNewDocument();
    if (!document->OnOpenDocument(referencePath)) return nullptr;
    document->SetPathName(referencePath, false);
    document->OnToStep2();
    CUndoItem* state = document->Current();
    const int w = state->m_image->Width(), h = state->m_image->Height();
    state->m_angle = NormalizeAngle(edit.angle);
    state->m_flipX = edit.flipX;
    const FrameRect frame = edit.frame.value_or(DefaultTrimFrame(w, h, state->m_angle));
    const TrimSize trim = ComputeTrimSize(frame, *state);
    state->m_step = 3;
    state->m_trimLeft = frame.left, state->m_trimTop = frame.top;
    state->m_trimRight = frame.right, state->m_trimBottom = frame.bottom;
    state->m_imageWidth = w, state->m_imageHeight = h;
    state->m_trimWidth = trim.width, state->m_trimHeight = trim.height;
    state->m_scaleX = state->m_scaleY = 1.0;
    state->m_resultWidth = trim.width, state->m_resultHeight = trim.height;
    document->FreezeOutputParams();
    if (!document->RenderStep4()) return nullptr;
    return document;
}

QImage Page(int width, int height, int seed) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.fillRect(0, 0, width / 2, height / 2, QColor(200, 30, 30));
    painter.fillRect(width / 2, 0, width - width / 2, height / 2, QColor(30, 180, 60));
    painter.fillRect(0, height / 2, width / 2, height - height / 2, QColor(40, 60, 200));
    painter.fillRect(width / 2, height / 2, width - width / 2, height - height / 2,
                     QColor(240, 240, 230));
    painter.end();
    for (int y = seed % 5; y < height; y += 5)
        for (int x = (seed * 3) % 7; x < width; x += 7)
            image.setPixel(x, y, qRgb((x * 7 + seed * 31) % 256, (y * 5) % 256, (seed * 53) % 256));
    return image;
}

bool RunToEnd(BatchRun& run) {
    std::promise<void> ended;
    if (!run.Start([&ended] { ended.set_value(); })) return false;
    const bool ok =
        ended.get_future().wait_for(std::chrono::minutes(2)) == std::future_status::ready;
    run.Wait();
    return ok;
}

std::vector<ItemState> States(const BatchRun& run) {
    std::lock_guard<std::mutex> lock(run.Mutex());
    std::vector<ItemState> states;
    for (const BatchItemPtr& item : run.Items())
        states.push_back({item->m_status, item->m_outputPath});
    return states;
}

void Gate::OnItemStarted(std::size_t index) {
    if (index != m_index) return;
    std::unique_lock<std::mutex> lock(m_mutex);
    m_held = true;
    m_changed.notify_all();
    m_changed.wait_for(lock, std::chrono::minutes(1), [this] { return m_released; });
}

bool Gate::WaitUntilHeld() {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::minutes(1), [this] { return m_held; });
}

void Gate::Release() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_released = true;
    m_changed.notify_all();
}

}  // namespace BatchFixtures
