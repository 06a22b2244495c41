// Start-up, about, version history and diagnosis log windows.
#include "gui/app/info_dialogs.h"

#include "kolv_version.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace kolv::gui {

QString versionText() { return QStringLiteral(KOLV_VERSION); }

namespace {

QLabel* titleLabel() {
    auto* title = new QLabel("KOLV Lt v3");
    QFont f = title->font();
    f.setPointSizeF(f.pointSizeF() * 2.0);
    f.setBold(true);
    title->setFont(f);
    title->setAlignment(Qt::AlignCenter);
    return title;
}

QLabel* subtitle(const QString& text) {
    auto* l = new QLabel(text);
    l->setAlignment(Qt::AlignCenter);
    l->setWordWrap(true);
    return l;
}

}  // namespace

StartupDialog::StartupDialog(int autoContinueMs, QWidget* parent) : QDialog(parent) {
    setWindowTitle("KOLV Lt v3");
    setMinimumWidth(420);
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(32, 24, 32, 20);
    v->addWidget(titleLabel());
    v->addWidget(subtitle("Storm sewer design by the Rational Method"));
    auto* version = subtitle("Version " + versionText());
    version->setStyleSheet("color: #5f6368;");
    v->addWidget(version);
    v->addSpacing(16);
    auto* buttons = new QHBoxLayout;
    auto* cont = new QPushButton("&Continue");
    auto* exitButton = new QPushButton("E&xit");
    cont->setDefault(true);
    buttons->addStretch();
    buttons->addWidget(cont);
    buttons->addWidget(exitButton);
    buttons->addStretch();
    v->addLayout(buttons);
    connect(cont, &QPushButton::clicked, this, &QDialog::accept);
    connect(exitButton, &QPushButton::clicked, this, &QDialog::reject);
    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, cont, &QPushButton::click);
    if (autoContinueMs > 0) m_timer->start(autoContinueMs);
}

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle("About KOLV....");
    setMinimumWidth(440);
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(32, 24, 32, 20);
    v->addWidget(titleLabel());
    v->addWidget(subtitle("Version " + versionText()));
    v->addWidget(subtitle("Storm sewer design by the Rational Method: pipe sizing, flow-line elevations, "
                          "storm tabulation with hydraulic grade line, and system cost."));
    auto* tech = subtitle(QString("Built with Qt %1 and SQLite").arg(qVersion()));
    tech->setStyleSheet("color: #5f6368;");
    v->addWidget(tech);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    v->addWidget(buttons);
}

VersionHistoryDialog::VersionHistoryDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Version Changes and Updates");
    resize(620, 420);
    auto* v = new QVBoxLayout(this);
    auto* text = new QPlainTextEdit;
    text->setReadOnly(true);
    text->setPlainText(
        "Version " + versionText() +
        "\n"
        "  - Projects are kept in a single database file; older projects receive missing fields when opened.\n"
        "  - The editing panel shows the node, its outgoing reach and the system outfall side by side;\n"
        "    pending edits are written when another node is chosen and before every computation.\n"
        "  - Systems can be added, deleted and renamed; a rename or delete changes the header, nodes\n"
        "    and reaches together or not at all.\n"
        "  - New node names follow the project's prefix and next number (Project Setup, Node Numbers).\n"
        "  - Project setup keeps the default junction loss coefficients of fourteen junction configurations.\n");
    v->addWidget(text);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::accept);
    v->addWidget(buttons);
}

DiagnosisLogDialog::DiagnosisLogDialog(Session& session, QWidget* parent) : QDialog(parent), m_session(session) {
    setWindowTitle("DIAGNOSIS MESSAGE LOG");
    resize(720, 480);
    auto* v = new QVBoxLayout(this);
    m_text = new QPlainTextEdit;
    m_text->setReadOnly(true);
    m_text->setFont(QFont("Monospace"));
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    v->addWidget(m_text);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    auto* clear = buttons->addButton("Clear Log", QDialogButtonBox::ResetRole);
    connect(clear, &QPushButton::clicked, this, [this] {
        m_session.diagnosisLog.clear();
        refill();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::accept);
    v->addWidget(buttons);
    refill();
}

void DiagnosisLogDialog::refill() {
    QStringList lines;
    for (const auto& l : m_session.diagnosisLog) lines << QString::fromStdString(l);
    m_text->setPlainText(lines.join('\n'));
    m_text->moveCursor(QTextCursor::End);
}

}  // namespace kolv::gui
