// The program-wide commands: File > Print for the window in front and the user guide.
#include "gui/shell/install_shell_commands.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QAbstractItemModel>
#include <algorithm>

#include "gui/compute/install_compute_windows.h"
#include "gui/common/report_preview.h"
#include "gui/app/main_window.h"
#include "gui/app/node_list_view.h"
#include "gui/shell/user_guide_window.h"

namespace kolv::gui::shell {

namespace {

/// The button a window prints with: by its name, else by its caption.
QAbstractButton* printButtonOf(QWidget* window) {
    // a window's own print button, else its main report (the storm tabs of the hydraulics window)
    for (const char* name : {"printButton", "stormTabsButton"})
        for (auto* b : window->findChildren<QAbstractButton*>())
            if (b->objectName() == name && b->isVisible() && b->isEnabled()) return b;
    for (auto* b : window->findChildren<QAbstractButton*>()) {
        QString text = b->text().remove('&');
        if (text.startsWith("Print") && b->isVisible() && b->isEnabled()) return b;
    }
    return nullptr;
}

}  // namespace

std::vector<std::string> tableLines(const QAbstractItemModel& table) {
    const int columns = table.columnCount();
    std::vector<std::vector<std::string>> cells;
    std::vector<std::string> heading;
    std::vector<std::size_t> width(static_cast<std::size_t>(columns), 0);
    std::vector<bool> numeric(static_cast<std::size_t>(columns), false);
    for (int c = 0; c < columns; ++c)
        heading.push_back(table.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString().toStdString());
    for (int r = 0; r < table.rowCount(); ++r) {
        std::vector<std::string> row;
        for (int c = 0; c < columns; ++c) {
            const QModelIndex at = table.index(r, c);
            row.push_back(at.data(Qt::DisplayRole).toString().toStdString());
            if (at.data(Qt::TextAlignmentRole).toInt() & Qt::AlignRight) numeric[static_cast<std::size_t>(c)] = true;
        }
        cells.push_back(std::move(row));
    }
    for (int c = 0; c < columns; ++c) {
        auto k = static_cast<std::size_t>(c);
        width[k] = heading[k].size();
        for (const auto& row : cells) width[k] = std::max(width[k], row[k].size());
    }
    auto line = [&](const std::vector<std::string>& row) {
        std::string out;
        for (std::size_t k = 0; k < row.size(); ++k) {
            std::string pad(width[k] - std::min(width[k], row[k].size()), ' ');
            out += numeric[k] ? pad + row[k] : row[k] + pad;
            if (k + 1 < row.size()) out += "  ";
        }
        while (!out.empty() && out.back() == ' ') out.pop_back();
        return out;
    };
    std::vector<std::string> lines{line(heading)};
    for (const auto& row : cells) lines.push_back(line(row));
    return lines;
}

ShellWindows::ShellWindows(MainWindow& main, compute::ComputeWindows& compute)
    : QObject(&main), m_main(main), m_compute(compute) {}

UserGuideWindow* ShellWindows::showUserGuide() {
    if (!m_guide) m_guide = new UserGuideWindow(&m_main);
    m_guide->show();
    m_guide->raise();
    m_guide->activateWindow();
    return m_guide;
}

QWidget* ShellWindows::printActive(QWidget* active) {
    if (!active || active == &m_main) {
        // the main window shows the nodes of the current system
        db::Project* p = m_main.project();
        if (!p || p->currentSystem.empty() || m_main.nodeList()->rowCount() == 0) {
            m_main.ui().message("Print", "Open a project and choose a system: the node list is empty.",
                                ui::Icon::Information, ui::Buttons::Ok, ui::Answer::Ok);
            return nullptr;
        }
        return compute::showTextReport(m_compute.context(), "NODES - " + p->currentSystem,
                                       tableLines(*m_main.nodeList()->model()), &m_main);
    }
    if (QAbstractButton* b = printButtonOf(active)) {
        b->click();
        return active;
    }
    m_main.ui().message("Print", "The window in front has nothing to print.", ui::Icon::Information,
                        ui::Buttons::Ok, ui::Answer::Ok);
    return nullptr;
}

ShellWindows* installShellCommands(MainWindow& window, compute::ComputeWindows& compute) {
    auto* windows = new ShellWindows(window, compute);
    window.setCommandHandler(Command::UserGuide, [windows] { windows->showUserGuide(); });
    window.setCommandHandler(Command::PrintActive,
                             [windows] { windows->printActive(QApplication::activeWindow()); });
    return windows;
}

}  // namespace kolv::gui::shell
