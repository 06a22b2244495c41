// Windows around project files: new project, rebuild, setup files.
#include "gui/app/project_file_dialogs.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QStandardPaths>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <filesystem>

#include "common/text.h"
#include "db/project_file.h"
#include "ui/error_trap.h"
#include "gui/common/qt_text.h"

namespace kolv::gui {

namespace {

QToolButton* browseButton() {
    auto* b = new QToolButton;
    b->setText("Browse...");
    return b;
}

QLabel* rightLabel(const QString& t) {
    auto* l = new QLabel(t);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return l;
}

/// "New Project.mdb" in the documents folder, numbered when that name is taken.
QString freeProjectName() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists()) folder = QDir::homePath();
    for (int n = 1; n < 1000; ++n) {
        const QString name = n == 1 ? "New Project.mdb" : QString("New Project %1.mdb").arg(n);
        const QString path = QDir(folder).filePath(name);
        if (!QFileInfo::exists(path)) return QDir::toNativeSeparators(path);
    }
    return QString();
}

}  // namespace

std::string defaultSeedDatabase() {
    return settings::seedDatabasePath();
}

NewProjectDialog::NewProjectDialog(ui::UiPort& ui, QWidget* parent) : QDialog(parent), m_ui(ui) {
    setWindowTitle("New Project");
    auto* g = new QGridLayout(this);
    m_newPath = new QLineEdit(freeProjectName());
    m_newPath->setMinimumWidth(420);
    m_newPath->setPlaceholderText("Folder and name of the new project file");
    m_seedPath = new QLineEdit(q(defaultSeedDatabase()));
    auto* b1 = browseButton();
    auto* b2 = browseButton();
    g->addWidget(rightLabel("New project file"), 0, 0);
    g->addWidget(m_newPath, 0, 1);
    g->addWidget(b1, 0, 2);
    m_english = new QRadioButton("English (ft, acres, cfs)");
    m_metric = new QRadioButton("Metric (m, ha, cms)");
    m_metric->setObjectName("metricUnits");
    m_english->setChecked(true);
    auto* units = new QHBoxLayout;
    units->addWidget(m_english);
    units->addWidget(m_metric);
    units->addStretch(1);
    g->addWidget(rightLabel("Units"), 1, 0);
    g->addLayout(units, 1, 1, 1, 2);
    g->addWidget(rightLabel("Seed database"), 2, 0);
    g->addWidget(m_seedPath, 2, 1);
    g->addWidget(b2, 2, 2);
    auto* note = new QLabel("The new project is a copy of the seed database (\".mdb\" is added to a name without "
                            "extension). It opens as soon as it has been created.");
    note->setStyleSheet("color: palette(placeholder-text);");
    note->setWordWrap(true);
    g->addWidget(note, 3, 0, 1, 3);
    auto* buttons = new QDialogButtonBox;
    buttons->addButton("Create", QDialogButtonBox::AcceptRole);
    buttons->addButton(QDialogButtonBox::Cancel);
    g->addWidget(buttons, 4, 0, 1, 3);
    connect(buttons, &QDialogButtonBox::accepted, this, &NewProjectDialog::create);
    connect(buttons, &QDialogButtonBox::rejected, this, &NewProjectDialog::reject);
    connect(b1, &QToolButton::clicked, this, [this] {
        QFileDialog d(this, "New Project", QString(), "KOLV Database (*.mdb);;All files (*.*)");
        d.setAcceptMode(QFileDialog::AcceptSave);
        d.setDefaultSuffix("mdb");
        if (d.exec() == QDialog::Accepted && !d.selectedFiles().isEmpty())
            m_newPath->setText(d.selectedFiles().front().trimmed());
    });
    connect(b2, &QToolButton::clicked, this, [this] {
        QString p = QFileDialog::getOpenFileName(this, "Seed Database", "seedv3.mdb",
                                                 "Seed Database (seedv3.mdb);;All files (*.*)");
        if (!p.isEmpty()) m_seedPath->setText(p.trimmed());
    });
}

void NewProjectDialog::create() {
    try {
        if (db::createProjectInUnits(trim(m_newPath->text().toStdString()), trim(m_seedPath->text().toStdString()),
                                     m_metric->isChecked(), m_ui))
            accept();
    } catch (const std::exception& e) {
        ui::reportException(m_ui, e);
    }
}

RebuildDialog::RebuildDialog(std::string openProjectPath, ui::UiPort& ui, QWidget* parent)
    : QDialog(parent), m_openPath(std::move(openProjectPath)), m_ui(ui) {
    setWindowTitle("Rebuild Project Database");
    auto* g = new QGridLayout(this);
    m_path = new QLineEdit;
    m_path->setMinimumWidth(420);
    auto* b = browseButton();
    g->addWidget(rightLabel("Project file"), 0, 0);
    g->addWidget(m_path, 0, 1);
    g->addWidget(b, 0, 2);
    auto* note = new QLabel("Rebuilding compacts and checks a project that is not open. The file before the rebuild "
                            "is kept as Rebuild.BAK in the current folder.");
    note->setStyleSheet("color: #5f6368;");
    note->setWordWrap(true);
    g->addWidget(note, 1, 0, 1, 3);
    auto* buttons = new QDialogButtonBox;
    buttons->addButton("Rebuild", QDialogButtonBox::AcceptRole);
    buttons->addButton(QDialogButtonBox::Cancel);
    g->addWidget(buttons, 2, 0, 1, 3);
    connect(buttons, &QDialogButtonBox::accepted, this, &RebuildDialog::rebuild);
    connect(buttons, &QDialogButtonBox::rejected, this, &RebuildDialog::reject);
    connect(b, &QToolButton::clicked, this, [this] {
        QString p = QFileDialog::getOpenFileName(this, "Rebuild Project Database", QString(),
                                                 "KOLV Database (*.mdb);;All files (*.*)");
        if (!p.isEmpty()) m_path->setText(p.trimmed());
    });
}

void RebuildDialog::rebuild() {
    try {
        bool done = db::rebuildProject(trim(m_path->text().toStdString()), m_openPath, m_ui);
        if (done) accept();
    } catch (const std::exception& e) {
        m_ui.busy(false);
        ui::reportException(m_ui, e);
    }
}

SetupFilesDialog::SetupFilesDialog(settings::SettingsFile& file, settings::Settings& state, QWidget* parent)
    : QDialog(parent), m_file(file), m_state(state) {
    setWindowTitle("Setup Files");
    auto* g = new QGridLayout(this);
    m_palette = new QLineEdit(q(state.palettePath));
    m_reports = new QLineEdit(q(state.reportFolder));
    m_palette->setMinimumWidth(420);
    auto* b1 = browseButton();
    auto* b2 = browseButton();
    g->addWidget(rightLabel("Diagram palette file"), 0, 0);
    g->addWidget(m_palette, 0, 1);
    g->addWidget(b1, 0, 2);
    g->addWidget(rightLabel("Report folder"), 1, 0);
    g->addWidget(m_reports, 1, 1);
    g->addWidget(b2, 1, 2);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    g->addWidget(buttons, 2, 0, 1, 3);
    connect(buttons, &QDialogButtonBox::accepted, this, &SetupFilesDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SetupFilesDialog::reject);
    connect(b1, &QToolButton::clicked, this, [this] {
        QString p = QFileDialog::getOpenFileName(this, "Diagram Palette File", "*.plt",
                                                 "KOLV Palette File (*.plt);;All files (*.*)");
        if (!p.isEmpty()) m_palette->setText(p);
    });
    connect(b2, &QToolButton::clicked, this, [this] {
        QString p = QFileDialog::getOpenFileName(this, "Report Folder", "*.rpt",
                                                 "KOLV Report Files (*.rpt);;All files (*.*)");
        if (!p.isEmpty()) m_reports->setText(QFileInfo(p).absolutePath() + "/");
    });
}

void SetupFilesDialog::accept() {
    QString folder = m_reports->text().trimmed();
    if (!folder.isEmpty() && !folder.endsWith('/') && !folder.endsWith('\\')) folder += '/';
    if (!folder.isEmpty() && !QFileInfo(folder).isDir()) {
        QMessageBox::warning(this, "Setup Files", "The report folder '" + folder + "' does not exist.");
        return;
    }
    m_state.palettePath = m_palette->text().trimmed().toStdString();
    m_state.reportFolder = folder.toStdString();
    m_file.write("", settings::kModeFolders, m_state);
    QDialog::accept();
}

}  // namespace kolv::gui
