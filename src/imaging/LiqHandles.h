// Owners of libimagequant's objects, so that every way out of a quantiser frees what it made.
#pragma once

#include <libimagequant.h>

#include <memory>

namespace vorla::liq {

struct AttrFreer {
    void operator()(liq_attr* attr) const { liq_attr_destroy(attr); }
};
struct ImageFreer {
    void operator()(liq_image* image) const { liq_image_destroy(image); }
};
struct ResultFreer {
    void operator()(liq_result* result) const { liq_result_destroy(result); }
};
struct HistogramFreer {
    void operator()(liq_histogram* histogram) const { liq_histogram_destroy(histogram); }
};

using AttrPtr = std::unique_ptr<liq_attr, AttrFreer>;
using ImagePtr = std::unique_ptr<liq_image, ImageFreer>;
using ResultPtr = std::unique_ptr<liq_result, ResultFreer>;
using HistogramPtr = std::unique_ptr<liq_histogram, HistogramFreer>;

}  // namespace vorla::liq
