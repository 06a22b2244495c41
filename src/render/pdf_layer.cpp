// Shapes written as a deflated PDF content stream into a scratch file.
#include "render/pdf_layer.h"

#include <fmt/format.h>
#include <zlib.h>

#include <algorithm>

#include "common/error.h"
#include "render/document_painter.h"

namespace kolv::render {

struct PdfLayer::Z {
    z_stream s{};
};

namespace {

constexpr std::size_t kChunk = 1 << 16;

std::string rgbText(std::uint32_t rgb) {
    return fmt::format("{:.3f} {:.3f} {:.3f}", ((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0,
                       (rgb & 0xFF) / 255.0);
}

}  // namespace

PdfLayer::PdfLayer(double heightPt) : m_z(std::make_unique<Z>()) {
    m_file = std::tmpfile();
    if (!m_file || deflateInit(&m_z->s, Z_DEFAULT_COMPRESSION) != Z_OK) {
        if (m_file) std::fclose(m_file);
        m_file = nullptr;
        throw Error(kErrFileNotFound, "No scratch file could be made for the drawing of a plan sheet.");
    }
    // the page's own coordinates: points from the top left corner
    put(fmt::format("q\n1 0 0 -1 0 {:.2f} cm\n0 J 0 j\n", heightPt));
}

PdfLayer::~PdfLayer() {
    deflateEnd(&m_z->s);
    if (m_file) std::fclose(m_file);
}

void PdfLayer::put(const std::string& text) {
    m_pending += text;
    if (m_pending.size() >= kChunk) deflateOut(false);
}

void PdfLayer::deflateOut(bool last) {
    unsigned char out[kChunk];
    z_stream& z = m_z->s;
    z.next_in = reinterpret_cast<Bytef*>(m_pending.data());
    z.avail_in = static_cast<uInt>(m_pending.size());
    do {
        z.next_out = out;
        z.avail_out = kChunk;
        deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
        const std::size_t made = kChunk - z.avail_out;
        if (made > 0 && std::fwrite(out, 1, made, m_file) != made)
            throw Error(kErrFileNotFound, "The scratch file of a plan sheet's drawing could not be written.");
        m_size += static_cast<long long>(made);
    } while (z.avail_out == 0);
    m_pending.clear();
}

void PdfLayer::shape(const reports::Shape& s) {
    // as the page painter draws it: polygons filled even-odd, flat line ends, mitred corners,
    // dashes in multiples of the line's width
    if (s.points.size() < 2) return;
    const bool stroke = s.widthPt > 0, fill = s.closed && s.filled;
    if (!stroke && !fill) return;
    std::string ops;
    if (stroke) {
        if (s.color != m_stroke) ops += rgbText(m_stroke = s.color) + " RG\n";
        if (s.widthPt != m_width) ops += fmt::format("{:.3f} w\n", m_width = s.widthPt);
        const int dash = static_cast<int>(s.dash);
        const double w = s.widthPt;
        if (dash != m_dash || (s.dash != reports::Shape::Dash::Solid && w != m_dashWidth)) {
            m_dash = dash;
            m_dashWidth = w;
            const double* pattern = s.dash == reports::Shape::Dash::Dashed   ? kDashed
                                    : s.dash == reports::Shape::Dash::Dotted ? kDotted
                                                                             : nullptr;
            ops += pattern ? fmt::format("[{:.3f} {:.3f}] 0 d\n", pattern[0] * w, pattern[1] * w)
                           : std::string("[] 0 d\n");
        }
    }
    if (fill && s.fill != m_fill) ops += rgbText(m_fill = s.fill) + " rg\n";
    for (std::size_t i = 0; i < s.points.size(); ++i)
        ops += fmt::format("{:.2f} {:.2f} {}\n", s.points[i].first, s.points[i].second, i == 0 ? 'm' : 'l');
    ops += !s.closed ? "S\n" : fill && stroke ? "h B*\n" : fill ? "h f*\n" : "h S\n";
    put(ops);
}

void PdfLayer::add(const reports::Page& part) {
    if (m_finished) return;
    for (const auto& s : part.shapes) shape(s);
}

void PdfLayer::finish() {
    if (m_finished) return;
    m_pending += "Q\n";
    deflateOut(true);
    m_finished = true;
    std::fflush(m_file);
}

bool PdfLayer::copyTo(std::FILE* out) const {
    if (!m_finished || std::fseek(m_file, 0, SEEK_SET) != 0) return false;
    char buf[kChunk];
    long long left = m_size;
    while (left > 0) {
        const std::size_t n = std::fread(buf, 1, static_cast<std::size_t>(std::min<long long>(left, kChunk)), m_file);
        if (n == 0 || std::fwrite(buf, 1, n, out) != n) return false;
        left -= static_cast<long long>(n);
    }
    return true;
}

}  // namespace kolv::render
