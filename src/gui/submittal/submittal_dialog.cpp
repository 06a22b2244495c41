// The Print Submittal window.
#include "gui/submittal/submittal_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace kolv::gui::submittal_window {

SubmittalDialog::SubmittalDialog(const std::vector<std::string>& systems, const std::string& current,
                                 const QString& suggestedFile, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle("Print Submittal");
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_systems = new QListWidget(this);
    m_systems->setObjectName("systemList");
    for (const auto& s : systems) {
        auto* item = new QListWidgetItem(QString::fromStdString(s), m_systems);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(current.empty() || s == current ? Qt::Checked : Qt::Unchecked);
    }
    form->addRow("Systems:", m_systems);
    m_paper = new QComboBox(this);
    m_paper->setObjectName("paperBox");
    m_paper->addItems({"Letter", "A4", "Tabloid", "A3"});
    form->addRow("Paper (landscape):", m_paper);
    auto* fileRow = new QHBoxLayout;
    m_file = new QLineEdit(suggestedFile, this);
    m_file->setObjectName("fileEdit");
    auto* browse = new QPushButton("Browse...", this);
    fileRow->addWidget(m_file);
    fileRow->addWidget(browse);
    form->addRow("PDF file:", fileRow);
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText("Print");
    layout->addWidget(buttons);
    connect(browse, &QPushButton::clicked, this, &SubmittalDialog::browse);
    connect(buttons, &QDialogButtonBox::accepted, this, &SubmittalDialog::check);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

std::vector<std::string> SubmittalDialog::chosenSystems() const {
    std::vector<std::string> out;
    for (int i = 0; i < m_systems->count(); ++i)
        if (m_systems->item(i)->checkState() == Qt::Checked) out.push_back(m_systems->item(i)->text().toStdString());
    return out;
}

kolv::submittal::Paper SubmittalDialog::paper() const {
    kolv::submittal::Paper p = kolv::submittal::Paper::Letter;
    kolv::submittal::parsePaper(m_paper->currentText().toStdString(), p);
    return p;
}

QString SubmittalDialog::file() const { return m_file->text().trimmed(); }

void SubmittalDialog::browse() {
    QString f = QFileDialog::getSaveFileName(this, "Submittal PDF", file(), "PDF files (*.pdf)");
    if (!f.isEmpty()) m_file->setText(f.endsWith(".pdf", Qt::CaseInsensitive) ? f : f + ".pdf");
}

void SubmittalDialog::check() {
    if (chosenSystems().empty()) {
        QMessageBox::warning(this, "Print Submittal", "Choose at least one system.");
        return;
    }
    if (!file().endsWith(".pdf", Qt::CaseInsensitive)) {
        QMessageBox::warning(this, "Print Submittal", "Name a PDF file (ending in .pdf) to write the package to.");
        return;
    }
    accept();
}

}  // namespace kolv::gui::submittal_window
