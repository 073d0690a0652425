#pragma once

#include <QEvent>
#include <QObject>
#include <vector>

#include "document/CUndoItem.h"
#include "platform/AppMessages.h"
#include "platform/framework/CDocument.h"

// Stands in for the editing view: records the hints it is given and answers
// the store-view-state message with the zoom, scroll and frame it holds.
class FakeView : public QObject, public DocumentView {
public:
    void OnInitialUpdate() override { ++initialUpdates; }
    void OnUpdate(DocumentView*, int hint) override { hints.push_back(hint); }
    QObject* MessageTarget() override { return this; }

    bool event(QEvent* event) override {
        if (AppMessageEvent::Is(event, WM_APP_STORE_VIEW_STATE)) {
            auto* message = static_cast<AppMessageEvent*>(event);
            if (message->WParam() == 0) {
                auto* state = static_cast<CUndoItem*>(message->LParam());
                state->m_zoom = zoom;
                state->m_scrollX = scrollX;
                state->m_trimLeft = frameLeft;
                ++stores;
            }
            return true;
        }
        return QObject::event(event);
    }

    float zoom = 100.0f;
    int scrollX = 0;
    float frameLeft = 0.0f;
    int stores = 0;
    int initialUpdates = 0;
    std::vector<int> hints;
};
