// A PDF content stream of plain shapes, deflated to a scratch file as it is written, to be put
// under a page of a finished PDF: the network of a key plan of many thousand reaches is never
// held in memory as one page.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "reports/document.h"

namespace kolv::render {

/// The shapes of one page (points, y growing downwards from the top of a page `heightPt` tall)
/// as PDF painting operators, compressed with deflate into an anonymous scratch file.
class PdfLayer {
public:
    explicit PdfLayer(double heightPt);
    ~PdfLayer();
    PdfLayer(const PdfLayer&) = delete;
    PdfLayer& operator=(const PdfLayer&) = delete;

    /// Adds the shapes of `part`, painted as the page painter paints them (its texts and rules are
    /// not for a layer and are left out).
    void add(const reports::Page& part);
    /// Ends the stream; after it `size` is the length of the compressed stream.
    void finish();
    long long size() const { return m_size; }
    /// Copies the compressed stream to `out`. False when it could not be read or written.
    bool copyTo(std::FILE* out) const;

private:
    void put(const std::string& text);
    void deflateOut(bool last);
    void shape(const reports::Shape& s);

    struct Z;
    std::unique_ptr<Z> m_z;
    std::FILE* m_file = nullptr;
    std::string m_pending;  ///< operators not yet deflated
    long long m_size = 0;
    bool m_finished = false;
    // the graphics state last set, so it is written only when it changes
    std::uint32_t m_stroke = 0xFFFFFFFFu, m_fill = 0xFFFFFFFFu;
    double m_width = -1;
    int m_dash = -1;
    double m_dashWidth = -1;  ///< the width the dash pattern was set for
};

}  // namespace kolv::render
