// Lines of text kept compressed: a report's footnotes for tens of thousands of reaches.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kolv::reports {

/// A length written in 7-bit groups, low first, the high bit set on all but the last byte: one
/// byte for lengths under 128. Lines and table cells are stored behind such lengths.
void putLength(std::string& out, std::size_t n);
/// The length written by putLength at `at`, which is moved past it.
std::size_t takeLength(std::string_view in, std::size_t& at);

/// An append-only list of text lines read in order. The lines are packed one after the other and
/// every 64 KB of them deflated, so a list of 180,000 review footnotes takes a few megabytes
/// instead of some thirty. A line may hold any bytes, line breaks included.
class TextLines {
public:
    TextLines() = default;
    TextLines(std::initializer_list<std::string_view> lines);

    void push_back(std::string_view line);
    std::size_t size() const { return m_count; }
    bool empty() const { return m_count == 0; }
    void clear();

    /// Reads the lines from the first, one at a time.
    class Reader {
    public:
        explicit Reader(const TextLines& lines) : m_lines(lines) {}
        /// The next line into `line`; false after the last.
        bool next(std::string& line);

    private:
        const TextLines& m_lines;
        std::size_t m_block = 0;  ///< the next block to open; past the last, the tail
        bool m_inTail = false;
        std::string m_text;       ///< the packed lines of the block being read
        std::string_view m_view;  ///< what is read: m_text, or the list's tail
        std::size_t m_at = 0;     ///< read position in m_view
    };
    /// The lines in order, for a range-for (an input iterator: each pass reads the blocks again).
    class const_iterator {
    public:
        using iterator_category = std::input_iterator_tag;
        using value_type = std::string;
        using difference_type = std::ptrdiff_t;
        using pointer = const std::string*;
        using reference = const std::string&;
        const_iterator() = default;  ///< past the last line
        explicit const_iterator(const TextLines& lines) : m_reader(std::make_shared<Reader>(lines)) { ++*this; }
        reference operator*() const { return m_line; }
        pointer operator->() const { return &m_line; }
        const_iterator& operator++() {
            if (!m_reader->next(m_line)) m_reader.reset();
            return *this;
        }
        void operator++(int) { ++*this; }
        bool operator==(const const_iterator& o) const { return m_reader == o.m_reader; }

    private:
        std::shared_ptr<Reader> m_reader;  ///< none past the last line
        std::string m_line;
    };
    const_iterator begin() const { return const_iterator(*this); }
    const_iterator end() const { return {}; }

private:
    struct Block {
        std::uint32_t packedSize = 0;  ///< size before deflating
        std::string deflated;
    };
    void closeBlock();
    static std::string inflate(const Block& b);

    std::vector<Block> m_blocks;
    std::string m_tail;  ///< packed lines not yet deflated
    std::size_t m_count = 0;
};

}  // namespace kolv::reports
