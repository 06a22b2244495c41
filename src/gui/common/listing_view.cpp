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

#include "editing/project_setup.h"

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

void applyResultsColors(QWidget* widget, db::Database& db) {
    const editing::ResultsColors colors = editing::resultsColors(db);
    QPalette pal = widget->palette();
    if (colors.back) pal.setColor(QPalette::Base, QColor(colors.back->red, colors.back->green, colors.back->blue));
    if (colors.text) pal.setColor(QPalette::Text, QColor(colors.text->red, colors.text->green, colors.text->blue));
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
