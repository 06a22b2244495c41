// Windows around project files: new project from the seed, rebuild, and the setup files.
#pragma once

#include <QDialog>
#include <string>

#include "settings/settings_file.h"
#include "ui/ui_port.h"

class QLineEdit;
class QRadioButton;

namespace kolv::gui {

/// The new project in one window: its file (a free name in the documents folder to start
/// with), its units and the seed database, with Create and Cancel. Create makes the project;
/// the caller opens it.
class NewProjectDialog : public QDialog {
    Q_OBJECT
public:
    explicit NewProjectDialog(ui::UiPort& ui, QWidget* parent = nullptr);
    QLineEdit* newPath() const { return m_newPath; }
    QLineEdit* seedPath() const { return m_seedPath; }
    QRadioButton* metricUnits() const { return m_metric; }
    void create();

private:
    ui::UiPort& m_ui;
    QLineEdit* m_newPath;
    QLineEdit* m_seedPath;
    QRadioButton* m_english;
    QRadioButton* m_metric;
};

/// One path with Rebuild and Cancel; the open project can not be rebuilt.
class RebuildDialog : public QDialog {
    Q_OBJECT
public:
    RebuildDialog(std::string openProjectPath, ui::UiPort& ui, QWidget* parent = nullptr);
    QLineEdit* path() const { return m_path; }
    void rebuild();

private:
    std::string m_openPath;
    ui::UiPort& m_ui;
    QLineEdit* m_path;
};

/// The diagram palette file and the report folder, stored in the settings file on OK.
class SetupFilesDialog : public QDialog {
    Q_OBJECT
public:
    SetupFilesDialog(settings::SettingsFile& file, settings::Settings& state, QWidget* parent = nullptr);
    void accept() override;

private:
    settings::SettingsFile& m_file;
    settings::Settings& m_state;
    QLineEdit* m_palette;
    QLineEdit* m_reports;
};

/// The seed database the program ships with.
std::string defaultSeedDatabase();

}  // namespace kolv::gui
