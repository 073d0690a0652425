#include "SaveableResult.h"

#include "Transparency.h"
#include "document/CTavloDoc.h"
#include "document/OutputRenderer.h"

std::optional<SaveableResult> RenderResultForSaving(CTavloDoc& document, const HolderPtr& source) {
    const std::unique_ptr<OutputRenderer> renderer =
        document.MakeOutputRenderer(source, OutputPixelFormat::Argb32);
    if (!renderer) return std::nullopt;
    if (renderer->CertainlyOpaque()) return SaveableResult{};
    HolderPtr result = document.RenderOutputToHolder(source);
    if (!result) return std::nullopt;
    SaveableResult saveable;
    saveable.transparent = HasTransparency(result->Image());
    if (saveable.transparent) saveable.result = std::move(result);
    return saveable;
}
