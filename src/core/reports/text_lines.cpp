// Lines of text kept compressed in blocks.
#include "reports/text_lines.h"

#include <zlib.h>

#include "common/error.h"

namespace kolv::reports {

namespace {

constexpr std::size_t kBlockSize = 64 * 1024;

}  // namespace

void putLength(std::string& out, std::size_t n) {
    do {
        const auto low = static_cast<unsigned char>(n & 0x7f);
        n >>= 7;
        out += static_cast<char>(n ? low | 0x80 : low);
    } while (n);
}

std::size_t takeLength(std::string_view in, std::size_t& at) {
    std::size_t n = 0;
    for (int shift = 0;; shift += 7) {
        const auto b = static_cast<unsigned char>(in[at++]);
        n |= static_cast<std::size_t>(b & 0x7f) << shift;
        if (!(b & 0x80)) return n;
    }
}

TextLines::TextLines(std::initializer_list<std::string_view> lines) {
    for (std::string_view l : lines) push_back(l);
}

void TextLines::push_back(std::string_view line) {
    putLength(m_tail, line.size());
    m_tail.append(line);
    ++m_count;
    if (m_tail.size() >= kBlockSize) closeBlock();
}

void TextLines::clear() {
    m_blocks.clear();
    m_tail.clear();
    m_count = 0;
}

void TextLines::closeBlock() {
    Block b;
    b.packedSize = static_cast<std::uint32_t>(m_tail.size());
    uLongf size = compressBound(static_cast<uLong>(m_tail.size()));
    b.deflated.resize(size);
    // Speed over the last few per cent: the lines are deflated as the review lists them.
    if (compress2(reinterpret_cast<Bytef*>(b.deflated.data()), &size, reinterpret_cast<const Bytef*>(m_tail.data()),
                  static_cast<uLong>(m_tail.size()), Z_BEST_SPEED) != Z_OK)
        throw Error(kErrOutOfMemory, "The report's lines could not be compressed.");
    b.deflated.resize(size);
    b.deflated.shrink_to_fit();
    m_blocks.push_back(std::move(b));
    m_tail.clear();
}

std::string TextLines::inflate(const Block& b) {
    std::string text(b.packedSize, '\0');
    uLongf size = b.packedSize;
    if (uncompress(reinterpret_cast<Bytef*>(text.data()), &size, reinterpret_cast<const Bytef*>(b.deflated.data()),
                   static_cast<uLong>(b.deflated.size())) != Z_OK ||
        size != b.packedSize)
        throw Error(kErrOutOfMemory, "The report's lines could not be read back.");
    return text;
}

bool TextLines::Reader::next(std::string& line) {
    while (m_at >= m_view.size()) {
        if (m_inTail) return false;
        if (m_block < m_lines.m_blocks.size()) {
            m_text = inflate(m_lines.m_blocks[m_block++]);
            m_view = m_text;
        } else {
            m_text.clear();
            m_text.shrink_to_fit();
            m_view = m_lines.m_tail;
            m_inTail = true;
        }
        m_at = 0;
    }
    const std::size_t n = takeLength(m_view, m_at);
    line.assign(m_view.substr(m_at, n));
    m_at += n;
    return true;
}

}  // namespace kolv::reports
