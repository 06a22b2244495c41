// The submittal PDF: sheets streamed to the PDF writer one by one; the outline appended afterwards as an
// incremental update of the file.
#include "render/submittal_pdf.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <fmt/format.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "common/error.h"
#include "render/document_painter.h"
#include "render/pdf_layer.h"

namespace kolv::render {

namespace {

class PdfSink : public submittal::PageSink {
public:
    PdfSink(QPdfWriter& writer, QPainter& painter, double heightPt, int total,
            const std::function<void(int, int)>& progress)
        : m_writer(writer), m_painter(painter), m_heightPt(heightPt), m_total(total), m_progress(progress) {}
    void page(const reports::Page& page) override {
        if (!m_layers.empty() && m_layers.back().page == m_done + 1) m_layers.back().layer->finish();
        if (m_done > 0) m_writer.newPage();
        paintPage(m_painter, page, m_writer.resolution() / 72.0);
        ++m_done;
        if (m_progress) m_progress(m_done, m_total);
    }
    bool drawsAhead() const override { return true; }
    /// Shapes under the next page go to a content stream of its own, added to the page with the
    /// bookmarks: the PDF writer holds a page's whole content until the page ends.
    void ahead(const reports::Page& part) override {
        if (m_layers.empty() || m_layers.back().page != m_done + 1)
            m_layers.push_back({m_done + 1, std::make_unique<PdfLayer>(m_heightPt)});
        m_layers.back().layer->add(part);
    }
    std::vector<UnderLayer>& layers() { return m_layers; }

private:
    QPdfWriter& m_writer;
    QPainter& m_painter;
    double m_heightPt;
    int m_total;
    const std::function<void(int, int)>& m_progress;
    int m_done = 0;
    std::vector<UnderLayer> m_layers;
};

}  // namespace

void writeSubmittalPdf(submittal::SubmittalComposer& composer, const QString& path,
                       const std::function<void(int, int)>& progress) {
    ensureGuiApplication();
    mapPdfBuffers();
    const auto& f = composer.frame();
    std::vector<UnderLayer> layers;
    {
        QPdfWriter writer(path);
        writer.setResolution(720);
        QPageSize size(QSizeF(f.heightPt, f.widthPt), QPageSize::Point, QString(), QPageSize::ExactMatch);
        writer.setPageLayout(QPageLayout(size, QPageLayout::Landscape, QMarginsF(0, 0, 0, 0), QPageLayout::Point));
        writer.setTitle(QString::fromStdString(composer.title()));
        writer.setCreator("KOLV Lt v3");
        QPainter painter;
        if (!painter.begin(&writer))
            throw Error(kErrFileNotFound, "The PDF file " + path.toStdString() + " can not be written.");
        PdfSink sink(writer, painter, f.heightPt, composer.pageCount(), progress);
        composer.write(sink);
        painter.end();
        layers = std::move(sink.layers());
    }
    appendPdfUpdate(path.toStdString(), composer.outline(), layers);
}

namespace {

/// A PDF file written with a classic cross-reference table (as the PDF writer writes it), read
/// only where an incremental update needs it: the trailer, and single objects by their offsets.
class PdfFile {
public:
    explicit PdfFile(const std::string& path) : m_path(path), m_in(path, std::ios::binary) {
        if (!m_in) fail("it can not be opened");
        m_in.seekg(0, std::ios::end);
        m_length = static_cast<long long>(m_in.tellg());
        const long long tailAt = std::max(0LL, m_length - 1024);
        const std::string tail = read(tailAt, static_cast<std::size_t>(m_length - tailAt));
        const auto at = tail.rfind("startxref");
        if (at == std::string::npos) fail("its cross-reference offset is missing");
        m_xref = std::atoll(tail.c_str() + at + 9);
        const std::string head = read(m_xref, 4);
        if (head != "xref") fail("it has no classic cross-reference table");
        // the trailer after the table: walk the subsections to its end
        long long pos = m_xref + 4;
        for (;;) {
            const std::string line = readLine(pos);
            if (line.rfind("trailer", 0) == 0) break;
            long long first = 0, count = 0;
            if (std::sscanf(line.c_str(), "%lld %lld", &first, &count) != 2) fail("its cross-reference table is damaged");
            m_sections.push_back({first, count, pos});
            pos += 20 * count;
        }
        m_trailer = readUntil(pos, ">>");
    }

    long long length() const { return m_length; }
    long long xrefOffset() const { return m_xref; }
    const std::string& trailer() const { return m_trailer; }

    /// The text of object `number` from "n 0 obj" to "endobj".
    std::string object(long long number) {
        for (const auto& s : m_sections) {
            if (number < s.first || number >= s.first + s.count) continue;
            const std::string entry = read(s.entries + 20 * (number - s.first), 20);
            if (entry.size() < 18 || entry[17] != 'n') break;
            return readUntil(std::atoll(entry.c_str()), "endobj");
        }
        fail("object " + std::to_string(number) + " is not in its cross-reference table");
        return {};
    }

    [[noreturn]] void fail(const std::string& why) const {
        throw Error(kErrFileNotFound, "The bookmarks and plan drawings of " + m_path + " can not be written: " + why + ".");
    }

private:
    struct Section {
        long long first, count, entries;  ///< object numbers [first, first + count), entries' offset
    };
    std::string read(long long offset, std::size_t n) {
        std::string out(n, '\0');
        m_in.clear();
        m_in.seekg(offset);
        m_in.read(out.data(), static_cast<std::streamsize>(n));
        out.resize(static_cast<std::size_t>(m_in.gcount()));
        return out;
    }
    std::string readLine(long long& pos) {
        std::string line;
        while (line.empty() && pos < m_length) {  // skips the end of the line before
            const std::string chunk = read(pos, 64);
            const auto eol = chunk.find_first_of("\r\n");
            line = chunk.substr(0, eol);
            pos += static_cast<long long>(eol == std::string::npos ? chunk.size() : eol + 1);
        }
        return line;
    }
    std::string readUntil(long long offset, const std::string& end) {
        std::string out;
        for (;;) {
            const std::string chunk = read(offset + static_cast<long long>(out.size()), 65536);
            if (chunk.empty()) fail("it ends inside an object");
            const std::size_t from = out.size() < end.size() ? 0 : out.size() - end.size();
            out += chunk;
            if (auto at = out.find(end, from); at != std::string::npos) return out.substr(0, at + end.size());
        }
    }

    std::string m_path;
    std::ifstream m_in;
    long long m_length = 0, m_xref = 0;
    std::vector<Section> m_sections;
    std::string m_trailer;
};

/// The object number referred to as `key n 0 R` in a dictionary's text, or -1.
long long referenceOf(const std::string& text, const std::string& key) {
    for (auto at = text.find(key); at != std::string::npos; at = text.find(key, at + 1)) {
        const char next = at + key.size() < text.size() ? text[at + key.size()] : ' ';
        if (std::isalnum(static_cast<unsigned char>(next))) continue;  // "/Pages" is not "/PageMode"
        long long number = 0, generation = 0;
        char r = 0;
        if (std::sscanf(text.c_str() + at + key.size(), " %lld %lld %c", &number, &generation, &r) == 3 && r == 'R')
            return number;
    }
    return -1;
}

/// A title as a PDF text string: literal when it is plain ASCII, else UTF-16 with its byte order mark.
std::string pdfText(const std::string& utf8) {
    bool plain = true;
    for (unsigned char ch : utf8) plain = plain && ch >= 0x20 && ch < 0x7F;
    if (plain) {
        std::string out = "(";
        for (char ch : utf8) {
            if (ch == '(' || ch == ')' || ch == '\\') out += '\\';
            out += ch;
        }
        return out + ")";
    }
    // QString holds UTF-16 already, surrogate pairs included
    std::string out = "<FEFF";
    for (const QChar unit : QString::fromStdString(utf8)) out += fmt::format("{:04X}", static_cast<unsigned>(unit.unicode()));
    return out + ">";
}

}  // namespace

void appendPdfUpdate(const std::string& path, const std::vector<submittal::OutlineEntry>& outline,
                   const std::vector<UnderLayer>& under) {
    if (outline.empty() && under.empty()) return;
    // An incremental update appended to the file: the outline items and a new catalog pointing at
    // them, with a cross-reference section of their own. Only the catalog and the page tree are
    // read, so the memory it takes does not grow with the pages' contents.
    PdfFile pdf(path);
    const long long root = referenceOf(pdf.trailer(), "/Root");
    const long long info = referenceOf(pdf.trailer(), "/Info");
    long long size = 0;
    if (auto at = pdf.trailer().find("/Size"); at != std::string::npos) size = std::atoll(pdf.trailer().c_str() + at + 5);
    if (root < 0 || size <= 0) pdf.fail("its trailer names no catalog");
    std::string catalog = pdf.object(root);
    const long long pageTree = referenceOf(catalog, "/Pages");
    if (pageTree < 0) pdf.fail("its catalog names no pages");
    std::vector<long long> pages;  // object numbers, in page order
    {
        const std::string tree = pdf.object(pageTree);
        const auto kids = tree.find("/Kids");
        const auto open = tree.find('[', kids), close = tree.find(']', open);
        if (kids == std::string::npos || open == std::string::npos || close == std::string::npos)
            pdf.fail("its page tree has no list of pages");
        const char* p = tree.c_str() + open + 1;
        const char* const end = tree.c_str() + close;
        long long number = 0, generation = 0;
        int used = 0;
        while (p < end && std::sscanf(p, " %lld %lld R%n", &number, &generation, &used) == 2 && used > 0) {
            pages.push_back(number);
            p += used;
            used = 0;
        }
        const auto count = tree.find("/Count");
        if (pages.empty() || count == std::string::npos ||
            std::atoll(tree.c_str() + count + 6) != static_cast<long long>(pages.size()))
            pdf.fail("its page tree is not one flat list of pages");
    }

    // objects: the outline root is `size`, item i is size + 1 + i, then the layers' streams
    const long long top = size;
    auto item = [&](std::size_t i) { return size + 1 + static_cast<long long>(i); };
    const long long firstLayer = outline.empty() ? size : item(outline.size());
    struct Node {
        std::size_t parent = SIZE_MAX;  ///< SIZE_MAX: under the outline root
        std::size_t level = 0;
        std::size_t prev = SIZE_MAX, next = SIZE_MAX, first = SIZE_MAX, last = SIZE_MAX, kids = 0;
    };
    std::vector<Node> nodes(outline.size());
    std::size_t firstTop = SIZE_MAX, lastTop = SIZE_MAX, topCount = 0;
    std::vector<std::size_t> open;  // the last item of each level so far
    for (std::size_t i = 0; i < outline.size(); ++i) {
        // each item under the last item of the level above it (a level 0 item under the root)
        const std::size_t level = std::min(static_cast<std::size_t>(std::max(0, outline[i].level)), open.size());
        open.resize(level);
        Node& n = nodes[i];
        n.level = level;
        std::size_t* first = &firstTop;
        std::size_t* last = &lastTop;
        if (level > 0) {
            n.parent = open.back();
            first = &nodes[n.parent].first;
            last = &nodes[n.parent].last;
            ++nodes[n.parent].kids;
        } else {
            ++topCount;
        }
        if (*last != SIZE_MAX) nodes[*last].next = i, n.prev = *last;
        if (*first == SIZE_MAX) *first = i;
        *last = i;
        open.push_back(i);
    }
    // the sections of a few systems open, of many closed; the sheets of a section closed
    const bool systemsOpen = topCount <= 4;

    std::FILE* out = std::fopen(path.c_str(), "ab");
    if (!out) pdf.fail("it can not be written");
    long long offset = pdf.length();
    std::vector<std::pair<long long, long long>> written;  // object number, offset
    bool ok = true;
    auto put = [&](long long number, const std::string& body) {
        const std::string text = fmt::format("{} 0 obj\n{}\nendobj\n", number, body);
        written.emplace_back(number, offset);
        ok = ok && std::fwrite(text.data(), 1, text.size(), out) == text.size();
        offset += static_cast<long long>(text.size());
    };
    {
        const std::string gap = "\n";  // the file may end without an end of line after %%EOF
        ok = std::fwrite(gap.data(), 1, gap.size(), out) == gap.size();
        offset += 1;
    }
    // the catalog again, now with the outline and opening on it
    if (!outline.empty()) {
        auto body = catalog.substr(catalog.find("obj") + 3);
        body = body.substr(0, body.rfind("endobj"));
        const auto close = body.rfind(">>");
        if (close == std::string::npos) {
            std::fclose(out);
            pdf.fail("its catalog is not a dictionary");
        }
        body.insert(close, fmt::format("/Outlines {} 0 R\n/PageMode /UseOutlines\n", top));
        const auto startAt = body.find_first_not_of(" \r\n");
        put(root, body.substr(startAt == std::string::npos ? 0 : startAt));
    }
    if (!outline.empty())
        put(top, fmt::format("<< /Type /Outlines /First {} 0 R /Last {} 0 R /Count {} >>", item(firstTop),
                             item(lastTop), topCount));
    const int pageCount = static_cast<int>(pages.size());
    for (std::size_t i = 0; i < outline.size(); ++i) {
        const Node& n = nodes[i];
        const long long page = pages[static_cast<std::size_t>(std::clamp(outline[i].page, 1, pageCount) - 1)];
        std::string body = "<< /Title " + pdfText(outline[i].title) +
                           fmt::format(" /Parent {} 0 R /Dest [{} 0 R /Fit]", n.parent == SIZE_MAX ? top : item(n.parent), page);
        if (n.prev != SIZE_MAX) body += fmt::format(" /Prev {} 0 R", item(n.prev));
        if (n.next != SIZE_MAX) body += fmt::format(" /Next {} 0 R", item(n.next));
        if (n.kids > 0) {
            const bool expanded = n.level == 0 && systemsOpen;
            body += fmt::format(" /First {} 0 R /Last {} 0 R /Count {}", item(n.first), item(n.last),
                                expanded ? static_cast<long long>(n.kids) : -static_cast<long long>(n.kids));
        }
        put(item(i), body + " >>");
    }
    // each layer: its stream, and its page again with the stream first among its contents
    for (std::size_t i = 0; i < under.size(); ++i) {
        const UnderLayer& u = under[i];
        if (u.page < 1 || u.page > pageCount || !u.layer) continue;
        const long long number = firstLayer + static_cast<long long>(i);
        const long long page = pages[static_cast<std::size_t>(u.page - 1)];
        std::string body = pdf.object(page);
        body = body.substr(body.find("obj") + 3);
        body = body.substr(0, body.rfind("endobj"));
        const auto key = body.find("/Contents");
        if (key == std::string::npos) {
            std::fclose(out);
            pdf.fail("page " + std::to_string(u.page) + " has no contents");
        }
        const auto value = body.find_first_not_of(" \r\n", key + 9);
        if (value != std::string::npos && body[value] == '[') {
            body.insert(value + 1, fmt::format("{} 0 R ", number));
        } else {
            long long contents = 0, generation = 0;
            int used = 0;
            if (value == std::string::npos ||
                std::sscanf(body.c_str() + value, "%lld %lld R%n", &contents, &generation, &used) != 2 || used == 0) {
                std::fclose(out);
                pdf.fail("the contents of page " + std::to_string(u.page) + " can not be read");
            }
            body.replace(value, static_cast<std::size_t>(used),
                         fmt::format("[{} 0 R {} {} R]", number, contents, generation));
        }
        const auto startAt = body.find_first_not_of(" \r\n");
        put(page, body.substr(startAt == std::string::npos ? 0 : startAt));
        const std::string head =
            fmt::format("{} 0 obj\n<< /Length {} /Filter /FlateDecode >>\nstream\n", number, u.layer->size());
        written.emplace_back(number, offset);
        ok = ok && std::fwrite(head.data(), 1, head.size(), out) == head.size() && u.layer->copyTo(out);
        const std::string tail = "\nendstream\nendobj\n";
        ok = ok && std::fwrite(tail.data(), 1, tail.size(), out) == tail.size();
        offset += static_cast<long long>(head.size()) + u.layer->size() + static_cast<long long>(tail.size());
    }
    // cross-reference section of the update: one subsection per run of consecutive numbers
    std::sort(written.begin(), written.end());
    std::string xref = "xref\n";
    for (std::size_t i = 0; i < written.size();) {
        std::size_t j = i + 1;
        while (j < written.size() && written[j].first == written[j - 1].first + 1) ++j;
        xref += fmt::format("{} {}\n", written[i].first, j - i);
        for (; i < j; ++i) xref += fmt::format("{:010d} 00000 n \n", written[i].second);
    }
    xref += fmt::format("trailer\n<<\n/Size {}\n/Root {} 0 R\n", firstLayer + static_cast<long long>(under.size()), root);
    if (info >= 0) xref += fmt::format("/Info {} 0 R\n", info);
    if (auto id = pdf.trailer().find("/ID"); id != std::string::npos) {
        const auto close = pdf.trailer().find(']', id);
        if (close != std::string::npos) xref += pdf.trailer().substr(id, close + 1 - id) + "\n";
    }
    xref += fmt::format("/Prev {}\n>>\nstartxref\n{}\n%%EOF\n", pdf.xrefOffset(), offset);
    ok = ok && std::fwrite(xref.data(), 1, xref.size(), out) == xref.size();
    ok = std::fclose(out) == 0 && ok;
    if (!ok) pdf.fail("the disk refused the bookmarks");
}

}  // namespace kolv::render
