// The Print Submittal window: which systems, which paper, which file.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "submittal/sheet.h"

class QComboBox;
class QLineEdit;
class QListWidget;

namespace kolv::gui::submittal_window {

class SubmittalDialog : public QDialog {
    Q_OBJECT
public:
    /// `systems` are offered checked when they are `current` (or every one when `current` is "").
    SubmittalDialog(const std::vector<std::string>& systems, const std::string& current, const QString& suggestedFile,
                    QWidget* parent = nullptr);

    std::vector<std::string> chosenSystems() const;
    kolv::submittal::Paper paper() const;
    QString file() const;

private:
    void browse();
    void check();

    QListWidget* m_systems;
    QComboBox* m_paper;
    QLineEdit* m_file;
};

}  // namespace kolv::gui::submittal_window
