#pragma once

#include <libheif/heif.h>

#include <memory>

// Owning pointers for libheif's objects, each released by its own function.
struct HeifDeleter {
    void operator()(heif_context* c) const { heif_context_free(c); }
    void operator()(heif_encoder* e) const { heif_encoder_release(e); }
    void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
    void operator()(heif_image* i) const { heif_image_release(i); }
};

template <typename T>
using HeifPtr = std::unique_ptr<T, HeifDeleter>;
