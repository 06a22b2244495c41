// The submittal PDF: sheets streamed to the PDF writer one by one; the outline written afterwards with qpdf.
#include "render/submittal_pdf.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <cstdio>
#include <filesystem>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include "common/error.h"
#include "render/document_painter.h"

namespace kolv::render {

namespace {

class PdfSink : public submittal::PageSink {
public:
    PdfSink(QPdfWriter& writer, QPainter& painter, int total, const std::function<void(int, int)>& progress)
        : m_writer(writer), m_painter(painter), m_total(total), m_progress(progress) {}
    void page(const reports::Page& page) override {
        if (m_done > 0) m_writer.newPage();
        paintPage(m_painter, page, m_writer.resolution() / 72.0);
        ++m_done;
        if (m_progress) m_progress(m_done, m_total);
    }
    int done() const { return m_done; }

private:
    QPdfWriter& m_writer;
    QPainter& m_painter;
    int m_total;
    const std::function<void(int, int)>& m_progress;
    int m_done = 0;
};

}  // namespace

void writeSubmittalPdf(submittal::SubmittalComposer& composer, const QString& path,
                       const std::function<void(int, int)>& progress) {
    ensureGuiApplication();
    const auto& f = composer.frame();
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
        PdfSink sink(writer, painter, composer.pageCount(), progress);
        composer.write(sink);
        painter.end();
    }
    addPdfOutline(path.toStdString(), composer.outline());
}

void addPdfOutline(const std::string& path, const std::vector<submittal::OutlineEntry>& outline) {
    if (outline.empty()) return;
    const std::string tmp = path + ".outline-tmp";
    try {
        QPDF pdf;
        pdf.processFile(path.c_str());
        std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(pdf).getAllPages();
        QPDFObjectHandle root = pdf.getRoot();
        QPDFObjectHandle top = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
        top.replaceKey("/Type", QPDFObjectHandle::newName("/Outlines"));
        auto destOf = [&](int page) {
            std::size_t i = static_cast<std::size_t>(std::max(1, std::min(page, static_cast<int>(pages.size()))) - 1);
            QPDFObjectHandle d = QPDFObjectHandle::newArray();
            d.appendItem(pages[i].getObjectHandle());
            d.appendItem(QPDFObjectHandle::newName("/Fit"));
            return d;
        };
        // each item under the last item of the level above it (a level 0 item under the root)
        struct Node {
            QPDFObjectHandle item;
            std::size_t level;
            std::vector<std::size_t> kids;
        };
        std::vector<Node> nodes;
        std::vector<std::size_t> firstLevel, open;  // open: the last item of each level so far
        for (const auto& e : outline) {
            QPDFObjectHandle item = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
            item.replaceKey("/Title", QPDFObjectHandle::newUnicodeString(e.title));
            item.replaceKey("/Dest", destOf(e.page));
            const std::size_t level = std::min(static_cast<std::size_t>(std::max(0, e.level)), open.size());
            open.resize(level);
            if (level == 0) {
                item.replaceKey("/Parent", top);
                firstLevel.push_back(nodes.size());
            } else {
                item.replaceKey("/Parent", nodes[open.back()].item);
                nodes[open.back()].kids.push_back(nodes.size());
            }
            open.push_back(nodes.size());
            nodes.push_back({item, level, {}});
        }
        auto link = [&nodes](const std::vector<std::size_t>& list, QPDFObjectHandle parent, bool expanded) {
            for (std::size_t i = 0; i < list.size(); ++i) {
                QPDFObjectHandle it = nodes[list[i]].item;
                if (i > 0) it.replaceKey("/Prev", nodes[list[i - 1]].item);
                if (i + 1 < list.size()) it.replaceKey("/Next", nodes[list[i + 1]].item);
            }
            if (list.empty()) return;
            parent.replaceKey("/First", nodes[list.front()].item);
            parent.replaceKey("/Last", nodes[list.back()].item);
            int n = static_cast<int>(list.size());
            parent.replaceKey("/Count", QPDFObjectHandle::newInteger(expanded ? n : -n));
        };
        // the sections of a few systems open, of many closed; the sheets of a section closed
        for (auto& n : nodes) link(n.kids, n.item, n.level == 0 && firstLevel.size() <= 4);
        link(firstLevel, top, true);
        root.replaceKey("/Outlines", top);
        root.replaceKey("/PageMode", QPDFObjectHandle::newName("/UseOutlines"));
        QPDFWriter w(pdf, tmp.c_str());
        w.setStaticID(false);
        w.write();
    } catch (const std::exception& e) {
        std::remove(tmp.c_str());
        throw Error(kErrFileNotFound, "The bookmarks of " + path + " can not be written: " + e.what());
    }
    std::error_code ec;
    std::filesystem::rename(tmp, path, ec);
    if (ec) {
        std::remove(tmp.c_str());
        throw Error(kErrFileNotFound, "The PDF file " + path + " can not be written: " + ec.message());
    }
}

}  // namespace kolv::render
