// The diagram as the centre of the main window: the toolbox (select, place a symbol, draw a
// reach), the label set in use, export, and the view.
#pragma once

#include <QWidget>

#include "gui/diagram/diagram_view.h"

class QActionGroup;
class QComboBox;
class QFrame;
class QPushButton;
class QToolBar;
class QPrinter;

namespace kolv::gui::diagram {

class DiagramPane : public QWidget {
    Q_OBJECT
public:
    explicit DiagramPane(QWidget* parent = nullptr);

    DiagramView* view() const { return m_view; }
    QToolBar* toolBar() const { return m_bar; }
    QComboBox* labelSetBox() const { return m_labelSet; }
    /// The note and button shown while the system is drawn with the automatic layout.
    QWidget* automaticLayoutBar() const;
    QPushButton* keepLayoutButton() const { return m_keepLayout; }
    /// Redraws the icons of the symbols after the palette changed.
    void refreshToolIcons();

    /// Writes the diagram as it is shown, with its heading, to a PDF file / a PNG picture.
    bool exportPdf(const QString& path);
    bool exportPng(const QString& path);
    /// Prints with the printer dialog, or straight to the default printer.
    void print(bool withDialog);

signals:
    void displayOptionsRequested();

private:
    void chooseExport(bool pdf);
    void paintPage(QPrinter& printer);

    DiagramView* m_view;
    QToolBar* m_bar;
    QActionGroup* m_tools;
    QComboBox* m_pipeClass;
    QComboBox* m_labelSet;
    QFrame* m_layoutBar;
    QPushButton* m_keepLayout;
    std::vector<std::pair<QAction*, QString>> m_classActions;
};

}  // namespace kolv::gui::diagram
