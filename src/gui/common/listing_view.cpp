// The result list of the computation windows: fixed-width lines in the project's result colours.
#include "gui/common/listing_view.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include <QFontDatabase>
#include <QPalette>
#include <QScrollBar>
#include <QTextCursor>

#include "db/record_set.h"

namespace kolv::gui::compute {

ListingView::ListingView(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setMinimumHeight(160);
}

void ListingView::addLine(const std::string& line) {
    m_lines.push_back(line);
    appendPlainText(QString::fromStdString(line));
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void ListingView::addLines(const std::vector<std::string>& lines) {
    if (lines.empty()) return;
    // One paragraph append and one scroll for the whole block: a listing of tens of thousands
    // of lines appears at once.
    QString text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i) text += QChar('\n');
        text += QString::fromStdString(lines[i]);
        m_lines.push_back(lines[i]);
    }
    appendPlainText(text);
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void ListingView::showTop() {
    moveCursor(QTextCursor::Start);
    ensureCursorVisible();
    verticalScrollBar()->setValue(0);
}

void ListingView::clearLines() {
    m_lines.clear();
    clear();
}

StoredColor storedColor(long value) {
    // the setup keeps colours as 0x00BBGGRR
    return {static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
            static_cast<int>((value >> 16) & 0xFF)};
}

void applyResultsColors(QWidget* widget, db::Database& db) {
    db::RecordSet t0(db, "T0");
    if (t0.empty()) return;
    QPalette pal = widget->palette();
    if (t0.hasField("RESULTS_BACKCOLOR") && !t0.isNull("RESULTS_BACKCOLOR")) {
        StoredColor c = storedColor(t0.integer("RESULTS_BACKCOLOR"));
        pal.setColor(QPalette::Base, QColor(c.red, c.green, c.blue));
    }
    if (t0.hasField("RESULTS_FORECOLOR") && !t0.isNull("RESULTS_FORECOLOR")) {
        StoredColor c = storedColor(t0.integer("RESULTS_FORECOLOR"));
        pal.setColor(QPalette::Text, QColor(c.red, c.green, c.blue));
    }
    widget->setPalette(pal);
}

void addListingButtons(QDialog* window, QVBoxLayout* layout, std::function<void()> compute,
                       std::function<void()> print) {
    auto* buttons = new QHBoxLayout;
    auto* computeButton = new QPushButton("Compute");
    computeButton->setObjectName("computeButton");
    computeButton->setDefault(true);
    auto* printButton = new QPushButton("Print");
    printButton->setObjectName("printButton");
    auto* closeButton = new QPushButton("Close");
    buttons->addWidget(computeButton);
    buttons->addStretch(1);
    buttons->addWidget(printButton);
    buttons->addWidget(closeButton);
    layout->addLayout(buttons);
    QObject::connect(computeButton, &QPushButton::clicked, window, std::move(compute));
    QObject::connect(printButton, &QPushButton::clicked, window, std::move(print));
    QObject::connect(closeButton, &QPushButton::clicked, window, &QDialog::close);
}

}  // namespace kolv::gui::compute
