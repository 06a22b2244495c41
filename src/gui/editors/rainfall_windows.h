// The rainfall table windows: IDF coefficients with their curve, time-intensity tables with their preview, add table.
#pragma once

#include <QDialog>
#include <memory>
#include <vector>

#include "editing/rainfall_tables.h"
#include "gui/common/report_preview.h"
#include "gui/editors/editor_context.h"

class QChart;
class QChartView;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace kolv::gui::editor_windows {

class TableGridView;

/// Chart of a rainfall curve: intensity against duration, one line, axes from 0.
class CurveChart {
public:
    /// `intensityCaption` titles the vertical axis (an IDF curve gives in/hr; a table is as tabulated).
    CurveChart(const QString& title, const QString& intensityCaption);
    QChartView* view() const { return m_view; }
    /// Shows the points under a caption ("Zone 6, Freq 3"); no points clears the chart.
    void show(const std::vector<editing::CurvePoint>& points, const QString& caption, double lastMin);
    /// Number of points on display.
    int pointCount() const { return m_points; }

private:
    QChartView* m_view;
    QString m_intensityCaption;
    int m_points = 0;
};

/// The IDF coefficient window: T2 in a grid (Add asks "Add new record?"), the curve of the
/// selected row from 5 to 120 minutes, Print of IDF.RPT.
/// Needs an open project (its command opens it only then).
class IdfWindow : public QDialog {
    Q_OBJECT
public:
    explicit IdfWindow(EditorContext ctx, QWidget* parent = nullptr);
    ~IdfWindow() override;

    TableGridView* grid() const { return m_view; }
    editing::TableGrid& table() { return *m_grid; }
    const CurveChart& chart() const { return *m_chart; }
    bool addRow();
    compute::ReportPreviewDialog* print();
    /// Draws the curve of the row at the current cell.
    void showCurve();

private:
    EditorContext m_ctx;
    std::unique_ptr<editing::TableGrid> m_grid;
    TableGridView* m_view = nullptr;
    std::unique_ptr<CurveChart> m_chart;
};

/// The time-intensity window: location and frequency lists, the rows of the selection in a grid
/// (rows added or changed get the selected location and frequency), delete table, add table,
/// Print of TIME_INT.RPT, and the 19-point preview of the selected table. Needs an open project.
class TimeIntensityWindow : public QDialog {
    Q_OBJECT
public:
    explicit TimeIntensityWindow(EditorContext ctx, QWidget* parent = nullptr);
    ~TimeIntensityWindow() override;

    QComboBox* locations() const { return m_location; }
    QComboBox* frequencies() const { return m_frequency; }
    TableGridView* grid() const { return m_view; }
    editing::TableGrid& table() { return *m_grid; }
    const CurveChart& chart() const { return *m_chart; }

    /// Chooses a location ("" = all) and a frequency ("" = all of the location).
    void select(const QString& location, const QString& frequency);
    /// Re-reads both lists, keeping the selection when it still exists.
    void refreshLists(const QString& location, const QString& frequency);
    bool addRow();
    bool deleteTable();
    /// Opens the add-table window (scripted runs: not shown; use addTable()).
    void openAddTable();
    /// The add-table window's command with its inputs; true when added (lists refreshed).
    bool addTable(const QString& location, const QString& frequency);
    compute::ReportPreviewDialog* print();
    /// Draws the preview of the selected table; `tellFaults` shows the messages of its loading.
    void showPreview(bool tellFaults = true);

private:
    void onLocation();
    void onFrequency();

    EditorContext m_ctx;
    std::unique_ptr<editing::TableGrid> m_grid;
    QComboBox* m_location = nullptr;
    QComboBox* m_frequency = nullptr;
    TableGridView* m_view = nullptr;
    std::unique_ptr<CurveChart> m_chart;
    bool m_filling = false;
};

/// The add-table window: location and frequency; a refusal keeps it open with its inputs.
class AddTableDialog : public QDialog {
    Q_OBJECT
public:
    AddTableDialog(TimeIntensityWindow& owner, QWidget* parent = nullptr);
    QLineEdit* location() const { return m_location; }
    QLineEdit* frequency() const { return m_frequency; }
    /// OK: adds the table; closes only when it was added.
    void commit();

private:
    TimeIntensityWindow& m_owner;
    QLineEdit* m_location;
    QLineEdit* m_frequency;
};

}  // namespace kolv::gui::editor_windows
